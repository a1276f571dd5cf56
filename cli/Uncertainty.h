#pragma once

#include "Json.h"
#include "Options.h"
#include "core/MessageSink.h"
#include "core/MonteCarlo.h"
#include "core/UncertaintyBudget.h"

#include <optional>

namespace cli {

/// The uncertainty of one file's calibration, as the options ask for it.
struct FileUncertainty {
    std::optional<core::UncertaintyBudget> budget; ///< none when it could not be made
    std::optional<core::MonteCarloResult> monteCarlo;
};

/// The budget (and the Monte Carlo check when asked) of a calibrated titration
/// from the titration as read; why there is none goes to the sink. Monte Carlo
/// uses every core for a single file, one for each of many (the files share them).
FileUncertainty evaluateUncertainty(const core::Titration& loaded, const Options& options,
                                    core::MessageSink& sink);

/// The JSON object "uncertainty": the method, the inputs and one object per
/// result ({"value", "u", "U", "k", "interval", "fit_sd", "contributions",
/// "sensitivities"}), and "monte_carlo" with its figures and the check; null
/// without a budget.
void writeUncertainty(JsonWriter& json, const FileUncertainty& uncertainty);

} // namespace cli
