#pragma once

#include "Options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <vector>

namespace cli {

/// The options of the uncertainty evaluation.
struct UncertaintyOptionSet {
    UncertaintyOptionSet();
    QCommandLineOption uncertainty;
    QCommandLineOption monteCarlo;
    std::vector<QCommandLineOption> inputs; ///< --u-KEY, in the order of core::kUncertaintyInputs
};

QList<QCommandLineOption> uncertaintyOptions(const UncertaintyOptionSet& o);

/// Reads --uncertainty, --monte-carlo (which implies it) and the --u- options,
/// which override the settings file's (--settings). Returns an error text.
QString applyUncertaintyOptions(const QCommandLineParser& parser, const UncertaintyOptionSet& o,
                                Options& options);

} // namespace cli
