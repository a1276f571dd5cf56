#include "Import.h"

#include "core/NumberEntry.h"
#include "io/Import.h"

#include <QFileInfo>
#include <filesystem>

namespace cli {

namespace {

std::string toStd(const QString& s) {
    return s.toStdString();
}

QString joined(const std::vector<std::string>& keys) {
    QStringList list;
    for (const std::string& k : keys)
        list << QString::fromStdString(k);
    return list.join(", ");
}

io::ColumnRef column(const QString& value) {
    bool number = false;
    const int n = value.toInt(&number);
    return number && n > 0 ? io::ColumnRef{n, {}} : io::ColumnRef{0, toStd(value)};
}

/// --conditions: four texts, each empty or a number. Returns an error text.
QString applyConditions(const QString& value, io::ImportProfile& profile) {
    const QStringList parts = value.split(value.contains(';') ? QChar(';') : QChar(','));
    if (parts.size() != 4)
        return "--conditions needs four values V0,V1,CT,CB, e.g. --conditions 25,25,0.02,-0.1";
    for (qsizetype i = 0; i < 4; ++i) {
        const std::string text = toStd(parts[i].trimmed());
        if (text.empty())
            continue;
        if (!core::hasNumber(text))
            return QString("--conditions needs a number for %1, not \"%2\"")
                .arg(io::kConditionKeys[static_cast<std::size_t>(i)], parts[i]);
        io::ConditionSource& source = profile.conditions[static_cast<std::size_t>(i)];
        source = {};
        source.kind = io::ConditionSource::Kind::Fixed;
        source.text = text;
    }
    return {};
}

/// The options that change the profile. Returns an error text.
QString applyChanges(const QCommandLineParser& parser, const ImportOptionSet& o,
                     io::ImportProfile& profile) {
    if (parser.isSet(o.volumeColumn))
        profile.volume = column(parser.value(o.volumeColumn));
    if (parser.isSet(o.emfColumn))
        profile.emf = column(parser.value(o.emfColumn));
    for (const QCommandLineOption* named : {&o.volumeColumn, &o.emfColumn})
        if (parser.isSet(*named) && parser.value(*named).trimmed().isEmpty())
            return "--" + named->names().constFirst() + " needs a column number or a header name";
    if (parser.isSet(o.emfUnit)) {
        const QString unit = parser.value(o.emfUnit);
        if (unit.compare("mV", Qt::CaseInsensitive) == 0)
            profile.emfUnit = io::EmfUnit::mV;
        else if (unit.compare("V", Qt::CaseInsensitive) == 0)
            profile.emfUnit = io::EmfUnit::V;
        else
            return "--emf-unit takes mV or V, not \"" + unit + "\"";
    }
    if (parser.isSet(o.skipTo))
        profile.skipTo = toStd(parser.value(o.skipTo));
    if (parser.isSet(o.id))
        profile.id = toStd(parser.value(o.id));
    if (parser.isSet(o.conditions))
        return applyConditions(parser.value(o.conditions), profile);
    return {};
}

std::vector<std::string> askedConditions(const io::ImportProfile& profile) {
    std::vector<std::string> asked;
    for (std::size_t i = 0; i < profile.conditions.size(); ++i)
        if (profile.conditions[i].kind == io::ConditionSource::Kind::Ask)
            asked.emplace_back(io::kConditionKeys[i]);
    return asked;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

} // namespace

QList<QCommandLineOption> importOptions(const ImportOptionSet& o) {
    return {o.profile, o.writeData, o.volumeColumn, o.emfColumn,
            o.emfUnit, o.skipTo,    o.conditions,   o.id};
}

QString applyImportOptions(const QCommandLineParser& parser, const ImportOptionSet& o,
                           Options& options) {
    const bool changes = parser.isSet(o.volumeColumn) || parser.isSet(o.emfColumn) ||
                         parser.isSet(o.emfUnit) || parser.isSet(o.skipTo) ||
                         parser.isSet(o.conditions) || parser.isSet(o.id);
    if (!parser.isSet(o.profile) && !changes) {
        if (parser.isSet(o.writeData))
            return "--write-data needs --import PROFILE";
        return {};
    }
    const QString name = parser.isSet(o.profile) ? parser.value(o.profile) : QString("csv");
    io::ImportProfile profile;
    if (const std::string error = io::loadProfile(toStd(name), profile); !error.empty())
        return QString::fromStdString(error);
    if (const QString error = applyChanges(parser, o, profile); !error.isEmpty())
        return error;
    if (const std::vector<std::string> asked = askedConditions(profile); !asked.empty())
        return "the import profile \"" + name + "\" does not give the conditions " + joined(asked) +
               ": give them with --conditions V0,V1,CT,CB";
    if (parser.isSet(o.writeData)) {
        options.writeDataFolder = toStd(parser.value(o.writeData));
        if (!QFileInfo(parser.value(o.writeData)).isDir())
            return "--write-data needs an existing folder, not \"" + parser.value(o.writeData) +
                   "\"";
    }
    options.importProfile = std::move(profile);
    return {};
}

bool readImportedFile(const std::string& path, const Options& options, core::Titration& titration,
                      core::MessageSink& sink) {
    const io::ImportResult imported = io::importFile(path, *options.importProfile, sink);
    // A condition the file should hold but does not has been told by the import.
    if (!imported.accepted || !io::missingConditions(imported).empty())
        return false;
    if (!options.writeDataFolder.empty()) {
        const std::string target = io::importedDataPath(options.writeDataFolder, path);
        if (sameFile(target, path))
            sink.message("--write-data would replace the file itself with its TAMO data file: "
                         "nothing written");
        else if (const std::string error = io::WriteDataFile(target, io::importedTexts(imported));
                 !error.empty())
            sink.message(error);
    }
    return io::loadImport(imported, path, titration, sink);
}

} // namespace cli
