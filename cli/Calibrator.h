#pragma once

#include "Options.h"
#include "PlotModule.h"
#include "io/LogbookRecord.h"

#include <optional>

#include <functional>
#include <string>

namespace cli {

/// Writes one plot of a calculated titration to a file (PlotModule::exportPlot).
/// Returns an empty text on success, else the reason.
using PlotExporter = std::function<std::string(PlotFile, const core::Titration&, plot::DisplayMode,
                                               const std::string& path)>;

/// What one file gives the run.
struct FileOutput {
    std::string path; ///< the data file as given
    std::string
        text; ///< its report (after an empty line when another came before) or its JSON line
    std::string errors; ///< its "FILE: message" lines for standard error
    bool ok = false;    ///< read and calibrated (and drawn, when plots were asked for)
    bool isReport = false;
    /// The logbook record of a calibrated file, when a logbook was asked for.
    std::optional<io::LogbookRecord> record;
};

/// Reads, selects and calculates each file, writes the plots asked for, and
/// hands each file's output to `deliver` on the calling thread in the order of
/// the files, as soon as it is ready. When deliver returns false (the output
/// cannot be written) the run stops. `dateText` is the report's "Produced at"
/// text. Returns the exit status: 0 every file calibrated, 1 any rejected or
/// not calculated.
int calibrateFiles(const Options& options, const std::string& dateText,
                   const PlotExporter& exportPlot,
                   const std::function<bool(const FileOutput&)>& deliver);

/// The outcome of calibrating every file of a command line, collected.
struct RunResult {
    std::string output; ///< the reports or the JSON lines
    std::string errors; ///< "FILE: message" lines for standard error
    int exitStatus = 0;
};

/// calibrateFiles without plots, its output collected.
RunResult calibrateFiles(const Options& options, const std::string& dateText);

} // namespace cli
