#include "Options.h"

#include "Import.h"
#include "UncertaintyOptions.h"
#include "core/NumberEntry.h"
#include "io/NativePath.h"
#include "io/LogbookRecord.h"
#include "io/Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace cli {

namespace {

const char* const kDescription =
    "Calibrates a glass pH electrode from strong acid / strong base titration files:\n"
    "selects the points in two pH ranges, refines E0 and the slope, fits Gran lines\n"
    "to both branches and prints the results report (or JSON Lines).\n"
    "\n"
    "Examples:\n"
    "  tamo-calibrate examples/acid-with-alkali.txt\n"
    "  tamo-calibrate --ranges 2.5,4,10.8,11.3 --pkw 13.78 --temperature 25 run1.txt run2.txt\n"
    "  tamo-calibrate --format json -o results.jsonl data/*.txt\n"
    "  tamo-calibrate --settings TAMO.INI --gamma 1 --refine-gamma run1.txt\n"
    "  tamo-calibrate --refine-gamma --refine-pkw --sensitivity run1.txt\n"
    "  tamo-calibrate --refine-gamma --uncertainty --u-emf 0.05 --u-titrand-volume 0.03 run1.txt\n"
    "  tamo-calibrate --monte-carlo auto --format json run1.txt\n"
    "  tamo-calibrate --branch acid --ranges 2.5,4,0,0 run2.txt\n"
    "  tamo-calibrate --plot gran --plot-out gran.svg --residuals-out resid.svg run1.txt\n"
    "  tamo-calibrate --log ~/.local/share/TAMO/logbook.sqlite --electrode \"glass 7\" run*.txt\n"
    "  tamo-calibrate --import pclims --conditions 100,0,0.002,0.1 report.txt\n"
    "  tamo-calibrate --volume-column 2 --emf-column 3 --emf-unit V --conditions 25,25,0.02,-0.1 "
    "run.csv";

struct OptionSet {
    QCommandLineOption ranges{
        "ranges",
        "The two pH ranges whose points are used: r1 < pH < r2 or r3 < pH < r4. "
        "Separate the four bounds by commas, or by semicolons when they have "
        "decimal commas, e.g. --ranges 2.5,4,10.8,11.3 (the default).",
        "A,B,C,D"};
    QCommandLineOption pkw{"pkw", "pKw, e.g. --pkw 13.78 (the default).", "X"};
    QCommandLineOption temperature{
        "temperature", "Temperature in degrees Celsius, e.g. --temperature 25 (the default).", "T"};
    QCommandLineOption gamma{"gamma",
                             "Factor on the titrant concentration, e.g. --gamma 1 (the default); "
                             "the start value when refined.",
                             "G"};
    QCommandLineOption refineGamma{"refine-gamma",
                                   "Refine Gamma with E0 and the slope, e.g. --refine-gamma."};
    QCommandLineOption refinePKw{"refine-pkw",
                                 "Refine pKw with the other parameters, --pkw its start value "
                                 "(needs 3 used points in the alkali range), e.g. --refine-pkw."};
    QCommandLineOption branch{"branch",
                              "The branches that calibrate: both (the default) or acid (the acid "
                              "range alone, with the Nernstian slope at the temperature), e.g. "
                              "--branch acid.",
                              "acid|both"};
    QCommandLineOption refineSlope{"refine-slope",
                                   "With --branch acid: refine the slope instead of taking the "
                                   "Nernstian one, e.g. --refine-slope."};
    QCommandLineOption sensitivity{"sensitivity",
                                   "Add how far E0 moves for +0.5 % titrant concentration, +0.2 % "
                                   "titrand concentration and +0.05 pKw (three more calculations "
                                   "per file), e.g. --sensitivity."};
    QCommandLineOption settings{"settings",
                                "Read the ranges, pKw, temperature, verdict limits and the "
                                "window's Gamma, refinements and branches from a settings file, "
                                "e.g. --settings ~/.config/TAMO/TAMO.INI; options given override "
                                "it (--gamma or --pkw alone: used as given, not refined).",
                                "FILE"};
    QCommandLineOption format{"format",
                              "Output: report (the default) or json (one object per file, "
                              "JSON Lines), e.g. --format json.",
                              "report|json"};
    QCommandLineOption output{
        {"o", "output"},
        "Write the output to FILE instead of standard output, e.g. -o results.txt.",
        "FILE"};
    QCommandLineOption plot{"plot",
                            "The view of the data plot written by --plot-out: volume (emf against "
                            "volume), ph (emf against pH) or gran (the Gran plot, the default), "
                            "e.g. --plot ph.",
                            "volume|ph|gran"};
    QCommandLineOption plotOut{
        "plot-out",
        "Write the data plot of the one data file to FILE: .svg or .pdf "
        "(vector, 82.5 mm wide) or .png (300 dpi), e.g. --plot-out gran.svg.",
        "FILE"};
    QCommandLineOption residualsOut{"residuals-out",
                                    "Write the residual plot beneath the data plot to FILE, e.g. "
                                    "--residuals-out resid.png.",
                                    "FILE"};
    QCommandLineOption log{"log",
                           "Keep every calibrated file in the electrode logbook DBFILE (created "
                           "when missing), one record each, for the electrode named by "
                           "--electrode, e.g. --log logbook.sqlite.",
                           "DBFILE"};
    QCommandLineOption electrode{"electrode",
                                 "The electrode whose logbook records --log adds, e.g. "
                                 "--electrode \"glass 7\".",
                                 "NAME"};
    QCommandLineOption operatorName{"operator",
                                    "Who keeps the records --log adds (default: the login's full "
                                    "name, else the login name), e.g. --operator \"Ann Lee\".",
                                    "NAME"};
    QCommandLineOption comment{"comment",
                               "A comment kept with each record --log adds, e.g. --comment "
                               "\"after cleaning\".",
                               "TEXT"};
    QCommandLineOption allowDuplicate{"allow-duplicate",
                                      "Let --log keep a calibration the logbook holds already "
                                      "(the same file bytes, inputs, points and electrode)."};
};

std::string toStd(const QString& s) {
    return s.toStdString();
}

bool splitRanges(const QString& text, std::array<std::string, 4>& range) {
    const QChar separator = text.contains(';') ? QChar(';') : QChar(',');
    const QStringList parts = text.split(separator);
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i)
        range[static_cast<std::size_t>(i)] = toStd(parts[i]);
    return true;
}

ParsedCommandLine usageError(const QString& text) {
    ParsedCommandLine result;
    result.action = ParsedCommandLine::Action::UsageError;
    result.text = toStd(text) + "\nTry 'tamo-calibrate --help' for more information.";
    return result;
}

/// Whether an explicit option replaces the settings file's value of the key.
bool overrides(const QCommandLineParser& parser, const OptionSet& o, const std::string& key) {
    if (key.starts_with("range"))
        return parser.isSet(o.ranges);
    return parser.isSet(key == "pKw" ? o.pkw : o.temperature);
}

/// Takes the ranges, pKw, temperature, the verdict's limits and the window's
/// calibration choices (Gamma, what is refined, the branches) from the settings
/// file; each number that is used must be there. Returns an error text.
QString applySettings(const QCommandLineParser& parser, const OptionSet& o, core::Inputs& inputs,
                      core::VerdictLimits& limits, std::string& warning) {
    const QString path = parser.value(o.settings);
    std::string text;
    if (const std::string error = io::readSettingsText(io::toNativePath(path), text);
        !error.empty())
        return QString::fromStdString(error);
    for (const std::string& key : io::keysWithoutNumber(text))
        if (!overrides(parser, o, key))
            return "the settings file \"" + path + "\" has no number in the tag <" +
                   QString::fromStdString(key) + ">";
    const io::Settings settings = io::parseSettingsText(text);
    inputs.Range = settings.range;
    inputs.pKbox = settings.pKw;
    inputs.Tbox = settings.temperature;
    inputs.GammaBox = settings.choices.gamma;
    inputs.RefineGamma = settings.choices.refineGamma;
    inputs.RefinePKw = settings.choices.refinePKw;
    inputs.branch = settings.choices.branch;
    limits = settings.limits;
    if (!settings.limitsProblem.empty())
        warning = "the verdict limits in \"" + path.toStdString() +
                  "\" cannot be used: " + settings.limitsProblem +
                  ". The default limits are used instead.";
    return {};
}

/// An option's text is read as if typed into its box ("25 C" is 25), but a
/// text without any number would silently be 0. Returns an error text.
QString numberProblem(const QCommandLineOption& option, const std::string& text) {
    if (core::hasNumber(text))
        return {};
    return "--" + option.names().constLast() + " needs a number, not \"" +
           QString::fromStdString(text) + "\"";
}

/// Applies --settings, then the explicit options. Returns an error text.
QString applyInputs(const QCommandLineParser& parser, const OptionSet& o, core::Inputs& inputs,
                    core::VerdictLimits& limits, std::string& warning) {
    if (parser.isSet(o.settings))
        if (const QString error = applySettings(parser, o, inputs, limits, warning);
            !error.isEmpty())
            return error;
    if (parser.isSet(o.ranges)) {
        if (!splitRanges(parser.value(o.ranges), inputs.Range))
            return "--ranges needs four bounds, e.g. --ranges 2.5,4,10.8,11.3";
        for (const std::string& bound : inputs.Range)
            if (const QString error = numberProblem(o.ranges, bound); !error.isEmpty())
                return error;
    }
    const std::pair<const QCommandLineOption*, std::string*> boxes[] = {
        {&o.pkw, &inputs.pKbox}, {&o.temperature, &inputs.Tbox}, {&o.gamma, &inputs.GammaBox}};
    for (const auto& [option, box] : boxes) {
        if (!parser.isSet(*option))
            continue;
        *box = toStd(parser.value(*option));
        if (const QString error = numberProblem(*option, *box); !error.isEmpty())
            return error;
    }
    // A Gamma given is the one to use, unless it is to be refined from there.
    if (parser.isSet(o.gamma) || parser.isSet(o.refineGamma))
        inputs.RefineGamma = parser.isSet(o.refineGamma);
    return {};
}

/// Reads --refine-pkw, --branch, --refine-slope and --sensitivity. Returns an error text.
QString applyCalibration(const QCommandLineParser& parser, const OptionSet& o, Options& options) {
    core::Inputs& inputs = options.inputs;
    // Likewise a pKw given is used as it is, unless --refine-pkw asks otherwise.
    if (parser.isSet(o.pkw) || parser.isSet(o.refinePKw))
        inputs.RefinePKw = parser.isSet(o.refinePKw);
    if (parser.isSet(o.branch)) {
        const QString branch = parser.value(o.branch);
        if (branch == "acid")
            inputs.branch = core::Branch::Acid;
        else if (branch == "both")
            inputs.branch = core::Branch::Both; // also over a settings file's acid only
        else
            return "--branch takes acid or both, not \"" + branch + "\"";
    }
    inputs.RefineAcidSlope = parser.isSet(o.refineSlope);
    if (inputs.RefineAcidSlope && inputs.branch != core::Branch::Acid)
        return "--refine-slope goes with --branch acid (with both branches the slope is refined)";
    if (inputs.RefinePKw && inputs.branch == core::Branch::Acid)
        return "--refine-pkw needs the alkali branch, not --branch acid";
    options.sensitivity = parser.isSet(o.sensitivity);
    return {};
}

bool isPlotFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "svg" || suffix == "pdf" || suffix == "png";
}

/// Reads --plot, --plot-out and --residuals-out. Returns an error text.
QString applyPlots(const QCommandLineParser& parser, const OptionSet& o, Options& options) {
    for (const QCommandLineOption* file : {&o.plotOut, &o.residualsOut})
        if (parser.isSet(*file) && !isPlotFile(parser.value(*file)))
            return "--" + file->names().constLast() + " writes .svg, .pdf or .png files, not \"" +
                   parser.value(*file) + "\"";
    options.plotPath = io::toNativePath(parser.value(o.plotOut));
    options.residualsPath = io::toNativePath(parser.value(o.residualsOut));
    if (!parser.isSet(o.plot))
        return {};
    const QString view = parser.value(o.plot);
    if (view == "volume")
        options.plotMode = plot::DisplayMode::EmfVolume;
    else if (view == "ph")
        options.plotMode = plot::DisplayMode::EmfPH;
    else if (view == "gran")
        options.plotMode = plot::DisplayMode::Gran;
    else
        return "--plot takes volume, ph or gran, not \"" + view + "\"";
    if (!wantsPlots(options))
        return "--plot needs --plot-out FILE or --residuals-out FILE";
    return {};
}

/// Reads --log and --electrode, which go together. Returns an error text.
QString applyLog(const QCommandLineParser& parser, const OptionSet& o, Options& options) {
    if (parser.isSet(o.log) != parser.isSet(o.electrode))
        return parser.isSet(o.log)
                   ? "--log needs --electrode NAME, the electrode the records are for"
                   : "--electrode names the electrode of --log DBFILE, which is missing";
    options.logPath = io::toNativePath(parser.value(o.log));
    options.electrode = toStd(parser.value(o.electrode).trimmed());
    if (parser.isSet(o.log) && options.logPath.empty())
        return "--log needs the path of the logbook file";
    if (parser.isSet(o.electrode) && options.electrode.empty())
        return "--electrode needs a name";
    options.programVersion = toStd(QCoreApplication::applicationVersion());
    return {};
}

/// Reads what goes with each record: --operator, --comment, --allow-duplicate. Returns an error
/// text.
QString applyRecordOptions(const QCommandLineParser& parser, const OptionSet& o, Options& options) {
    for (const QCommandLineOption* option : {&o.operatorName, &o.comment, &o.allowDuplicate})
        if (parser.isSet(*option) && !parser.isSet(o.log))
            return "--" + option->names().constLast() + " goes with --log DBFILE";
    options.operatorName = parser.isSet(o.operatorName)
                               ? toStd(parser.value(o.operatorName).trimmed())
                               : io::systemUserName();
    options.comment = toStd(parser.value(o.comment).trimmed());
    options.allowDuplicate = parser.isSet(o.allowDuplicate);
    return {};
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    OptionSet o;
    ImportOptionSet importSet;
    UncertaintyOptionSet uncertaintySet;
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addOptions({o.ranges, o.pkw, o.temperature, o.gamma, o.refineGamma, o.refinePKw,
                       o.branch, o.refineSlope, o.sensitivity, o.settings, o.format, o.output,
                       o.plot, o.plotOut, o.residualsOut, o.log, o.electrode});
    parser.addOptions(importOptions(importSet));
    parser.addOptions({o.operatorName, o.comment, o.allowDuplicate});
    parser.addOptions(uncertaintyOptions(uncertaintySet));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("FILE", "Calibration data files.", "FILE...");

    if (!parser.parse(arguments))
        return usageError(parser.errorText());

    ParsedCommandLine result;
    if (parser.isSet(help)) {
        result.action = ParsedCommandLine::Action::ShowHelp;
        // Without an application object the parser does not know the program's name.
        result.text = toStd(parser.helpText().replace("<executable_name>", "tamo-calibrate"));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ParsedCommandLine::Action::ShowVersion;
        result.text = "tamo-calibrate " + toStd(QCoreApplication::applicationVersion()) + "\n";
        return result;
    }

    Options& options = result.options;
    if (const QString error = applyInputs(parser, o, options.inputs, options.limits,
                                              options.settingsWarning);
        !error.isEmpty())
        return usageError(error);
    if (const QString error = applyCalibration(parser, o, options); !error.isEmpty())
        return usageError(error);
    if (parser.isSet(o.format)) {
        const QString format = parser.value(o.format);
        if (format == "json")
            options.format = OutputFormat::Json;
        else if (format != "report")
            return usageError("--format takes report or json, not \"" + format + "\"");
    }
    options.outputPath = io::toNativePath(parser.value(o.output));
    if (const QString error = applyPlots(parser, o, options); !error.isEmpty())
        return usageError(error);
    if (const QString error = applyLog(parser, o, options); !error.isEmpty())
        return usageError(error);
    if (const QString error = applyImportOptions(parser, importSet, options); !error.isEmpty())
        return usageError(error);
    if (const QString error = applyRecordOptions(parser, o, options); !error.isEmpty())
        return usageError(error);
    if (const QString error = applyUncertaintyOptions(parser, uncertaintySet, options);
        !error.isEmpty())
        return usageError(error);
    for (const QString& file : parser.positionalArguments())
        options.files.push_back(io::toNativePath(file));
    if (options.files.empty())
        return usageError("no data file given");
    if (const QString error = checkWriteTargets(options); !error.isEmpty())
        return usageError(error);
    if (wantsPlots(options) && options.files.size() > 1)
        return usageError("--plot-out and --residuals-out take one data file");
    return result;
}

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments << io::fromNativePath(argv[i]);
    return arguments;
}

} // namespace cli
