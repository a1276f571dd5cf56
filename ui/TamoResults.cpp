// The results out of the window: the report on the clipboard and the printer,
// the plots on the clipboard.
#include "Dialogs.h"
#include "MessageBoxSink.h"
#include "PlotView.h"
#include "Tamo.h"
#include "core/Report.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QLocale>
#include <QMimeData>

namespace ui {

void Tamo::CopyData_Click() {
    const std::string date =
        QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
    const core::Titration& t = m_document.titration();
    const std::string report = core::resultsReport(t, t.DataFilePath, date, "\r");
    QApplication::clipboard()->setText(QString::fromStdString(report));
}

void Tamo::HardCopy_Click() {
    m_dialogs.message(this, QStringLiteral("Printing is not available yet."), kAppTitle);
}

void Tamo::DataToClip_Click() {}
void Tamo::ResidToClip_Click() {}

} // namespace ui
