// File, Import: a foreign file read through an import profile becomes a new,
// unsaved titration.
#include "Dialogs.h"
#include "ImportDialog.h"
#include "MessageBoxSink.h"
#include "Tamo.h"
#include "io/FileAccess.h"

#include <QFile>
#include <QFileInfo>

namespace ui {

void Tamo::Import_Click() {
    if (!mayDropData())
        return;
    const QString path = m_dialogs.openFileName(
        this, QStringLiteral("TAMO: Import a titration"), dialogFolder(),
        {QStringLiteral("Titrator and logger files (*.csv *.txt *.dat *.tsv)"),
         QStringLiteral("All files (*)")});
    if (path.isEmpty())
        return;
    std::string bytes;
    const std::string native = QFile::encodeName(path).toStdString();
    if (const std::string error = io::readFileBytes(native, io::kMaxDataFileBytes, bytes);
        !error.empty()) {
        m_dialogs.warning(this, QString::fromStdString(error), kAppTitle);
        return;
    }
    ImportDialog dialog(path, std::move(bytes), m_importProfile, m_dialogs, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_importProfile = dialog.profileName();
    m_lastImportProfile = dialog.profile();
    m_saveImportProfile->setEnabled(true);
    loadImported(dialog.result(), path);
}

void Tamo::SaveImportProfile_Click() {
    if (!m_lastImportProfile)
        return;
    const QString path = saveImportProfile(m_dialogs, this, *m_lastImportProfile,
                                           QFileInfo(dialogFolder()).absolutePath());
    if (path.isEmpty())
        return;
    m_importProfile = path; // the next import starts with it
    SaveIni();
}

void Tamo::loadImported(const io::ImportResult& import, const QString& source) {
    {
        // The title, the grid and the plots show the import before its messages do.
        CalculationMessages sink(*this);
        if (!m_document.loadImport(import, source.toStdString(), sink))
            return; // the titration loaded before stays
    }
    SaveIni();
    focusPlot();
}

} // namespace ui
