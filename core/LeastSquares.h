#pragma once

#include "CalculationState.h"
#include "MessageSink.h"
#include "Refinement.h"

#include <string>

namespace core {

/// Iterations the converging refinement may take.
inline constexpr int kLeastSquaresIterationLimit = 60;

/// Whether a calculation takes the converging refinement: Gamma or pKw refined,
/// or the acid branch alone. Otherwise the model is linear in what is refined
/// and the classic refinement is already exact.
bool usesLeastSquares(const CalculationInputs& inputs);

/// Levenberg-Marquardt refinement of E0, the slope (unless it is Nernstian),
/// Gamma and pKw as the inputs ask (with pKw the end-point ratio too, which the
/// Gran fits then leave alone), with the exact derivatives of the model as
/// it is evaluated. It has converged when the gradient of the sum of squares is
/// at its rounding floor; a refinement that cannot get there says so through
/// the sink. A converged refinement writes the results as Calibrate does, with
/// the refined parameters' correlation matrix.
RefinementEnding RefineLeastSquares(CalculationState& state, MessageSink& sink, std::string& stop);

} // namespace core
