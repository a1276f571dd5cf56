#include "Gran.h"

#include <cmath>
#include <numbers>

namespace core {

namespace {

constexpr double kLn10 = std::numbers::ln10;

/// Sums of a straight line fit y = intercept + gradient * x.
struct LineSums {
    int n = 0;
    double Sx = 0, Sxx = 0, Sy = 0, Sxy = 0;
    double firstX = 0;
    bool sameVolume = true;

    void add(double x, double y) {
        if (n == 0)
            firstX = x;
        else if (x != firstX)
            sameVolume = false;
        ++n;
        Sx += x;
        Sxx += x * x;
        Sy += y;
        Sxy += x * y;
    }
};

struct Line {
    double det = 0, intercept = 0, gradient = 0;
};

std::string tooFew(const char* range, int used, int needed) {
    return std::string("too few points in the ") + range + " range: " + std::to_string(used) +
           " used, " + std::to_string(needed) + " needed";
}

/// The line through the sums, or the message why there is none.
std::string fitLine(const LineSums& s, const char* range, int needed, Line& line) {
    if (s.n < needed)
        return tooFew(range, s.n, needed);
    line.det = s.n * s.Sxx - s.Sx * s.Sx;
    if (s.sameVolume || !(line.det > 0))
        return std::string("the points of the ") + range + " range all have the same volume";
    line.intercept = (s.Sxx * s.Sy - s.Sx * s.Sxy) / line.det;
    line.gradient = (s.n * s.Sxy - s.Sx * s.Sy) / line.det;
    return {};
}

std::string zeroCoefficient(const Line& line, const char* range) {
    if (line.intercept == 0)
        return std::string("the ") + range + " Gran line has a zero intercept";
    if (line.gradient == 0)
        return std::string("the ") + range + " Gran line has a zero gradient";
    return {};
}

/// Standard deviation of the end-point -a / b of a fitted branch, ml: its
/// relative deviation r times the end-point itself.
std::string endPointDeviation(const LineSums& s, const Line& line, double Sr, const char* range,
                              double& sV) {
    const double a = line.intercept;
    const double b = line.gradient;
    const double dof = s.n - 2;
    const double sa = std::sqrt((s.Sxx * Sr / dof) / line.det);
    const double sb = std::sqrt((s.n * Sr / dof) / line.det);
    const double c = (-s.Sx / line.det) * Sr / dof;
    const double r2 = (sa / a) * (sa / a) + (sb / b) * (sb / b) - 2 * c / a / b;
    if (r2 < 0)
        return std::string("negative variance in the ") + range + " Gran fit";
    sV = std::sqrt(r2) * std::abs(a / b);
    return {};
}

std::string outOfRange(std::size_t index) {
    return "the Gran function is out of range at point " + std::to_string(index + 1);
}

} // namespace

std::string Gran0(CalculationState& s, double& E0) {
    ElectrodeModel& m = s.model;
    const double vT = s.conditions.titrandVolume;
    m.InitialVolume = vT + s.conditions.electrolyteVolume;
    m.TitrandConc = s.conditions.titrandConc;
    const double slope = m.Param[1];
    LineSums sums;
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        if (!s.points.UsePoint[i] || !(s.PointPH[i] < m.pKw / 2))
            continue;
        const double x = s.points.Volume[i];
        const double y = (m.InitialVolume + x) * std::exp(kLn10 * s.points.EmfObs[i] / slope);
        if (!std::isfinite(y))
            return outOfRange(i);
        sums.add(x, y);
    }
    Line line;
    if (std::string stop = fitLine(sums, "acid", 2, line); !stop.empty())
        return stop;
    s.AcidIntercept = line.intercept;
    s.AcidGradient = line.gradient;
    if (line.intercept == 0)
        return "the acid Gran line has a zero intercept";
    // At V = 0 the Gran value is vT * TitrandConc * 10^(E0 / slope).
    const double ratio = s.AcidIntercept / (m.TitrandConc * vT);
    if (!(ratio > 0))
        return "the acid Gran line and the titrand concentration differ in sign";
    E0 = slope * (std::log(ratio) / kLn10);
    if (!std::isfinite(E0) || !std::isfinite(s.AcidGradient))
        return "the acid Gran line gives no first E0 estimate";
    return {};
}

std::string setGranValues(CalculationState& s) {
    const ElectrodeModel& m = s.model;
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        const double pH = (m.Param[0] - s.points.EmfObs[i]) / m.Param[1];
        const double exponent = pH < kGranBranchPH ? -pH : pH - m.pKw;
        const double value = (s.points.Volume[i] + m.InitialVolume) * std::exp(exponent * kLn10);
        if (!std::isfinite(pH) || !std::isfinite(value))
            return outOfRange(i);
        s.PointPH[i] = pH;
        s.GranValue[i] = value;
    }
    return {};
}

namespace {

/// The Gran fit of the acid branch alone: the alkali concentration from the
/// acid end-point and the titrand; no alkali end-point, no impurity level.
std::string acidGranFit(CalculationState& s) {
    LineSums acid;
    for (std::size_t i = 0; i < s.points.size(); ++i)
        if (s.points.UsePoint[i] && s.PointPH[i] < kGranBranchPH)
            acid.add(s.points.Volume[i], s.GranValue[i]);
    Line A;
    std::string stop = fitLine(acid, "acid", 3, A);
    if (stop.empty())
        stop = zeroCoefficient(A, "acid");
    if (!stop.empty())
        return stop;
    double SrA = 0;
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        const double r = s.GranValue[i] - A.intercept - A.gradient * s.points.Volume[i];
        s.GranResid[i] = r;
        if (s.points.UsePoint[i] && s.PointPH[i] < kGranBranchPH)
            SrA += r * r;
    }
    double sVacid = 0;
    if (stop = endPointDeviation(acid, A, SrA, "acid", sVacid); !stop.empty())
        return stop;
    const double Vacid = -A.intercept / A.gradient;
    const double C = (-s.conditions.titrandVolume * s.conditions.titrandConc) / Vacid;
    const double sC = std::abs(C) * sVacid / std::abs(Vacid);
    for (double v : {Vacid, sVacid, C, sC})
        if (!std::isfinite(v))
            return "the Gran fit gives no finite result";
    s.AcidIntercept = A.intercept;
    s.AcidGradient = A.gradient;
    s.model.EndPointRatio = 1;
    ResultValues& r = s.results;
    r.acidEndPoint = Vacid;
    r.acidEndPointSd = sVacid;
    r.alkaliEndPoint.reset();
    r.alkaliEndPointSd.reset();
    r.endPointRatioSd.reset();
    r.impurityPercent.reset();
    r.alkaliConc = C;
    r.alkaliConcSd = sC;
    s.granFitted = true;
    return {};
}

} // namespace

std::string GranFit(CalculationState& s) {
    if (s.inputs.branch == Branch::Acid)
        return acidGranFit(s);
    LineSums acid, alkali;
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        if (!s.points.UsePoint[i])
            continue;
        LineSums& sums = s.PointPH[i] < kGranBranchPH ? acid : alkali;
        sums.add(s.points.Volume[i], s.GranValue[i]);
    }
    Line A, B;
    std::string stop = fitLine(acid, "acid", kGranFitPoints, A);
    if (stop.empty())
        stop = fitLine(alkali, "alkali", kGranFitPoints, B);
    if (stop.empty())
        stop = zeroCoefficient(A, "acid");
    if (stop.empty())
        stop = zeroCoefficient(B, "alkali");
    if (!stop.empty())
        return stop;

    double SrA = 0, SrB = 0;
    for (std::size_t i = 0; i < s.points.size(); ++i) {
        const bool acidSide = s.PointPH[i] < kGranBranchPH;
        const Line& line = acidSide ? A : B;
        const double r = s.GranValue[i] - line.intercept - line.gradient * s.points.Volume[i];
        s.GranResid[i] = r;
        if (s.points.UsePoint[i])
            (acidSide ? SrA : SrB) += r * r;
    }

    double sVacid = 0, sValk = 0;
    stop = endPointDeviation(acid, A, SrA, "acid", sVacid);
    if (stop.empty())
        stop = endPointDeviation(alkali, B, SrB, "alkali", sValk);
    if (!stop.empty())
        return stop;

    const double Vacid = -A.intercept / A.gradient;
    const double Valk = -B.intercept / B.gradient;
    const double ratio = ((A.intercept / A.gradient) * B.gradient) / B.intercept;
    const double impurity = (1 - ratio) * 100;
    const double Vm = (Vacid - B.intercept / B.gradient) / 2;
    if (Vm == 0)
        return "the mean end-point is zero";
    const double C = (-s.conditions.titrandVolume * s.conditions.titrandConc) / Vm;
    const double sA = std::sqrt(sVacid * sVacid + sValk * sValk);
    const double sC = std::abs(C) * (sA / 2) / std::abs(Vm);
    for (double v : {Vacid, Valk, sVacid, sValk, ratio, impurity, C, sC})
        if (!std::isfinite(v))
            return "the Gran fit gives no finite result";

    s.AcidIntercept = A.intercept;
    s.AcidGradient = A.gradient;
    s.AlkaliIntercept = B.intercept;
    s.AlkaliGradient = B.gradient;
    // The ratio follows the slope, and with pKw refined the slope follows the
    // ratio: fed back, the two drift apart from pass to pass. There the ratio
    // is refined with pKw instead.
    if (!s.inputs.RefinePKw) {
        s.model.EndPointRatio = ratio;
        // The two lines are fitted to different points: their end-points are independent.
        s.results.endPointRatioSd = std::abs(ratio) * std::hypot(sVacid / Vacid, sValk / Valk);
    }

    ResultValues& r = s.results;
    r.acidEndPoint = Vacid;
    r.acidEndPointSd = sVacid;
    r.alkaliEndPoint = Valk;
    r.alkaliEndPointSd = sValk;
    r.impurityPercent = impurity;
    r.alkaliConc = C;
    r.alkaliConcSd = sC;
    s.granFitted = true;
    return {};
}

} // namespace core
