#pragma once

#include "plot/Canvas.h"

#include <vector>

namespace plot {

/// One primitive as a canvas received it.
struct Recorded {
    enum class Kind { Line, Text, XorLine, Clear };
    Kind kind = Kind::Line;
    int x1 = 0, y1 = 0; ///< line start, text anchor
    int x2 = 0, y2 = 0; ///< line end
    Pen pen;            ///< of a line
    Colour colour;      ///< of an exclusive-or line
    std::string text;
    Font font;
    int code = 0; ///< text alignment code
};

/// A canvas that keeps every primitive in order, for tests.
class RecordingCanvas : public Canvas {
public:
    using Canvas::Canvas;

    void setPen(const Pen& pen) override { m_pen = pen; }
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void text(int x, int y, const std::string& text, const Font& font, int code) override;
    void xorLine(int x1, int y1, int x2, int y2, Colour colour) override;
    void clear() override;

    const std::vector<Recorded>& items() const { return m_items; }
    std::vector<Recorded> lines() const { return ofKind(Recorded::Kind::Line); }
    std::vector<Recorded> texts() const { return ofKind(Recorded::Kind::Text); }
    std::vector<Recorded> xorLines() const { return ofKind(Recorded::Kind::XorLine); }
    std::vector<Recorded> ofKind(Recorded::Kind kind) const;

private:
    std::vector<Recorded> m_items;
    Pen m_pen;
    int m_x = 0;
    int m_y = 0;
};

} // namespace plot
