#pragma once

#include "Options.h"

#include <string>

namespace cli {

/// The outcome of calibrating every file of a command line.
struct RunResult {
    std::string output; ///< the reports or the JSON lines
    std::string errors; ///< "FILE: message" lines for standard error
    int exitStatus = 0; ///< 0 every file calibrated, 1 any rejected or not calculated
};

/// Reads, selects and calculates each file and formats the output. `dateText`
/// is the report's "Produced at" text.
RunResult calibrateFiles(const Options& options, const std::string& dateText);

} // namespace cli
