#pragma once

#include "Canvas.h"
#include "DisplayMode.h"
#include "PlotGeometry.h"
#include "PlotKind.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <string>

namespace plot {

/// The picture of a plot for the clipboard and for files: the logical size in
/// hundredths of a millimetre and the scale factor it is drawn with.
struct PictureFormat {
    int width = 0;
    int height = 0;
    int scale = 0;
};

/// The data plot: 8250 x 5093 (82.50 mm x 50.93 mm) at scale 24; the residual
/// plot: 8250 x 2546 at scale 30.
PictureFormat pictureFormat(PlotKind kind);

/// Draws the picture of the plot (black only: no point marks, no cursor line) on
/// a painter whose logical coordinates are the picture's. The geometry is the
/// screen plots' shared one: it is used for the drawing and restored afterwards.
/// Resid must be current (the calculation leaves it so).
void drawPicture(QPainter& painter, PlotKind kind, const core::Titration& t, DisplayMode mode,
                 PlotGeometry& geometry, double twipsPerPixel = kDefaultTwipsPerPixel);

/// The picture as an SVG document: width and height the physical size in mm,
/// viewBox the logical size. Empty when there is no QGuiApplication (text needs fonts).
QByteArray plotSvg(PlotKind kind, const core::Titration& t, DisplayMode mode,
                   PlotGeometry& geometry, double twipsPerPixel = kDefaultTwipsPerPixel);

/// The picture as an image at the resolution, on white. Null when there is no QGuiApplication.
QImage plotImage(PlotKind kind, const core::Titration& t, DisplayMode mode, PlotGeometry& geometry,
                 int dotsPerInch = 300, double twipsPerPixel = kDefaultTwipsPerPixel);

/// The bytes of a picture file, or the reason there are none.
struct PictureFile {
    std::string bytes;
    std::string error; ///< empty when the bytes are the picture
};

/// The picture in the file format of the path's extension: ".svg" (vector),
/// ".pdf" (vector, one page of the picture's size) or ".png" (300 dpi). The
/// caller writes the bytes, replacing the file atomically.
[[nodiscard]] PictureFile pictureFile(PlotKind kind, const core::Titration& t, DisplayMode mode,
                                      const std::string& path,
                                      double twipsPerPixel = kDefaultTwipsPerPixel);

} // namespace plot
