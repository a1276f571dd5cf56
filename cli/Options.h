#pragma once

#include "core/Titration.h"
#include "core/UncertaintyInputs.h"
#include "core/Verdict.h"
#include "io/ImportProfile.h"
#include "plot/DisplayMode.h"

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class OutputFormat { Report, Json };

/// What the command line asked for. The condition inputs are texts, exactly as
/// if typed into the window's boxes.
struct Options {
    core::Inputs inputs;
    OutputFormat format = OutputFormat::Report;
    std::string outputPath; ///< empty: standard output
    plot::DisplayMode plotMode = plot::DisplayMode::Gran;
    std::string plotPath;      ///< data plot file (.svg, .pdf, .png); empty: none
    std::string residualsPath; ///< residual plot file; empty: none
    core::VerdictLimits limits;   ///< from the settings file when one is given
    std::string logPath;          ///< the electrode logbook to add to; empty: none
    std::string electrode;        ///< the electrode the records are kept for
    std::string programVersion;   ///< written into each logbook record
    bool sensitivity = false;   ///< how far E0 moves for changed inputs, in the results
    std::string operatorName;     ///< who keeps the records: the login's name unless given
    std::string comment;          ///< goes with each record
    bool allowDuplicate = false;  ///< keep a calibration the logbook holds already
    std::vector<std::string> files;
    /// Why the settings file's verdict limits were not used (the defaults were); empty when they were.
    std::string settingsWarning;
    /// The profile the files are read through (--import); none: TAMO data files.
    std::optional<io::ImportProfile> importProfile;
    std::string writeDataFolder; ///< --write-data: where each import's data file goes
    bool overwrite = false;      ///< --write-data may replace a file
    bool uncertainty = false;    ///< add the uncertainty budget of every result
    core::UncertaintyInputs uncertaintyInputs; ///< as stated by --u- options or the settings
    /// --monte-carlo: the trials, 0 for auto; none: no Monte Carlo.
    std::optional<std::size_t> monteCarloTrials;
};

/// Whether a plot is to be written (the plots need the GUI library's fonts).
inline bool wantsPlots(const Options& o) {
    return !o.plotPath.empty() || !o.residualsPath.empty();
}

/// The outcome of reading the command line.
struct ParsedCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError } action = Action::Run;
    Options options;
    std::string text; ///< help or version text, or the usage error
};

/// Reads the arguments (the first is the program name). A settings file named
/// by --settings supplies the ranges, pKw and temperature (options given
/// explicitly override it) and the verdict's limits.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

/// The program's arguments as texts; a path keeps its bytes that are not UTF-8
/// (io::fromNativePath), so that every file the system can open, opens.
QStringList argumentList(int argc, char* argv[]);

} // namespace cli
