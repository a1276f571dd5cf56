#include "CalculatedTitration.h"
#include "plot/PlotExport.h"
#include "plot/PointMarks.h"
#include "plot/QPainterCanvas.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

using plot::DisplayMode;
using plot::PlotKind;

core::Titration titration() {
    return plottest::calculatedTitration({}, "/data/titrations/HCl 0.02 M.txt");
}

struct SvgRoot {
    QString width, height, viewBox;
};

SvgRoot svgRoot(const QByteArray& svg) {
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"svg") {
            const auto a = xml.attributes();
            return {a.value("width").toString(), a.value("height").toString(),
                    a.value("viewBox").toString()};
        }
    }
    return {};
}

struct SizeCase {
    PlotKind kind;
    const char* width;
    const char* height;
    const char* viewBox;
    int pngWidth, pngHeight; ///< 82.5 mm etc. at 300 dpi, to the nearest pixel
};

class PictureSizes : public ::testing::TestWithParam<SizeCase> {
protected:
    QTemporaryDir m_dir;
};

TEST_P(PictureSizes, SvgHasThePhysicalSizeAndTheLogicalViewBox) {
    const SizeCase& c = GetParam();
    const QString path = m_dir.filePath("plot.svg");
    ASSERT_EQ(plot::exportPlot(c.kind, titration(), DisplayMode::Gran, path.toStdString()), "");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    const SvgRoot root = svgRoot(svg);
    EXPECT_EQ(root.width.toStdString(), c.width);
    EXPECT_EQ(root.height.toStdString(), c.height);
    EXPECT_EQ(root.viewBox.toStdString(), c.viewBox);
    // Black only: no coloured marks and no cursor line in a picture.
    const QRegularExpression colour(R"re((stroke|fill)="(#[0-9a-fA-F]{6})")re");
    for (auto it = colour.globalMatch(QString::fromUtf8(svg)); it.hasNext();)
        EXPECT_EQ(it.next().captured(2).toStdString(), "#000000");
    PlotKind kind = c.kind;
    const char* title = kind == PlotKind::Data
                            ? "Experimental data: /data/titrations/HCl 0.02 M.txt"
                            : "observed-calculated Gran function";
    EXPECT_TRUE(svg.contains(title)) << title;
}

TEST_P(PictureSizes, PngIsDrawnAt300Dpi) {
    const SizeCase& c = GetParam();
    const QString path = m_dir.filePath("plot.PNG");
    ASSERT_EQ(plot::exportPlot(c.kind, titration(), DisplayMode::EmfVolume, path.toStdString()),
              "");
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), c.pngWidth);
    EXPECT_EQ(image.height(), c.pngHeight);
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300, 0.5);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            dark += p.lightness() < 64;
            ASSERT_TRUE(p.red() == p.green() && p.green() == p.blue())
                << "grey only at " << x << ", " << y;
        }
    EXPECT_GT(dark, image.width()) << "the drawing is there";
}

TEST_P(PictureSizes, PdfIsOnePageOfThePictureSize) {
    const SizeCase& c = GetParam();
    const QString path = m_dir.filePath("plot.pdf");
    ASSERT_EQ(plot::exportPlot(c.kind, titration(), DisplayMode::EmfPH, path.toStdString()), "");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/Count 1"));
    const auto box = QRegularExpression(R"re(/MediaBox \[0 (-?[0-9.]+) ([0-9.]+) ([0-9.]+) *\])re")
                         .match(QString::fromLatin1(pdf));
    ASSERT_TRUE(box.hasMatch());
    const double pointsPerMm = 72 / 25.4;
    EXPECT_NEAR(box.captured(2).toDouble(), 82.5 * pointsPerMm, 0.01);
    EXPECT_NEAR(box.captured(3).toDouble() - box.captured(1).toDouble(),
                QString(c.height).remove("mm").toDouble() * pointsPerMm, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Plots, PictureSizes,
                         ::testing::Values(SizeCase{PlotKind::Data, "82.5mm", "50.93mm",
                                                    "0 0 8250 5093", 974, 602},
                                           SizeCase{PlotKind::Residuals, "82.5mm", "25.46mm",
                                                    "0 0 8250 2546", 974, 301}));

TEST(Export, AnUnknownTypeIsRefusedByName) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("plot.jpg").toStdString();
    const std::string error = plot::exportDataPlot(titration(), DisplayMode::Gran, path);
    EXPECT_NE(error.find("plot.jpg"), std::string::npos) << error;
    EXPECT_NE(error.find(".svg, .pdf or .png"), std::string::npos) << error;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_NE(
        plot::exportDataPlot(titration(), DisplayMode::Gran, dir.filePath("svg").toStdString()),
        "");
}

TEST(Export, AFileThatCannotBeWrittenGivesTheSystemsReason) {
    QTemporaryDir dir;
    for (const char* name : {"missing/plot.svg", "missing/plot.pdf", "missing/plot.png"}) {
        const std::string path = dir.filePath(name).toStdString();
        const std::string error = plot::exportResidualPlot(titration(), DisplayMode::EmfPH, path);
        EXPECT_EQ(error.rfind("The file \"" + path + "\" cannot be written: ", 0), 0u) << error;
        EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    }
}

TEST(Export, ThePictureLeavesTheScreenGeometryAsItWas) {
    plot::PlotGeometry screen;
    screen.PlotLeft = 56;
    screen.PlotRight = 600;
    screen.XScale = 80;
    screen.XOffset = 56;
    const plot::PlotGeometry before = screen;
    EXPECT_FALSE(plot::plotSvg(PlotKind::Data, titration(), DisplayMode::Gran, screen).isEmpty());
    EXPECT_EQ(screen, before);
    EXPECT_FALSE(
        plot::plotImage(PlotKind::Residuals, titration(), DisplayMode::Gran, screen).isNull());
    EXPECT_EQ(screen, before);
}

// The backend on a raster image.

QImage whiteImage() {
    QImage image(200, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

/// The bounding box of the pixels that are not white.
QRect ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST(QPainterCanvas, AnExclusiveOrLineDrawnTwiceLeavesNoTrace) {
    QImage image = whiteImage();
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.xorLine(50, 10, 50, 100, plot::CursorColour);
    }
    EXPECT_EQ(image.pixel(50, 40), qRgb(255, 128, 0)) << "white xor (0, 127, 255)";
    EXPECT_EQ(ink(image), QRect(50, 10, 1, 91));
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.xorLine(50, 10, 50, 100, plot::CursorColour);
    }
    EXPECT_TRUE(ink(image).isNull());
}

TEST(QPainterCanvas, DrawsLinesInTheirPensOrder) {
    QImage image = whiteImage();
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.setPen({1, plot::kBlack});
        canvas.line(10, 20, 110, 20);
        canvas.setPen({1, plot::kUsedColour});
        canvas.line(60, 10, 60, 30);
        canvas.setPen({3, plot::kBlack});
        canvas.moveTo(10, 60);
        canvas.lineTo(100, 60);
        canvas.lineTo(100, 100);
    }
    EXPECT_EQ(image.pixel(30, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(60, 20), qRgb(0, 0, 255)) << "the later pen is on top";
    EXPECT_EQ(image.pixel(50, 61), qRgb(0, 0, 0)) << "3 units wide";
    EXPECT_EQ(image.pixel(101, 90), qRgb(0, 0, 0));
}

TEST(QPainterCanvas, FarCoordinatesAreClippedNotLost) {
    QImage image = whiteImage();
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.line(100, 60, 2147483647, 60);
        canvas.line(-2147483647 - 1, 90, 100, 90);
    }
    EXPECT_EQ(image.pixel(150, 60), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(199, 60), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, 90), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(150, 90), qRgb(255, 255, 255));
}

struct AlignCase {
    int code;
    int escapement;
};

class TextAlignment : public ::testing::TestWithParam<AlignCase> {};

TEST_P(TextAlignment, PlacesTheTextByItsCode) {
    const AlignCase& c = GetParam();
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int x = 150, y = 150;
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.text(x, y, "E/mV 400", plot::Font{"Arial", 24, c.escapement}, c.code);
    }
    const QRect box = ink(image);
    ASSERT_FALSE(box.isNull());
    if (c.escapement == 900) {
        // Upwards, centred on y, lying to the right of x.
        EXPECT_GE(box.left(), x);
        EXPECT_LE(box.left(), x + 6);
        EXPECT_GT(box.height(), box.width());
        EXPECT_NEAR(box.center().y(), y, 3);
        return;
    }
    EXPECT_GE(box.top(), y) << "the top of the text at y";
    EXPECT_LE(box.top(), y + 6);
    EXPECT_GT(box.width(), box.height());
    switch (c.code) {
    case plot::kTextCentreTop:
        EXPECT_NEAR(box.center().x(), x, 3);
        break;
    case plot::kTextRightTop:
        EXPECT_LE(box.right(), x);
        EXPECT_GE(box.right(), x - 4);
        break;
    case plot::kTextLeftTop:
        EXPECT_GE(box.left(), x);
        EXPECT_LE(box.left(), x + 4);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, TextAlignment,
                         ::testing::Values(AlignCase{0, 0}, AlignCase{2, 0}, AlignCase{3, 0},
                                           AlignCase{1, 900}));

QRect textInk(int x, const char* text, int width = 200) {
    QImage image(width, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        plot::QPainterCanvas canvas(painter, image.rect());
        canvas.text(x, 10, text, plot::Font{"Arial", 20, 0}, plot::kTextCentreTop);
    }
    return ink(image);
}

TEST(QPainterCanvas, ALevelTextIsMovedInsideTheSurface) {
    const int width = whiteImage().width();
    const QRect free = textInk(width / 2, "observed");
    ASSERT_LT(free.width(), width / 2);
    // Centred near an edge: moved inwards just far enough to show whole.
    const QRect nearRight = textInk(width - 20, "observed");
    EXPECT_EQ(nearRight.width(), free.width());
    EXPECT_GE(nearRight.right(), width - 4);
    const QRect nearLeft = textInk(20, "observed");
    EXPECT_EQ(nearLeft.width(), free.width());
    EXPECT_LE(nearLeft.left(), 3);
    // Wider than the surface: made smaller to fit it.
    const char* title = "Experimental data: /a/long/path/to/a/file.txt";
    const QRect wide = textInk(width / 2, title);
    EXPECT_LE(wide.left(), 3);
    EXPECT_GE(wide.right(), width - 4);
    EXPECT_LT(wide.height(), textInk(500, title, 1000).height() * 3 / 4);
}

} // namespace
