#include "RecordingCanvas.h"

namespace plot {

void RecordingCanvas::moveTo(int x, int y) {
    m_x = x;
    m_y = y;
}

void RecordingCanvas::lineTo(int x, int y) {
    Recorded r;
    r.kind = Recorded::Kind::Line;
    r.x1 = m_x;
    r.y1 = m_y;
    r.x2 = x;
    r.y2 = y;
    r.pen = m_pen;
    m_items.push_back(r);
    m_x = x;
    m_y = y;
}

void RecordingCanvas::text(int x, int y, const std::string& text, const Font& font, int code) {
    Recorded r;
    r.kind = Recorded::Kind::Text;
    r.x1 = x;
    r.y1 = y;
    r.text = text;
    r.font = font;
    r.code = code;
    m_items.push_back(r);
}

void RecordingCanvas::xorLine(int x1, int y1, int x2, int y2, Colour colour) {
    Recorded r;
    r.kind = Recorded::Kind::XorLine;
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    r.pen = Pen{1, colour};
    r.colour = colour;
    m_items.push_back(r);
}

void RecordingCanvas::clear() {
    Recorded r;
    r.kind = Recorded::Kind::Clear;
    m_items.push_back(r);
}

std::vector<Recorded> RecordingCanvas::ofKind(Recorded::Kind kind) const {
    std::vector<Recorded> result;
    for (const Recorded& r : m_items)
        if (r.kind == kind)
            result.push_back(r);
    return result;
}

} // namespace plot
