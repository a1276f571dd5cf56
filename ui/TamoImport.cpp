// File, Import: a foreign file read through an import profile becomes a new,
// unsaved titration.
#include "Dialogs.h"
#include "ImportDialog.h"
#include "MessageBoxSink.h"
#include "Tamo.h"
#include "io/FileAccess.h"

#include <QFile>

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
    loadImported(dialog.result(), path);
}

void Tamo::loadImported(const io::ImportResult& import, const QString& source) {
    {
        CalculationMessages sink(*this);
        if (!m_document.loadImport(import, source.toStdString(), sink))
            return; // the titration loaded before stays
    }
    SaveIni();
    setWindowTitle(QStringLiteral("TAMO: imported from ") + source +
                   QStringLiteral(" (not saved: Save data As writes a data file)[*]"));
    setWindowModified(m_document.isModified());
    focusPlot();
}

} // namespace ui
