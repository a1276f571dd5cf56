#pragma once

#include "CalculationState.h"
#include "MessageSink.h"
#include "Titration.h"

namespace core {

enum class CalculationOutcome {
    Calibrated,   ///< every refinement converged
    NotConverged, ///< completed, but a refinement failed or did not converge (its message was sent)
    Stopped,      ///< the data cannot support the calculation; the titration is as it was
};

/// The calculation command: the theoretical slope and a first E0 from the acid
/// Gran line, a refinement, then three rounds of Gran values, Gran fits and
/// refinement. Fills the titration's parameters, per-point values, captions and
/// result values. Sends "negative carbonate! Check data selection" after a
/// calculation whose acid end-point lies beyond the alkali one. When the data
/// cannot support a step, the command sends one message naming the problem and
/// leaves the titration untouched. EndPointRatio is not reset here.
[[nodiscard]] CalculationOutcome Calculate(Titration& t, MessageSink& sink);

/// The same with the inputs already converted.
[[nodiscard]] CalculationOutcome Calculate(Titration& t, const CalculationInputs& inputs,
                                           MessageSink& sink);

/// The relative changes of the conditions and the change of pKw E0sensitivity makes.
inline constexpr double kTitrantChange = 0.005, kTitrandChange = 0.002, kPKwChange = 0.05;

/// How far E0 moves for each change, each a calculation of its own of the
/// titration as it is (selected, or calculated already); the E0 they are
/// compared with is calculated from there too, so that all start alike.
E0Sensitivity E0sensitivity(const Titration& selected);

/// Alkaline points a refined pKw needs.
inline constexpr int kAlkalinePointsForPKw = 3;

/// The message of the carbonate warning.
inline constexpr const char* kNegativeCarbonate = "negative carbonate! Check data selection";

} // namespace core
