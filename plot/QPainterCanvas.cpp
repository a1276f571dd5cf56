#include "QPainterCanvas.h"

#include <QFontMetricsF>
#include <QPen>
#include <algorithm>
#include <cstdint>
#include <optional>

namespace plot {

namespace {

QColor qcolour(Colour c) {
    return QColor(c.red, c.green, c.blue);
}

/// The part of the segment inside the rectangle (Liang-Barsky), in double precision.
std::optional<QLine> clipped(QPoint a, QPoint b, const QRect& r) {
    double t0 = 0, t1 = 1;
    const double dx = static_cast<double>(b.x()) - a.x();
    const double dy = static_cast<double>(b.y()) - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {
        static_cast<double>(a.x()) - r.left(), r.right() - static_cast<double>(a.x()),
        static_cast<double>(a.y()) - r.top(), r.bottom() - static_cast<double>(a.y())};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    auto at = [&](double t) {
        return QPoint(clampedDevice(a.x() + t * dx), clampedDevice(a.y() + t * dy));
    };
    return QLine(at(t0), at(t1));
}

} // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter, QRect bounds, double twipsPerPixel,
                               QColor background)
    : Canvas(twipsPerPixel), m_painter(painter), m_bounds(bounds), m_background(background) {
    const int margin = std::max(bounds.width(), bounds.height()) + 1024;
    m_safe = bounds.adjusted(-margin, -margin, margin, margin);
}

QPainterCanvas::~QPainterCanvas() {
    flush();
}

void QPainterCanvas::setPen(const Pen& pen) {
    if (pen == m_pen)
        return;
    flush();
    m_pen = pen;
}

void QPainterCanvas::moveTo(int x, int y) {
    finishPath();
    m_current = QPoint(x, y);
}

void QPainterCanvas::lineTo(int x, int y) {
    const QPoint to(x, y);
    if (inSafeArea(m_current) && inSafeArea(to)) {
        if (m_path.empty())
            m_path.push_back(m_current);
        if (to != m_path.back())
            m_path.push_back(to);
    } else {
        finishPath();
        if (auto part = clipped(m_current, to, m_safe))
            addLine(*part);
    }
    m_current = to;
}

std::size_t QPainterCanvas::LineHash::operator()(const QLine& l) const noexcept {
    auto word = [](int a, int b) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
               static_cast<std::uint32_t>(b);
    };
    const std::uint64_t h = word(l.x1(), l.y1()) * 0x9E3779B97F4A7C15ull ^ word(l.x2(), l.y2());
    return static_cast<std::size_t>(h ^ (h >> 29));
}

void QPainterCanvas::addLine(QLine line) {
    if (m_seen.insert(line).second)
        m_lines.push_back(line);
}

void QPainterCanvas::finishPath() {
    if (m_path.size() == 2)
        addLine(QLine(m_path[0], m_path[1]));
    else if (m_path.size() > 2)
        m_paths.push_back(std::move(m_path));
    m_path.clear();
}

bool QPainterCanvas::inSafeArea(QPoint p) const {
    return m_safe.contains(p);
}

void QPainterCanvas::flush() {
    finishPath();
    if (m_lines.empty() && m_paths.empty())
        return;
    m_painter.setPen(
        QPen(qcolour(m_pen.colour), m_pen.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (!m_lines.empty())
        m_painter.drawLines(m_lines.data(), static_cast<int>(m_lines.size()));
    for (const auto& path : m_paths)
        m_painter.drawPolyline(path.data(), static_cast<int>(path.size()));
    m_lines.clear();
    m_seen.clear();
    m_paths.clear();
}

const QFont& QPainterCanvas::qfont(const Font& font) {
    if (!(font == m_fontKey)) {
        m_fontKey = font;
        m_font = QFont(QString::fromStdString(font.face));
        m_font.setPixelSize(font.height);
        m_font.setWeight(QFont::Normal);
    }
    return m_font;
}

void QPainterCanvas::text(int x, int y, const std::string& text, const Font& font, int code) {
    flush();
    if (font.height <= 0 || text.empty() || !inSafeArea(QPoint(x, y)))
        return;
    const QString s = QString::fromStdString(text);
    const QFont& f = qfont(font);
    const QFontMetricsF metrics(f, m_painter.device());
    const double width = metrics.horizontalAdvance(s);
    const int align = code % 4;
    const double along = align == kTextRightTop ? -width : align == kTextLeftTop ? 0 : -width / 2;
    m_painter.save();
    m_painter.setFont(f);
    m_painter.setPen(Qt::black);
    if (font.escapement == 0) {
        // A level text stays on the surface: moved inwards, and made smaller when it
        // is wider than the surface (a long data file path in the title).
        const double shrink = std::min(1.0, m_bounds.width() / width);
        m_painter.translate(insideBounds(x + along * shrink, width * shrink), y);
        m_painter.scale(shrink, shrink);
        m_painter.drawText(QPointF(0, metrics.ascent()), s);
    } else {
        m_painter.translate(x, y);
        m_painter.rotate(-font.escapement / 10.0);
        m_painter.drawText(QPointF(along, metrics.ascent()), s);
    }
    m_painter.restore();
}

double QPainterCanvas::insideBounds(double left, double width) const {
    const double right = static_cast<double>(m_bounds.left()) + m_bounds.width();
    if (left + width > right)
        left = right - width;
    return std::max(left, static_cast<double>(m_bounds.left()));
}

void QPainterCanvas::xorLine(int x1, int y1, int x2, int y2, Colour colour) {
    flush();
    const auto part = clipped(QPoint(x1, y1), QPoint(x2, y2), m_safe);
    if (!part)
        return;
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    m_painter.setPen(QPen(qcolour(colour), 1));
    m_painter.drawLine(*part);
    m_painter.restore();
}

void QPainterCanvas::clear() {
    finishPath();
    m_lines.clear();
    m_seen.clear();
    m_paths.clear();
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.fillRect(m_bounds, m_background);
    m_painter.restore();
}

} // namespace plot
