// The results out of the window: the report on the clipboard, the printer and
// in a file; the plots on the clipboard and in files.
#include "Dialogs.h"
#include "MessageBoxSink.h"
#include "PlotView.h"
#include "ReportPrinter.h"
#include "Tamo.h"
#include "core/Report.h"
#include "io/FileAccess.h"
#include "io/NativePath.h"
#include "io/LogbookRecord.h"
#include "plot/PlotExport.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QPrinter>

namespace ui {

namespace {

/// The current date and time in the user's general form.
std::string dateText() {
    return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
}

const QStringList kPlotFilters{QStringLiteral("SVG picture (*.svg)"),
                               QStringLiteral("PDF document (*.pdf)"),
                               QStringLiteral("PNG image (*.png)")};

} // namespace

bool Tamo::refuseWithoutResults() {
    if (m_document.hasCurrentResults())
        return false;
    m_dialogs.warning(this, kNoResultsMessage, kAppTitle);
    return true;
}

std::vector<std::string> Tamo::closingLines() const {
    const QString name =
        m_operatorName.isEmpty() ? QString::fromStdString(io::systemUserName()) : m_operatorName;
    return core::closingLines(m_document.verdict(), name.toStdString(), TAMO_VERSION);
}

void Tamo::CopyData_Click() {
    if (refuseWithoutResults())
        return;
    const core::Titration& t = m_document.titration();
    const std::string report = core::resultsReport(t, t.DataFilePath, dateText(), "\r");
    QApplication::clipboard()->setText(QString::fromStdString(report));
}

void Tamo::HardCopy_Click() {
    if (refuseWithoutResults())
        return;
    QPrinter printer;
    if (!m_dialogs.choosePrinter(this, printer, QStringLiteral("Select printer")))
        return;
    const core::Titration& t = m_document.titration();
    std::vector<core::PrintLine> lines = core::printedReport(t, t.DataFilePath, dateText());
    for (std::string& line : closingLines())
        lines.push_back({{1, std::move(line)}});
    const std::string error = printLines(printer, lines);
    if (!error.empty())
        m_dialogs.warning(this,
                          QStringLiteral("The report could not be printed: %1.")
                              .arg(QString::fromStdString(error)),
                          kAppTitle);
}

void Tamo::copyPlot(plot::PlotKind kind) {
    PlotView* view = kind == plot::PlotKind::Data ? m_dataPlot : m_residualPlot;
    const core::Titration& t = m_document.titration();
    const plot::DisplayMode mode = m_document.displayMode();
    auto* picture = new QMimeData;
    // The picture is drawn with the screen plot's geometry, which is restored afterwards.
    picture->setData(QStringLiteral("image/svg+xml"),
                     plot::plotSvg(kind, t, mode, view->plotGeometry(), m_twips.perPixel()));
    picture->setImageData(plot::plotImage(kind, t, mode, view->plotGeometry(), 300, m_twips.perPixel()));
    QApplication::clipboard()->setMimeData(picture);
}

void Tamo::DataToClip_Click() {
    copyPlot(plot::PlotKind::Data);
}

void Tamo::ResidToClip_Click() {
    copyPlot(plot::PlotKind::Residuals);
}

QString Tamo::besideDataFile(const QString& ending) const {
    const QFileInfo data(io::fromNativePath(m_document.titration().DataFilePath));
    return data.absoluteDir().filePath(data.completeBaseName() + ending);
}

void Tamo::savePlotAs(plot::PlotKind kind) {
    const bool data = kind == plot::PlotKind::Data;
    const QString path =
        m_dialogs
            .saveFileName(this,
                          data ? QStringLiteral("Save plot") : QStringLiteral("Save residual plot"),
                          besideDataFile(data ? QStringLiteral("-plot.svg")
                                              : QStringLiteral("-residuals.svg")),
                          kPlotFilters)
            .trimmed();
    if (path.isEmpty())
        return;
    const std::string native = io::toNativePath(path);
    const plot::PictureFile file = plot::pictureFile(
        kind, m_document.titration(), m_document.displayMode(), native, m_twips.perPixel());
    const std::string error =
        file.error.empty() ? io::writeFileAtomically(native, file.bytes) : file.error;
    if (!error.empty())
        m_dialogs.warning(this, QString::fromStdString(error), kAppTitle);
}

void Tamo::SavePlotAs_Click() {
    savePlotAs(plot::PlotKind::Data);
}

void Tamo::SaveResidualsAs_Click() {
    savePlotAs(plot::PlotKind::Residuals);
}

void Tamo::SaveReportAs_Click() {
    if (refuseWithoutResults())
        return;
    const QString path = m_dialogs
                             .saveFileName(this, QStringLiteral("Save report"),
                                           besideDataFile(QStringLiteral("-report.txt")),
                                           {QStringLiteral("Text file (*.txt)")})
                             .trimmed();
    if (path.isEmpty())
        return;
    const core::Titration& t = m_document.titration();
    std::string report = core::resultsReport(t, t.DataFilePath, dateText(), "\n");
    for (const std::string& line : closingLines())
        report += line + "\n";
    const std::string error = io::writeFileAtomically(io::toNativePath(path), report);
    if (!error.empty())
        m_dialogs.warning(this, QString::fromStdString(error), kAppTitle);
}

} // namespace ui
