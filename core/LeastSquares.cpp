#include "LeastSquares.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace core {

namespace {

constexpr int kMaxParameters = 5;
using Matrix = std::array<std::array<double, kMaxParameters>, kMaxParameters>;
using Vector = std::array<double, kMaxParameters>;

constexpr const char* kNames[kMaxParameters] = {"E0", "slope", "Gamma", "pKw", "end-point ratio"};

/// The largest cosine between the residuals and a derivative column at which
/// the sum of squares is taken to be at its least. At the optimum it is zero up
/// to rounding, some 1e-12 for emfs of hundreds of mV.
constexpr double kGradientTolerance = 1e-9;
/// When no step lowers the sum of squares any more, rounding has the last word:
/// a gradient this small is still the optimum.
constexpr double kRoundingTolerance = 1e-6;
/// More dampings than lambda can take from 1e-12 to 1e20.
constexpr int kMaxDampings = 64;

/// The sum of squares of residuals that are rounding alone: there the
/// direction of the gradient means nothing.
double roundingFloor(const PointColumns& points) {
    double largest = 0;
    for (double emf : points.EmfObs)
        largest = std::max(largest, std::abs(emf));
    const double unit = 64 * std::numeric_limits<double>::epsilon() * std::max(largest, 1.0);
    return points.UsedCount * unit * unit;
}

/// Indices into (E0, slope, Gamma, pKw, end-point ratio) of the refined parameters.
struct Refined {
    std::array<int, kMaxParameters> index{};
    int n = 0;
};

Refined refinedOf(const CalculationInputs& in) {
    Refined r;
    r.index[r.n++] = 0;
    if (in.branch == Branch::Both || in.RefineAcidSlope)
        r.index[r.n++] = 1;
    if (in.RefineGamma)
        r.index[r.n++] = 2;
    if (in.RefinePKw) {
        r.index[r.n++] = 3;
        r.index[r.n++] = 4;
    }
    return r;
}

double parameter(const ElectrodeModel& m, int k) {
    if (k == 4)
        return m.EndPointRatio;
    return k == 3 ? m.pKw : m.Param[static_cast<std::size_t>(k)];
}

void setParameter(ElectrodeModel& m, int k, double value) {
    if (k == 4)
        m.EndPointRatio = value;
    else if (k == 3)
        m.pKw = value;
    else
        m.Param[static_cast<std::size_t>(k)] = value;
    if (k == 2)
        m.Gamma = value;
}

/// Solves A x = b for symmetric positive definite A by Cholesky; b becomes x.
bool choleskySolve(Matrix A, Vector& b, int n) {
    for (int j = 0; j < n; ++j) {
        double d = A[j][j];
        for (int k = 0; k < j; ++k)
            d -= A[j][k] * A[j][k];
        if (!(d > 0) || !std::isfinite(d))
            return false;
        A[j][j] = std::sqrt(d);
        for (int i = j + 1; i < n; ++i) {
            double v = A[i][j];
            for (int k = 0; k < j; ++k)
                v -= A[i][k] * A[j][k];
            A[i][j] = v / A[j][j];
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k)
            b[i] -= A[i][k] * b[k];
        b[i] /= A[i][i];
    }
    for (int i = n - 1; i >= 0; --i) {
        for (int k = i + 1; k < n; ++k)
            b[i] -= A[k][i] * b[k];
        b[i] /= A[i][i];
    }
    return true;
}

bool invert(const Matrix& A, int n, Matrix& inverse) {
    for (int j = 0; j < n; ++j) {
        Vector column{};
        column[j] = 1;
        if (!choleskySolve(A, column, n))
            return false;
        for (int i = 0; i < n; ++i)
            inverse[i][j] = column[i];
    }
    return true;
}

/// J'J and J'r of the refined parameters over the used points.
struct Linearised {
    Matrix JtJ{};
    Vector gradient{};
};

/// The used points' residuals and slope derivatives at a model (usedSsq's).
struct Residuals {
    std::vector<double> Resid, Term;
};

Linearised linearise(const ElectrodeModel& m, const PointColumns& points, const Residuals& at,
                     const Refined& p) {
    Linearised L;
    const std::vector<double>& Resid = at.Resid;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points.UsePoint[i])
            continue;
        const std::array<double, 5> all = ExactDerivs(m, points.Volume[i], at.Term[i]);
        Vector D{};
        for (int a = 0; a < p.n; ++a)
            D[a] = all[static_cast<std::size_t>(p.index[a])];
        for (int a = 0; a < p.n; ++a) {
            L.gradient[a] += D[a] * Resid[i];
            for (int b = 0; b <= a; ++b)
                L.JtJ[a][b] += D[a] * D[b];
        }
    }
    for (int a = 0; a < p.n; ++a)
        for (int b = a + 1; b < p.n; ++b)
            L.JtJ[a][b] = L.JtJ[b][a];
    return L;
}

/// The largest cosine between the residual vector and a derivative column.
double gradientCosine(const Linearised& L, int n, double ssq) {
    double worst = 0;
    for (int a = 0; a < n; ++a) {
        const double scale = std::sqrt(L.JtJ[a][a] * ssq);
        if (scale > 0)
            worst = std::max(worst, std::abs(L.gradient[a]) / scale);
    }
    return worst;
}

/// The trial point of a damped step, its residuals and sum of squares.
struct Trial {
    ElectrodeModel model;
    Residuals at;
    double ssq = 0;
};

/// Whether the models' parameters are the same bit for bit (a step too small to move any).
bool sameParameters(const ElectrodeModel& a, const ElectrodeModel& b) {
    return std::memcmp(a.Param.data(), b.Param.data(), sizeof a.Param) == 0 &&
           std::memcmp(&a.pKw, &b.pKw, sizeof a.pKw) == 0 &&
           std::memcmp(&a.EndPointRatio, &b.EndPointRatio, sizeof a.EndPointRatio) == 0;
}

/// Damps the Gauss-Newton step until it lowers the sum of squares; false when
/// no damping does.
bool lowerStep(const CalculationState& s, const Linearised& L, const Refined& p, double ssq,
               double& lambda, Trial& trial, int tries) {
    for (; lambda < 1e20 && tries > 0; lambda *= 10, --tries) {
        Matrix A = L.JtJ;
        for (int a = 0; a < p.n; ++a)
            A[a][a] += lambda * L.JtJ[a][a];
        Vector step = L.gradient;
        if (!choleskySolve(A, step, p.n))
            continue;
        trial.model = s.model;
        for (int a = 0; a < p.n; ++a)
            setParameter(trial.model, p.index[a], parameter(s.model, p.index[a]) + step[a]);
        // A step that moves no parameter gives the same sum: it cannot lower it.
        if (sameParameters(trial.model, s.model))
            continue;
        trial.ssq = usedSsq(trial.model, s.points, trial.at.Resid, trial.at.Term);
        if (std::isfinite(trial.ssq) && trial.ssq < ssq)
            return true;
    }
    return false;
}

void countIterations(CalculationState& s, int iterations) {
    if (iterations == 0)
        return;
    s.results.iterations = iterations;
    s.iterationsCounted = true;
}

/// Deviations, correlations and rms at the optimum into the results.
std::string converge(CalculationState& s, const Linearised& L, const Refined& p, double ssq) {
    const ElectrodeModel& m = s.model;
    Matrix inverse{};
    if (!invert(L.JtJ, p.n, inverse))
        return "the refined parameters cannot be told apart";
    const double scale = ssq / (s.points.UsedCount - p.n);
    Vector sd{}; // by parameter, not by refined index
    for (int a = 0; a < p.n; ++a)
        sd[p.index[a]] = std::sqrt(inverse[a][a] * scale);
    const double rms = std::sqrt(ssq / s.points.UsedCount);
    const double slopeFactor = m.Param[1] / TheoreticalSlope(s.inputs.celsius);
    std::vector<double> correlation;
    std::vector<std::string> names;
    for (int a = 0; a < p.n; ++a) {
        names.emplace_back(kNames[p.index[a]]);
        for (int b = 0; b < p.n; ++b)
            correlation.push_back(inverse[a][b] / std::sqrt(inverse[a][a] * inverse[b][b]));
    }
    bool finite = std::isfinite(rms) && std::isfinite(slopeFactor);
    for (int k = 0; k < kMaxParameters; ++k)
        finite = finite && std::isfinite(sd[k]) && std::isfinite(parameter(m, k));
    for (double r : correlation)
        finite = finite && std::isfinite(r);
    if (!finite)
        return "the refinement gives no finite result";

    s.ParamSD = {sd[0], sd[1], sd[2]};
    ResultValues& r = s.results;
    r.E0 = m.Param[0];
    r.E0sd = sd[0];
    r.slope = m.Param[1];
    if (p.index[1] == 1)
        r.slopeSd = sd[1];
    else
        r.slopeSd.reset();
    r.slopeFactor = slopeFactor;
    r.rms = rms;
    if (s.inputs.RefineGamma) {
        r.gamma = m.Gamma;
        r.gammaSd = sd[2];
    }
    if (s.inputs.RefinePKw) {
        r.pKw = m.pKw;
        r.pKwSd = sd[3];
        r.endPointRatioSd = sd[4];
    }
    r.refined = std::move(names);
    r.correlation = std::move(correlation);
    s.refinementConverged = true;
    return {};
}

void prepare(CalculationState& s) {
    ElectrodeModel& m = s.model;
    m.TitrandConc = s.conditions.titrandConc;
    m.BuretteConc = s.conditions.buretteConc;
    m.InitialVolume = s.conditions.titrandVolume + s.conditions.electrolyteVolume;
    if (!s.inputs.RefinePKw)
        m.pKw = s.inputs.pKw;
    if (s.inputs.slopeHeld())
        m.Param[1] = startSlope(s.inputs);
    m.Gamma = m.Param[2];
}

RefinementEnding refine(CalculationState& s, const Refined& p, Residuals& at, double ssq,
                        MessageSink& sink, std::string& stop) {
    const double floor = roundingFloor(s.points);
    double lambda = 1e-3;
    Trial trial;
    trial.at.Resid.resize(s.points.size());
    trial.at.Term.resize(s.points.size());
    for (int iteration = 0;; ++iteration) {
        const Linearised L = linearise(s.model, s.points, at, p);
        for (int a = 0; a < p.n; ++a)
            if (!(L.JtJ[a][a] > 0)) { // nothing depends on it
                countIterations(s, iteration);
                sink.message("refinement failed", "Electrode calibration");
                return RefinementEnding::Failed;
            }
        const double cosine = gradientCosine(L, p.n, ssq);
        if (cosine <= kGradientTolerance || ssq <= floor) {
            countIterations(s, iteration);
            stop = converge(s, L, p, ssq);
            return stop.empty() ? RefinementEnding::Converged : RefinementEnding::Stopped;
        }
        if (iteration == kLeastSquaresIterationLimit) {
            countIterations(s, iteration);
            sink.message(" iterations failing to converge");
            return RefinementEnding::Exhausted;
        }
        // At the rounding floor a trial calculation takes the first step that fails
        // for the end; the full search goes on to ever smaller steps.
        const bool floorReached = s.inputs.stopAtRoundingFloor && cosine <= kRoundingTolerance;
        if (!lowerStep(s, L, p, ssq, lambda, trial, floorReached ? 1 : kMaxDampings)) {
            countIterations(s, iteration);
            if (cosine <= kRoundingTolerance) {
                stop = converge(s, L, p, ssq);
                return stop.empty() ? RefinementEnding::Converged : RefinementEnding::Stopped;
            }
            sink.message("refinement failed: no step lowers the sum of squares",
                         "Electrode calibration");
            return RefinementEnding::Failed;
        }
        s.model = trial.model;
        std::swap(at, trial.at);
        ssq = trial.ssq;
        lambda = std::max(lambda / 10, 1e-12);
    }
}

} // namespace

bool usesLeastSquares(const CalculationInputs& in) {
    return in.RefineGamma || in.RefinePKw || in.branch == Branch::Acid;
}

RefinementEnding RefineLeastSquares(CalculationState& s, MessageSink& sink, std::string& stop) {
    prepare(s);
    const Refined p = refinedOf(s.inputs);
    if (s.points.UsedCount <= p.n) {
        stop = "too few points used for the refinement: " + std::to_string(s.points.UsedCount) +
               " used, " + std::to_string(p.n + 1) + " needed";
        return RefinementEnding::Stopped;
    }
    Residuals at{std::move(s.Resid), std::vector<double>(s.points.size())};
    double ssq = usedSsq(s.model, s.points, at.Resid, at.Term);
    const RefinementEnding ending = refine(s, p, at, ssq, sink, stop);
    // The residuals of the points not used, at the model the refinement ends with.
    s.Resid = std::move(at.Resid);
    for (std::size_t i = 0; i < s.points.size(); ++i)
        if (!s.points.UsePoint[i])
            s.Resid[i] = s.points.EmfObs[i] - Ycalc(s.model, s.points.Volume[i]);
    return ending;
}

} // namespace core
