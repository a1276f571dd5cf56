#pragma once

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
CalculationOutcome Calculate(Titration& t, MessageSink& sink);

/// The message of the carbonate warning.
inline constexpr const char* kNegativeCarbonate = "negative carbonate! Check data selection";

} // namespace core
