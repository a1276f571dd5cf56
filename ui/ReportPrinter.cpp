#include "ReportPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>

namespace ui {

namespace {

/// The least margin of the printed page on every side.
constexpr double kMarginMm = 15;

/// Widens the printer's margins to kMarginMm where they are narrower.
void keepMargins(QPrinter& printer) {
    const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
    const QMarginsF wanted(std::max(m.left(), kMarginMm), std::max(m.top(), kMarginMm),
                           std::max(m.right(), kMarginMm), std::max(m.bottom(), kMarginMm));
    if (wanted != m)
        printer.setPageMargins(wanted, QPageLayout::Millimeter);
}

class PageWriter {
public:
    PageWriter(QPrinter& printer, QPainter& painter)
        : m_printer(printer), m_painter(painter), m_metrics(painter.font(), &printer),
          m_pageWidth(printer.pageRect(QPrinter::DevicePixel).width()),
          m_pageHeight(printer.pageRect(QPrinter::DevicePixel).height()) {
        // Tab columns in the widest digit: numbers never run into the next column.
        for (char digit = '0'; digit <= '9'; ++digit)
            m_column = std::max(m_column, m_metrics.horizontalAdvance(QChar(digit)));
        m_blank = m_metrics.horizontalAdvance(QLatin1Char(' '));
    }

    /// Writes one line; false when a new page could not be begun.
    bool write(const core::PrintLine& line) {
        double x = 0;
        for (const core::PrintItem& item : line) {
            double column = item.column > 0 ? (item.column - 1) * m_column : x;
            // A text wider than its column pushes the next one on by a blank, so
            // that a long volume never touches the emf after it.
            if (item.column > 0 && x > 0 && column < x + m_blank)
                column = x + m_blank;
            QString text = QString::fromStdString(item.text);
            // What does not fit goes on below, from the same column.
            for (qsizetype fits = fitting(text, column); fits < text.size();
                 fits = fitting(text, column)) {
                draw(column, text.left(fits));
                text.remove(0, fits);
                if (!newLine())
                    return false;
            }
            draw(column, text);
            x = column + m_metrics.horizontalAdvance(text);
        }
        return newLine();
    }

private:
    void draw(double x, const QString& text) {
        m_painter.drawText(QPointF(x, m_y + m_metrics.ascent()), text);
    }

    /// How many characters of the text fit from x to the right margin: all, or
    /// up to a blank or a slash where there is one, and at least one.
    qsizetype fitting(const QString& text, double x) const {
        if (x + m_metrics.horizontalAdvance(text) <= m_pageWidth)
            return text.size();
        qsizetype n = 1;
        while (n < text.size() && x + m_metrics.horizontalAdvance(text.left(n + 1)) <= m_pageWidth)
            ++n;
        for (qsizetype k = n; k > n / 2; --k)
            if (text[k - 1] == QLatin1Char('/') || text[k - 1] == QLatin1Char(' '))
                return k;
        return n;
    }

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
    double m_pageWidth;
    double m_pageHeight;
    double m_column = 0;
    double m_blank = 0;
    double m_y = 0;
};

std::string paint(QPrinter& printer, const std::vector<core::PrintLine>& lines,
                  const std::function<void(QPainter&, const QRectF&)>& lastPage) {
    QPainter painter;
    if (!painter.begin(&printer))
        return "the printer did not accept the document";
    PageWriter pages(printer, painter);
    for (const core::PrintLine& line : lines)
        if (!pages.write(line)) {
            painter.end();
            return "the printer could not begin a new page";
        }
    if (lastPage) {
        if (!printer.newPage()) {
            painter.end();
            return "the printer could not begin a new page";
        }
        const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
        lastPage(painter, QRectF(0, 0, page.width(), page.height()));
    }
    if (!painter.end())
        return "the printer could not finish the document";
    return {};
}

/// Whether the file is a whole PDF document: it ends in its end-of-file mark.
bool wholePdf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 6)
        return false;
    file.seek(std::max<qint64>(0, file.size() - 64));
    return file.readAll().contains("%%EOF");
}

} // namespace

std::string printLines(QPrinter& printer, const std::vector<core::PrintLine>& lines,
                       const std::function<void(QPainter&, const QRectF&)>& lastPage) {
    keepMargins(printer);
    const QString target = printer.outputFileName();
    if (target.isEmpty() || printer.outputFormat() != QPrinter::PdfFormat)
        return paint(printer, lines, lastPage);
    // A document printed to a file is written beside it and takes its place only
    // when whole: a failed print leaves no part of it behind.
    QTemporaryFile partial(
        QFileInfo(target).absoluteDir().filePath(QStringLiteral(".tamo-print-XXXXXX")));
    if (!partial.open())
        return "the printer did not accept the document";
    partial.close();
    printer.setOutputFileName(partial.fileName());
    std::string error = paint(printer, lines, lastPage);
    printer.setOutputFileName(target);
    if (error.empty() && !wholePdf(partial.fileName()))
        error = "the file \"" + target.toStdString() + "\" could not be written whole";
    if (error.empty() && std::rename(QFile::encodeName(partial.fileName()).constData(),
                                     QFile::encodeName(target).constData()) != 0)
        error = "the file \"" + target.toStdString() + "\" could not be written";
    else if (error.empty())
        partial.setAutoRemove(false); // it is the document now
    return error;
}

} // namespace ui
