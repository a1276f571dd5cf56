#include "MonteCarlo.h"

#include "RandomDraws.h"
#include "VectorState.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace core {

namespace {

/// Trials a thread takes at a time.
constexpr std::size_t kChunk = 64;

std::size_t at(UncertainResult r) {
    return static_cast<std::size_t>(r);
}

/// What every trial draws: the scalar inputs that apply and the per-point ones.
struct DrawPlan {
    std::vector<std::pair<UncertaintyInput, double>> scalar; ///< input, u
    std::vector<std::pair<std::size_t, double>> emf;         ///< point, u
    std::vector<std::pair<std::size_t, double>> addition;    ///< point, u

    explicit DrawPlan(const UncertaintyBudget& b) {
        for (const AppliedUncertainty& a : b.inputs)
            if (a.applies && a.input != UncertaintyInput::Emf &&
                a.input != UncertaintyInput::Addition)
                scalar.emplace_back(a.input, a.u);
        for (std::size_t i = 0; i < b.emfU.size(); ++i)
            if (b.emfU[i] > 0)
                emf.emplace_back(i, b.emfU[i]);
        for (std::size_t i = 0; i < b.additionU.size(); ++i)
            if (b.additionU[i] > 0)
                addition.emplace_back(i, b.additionU[i]);
    }

    /// Trial i's changes, always drawn in the same order.
    void draw(std::uint64_t seed, std::size_t trial, InputChanges& d) const {
        NormalDraws<SplitMix64> normal = trialDraws(seed, trial);
        for (const auto& [input, u] : scalar)
            d[input] = u * normal.next();
        for (const auto& [point, u] : emf)
            d.emf[point] = u * normal.next();
        for (const auto& [point, u] : addition)
            d.addition[point] = u * normal.next();
    }
};

enum Status : unsigned char { Pending, Calibrated, Stopped, NotConverged };

/// The values of every trial so far, by result, and each trial's ending.
struct Trials {
    std::vector<std::vector<double>> values; ///< by UncertainResult (only those given are filled)
    std::vector<Status> status;

    void resize(std::size_t n, const std::array<bool, kUncertainResultCount>& gives) {
        values.resize(kUncertainResultCount);
        for (std::size_t r = 0; r < values.size(); ++r)
            if (gives[r])
                values[r].resize(n);
        status.resize(n, Pending);
    }
};

/// Runs the trials [first, last) over the threads; false when cancelled.
class Runner {
public:
    Runner(const MeasurementModel& model, const DrawPlan& plan, const MonteCarloOptions& options,
           Trials& trials)
        : m_model(model), m_plan(plan), m_options(options), m_trials(trials) {}

    bool run(std::size_t first, std::size_t last, std::size_t planned) {
        m_next = first;
        m_last = last;
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned threads = std::max(1u, m_options.threads ? m_options.threads : cores);
        {
            std::vector<std::jthread> helpers;
            for (unsigned k = 1; k < threads; ++k)
                helpers.emplace_back([this] { work(false, 0); });
            work(true, planned);
        }
        if (m_options.progress && !cancelled())
            m_options.progress(m_done.load(), planned);
        return !cancelled();
    }

private:
    bool cancelled() const { return m_options.cancel && m_options.cancel->load(); }

    void work(bool reports, std::size_t planned) {
        clearVectorUpperState();
        ModelWorkspace workspace = m_model.workspace();
        InputChanges changes;
        changes.emf.assign(m_model.pointCount(), 0.0);
        changes.addition.assign(m_model.pointCount(), 0.0);
        ResultVector results{};
        const auto& gives = m_model.gives();
        for (;;) {
            if (cancelled())
                return;
            const std::size_t begin = m_next.fetch_add(kChunk);
            if (begin >= m_last)
                return;
            const std::size_t end = std::min(m_last, begin + kChunk);
            for (std::size_t i = begin; i < end; ++i) {
                m_plan.draw(m_options.seed, i, changes);
                const TrialEnding ending = m_model.evaluate(changes, workspace, results, nullptr,
                                                            MeasurementModel::Precision::Trial);
                m_trials.status[i] = ending == TrialEnding::Calibrated ? Calibrated
                                     : ending == TrialEnding::Stopped  ? Stopped
                                                                       : NotConverged;
                for (std::size_t r = 0; r < gives.size(); ++r)
                    if (gives[r])
                        m_trials.values[r][i] = results[r];
            }
            m_done += end - begin;
            if (reports && m_options.progress)
                m_options.progress(m_done.load(), planned);
        }
    }

    const MeasurementModel& m_model;
    const DrawPlan& m_plan;
    const MonteCarloOptions& m_options;
    Trials& m_trials;
    std::atomic<std::size_t> m_next{0};
    std::size_t m_last = 0;
    std::atomic<std::size_t> m_done{0};
};

/// Mean, standard deviation and coverage interval of some values.
struct Summary {
    double mean = 0, u = 0, low = 0, high = 0;
};

/// The values of the calibrated trials in [first, last).
std::vector<double> calibratedValues(const Trials& trials, std::size_t r, std::size_t first,
                                     std::size_t last) {
    std::vector<double> v;
    v.reserve(last - first);
    for (std::size_t i = first; i < last; ++i)
        if (trials.status[i] == Calibrated)
            v.push_back(trials.values[r][i]);
    return v;
}

/// The standard deviation of the calibrated trials' values of a result.
double deviation(const Trials& trials, std::size_t r, std::size_t n) {
    double count = 0, mean = 0, squares = 0; // Welford's running sums
    for (std::size_t i = 0; i < n; ++i) {
        if (trials.status[i] != Calibrated)
            continue;
        count += 1;
        const double delta = trials.values[r][i] - mean;
        mean += delta / count;
        squares += delta * (trials.values[r][i] - mean);
    }
    return count > 1 ? std::sqrt(squares / (count - 1)) : 0;
}

/// The probabilistically symmetric interval: q = p M values (rounded), as many
/// left out below as above (one more below when M - q is odd).
Summary summarise(std::vector<double> v) {
    Summary s;
    const std::size_t m = v.size();
    if (m < 2)
        return s;
    double sum = 0;
    for (double x : v)
        sum += x;
    s.mean = sum / static_cast<double>(m);
    double squares = 0;
    for (double x : v)
        squares += (x - s.mean) * (x - s.mean);
    s.u = std::sqrt(squares / static_cast<double>(m - 1));
    const auto q = static_cast<std::size_t>(std::floor(kCoverageProbability * m + 0.5));
    const std::size_t r = (m - q + 1) / 2; // the 1-based rank of the lower end
    const std::size_t lowRank = std::max<std::size_t>(r, 1) - 1;
    const std::size_t highRank = std::min(m - 1, lowRank + q);
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(lowRank), v.end());
    s.low = v[lowRank];
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(highRank), v.end());
    s.high = v[highRank];
    return s;
}

/// The standard deviation of the average of the batches' figures.
double averageDeviation(const std::vector<double>& figures) {
    const double h = static_cast<double>(figures.size());
    if (figures.size() < 2)
        return 0;
    double mean = 0;
    for (double f : figures)
        mean += f / h;
    double squares = 0;
    for (double f : figures)
        squares += (f - mean) * (f - mean);
    return std::sqrt(squares / (h * (h - 1)));
}

/// The figures of every batch so far, per result, for the stability test.
struct BatchFigures {
    std::array<std::array<std::vector<double>, 4>, kUncertainResultCount> figures;

    void add(std::size_t r, const Summary& s) {
        for (int k = 0; double f : {s.mean, s.u, s.low, s.high})
            figures[r][static_cast<std::size_t>(k++)].push_back(f);
    }
    /// Twice the deviation of each average figure within the tolerance.
    bool stable(std::size_t r, double tolerance) const {
        for (const std::vector<double>& f : figures[r])
            if (f.size() < 2 || 2 * averageDeviation(f) > tolerance)
                return false;
        return true;
    }
};

MonteCarloSpread spread(const ResultUncertainty& gum, const Trials& trials, std::size_t n,
                        bool keep) {
    MonteCarloSpread s;
    s.result = gum.result;
    std::vector<double> values = calibratedValues(trials, at(gum.result), 0, n);
    const Summary all = summarise(values);
    s.mean = all.mean;
    s.u = all.u;
    s.low = all.low;
    s.high = all.high;
    s.tolerance = numericalTolerance(gum.u, kValidationDigits);
    const double U95 = kNormalFactor95 * gum.u;
    s.dLow = std::abs(gum.value - U95 - s.low);
    s.dHigh = std::abs(gum.value + U95 - s.high);
    s.agrees = s.dLow <= s.tolerance && s.dHigh <= s.tolerance;
    if (keep)
        s.values = std::move(values);
    return s;
}

} // namespace

double numericalTolerance(double u, int digits) {
    if (!(u > 0) || !std::isfinite(u))
        return 0;
    const double l = std::floor(std::log10(u)) - (digits - 1);
    return 0.5 * std::pow(10.0, l);
}

bool MonteCarloResult::reliable() const {
    return trials > 0 && static_cast<double>(failed()) <= kUnreliableShare * trials;
}

bool MonteCarloResult::agrees() const {
    return std::all_of(results.begin(), results.end(),
                       [](const MonteCarloSpread& s) { return s.agrees; });
}

const MonteCarloSpread* MonteCarloResult::find(UncertainResult r) const {
    for (const MonteCarloSpread& s : results)
        if (s.result == r)
            return &s;
    return nullptr;
}

MonteCarloResult runMonteCarlo(const MeasurementModel& model, const UncertaintyBudget& gum,
                               const MonteCarloOptions& options) {
    MonteCarloResult result;
    result.adaptive = options.trials == 0;
    const DrawPlan plan(gum);
    Trials trials;
    Runner runner(model, plan, options, trials);
    BatchFigures batches;
    std::size_t n = 0;
    for (;;) {
        const std::size_t batch = result.adaptive ? kMonteCarloBatch : options.trials;
        trials.resize(n + batch, model.gives());
        if (!runner.run(n, n + batch, n + batch)) {
            result.cancelled = true;
            return result;
        }
        const std::size_t first = n;
        n += batch;
        if (!result.adaptive)
            break;
        bool stable = true;
        for (const ResultUncertainty& r : gum.results) {
            const std::size_t k = at(r.result);
            batches.add(k, summarise(calibratedValues(trials, k, first, n)));
            const double tolerance =
                kStabilityShare * numericalTolerance(deviation(trials, k, n), kValidationDigits);
            stable = stable && (tolerance == 0 || batches.stable(k, tolerance));
        }
        result.stable = stable;
        if (stable || n + kMonteCarloBatch > kMonteCarloCap)
            break;
    }
    result.trials = n;
    for (Status s : trials.status) {
        result.stopped += s == Stopped ? 1 : 0;
        result.notConverged += s == NotConverged ? 1 : 0;
    }
    for (const ResultUncertainty& r : gum.results)
        result.results.push_back(spread(r, trials, n, options.keepValues));
    return result;
}

} // namespace core
