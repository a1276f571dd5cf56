#pragma once

#include "Options.h"
#include "core/MessageSink.h"
#include "core/Titration.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

namespace cli {

/// The options that read foreign files through an import profile.
struct ImportOptionSet {
    QCommandLineOption profile{
        "import",
        "Read each FILE through an import profile: a built-in one (csv, pclims, gravimetric) or "
        "a profile file, e.g. --import pclims.",
        "PROFILE"};
    QCommandLineOption writeData{"write-data",
                                 "Also write each imported FILE into the folder DIR as a TAMO "
                                 "data file named after it (.txt), never replacing a file, e.g. "
                                 "--write-data converted.",
                                 "DIR"};
    QCommandLineOption overwrite{"overwrite",
                                 "Let --write-data replace data files that exist, e.g. "
                                 "--overwrite."};
    QCommandLineOption volumeColumn{"volume-column",
                                    "The column of the burette volume (1 is the first) or its "
                                    "header name, e.g. --volume-column 2.",
                                    "N"};
    QCommandLineOption emfColumn{
        "emf-column", "The column of the emf or its header name, e.g. --emf-column 3.", "N"};
    QCommandLineOption emfUnit{"emf-unit", "The unit of the emf column, e.g. --emf-unit V.",
                               "mV|V"};
    QCommandLineOption noPHCheck{"no-ph-check",
                                 "Read an emf column whose values look like pH (0 to 14) as "
                                 "millivolts all the same, e.g. --no-ph-check."};
    QCommandLineOption startLine{
        "start-line", "The data begin at line N (1 is the first), e.g. --start-line 3.", "N"};
    QCommandLineOption skipTo{"skip-to",
                              "The data begin after the first line that begins with TEXT, e.g. "
                              "--skip-to BWD.",
                              "TEXT"};
    QCommandLineOption conditions{
        "conditions",
        "The titrand volume, electrolyte volume, titrand and burette concentrations, separated "
        "by commas (semicolons with decimal commas); an empty one comes from the profile, e.g. "
        "--conditions 25,25,0.02,-0.1.",
        "V0,V1,CT,CB"};
    QCommandLineOption id{"id", "The identifier of each imported titration, e.g. --id \"run 7\".",
                          "TEXT"};
};

QList<QCommandLineOption> importOptions(const ImportOptionSet& o);

/// Reads the import options into the options: --import (or csv when only the
/// column options are given) and the options that change its profile. Every
/// condition the profile asks the user for must be given. Returns an error text.
QString applyImportOptions(const QCommandLineParser& parser, const ImportOptionSet& o,
                           Options& options);

/// --write-data: refuses two files that would be written to one name, and a
/// data file that would take the place of a file being read. Returns an error text.
QString checkWriteTargets(const Options& options);

/// What readImportedFile did.
struct ImportedFile {
    bool read = false;        ///< the titration holds the import
    bool writeFailed = false; ///< --write-data wrote nothing (a message says why)
};

/// Imports the file by the profile of the options into the titration, and
/// writes its data file when --write-data asks: never after a warning that
/// the emf unit is in doubt, and never over a file unless --overwrite.
[[nodiscard]] ImportedFile readImportedFile(const std::string& path, const Options& options,
                                            core::Titration& titration, core::MessageSink& sink);

} // namespace cli
