#pragma once

#include <QString>

namespace ui {

/// Where the settings file "TAMO.INI" lives and where the open dialog starts
/// when nothing is remembered yet.
struct SettingsLocation {
    QString file;            ///< the settings file
    QString defaultDataPath; ///< "datafile" when the settings file is new
};

/// Whether a file can be created in the folder (tried, not guessed from permissions).
bool canCreateFileIn(const QString& folder);

/// The program folder when a file can be created there (a program run from its
/// build or unpacked folder); otherwise (an installed program) the per-user
/// configuration folder, which is created, with the user's documents folder as
/// the start of the open dialog.
SettingsLocation locateSettings(const QString& programFolder, const QString& configFolder,
                                const QString& documentsFolder);

/// The location for this program: its own folder, or the desktop's per-user folders.
SettingsLocation standardSettingsLocation();

} // namespace ui
