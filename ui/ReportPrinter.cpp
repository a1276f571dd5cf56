#include "ReportPrinter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace ui {

namespace {

class PageWriter {
public:
    PageWriter(QPrinter& printer, QPainter& painter)
        : m_printer(printer), m_painter(painter), m_metrics(painter.font(), &printer),
          m_pageHeight(printer.pageRect(QPrinter::DevicePixel).height()) {}

    /// Writes one line; false when a new page could not be begun.
    bool write(const core::PrintLine& line) {
        double x = 0;
        for (const core::PrintItem& item : line) {
            const double column = item.column > 0 ? (item.column - 1) * charWidth() : x;
            if (column < x && !newLine())
                return false;
            const QString text = QString::fromStdString(item.text);
            m_painter.drawText(QPointF(column, m_y + m_metrics.ascent()), text);
            x = column + m_metrics.horizontalAdvance(text);
        }
        return newLine();
    }

private:
    double charWidth() const { return m_metrics.averageCharWidth(); }

    bool newLine() {
        m_y += m_metrics.lineSpacing();
        if (m_y + m_metrics.lineSpacing() <= m_pageHeight)
            return true;
        m_y = 0;
        return m_printer.newPage();
    }

    QPrinter& m_printer;
    QPainter& m_painter;
    QFontMetricsF m_metrics;
    double m_pageHeight;
    double m_y = 0;
};

} // namespace

std::string printLines(QPrinter& printer, const std::vector<core::PrintLine>& lines) {
    QPainter painter;
    if (!painter.begin(&printer))
        return "the printer did not accept the document";
    PageWriter pages(printer, painter);
    for (const core::PrintLine& line : lines)
        if (!pages.write(line)) {
            painter.end();
            return "the printer could not begin a new page";
        }
    if (!painter.end())
        return "the printer could not finish the document";
    return {};
}

} // namespace ui
