#include "ResidualTrend.h"

#include "Format.h"

#include <cmath>
#include <vector>

namespace core {

SignRuns signRuns(std::span<const double> residuals) {
    SignRuns r;
    int last = 0;
    for (double x : residuals) {
        const int sign = x > 0 ? 1 : x < 0 ? -1 : 0;
        if (sign == 0)
            continue;
        (sign > 0 ? r.positive : r.negative) += 1;
        if (sign != last)
            ++r.runs;
        last = sign;
    }
    const double n1 = r.positive, n2 = r.negative, n = n1 + n2;
    if (n1 == 0 || n2 == 0)
        return r;
    r.expected = 2 * n1 * n2 / n + 1;
    const double variance = 2 * n1 * n2 * (2 * n1 * n2 - n) / (n * n * (n - 1));
    if (variance > 0)
        r.z = (r.runs - r.expected) / std::sqrt(variance);
    return r;
}

double successiveScatter(std::span<const double> residuals) {
    if (residuals.size() < 2)
        return 0;
    double sum = 0;
    for (std::size_t i = 1; i < residuals.size(); ++i)
        sum += (residuals[i] - residuals[i - 1]) * (residuals[i] - residuals[i - 1]);
    return std::sqrt(sum / (2.0 * static_cast<double>(residuals.size() - 1)));
}

namespace {

double rmsOf(std::span<const double> residuals) {
    double sum = 0;
    for (double r : residuals)
        sum += r * r;
    return std::sqrt(sum / static_cast<double>(residuals.size()));
}

const char* cure(const Inputs& in) {
    if (!in.RefineGamma && !in.RefineAcidSlope)
        return "refine Gamma, or the slope";
    if (!in.RefineGamma)
        return "refine Gamma";
    if (!in.RefineAcidSlope)
        return "refine the slope";
    return "check the conditions and the points near the end-point";
}

} // namespace

std::string residualTrendWarning(const Titration& t) {
    if (t.inputs.branch != Branch::Acid)
        return {};
    std::vector<double> residuals;
    for (const Point& p : t.points)
        if (p.UsePoint)
            residuals.push_back(p.Resid);
    if (static_cast<int>(residuals.size()) < kTrendPoints)
        return {};
    const SignRuns r = signRuns(residuals);
    const double rms = rmsOf(residuals);
    const double scatter = successiveScatter(residuals);
    if (!(r.z < kTrendZ) || !(rms > kTrendRatio * scatter))
        return {};
    return "the residuals trend (rms " + formatNumber(rms, "#0.000") +
           " mV against a point-to-point scatter of " + formatNumber(scatter, "#0.000") + " mV; " +
           std::to_string(r.runs) + " runs of one sign in " +
           std::to_string(r.positive + r.negative) + " points where random scatter gives " +
           formatNumber(r.expected, "0") + "): the model does not fit the acid range; " +
           cure(t.inputs);
}

} // namespace core
