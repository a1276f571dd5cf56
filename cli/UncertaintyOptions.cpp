#include "UncertaintyOptions.h"

#include "core/MonteCarlo.h"
#include "io/NativePath.h"
#include "io/Settings.h"

#include <charconv>

namespace cli {

namespace {

/// The help of --u-KEY, in the order of core::kUncertaintyInputs.
constexpr const char* kInputHelp[core::kUncertaintyInputCount] = {
    "The standard uncertainty of the titrand volume: ml, or % of it (default 0.02 ml), e.g. "
    "--u-titrand-volume 0.03.",
    "The same of the electrolyte volume (default 0.02 ml), e.g. --u-electrolyte-volume 0.05.",
    "The same of the titrand concentration: mol dm-3, or % (default 0.1 %), e.g. "
    "--u-titrand-conc 0.05%.",
    "The same of the titrant (burette) concentration as labelled: mol dm-3, or % (default 0.2 %; "
    "no input with Gamma refined), e.g. --u-titrant-conc 0.1%.",
    "The same of the burette's scale, a relative error of every volume: a fraction, or % "
    "(default 0.1 %), e.g. --u-burette 0.05%.",
    "The same of each addition, which stays in every later reading: ml, or % of the addition "
    "(default 0.002 ml), e.g. --u-addition 0.001.",
    "The same of the temperature: K (default 0.2 K), e.g. --u-temperature 0.1.",
    "The same of pKw when it is held (default 0.02), e.g. --u-pkw 0.01.",
    "The same of each emf reading: mV (default: the fit's residual scatter), e.g. --u-emf 0.05.",
    "The same of a Nernstian slope held with --branch acid, its departure from the true "
    "slope: a fraction, or % (default 0.4 %), e.g. --u-slope-factor 0.5%.",
};

/// The number of trials of --monte-carlo: a count, or 0 for auto. Returns an error text.
QString trialCount(const QString& value, std::size_t& trials) {
    if (value == "auto") {
        trials = 0;
        return {};
    }
    const std::string text = value.toStdString();
    std::size_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 100 ||
        n > core::kMonteCarloCap)
        return "--monte-carlo takes auto or a number of trials from 100 to " +
               QString::number(core::kMonteCarloCap) + ", not \"" + value + "\"";
    trials = n;
    return {};
}

/// The uncertainties a settings file states. Returns an error text.
QString fromSettings(const QString& path, core::UncertaintyInputs& inputs) {
    std::string text;
    if (const std::string error = io::readSettingsText(io::toNativePath(path), text);
        !error.empty())
        return QString::fromStdString(error);
    const io::Settings settings = io::parseSettingsText(text);
    if (!settings.uncertaintyProblem.empty())
        return "the settings file \"" + path +
               "\": " + QString::fromStdString(settings.uncertaintyProblem);
    inputs = settings.uncertainty;
    return {};
}

} // namespace

UncertaintyOptionSet::UncertaintyOptionSet()
    : uncertainty("uncertainty",
                  "Add the uncertainty budget of every result: the standard uncertainty u from "
                  "each input (conditions, burette, temperature, pKw, emf readings), found by "
                  "calculating the whole calibration again for each, U = 2u and the interval "
                  "(a section of the report, uncertainty in the JSON), e.g. --uncertainty."),
      monteCarlo("monte-carlo",
                 "Check the budget by Monte Carlo (implies --uncertainty): N trials, or auto "
                 "(batches of 10000 until the figures are stable, at most 1000000), e.g. "
                 "--monte-carlo auto.",
                 "N|auto") {
    for (core::UncertaintyInput input : core::kUncertaintyInputs)
        inputs.emplace_back(QString("u-") + core::describe(input).key,
                            kInputHelp[static_cast<std::size_t>(input)], "U");
}

QList<QCommandLineOption> uncertaintyOptions(const UncertaintyOptionSet& o) {
    QList<QCommandLineOption> list{o.uncertainty, o.monteCarlo};
    for (const QCommandLineOption& option : o.inputs)
        list << option;
    return list;
}

QString applyUncertaintyOptions(const QCommandLineParser& parser, const UncertaintyOptionSet& o,
                                Options& options) {
    options.uncertainty = parser.isSet(o.uncertainty) || parser.isSet(o.monteCarlo);
    if (parser.isSet(o.monteCarlo)) {
        std::size_t trials = 0;
        if (const QString error = trialCount(parser.value(o.monteCarlo), trials); !error.isEmpty())
            return error;
        options.monteCarloTrials = trials;
    }
    if (parser.isSet("settings"))
        if (const QString error = fromSettings(parser.value("settings"), options.uncertaintyInputs);
            !error.isEmpty())
            return error;
    for (std::size_t k = 0; k < o.inputs.size(); ++k) {
        const QCommandLineOption& option = o.inputs[k];
        if (!parser.isSet(option))
            continue;
        const QString name = "--" + option.names().constFirst();
        if (!options.uncertainty)
            return name + " goes with --uncertainty";
        const core::UncertaintyInput input = core::kUncertaintyInputs[k];
        core::StatedUncertainty stated;
        if (const std::string error =
                core::parseStatedUncertainty(input, parser.value(option).toStdString(), stated);
            !error.empty())
            return name + " " + QString::fromStdString(error);
        options.uncertaintyInputs[input] = stated;
    }
    return {};
}

} // namespace cli
