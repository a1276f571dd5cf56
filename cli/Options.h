#pragma once

#include "core/Titration.h"

#include <QStringList>

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
    std::vector<std::string> files;
};

/// The outcome of reading the command line.
struct ParsedCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError } action = Action::Run;
    Options options;
    std::string text; ///< help or version text, or the usage error
};

/// Reads the arguments (the first is the program name). A settings file named
/// by --settings supplies the ranges, pKw and temperature; options given
/// explicitly override it.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

} // namespace cli
