#include "SettingsLocation.h"

#include "io/Logbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace ui {

bool canCreateFileIn(const QString& folder) {
    if (folder.isEmpty() || !QDir(folder).exists())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tamo-XXXXXX")));
    return probe.open();
}

bool isInstalledProgramFolder(const QString& programFolder) {
    return QFileInfo::exists(QDir(programFolder).filePath(kInstalledManual));
}

SettingsLocation locateSettings(const QString& programFolder, const QString& configFolder,
                                const QString& documentsFolder) {
    if (!isInstalledProgramFolder(programFolder) && canCreateFileIn(programFolder))
        return {QDir(programFolder).filePath(QStringLiteral("TAMO.INI")),
                QDir(programFolder).filePath(QStringLiteral("data")), {}};
    QDir().mkpath(configFolder);
    return {QDir(configFolder).filePath(QStringLiteral("TAMO.INI")), documentsFolder, {}};
}

SettingsLocation standardSettingsLocation() {
    SettingsLocation location =
        locateSettings(QCoreApplication::applicationDirPath(),
                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    location.logbook = QString::fromStdString(io::defaultLogbookPath());
    return location;
}

} // namespace ui
