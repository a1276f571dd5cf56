// The Logbook window's trend plots saved as pictures and its records printed.
#include "Dialogs.h"
#include "LogbookTableModel.h"
#include "LogbookWindow.h"
#include "MessageBoxSink.h"
#include "ReportPrinter.h"
#include "TrendPlotView.h"
#include "io/FileAccess.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QStandardPaths>
#include <QSvgGenerator>

namespace ui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

/// The printed table of an electrode's records: one line each, at tab columns.
std::vector<core::PrintLine> logbookLines(const QString& electrode, const QString& path,
                                          const LogbookTableModel& model) {
    const auto item = [](int column, const QString& text) {
        return core::PrintItem{column, text.toStdString()};
    };
    std::vector<core::PrintLine> lines{
        {item(1, QStringLiteral("TAMO: Logbook of electrode \"%1\"").arg(electrode))},
        {item(1, QStringLiteral("Logbook ") + path)},
        {item(1, QStringLiteral("Printed at ") +
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))},
        {item(1, {})},
        {item(1, QStringLiteral("id")), item(7, QStringLiteral("measured")),
         item(25, QStringLiteral("E0 /mV")), item(45, QStringLiteral("slope factor")),
         item(60, QStringLiteral("rms /mV"))}};
    using Model = LogbookTableModel;
    for (int row = 0; row < model.rowCount(); ++row) {
        const io::LogbookEntry& e = model.entries()[static_cast<std::size_t>(row)];
        lines.push_back(
            {item(1, model.text(row, Model::Id)), item(7, model.text(row, Model::Measured)),
             item(25, model.text(row, Model::E0)), item(45, model.text(row, Model::SlopeFactor)),
             item(60, model.text(row, Model::Rms))});
        lines.push_back({item(7, model.text(row, Model::VerdictColumn))});
        if (!model.text(row, Model::ControlRules).isEmpty())
            lines.push_back({item(7, QStringLiteral("control rules: ") +
                                         model.text(row, Model::ControlRules))});
        if (e.withdrawal)
            lines.push_back({item(7, QStringLiteral("withdrawn: ") + qs(e.withdrawal->reason))});
    }
    return lines;
}

const QStringList kTrendFilters{QStringLiteral("SVG picture (*.svg)"),
                                QStringLiteral("PDF document (*.pdf)"),
                                QStringLiteral("PNG image (*.png)")};

/// The bytes of both trend plots in the format of the suffix; empty when they cannot be made.
QByteArray trendBytes(const QString& suffix,
                      const std::function<void(QPainter&, const QRect&)>& draw) {
    const QSize size(1200, 1000);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            draw(painter, QRect(QPoint(0, 0), size));
        }
        image.save(&buffer, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("TAMO logbook trends"));
        QPainter painter(&svg);
        draw(painter, QRect(QPoint(0, 0), size));
    } else {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pdf.setResolution(120);
        QPainter painter(&pdf);
        draw(painter, painter.viewport());
    }
    return bytes;
}

} // namespace

void LogbookWindow::drawTrends(QPainter& painter, const QRect& area) const {
    const int half = area.height() / 2;
    m_e0Plot->drawOn(painter, QRect(area.left(), area.top(), area.width(), half));
    m_slopeFactorPlot->drawOn(
        painter, QRect(area.left(), area.top() + half, area.width(), area.height() - half));
}

void LogbookWindow::saveTrends() {
    if (m_model->entries().empty())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString filter;
    QString path = m_dialogs
                       .saveFileName(this, QStringLiteral("Save trends"),
                                     QDir(folder).filePath(electrodeFileName(
                                         electrode(), QStringLiteral("-trends.svg"))),
                                     kTrendFilters, &filter)
                       .trimmed();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QLatin1String("pdf"))   ? QStringLiteral(".pdf")
                : filter.contains(QLatin1String("png")) ? QStringLiteral(".png")
                                                        : QStringLiteral(".svg");
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!QStringList{"svg", "pdf", "png"}.contains(suffix)) {
        m_dialogs.message(
            this,
            QStringLiteral("The trend file \"%1\" has an unknown type: use .svg, .pdf "
                           "or .png")
                .arg(path),
            kAppTitle);
        return;
    }
    const QByteArray bytes = trendBytes(
        suffix, [this](QPainter& painter, const QRect& area) { drawTrends(painter, area); });
    const std::string error =
        bytes.isEmpty()
            ? "The trends could not be drawn"
            : io::writeFileAtomically(
                  path.toStdString(),
                  std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!error.empty())
        m_dialogs.message(this, qs(error), kAppTitle);
}

void LogbookWindow::printLogbook() {
    if (m_model->entries().empty())
        return;
    QPrinter printer;
    if (!m_dialogs.choosePrinter(this, printer, QStringLiteral("Print logbook")))
        return;
    std::vector<core::PrintLine> lines = logbookLines(electrode(), m_path, *m_model);
    for (const QString& text : {QString(), m_summary->text(), m_drift->text(), m_rules->text()})
        for (const QString& line : text.split(QLatin1Char('\n')))
            lines.push_back({{1, line.toStdString()}});
    const std::string error =
        printLines(printer, lines, [this](QPainter& painter, const QRectF& page) {
            const QRect area = page.toRect();
            drawTrends(painter, QRect(area.topLeft(),
                                      QSize(area.width(), std::min(area.height(), area.width()))));
        });
    if (!error.empty())
        m_dialogs.message(this,
                          QStringLiteral("The logbook could not be printed: %1.").arg(qs(error)),
                          kAppTitle);
}

} // namespace ui
