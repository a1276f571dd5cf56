#include "Import.h"

#include "core/NumberEntry.h"
#include "io/FileAccess.h"
#include "io/Import.h"

#include <QFileInfo>
#include <filesystem>
#include <map>

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

/// The option as it was given, for the profile's name: --emf-column "E / mV".
QString asGiven(const QCommandLineOption& option, const QString& value) {
    const QString shown = value.contains(' ') ? '"' + value + '"' : value;
    return "--" + option.names().constFirst() + (value.isNull() ? QString() : ' ' + shown);
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
        source.typed = true;
    }
    return {};
}

/// The options that say how the file is read; the profile's name tells them.
QString applyReading(const QCommandLineParser& parser, const ImportOptionSet& o,
                     io::ImportProfile& profile) {
    QStringList given;
    for (const QCommandLineOption* column : {&o.volumeColumn, &o.emfColumn}) {
        if (!parser.isSet(*column))
            continue;
        const QString value = parser.value(*column).trimmed();
        io::ColumnRef& ref = column == &o.emfColumn ? profile.emf : profile.volume;
        if (const std::string error = io::parseColumn(toStd(value), ref); !error.empty())
            return "--" + column->names().constFirst() + " takes " + QString::fromStdString(error);
        given << asGiven(*column, value);
    }
    if (parser.isSet(o.emfUnit)) {
        const QString unit = parser.value(o.emfUnit);
        if (unit.compare("mV", Qt::CaseInsensitive) == 0)
            profile.emfUnit = io::EmfUnit::mV;
        else if (unit.compare("V", Qt::CaseInsensitive) == 0)
            profile.emfUnit = io::EmfUnit::V;
        else
            return "--emf-unit takes mV or V, not \"" + unit + "\"";
        given << asGiven(o.emfUnit, unit);
    }
    if (parser.isSet(o.skipTo)) {
        profile.skipTo = toStd(parser.value(o.skipTo));
        given << asGiven(o.skipTo, parser.value(o.skipTo));
    }
    if (parser.isSet(o.startLine)) {
        bool number = false;
        profile.startLine = parser.value(o.startLine).toInt(&number);
        if (!number || profile.startLine < 1)
            return "--start-line takes a line number from 1, not \"" + parser.value(o.startLine) +
                   "\"";
        given << asGiven(o.startLine, parser.value(o.startLine));
    }
    if (parser.isSet(o.noPHCheck)) {
        profile.phCheck = false;
        given << asGiven(o.noPHCheck, {});
    }
    if (!given.isEmpty())
        profile.name += ", changed by " + toStd(given.join(' '));
    return {};
}

/// The options that change the profile. Returns an error text.
QString applyChanges(const QCommandLineParser& parser, const ImportOptionSet& o,
                     io::ImportProfile& profile) {
    if (const QString error = applyReading(parser, o, profile); !error.isEmpty())
        return error;
    if (parser.isSet(o.id))
        profile.id = toStd(parser.value(o.id));
    if (parser.isSet(o.conditions))
        if (const QString error = applyConditions(parser.value(o.conditions), profile);
            !error.isEmpty())
            return error;
    if (const std::string error = io::contradiction(profile); !error.empty())
        return "the import profile \"" + QString::fromStdString(profile.name) +
               "\": " + QString::fromStdString(error);
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

/// Writes the import's data file into the --write-data folder. False after a message.
bool writeData(const std::string& path, const io::ImportResult& imported, const Options& options,
               core::MessageSink& sink) {
    const std::string target = io::importedDataPath(options.writeDataFolder, path);
    if (imported.emfUnitInDoubt) {
        sink.message("nothing written to \"" + target +
                     "\" while the emf unit is in doubt: give it with --emf-unit");
        return false;
    }
    if (!options.overwrite && std::filesystem::exists(target)) {
        sink.message("--write-data would replace \"" + target +
                     "\", which exists: nothing written (--overwrite replaces it)");
        return false;
    }
    const io::DataFileTexts texts = io::importedTexts(imported);
    const std::string error = options.overwrite
                                  ? io::WriteDataFile(target, texts)
                                  : io::writeNewFileAtomically(target, io::dataFileBytes(texts));
    if (!error.empty())
        sink.message(error);
    return error.empty();
}

} // namespace

QList<QCommandLineOption> importOptions(const ImportOptionSet& o) {
    return {o.profile,   o.writeData, o.overwrite, o.volumeColumn, o.emfColumn, o.emfUnit,
            o.noPHCheck, o.skipTo,    o.startLine, o.conditions,   o.id};
}

QString applyImportOptions(const QCommandLineParser& parser, const ImportOptionSet& o,
                           Options& options) {
    const bool changes = parser.isSet(o.volumeColumn) || parser.isSet(o.emfColumn) ||
                         parser.isSet(o.emfUnit) || parser.isSet(o.skipTo) ||
                         parser.isSet(o.startLine) || parser.isSet(o.noPHCheck) ||
                         parser.isSet(o.conditions) || parser.isSet(o.id);
    if (!parser.isSet(o.profile) && !changes) {
        if (parser.isSet(o.writeData))
            return "--write-data needs --import PROFILE";
        return {};
    }
    if (parser.isSet(o.overwrite) && !parser.isSet(o.writeData))
        return "--overwrite goes with --write-data DIR";
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
        options.overwrite = parser.isSet(o.overwrite);
    }
    options.importProfile = std::move(profile);
    return {};
}

QString checkWriteTargets(const Options& options) {
    if (options.writeDataFolder.empty())
        return {};
    const auto key = [](const std::string& path) {
        return std::filesystem::absolute(path).lexically_normal();
    };
    std::map<std::filesystem::path, const std::string*> targets;
    for (const std::string& source : options.files) {
        const std::string target = io::importedDataPath(options.writeDataFolder, source);
        const auto [at, fresh] = targets.emplace(key(target), &source);
        if (!fresh)
            return QString("--write-data would write both \"%1\" and \"%2\" to \"%3\": nothing "
                           "written; write them into separate folders")
                .arg(QString::fromStdString(*at->second), QString::fromStdString(source),
                     QString::fromStdString(target));
    }
    for (const std::string& source : options.files)
        for (const auto& [target, from] : targets)
            if (sameFile(target.string(), source))
                return QString("--write-data would write the data file of \"%1\" over \"%2\", "
                               "which is read too: nothing written")
                    .arg(QString::fromStdString(*from), QString::fromStdString(source));
    return {};
}

ImportedFile readImportedFile(const std::string& path, const Options& options,
                              core::Titration& titration, core::MessageSink& sink) {
    ImportedFile done;
    const io::ImportResult imported = io::importFile(path, *options.importProfile, sink);
    // A condition the file should hold but does not has been told by the import.
    if (!imported.accepted || !io::missingConditions(imported).empty())
        return done;
    std::optional<io::DataFileContent> content = io::checkedImport(imported, path, sink);
    if (!content)
        return done;
    if (!options.writeDataFolder.empty())
        done.writeFailed = !writeData(path, imported, options, sink);
    io::applyDataFile(std::move(*content), titration);
    done.read = true;
    return done;
}

} // namespace cli
