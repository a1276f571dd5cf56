#pragma once

#include "Canvas.h"

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <unordered_set>
#include <vector>

namespace plot {

/// A canvas on a QPainter: a QImage, a widget, an SVG generator or a PDF writer.
/// Lines of one pen are gathered and drawn together when the pen changes, before
/// a text, an exclusive-or line or a clearing, and at flush() or destruction; a
/// line already gathered with the same pen is drawn once (a dense titration puts
/// many crosses on the same pixels). A level text that would run off a side of
/// the surface is moved inwards, and made smaller when it is wider than the surface.
/// The painter must be active for the canvas's lifetime.
class QPainterCanvas : public Canvas {
public:
    /// bounds: the surface in the painter's logical coordinates (for clearing and
    /// to keep far-off coordinates away from the rasteriser).
    QPainterCanvas(QPainter& painter, QRect bounds, double twipsPerPixel = kDefaultTwipsPerPixel,
                   QColor background = Qt::white);
    ~QPainterCanvas() override;

    void setPen(const Pen& pen) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void text(int x, int y, const std::string& text, const Font& font, int code) override;
    void xorLine(int x1, int y1, int x2, int y2, Colour colour) override;
    void clear() override;

    /// Draws the lines gathered so far.
    void flush();

private:
    void finishPath();
    void addLine(QLine line);
    bool inSafeArea(QPoint p) const;
    /// The left end of a level text of the width, moved inside the bounds where it can be.
    double insideBounds(double left, double width) const;
    const QFont& qfont(const Font& font);

    QPainter& m_painter;
    QRect m_bounds;
    QRect m_safe; ///< lines are clipped to this: far beyond the surface, well inside the
                  ///< rasteriser's range
    QColor m_background;
    Pen m_pen;
    QPoint m_current;
    std::vector<QPoint> m_path; ///< the open polyline, m_current last
    struct LineHash {
        std::size_t operator()(const QLine& l) const noexcept;
    };
    std::vector<QLine> m_lines;                 ///< single segments of the pen
    std::unordered_set<QLine, LineHash> m_seen; ///< the segments in m_lines
    std::vector<std::vector<QPoint>> m_paths;   ///< finished polylines of the pen
    Font m_fontKey;
    QFont m_font;
};

} // namespace plot
