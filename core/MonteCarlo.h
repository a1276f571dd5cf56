#pragma once

#include "MeasurementModel.h"
#include "UncertaintyBudget.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace core {

/// The adaptive procedure runs batches of this many trials...
inline constexpr std::size_t kMonteCarloBatch = 10'000;
/// ... and at most this many trials in all.
inline constexpr std::size_t kMonteCarloCap = 1'000'000;
/// The coverage probability of the Monte Carlo intervals...
inline constexpr double kCoverageProbability = 0.95;
/// ... and the coverage factor of the GUM interval they are compared with: the
/// normal distribution's for 95 % (k = 2 stands for 95.45 %).
inline constexpr double kNormalFactor95 = 1.959964;
/// The GUM interval is checked against the Monte Carlo one to the numerical
/// tolerance of the first significant digit of its standard uncertainty...
inline constexpr int kValidationDigits = 1;
/// ... and the adaptive procedure runs until the Monte Carlo figures are stable
/// to a fifth of that tolerance, so that its own scatter cannot decide the check.
inline constexpr double kStabilityShare = 0.2;
/// Above this share of trials that do not calibrate, the result is not reliable.
inline constexpr double kUnreliableShare = 0.01;

/// Half a unit in the last of `digits` significant digits of u: with one digit
/// 0.005 for 0.012 or 0.099, 0.05 for 0.12. 0 for a u that is not above 0.
double numericalTolerance(double u, int digits);

/// How the Monte Carlo evaluation runs. The draws of trial i depend only on the
/// seed and i: the results are the same whatever the number of threads.
struct MonteCarloOptions {
    std::size_t trials = 0; ///< 0: adaptive, batches of kMonteCarloBatch until stable
    std::uint64_t seed = 1;
    unsigned threads = 0; ///< 0: as many as the machine has cores
    /// Called on the thread that runs runMonteCarlo (a worker, in the window)
    /// every few dozen trials and once a batch is done: trials done, and
    /// planned (for the adaptive procedure: those of the batches begun so far).
    std::function<void(std::size_t done, std::size_t planned)> progress;
    /// Set from any thread to stop; the result then says it was cancelled.
    const std::atomic<bool>* cancel = nullptr;
    bool keepValues = false; ///< keep each trial's values (for histograms)
};

/// The distribution of one result over the trials, and its check of the GUM.
struct MonteCarloSpread {
    UncertainResult result{};
    double mean = 0;
    double u = 0;               ///< standard deviation of the trials' values
    double low = 0, high = 0;   ///< the probabilistically symmetric 95 % coverage interval
    double tolerance = 0;       ///< numericalTolerance of the GUM u
    double dLow = 0, dHigh = 0; ///< |y - U95 - low| and |y + U95 - high|, y and U95 = 1.96 u
                                ///< from the GUM
    bool agrees = false;        ///< both within the tolerance: the GUM interval is valid
    std::vector<double> values; ///< the calibrated trials' values, when kept
};

struct MonteCarloResult {
    std::size_t trials = 0;       ///< run
    std::size_t stopped = 0;      ///< trials whose calculation stopped
    std::size_t notConverged = 0; ///< trials whose refinement did not converge
    bool adaptive = false;
    bool stable = false; ///< adaptive: every figure stable to its tolerance within the cap
    bool cancelled = false;
    std::vector<MonteCarloSpread> results; ///< those the budget has, in its order

    std::size_t failed() const { return stopped + notConverged; }
    /// Few enough trials failed for the distribution to stand for the model's.
    bool reliable() const;
    /// Every result's GUM interval agrees with the Monte Carlo one.
    bool agrees() const;
    const MonteCarloSpread* find(UncertainResult r) const;
};

/// The supplement's Monte Carlo method: each trial draws every input that
/// applies from a normal distribution about its value with the budget's
/// standard uncertainty (every used point's emf and every addition on its own)
/// and calculates the whole calibration. Trials that stop or do not converge
/// are counted, not used. With adaptive trials, batches run until twice the
/// standard deviation of the batches' mean, standard deviation and interval
/// ends is within kStabilityShare of the numerical tolerance of the standard
/// deviation, for every result, or the cap is reached. Spread over the threads
/// asked for.
MonteCarloResult runMonteCarlo(const MeasurementModel& model, const UncertaintyBudget& gum,
                               const MonteCarloOptions& options);

} // namespace core
