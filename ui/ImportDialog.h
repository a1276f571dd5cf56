#pragma once

#include "io/Import.h"

#include <QDialog>
#include <array>
#include <string>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLayout;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace ui {

class Dialogs;

/// File, Import: the profile to read a foreign file with, a preview of its
/// first lines with the columns read highlighted, the points found, the
/// warnings, and the conditions the profile does not give. A click on a column
/// header of the preview reads that column as the amount or the emf; the
/// controls beside it change where the data start, the separator, the decimal
/// mark, the emf unit and the segments. The choice can be saved as a profile.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    /// `bytes` are the file's; `profile` the one used last (a built-in name or a file).
    ImportDialog(const QString& path, std::string bytes, const QString& profile, Dialogs& dialogs,
                 QWidget* parent = nullptr);

    /// The import with the conditions and the identifier as the boxes show them.
    io::ImportResult result() const;
    /// The profile chosen: a built-in name or the path of a profile file.
    QString profileName() const { return m_profileName; }
    /// The profile as the controls and the column choices have changed it.
    const io::ImportProfile& profile() const { return m_working; }
    /// Reads the file with the profile (a built-in name or a profile file) and shows it.
    /// Returns false, with the reason among the messages, when the profile cannot be read.
    bool useProfile(const QString& nameOrPath);
    /// Reads column `column` (from 0) as the amount or as the emf, as a click on its header does.
    void assignColumn(int column, bool emf);

    QTableWidget* sourceTable() const { return m_source; }
    QTableWidget* pointsTable() const { return m_points; }
    QLineEdit* conditionBox(int i) const { return m_conditions[static_cast<std::size_t>(i)]; }
    QLabel* messagesLabel() const { return m_messages; }
    /// Whether OK is offered: points found, every condition a number, the emf unit not in doubt.
    bool canAccept() const;

private:
    QLayout* buildPreview();
    void buildControls(QWidget* parent);
    void buildConditions();
    void profileChosen(int index);
    void showControls();
    void controlChanged();
    void headerClicked(int column);
    void saveProfile();
    /// Reads the file with the working profile and shows what it gave.
    void reimport();
    void showSource();
    void showPoints();
    void showConditions();
    void updateOk();

    std::string m_bytes;
    std::string m_name;
    Dialogs& m_dialogs;
    QString m_profileName;
    io::ImportProfile m_base;    ///< the profile as loaded
    io::ImportProfile m_working; ///< as the controls and the columns clicked change it
    io::ImportResult m_result;
    QComboBox* m_profile = nullptr;
    QTableWidget* m_source = nullptr;
    QTableWidget* m_points = nullptr;
    QSpinBox* m_startLine = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_decimal = nullptr;
    QComboBox* m_emfUnit = nullptr;
    QComboBox* m_segments = nullptr;
    QLabel* m_messages = nullptr;
    std::array<QLineEdit*, 4> m_conditions{};
    QLineEdit* m_id = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

/// Asks for a profile file and writes the profile there (its name the file's).
/// Returns the file's path, or an empty text when cancelled or after a warning.
QString saveImportProfile(Dialogs& dialogs, QWidget* parent, io::ImportProfile profile,
                          const QString& folder);

} // namespace ui
