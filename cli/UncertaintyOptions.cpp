#include "UncertaintyOptions.h"

#include "core/MonteCarlo.h"
#include "io/NativePath.h"
#include "io/Settings.h"

#include <charconv>

namespace cli {

namespace {

QString inputHelp(core::UncertaintyInput input) {
    const core::InputDescription& d = core::describe(input);
    const QString unit = *d.unit ? QString(d.unit) : QString("as a fraction");
    QString text = QString("The standard uncertainty of the %1: %2").arg(d.name, unit);
    if (d.relativeAllowed && *d.unit)
        text += input == core::UncertaintyInput::Addition ? ", or % of each addition"
                                                          : ", or % of its value";
    else if (d.relativeAllowed)
        text += ", or %";
    const QString byDefault = d.byDefault ? QString::fromStdString(core::statedText(*d.byDefault))
                                          : QString("the fit's residual scatter");
    return text + " (default " + byDefault + "), e.g. --u-" + d.key + " " +
           (d.byDefault ? byDefault : QString("0.05")) + ".";
}

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
        inputs.emplace_back(QString("u-") + core::describe(input).key, inputHelp(input), "U");
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
