#include "Refinement.h"

#include "LeastSquares.h"
#include "LinearAlgebra.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace core {

namespace {

constexpr const char* kParameterNames[3] = {"E0", "the slope", "Gamma"};

/// The sum of squares as it is compared: reduced to single precision.
double single(double x) {
    if (std::abs(x) > std::numeric_limits<float>::max())
        return std::copysign(std::numeric_limits<double>::infinity(), x);
    return static_cast<float>(x);
}

bool allFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

/// The sums the refinement evaluates, on the linear columns while Gamma is held.
class Evaluator {
public:
    explicit Evaluator(CalculationState& s) : m_s(s), m_linear(!s.inputs.RefineGamma) {
        if (m_linear)
            m_s.terms.refresh(m_s.model, m_s.points);
    }
    double ssq() {
        return m_linear ? Ssq(m_s.model, m_s.terms, m_s.points, m_s.Resid)
                        : Ssq(m_s.model, m_s.points, m_s.Resid);
    }
    NormalEquations normalEquations() const {
        return m_linear ? accumulateNormal(m_s.terms, m_s.points, m_s.Resid)
                        : accumulateNormal(m_s.model, m_s.points, m_s.Resid);
    }

private:
    CalculationState& m_s;
    bool m_linear;
};

void prepare(CalculationState& s) {
    ElectrodeModel& m = s.model;
    m.TitrandConc = s.conditions.titrandConc;
    m.BuretteConc = s.conditions.buretteConc;
    m.InitialVolume = s.conditions.titrandVolume + s.conditions.electrolyteVolume;
    m.pKw = s.inputs.pKw;
}

void countIterations(CalculationState& s, int iteration) {
    if (iteration == 0)
        return;
    s.results.iterations = iteration;
    s.iterationsCounted = true;
}

/// Deviations and rms of a converged refinement into the results.
std::string converge(CalculationState& s, Matrix3& A, const Vector3& d, int RefineCount,
                     double SsqNew) {
    const ElectrodeModel& m = s.model;
    InvertFactored(A, d, RefineCount);
    std::array<double, 3> sd = s.ParamSD;
    const double dof = s.points.UsedCount - RefineCount;
    for (int j = 0; j < RefineCount; ++j) {
        const double variance = A[j][j] * SsqNew / dof;
        if (variance < 0)
            return "negative variance in the refinement";
        sd[j] = std::sqrt(variance);
    }
    const double rms = std::sqrt(SsqNew / s.points.UsedCount);
    const double slopeFactor = m.Param[1] / TheoreticalSlope(s.inputs.celsius);
    if (!allFinite(
            {m.Param[0], m.Param[1], m.Param[2], m.Gamma, sd[0], sd[1], sd[2], rms, slopeFactor}))
        return "the refinement gives no finite result";

    s.ParamSD = sd;
    ResultValues& r = s.results;
    r.E0 = m.Param[0];
    r.E0sd = sd[0];
    r.slope = m.Param[1];
    r.slopeSd = sd[1];
    r.slopeFactor = slopeFactor;
    r.rms = rms;
    if (RefineCount == 3) {
        r.gamma = m.Gamma;
        r.gammaSd = sd[2];
    }
    s.refinementConverged = true;
    return {};
}

} // namespace

RefinementEnding Calibrate(CalculationState& s, MessageSink& sink, std::string& stop) {
    if (usesLeastSquares(s.inputs))
        return RefineLeastSquares(s, sink, stop);
    prepare(s);
    ElectrodeModel& m = s.model;
    const int RefineCount = s.inputs.RefineGamma ? 3 : 2;
    if (s.points.UsedCount <= RefineCount) {
        stop = "too few points used for the refinement: " + std::to_string(s.points.UsedCount) +
               " used, " + std::to_string(RefineCount + 1) + " needed";
        return RefinementEnding::Stopped;
    }
    Evaluator evaluate(s);
    double SsqOld = evaluate.ssq();
    int iteration = 0;
    Vector3 d{};
    for (;;) {
        // Resid holds the residuals at the current parameters: the last Ssq was made with them.
        auto [A, shift] = evaluate.normalEquations();
        int status = 0;
        SolveNormal(A, shift, d, RefineCount, status);
        Vector3 next = m.Param;
        for (int j = 0; j < RefineCount; ++j)
            next[j] += shift[j];
        if (status == kSolveFailed || !allFinite({next[0], next[1], next[2]})) {
            countIterations(s, iteration);
            sink.message("refinement failed", "Electrode calibration");
            return RefinementEnding::Failed;
        }
        m.Param = next;
        if (RefineCount == 3)
            m.Gamma = m.Param[2];

        for (;;) {
            ++iteration;
            if (iteration > kIterationLimit) {
                countIterations(s, iteration);
                sink.message(" iterations failing to converge");
                return RefinementEnding::Exhausted;
            }
            const double SsqNew = single(evaluate.ssq());
            double measure = 0;
            for (int j = 0; j < RefineCount; ++j) {
                if (m.Param[j] == 0) {
                    stop = std::string(kParameterNames[j]) + " became zero in the refinement";
                    return RefinementEnding::Stopped;
                }
                measure += std::abs(shift[j] / m.Param[j]);
            }
            if (measure < kConvergence) {
                countIterations(s, iteration);
                stop = converge(s, A, d, RefineCount, SsqNew);
                return stop.empty() ? RefinementEnding::Converged : RefinementEnding::Stopped;
            }
            if (SsqNew <= SsqOld) {
                SsqOld = SsqNew;
                break;
            }
            // Back to the middle of the step; Gamma keeps the value of the full step.
            for (int j = 0; j < RefineCount; ++j) {
                shift[j] /= 2;
                m.Param[j] -= shift[j];
            }
        }
    }
}

} // namespace core
