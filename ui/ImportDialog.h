#pragma once

#include "io/Import.h"

#include <QDialog>
#include <array>
#include <string>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace ui {

class Dialogs;

/// File, Import: the profile to read a foreign file with, a preview of its
/// first lines with the columns read highlighted, the points found, the
/// warnings, and the conditions the profile does not give.
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
    /// Reads the file with the profile (a built-in name or a profile file) and shows it.
    /// Returns false, with the reason among the messages, when the profile cannot be read.
    bool useProfile(const QString& nameOrPath);

    QTableWidget* sourceTable() const { return m_source; }
    QTableWidget* pointsTable() const { return m_points; }
    QLineEdit* conditionBox(int i) const { return m_conditions[static_cast<std::size_t>(i)]; }
    QLabel* messagesLabel() const { return m_messages; }
    /// Whether OK is offered: points found and every condition a number.
    bool canAccept() const;

private:
    void profileChosen(int index);
    void showSource();
    void showPoints();
    void showConditions();
    void updateOk();

    std::string m_bytes;
    std::string m_name;
    Dialogs& m_dialogs;
    QString m_profileName;
    io::ImportResult m_result;
    QComboBox* m_profile = nullptr;
    QTableWidget* m_source = nullptr;
    QTableWidget* m_points = nullptr;
    QLabel* m_messages = nullptr;
    std::array<QLineEdit*, 4> m_conditions{};
    QLineEdit* m_id = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

} // namespace ui
