#pragma once

#include "Titration.h"

#include <span>
#include <string>

namespace core {

/// The runs test on the signs of a sequence of residuals: a run is a stretch of
/// one sign. Residuals that scatter at random change sign often; residuals of a
/// model that does not fit the curve keep their sign over long stretches.
struct SignRuns {
    int runs = 0;
    int positive = 0, negative = 0; ///< zeros are left out
    double expected = 0;            ///< runs expected of random signs
    double z = 0;                   ///< (runs - expected) / standard deviation; 0 when not defined
};

SignRuns signRuns(std::span<const double> residuals);

/// The scatter of the residuals from one point to the next, sqrt(sum (r[i+1] -
/// r[i])^2 / (2 (n - 1))): the random part alone, which a smooth trend hardly adds to.
double successiveScatter(std::span<const double> residuals);

/// Fewer runs than this many standard deviations below the expected number is a
/// trend (one-sided, a chance of about 1 in 1000 for random residuals)...
inline constexpr double kTrendZ = -3.1;
/// ... that matters when the rms residual exceeds the point-to-point scatter by
/// this factor (a Durbin-Watson statistic below 0.9): the misfit then stands out
/// of the noise. Good fits of real titrations give about 1 even where slow
/// drift makes the signs run long; the Nernst slope held on them, 4 to 8.
inline constexpr double kTrendRatio = 1.5;
/// The runs test needs this many used points to say anything.
inline constexpr int kTrendPoints = 10;

/// With the acid branch alone: when the residuals of the used points trend and
/// the rms residual is more than kTrendRatio times their successive scatter, the
/// warning that names the trend and the cure (what to refine that is not
/// refined yet); an empty text otherwise.
std::string residualTrendWarning(const Titration& t);

} // namespace core
