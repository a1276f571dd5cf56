#pragma once

#include <QString>

namespace ui {

/// Where the settings file "TAMO.INI" lives and where the open dialog starts
/// when nothing is remembered yet.
struct SettingsLocation {
    QString file;            ///< the settings file
    QString defaultDataPath; ///< "datafile" when the settings file is new
    QString logbook;         ///< the electrode logbook (created when first written)
};

/// Whether a file can be created in the folder (tried, not guessed from permissions).
bool canCreateFileIn(const QString& folder);

/// Where the installed manual lies, relative to the program folder.
inline const QString kInstalledManual = QStringLiteral("../share/doc/tamo/tamo.html");

/// Whether the program folder belongs to an installed program: the manual lies
/// in the share folder beside it (bin/../share/doc/tamo).
bool isInstalledProgramFolder(const QString& programFolder);

/// The program folder when the program is not installed and a file can be
/// created there (a program run from its build or unpacked folder); otherwise
/// the per-user configuration folder, which is created, with the user's
/// documents folder as the start of the open dialog. An installed program never
/// writes into its own folder, not even when run by the administrator.
SettingsLocation locateSettings(const QString& programFolder, const QString& configFolder,
                                const QString& documentsFolder);

/// The location for this program: its own folder, or the desktop's per-user
/// folders; the logbook always in the user's data folder.
SettingsLocation standardSettingsLocation();

} // namespace ui
