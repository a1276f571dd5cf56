#pragma once

#include "CalculationState.h"
#include "MessageSink.h"

#include <string>

namespace core {

/// How a refinement ended.
enum class RefinementEnding {
    Converged, ///< parameters, deviations and result captions written
    Failed,    ///< the normal equations could not be solved ("refinement failed")
    Exhausted, ///< 25 evaluations without convergence (" iterations failing to converge")
    Stopped,   ///< the data cannot support it; `stop` holds the message, nothing was sent
};

/// Iterations allowed; the next evaluation ends the refinement.
inline constexpr int kIterationLimit = 25;
/// Convergence threshold on the summed relative shifts.
inline constexpr double kConvergence = 0.0001;

/// Gauss-Newton refinement of E0 and slope from the parameters in state.model,
/// with step halving; with Gamma or pKw refined, or the acid branch alone, the
/// converging refinement (RefineLeastSquares) instead. A converged
/// refinement writes ParamSD and the result values (state.showCaptions() makes
/// their texts). Failed and Exhausted send their message to the sink and leave
/// the deviations and results as they were, the iteration count excepted;
/// every ending leaves Param at the last evaluated point and Resid from it.
RefinementEnding Calibrate(CalculationState& state, MessageSink& sink, std::string& stop);

} // namespace core
