#include "PlotExport.h"

#include "DataPlot.h"
#include "QPainterCanvas.h"
#include "ResidualPlot.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <charconv>

namespace plot {

namespace {

/// One logical unit of a picture is 0.01 mm.
constexpr int kLogicalUnitsPerInch = 2540;

bool haveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QString pictureTitle(PlotKind kind, const core::Titration& t, DisplayMode mode) {
    if (kind == PlotKind::Data)
        return QString::fromStdString(dataPlotTitle(t));
    return mode == DisplayMode::Gran ? QStringLiteral("observed-calculated Gran function")
                                     : QStringLiteral("observed-calculated emf");
}

std::string cannotWrite(const std::string& path, const QString& reason) {
    return "The file \"" + path + "\" cannot be written: " + reason.toStdString();
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

/// A number for a PDF file, with the decimals given (never through the locale).
std::string pdfNumber(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

/// The PDF engine gives a page a whole number of points (82.5 mm becomes 234 pt).
/// The page's top stays where the engine put it and the media box is cut to the
/// picture: right edge at its width, bottom edge at its height. The box keeps
/// its length in bytes, so the cross-reference offsets stay right.
void fitMediaBox(QByteArray& pdf, QRect pagePoints, const PictureFormat& f) {
    const QByteArray key = "/MediaBox [";
    const qsizetype start = pdf.indexOf(key);
    const qsizetype end = start < 0 ? -1 : pdf.indexOf(']', start);
    if (end < 0 || pdf.indexOf(key, end) >= 0)
        return;
    const qsizetype length = end + 1 - start;
    constexpr double pointsPerUnit = 72.0 / kLogicalUnitsPerInch;
    const double top = pagePoints.height();
    const double bottom = top - f.height * pointsPerUnit;
    const double right = f.width * pointsPerUnit;
    for (int decimals = 6; decimals >= 1; --decimals) {
        std::string box = "/MediaBox [0 " + pdfNumber(bottom, decimals) + ' ' +
                          pdfNumber(right, decimals) + ' ' + pdfNumber(top, 0);
        if (static_cast<qsizetype>(box.size()) + 1 > length)
            continue;
        box.append(static_cast<std::size_t>(length - 1) - box.size(), ' ');
        box += ']';
        pdf.replace(start, length, QByteArray::fromStdString(box));
        return;
    }
}

QByteArray pdfBytes(PlotKind kind, const core::Titration& t, DisplayMode mode,
                    double twipsPerPixel) {
    const PictureFormat f = pictureFormat(kind);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QRect pagePoints;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kLogicalUnitsPerInch);
        writer.setPageSize(QPageSize(QSizeF(f.width / 100.0, f.height / 100.0),
                                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(pictureTitle(kind, t, mode));
        writer.setCreator(QStringLiteral("TAMO"));
        pagePoints = writer.pageLayout().fullRectPoints();
        QPainter painter;
        if (!painter.begin(&writer))
            return {};
        PlotGeometry geometry;
        drawPicture(painter, kind, t, mode, geometry, twipsPerPixel);
        painter.end();
    }
    fitMediaBox(bytes, pagePoints, f);
    return bytes;
}

} // namespace

PictureFormat pictureFormat(PlotKind kind) {
    return kind == PlotKind::Data ? PictureFormat{8250, 5093, 24} : PictureFormat{8250, 2546, 30};
}

void drawPicture(QPainter& painter, PlotKind kind, const core::Titration& t, DisplayMode mode,
                 PlotGeometry& geometry, double twipsPerPixel) {
    const GeometryGuard restore(geometry);
    const PictureFormat f = pictureFormat(kind);
    QPainterCanvas canvas(painter, QRect(0, 0, f.width, f.height), twipsPerPixel);
    if (kind == PlotKind::Data)
        ShowData(canvas, geometry, t, mode, f.scale, f.width, f.height);
    else
        ShowResids(canvas, geometry, t, mode, f.scale, f.width, f.height);
    canvas.flush();
}

QByteArray plotSvg(PlotKind kind, const core::Titration& t, DisplayMode mode,
                   PlotGeometry& geometry, double twipsPerPixel) {
    if (!haveGuiApplication())
        return {};
    const PictureFormat f = pictureFormat(kind);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(f.width, f.height));
    generator.setViewBox(QRect(0, 0, f.width, f.height));
    generator.setResolution(kLogicalUnitsPerInch); // so the size is written in mm
    generator.setTitle(pictureTitle(kind, t, mode));
    generator.setDescription(QStringLiteral("TAMO"));
    QPainter painter(&generator);
    drawPicture(painter, kind, t, mode, geometry, twipsPerPixel);
    painter.end();
    return bytes;
}

QImage plotImage(PlotKind kind, const core::Titration& t, DisplayMode mode, PlotGeometry& geometry,
                 int dotsPerInch, double twipsPerPixel) {
    if (!haveGuiApplication() || dotsPerInch <= 0)
        return {};
    const PictureFormat f = pictureFormat(kind);
    const double factor = static_cast<double>(dotsPerInch) / kLogicalUnitsPerInch;
    QImage image(clampedDevice(f.width * factor), clampedDevice(f.height * factor),
                 QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int dotsPerMetre = clampedDevice(dotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(factor, factor);
    drawPicture(painter, kind, t, mode, geometry, twipsPerPixel);
    painter.end();
    return image;
}

PictureFile pictureFile(PlotKind kind, const core::Titration& t, DisplayMode mode,
                        const std::string& path, double twipsPerPixel) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (suffix != "svg" && suffix != "pdf" && suffix != "png")
        return {{}, "The plot file \"" + path + "\" has an unknown type: use .svg, .pdf or .png"};
    if (!haveGuiApplication())
        return {{}, cannotWrite(path, QStringLiteral("drawing text needs a QGuiApplication"))};
    PlotGeometry geometry;
    QByteArray bytes;
    if (suffix == "pdf")
        bytes = pdfBytes(kind, t, mode, twipsPerPixel);
    else if (suffix == "svg")
        bytes = plotSvg(kind, t, mode, geometry, twipsPerPixel);
    else
        bytes = pngBytes(plotImage(kind, t, mode, geometry, 300, twipsPerPixel));
    if (bytes.isEmpty())
        return {{}, cannotWrite(path, QStringLiteral("the picture could not be drawn"))};
    return {bytes.toStdString(), {}};
}

} // namespace plot
