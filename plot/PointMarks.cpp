#include "PointMarks.h"

#include "PlotLibrary.h"

namespace plot {

namespace {

bool isPoint(const core::Titration& t, int i) {
    return i >= 1 && i <= t.PointCount();
}

/// A cross of the half-length around the device point of point i, if it can be drawn.
void cross(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int i,
           double half, bool verticalFirst) {
    if (!isPoint(t, i))
        return;
    const auto px = g.XPix(pointX(t, mode, i));
    const auto py = g.YPix(pointY(t, mode, i));
    if (!px || !py)
        return;
    const int left = clampedDevice(*px - half), right = clampedDevice(*px + half);
    const int top = clampedDevice(*py - half), bottom = clampedDevice(*py + half);
    if (verticalFirst) {
        dc.line(*px, top, *px, bottom);
        dc.line(left, *py, right, *py);
    } else {
        dc.line(left, *py, right, *py);
        dc.line(*px, top, *px, bottom);
    }
}

} // namespace

CursorSpan beginView(Canvas& dc, PlotGeometry& g, int Jcs, int jr, int Jb, int bottomMargin) {
    if (Jcs == 1)
        dc.clear();
    g.PlotLeft = clampedDevice(56.0 * Jcs);
    g.PlotRight = clampedDevice(static_cast<double>(jr) - 8.0 * Jcs);
    g.PlotTop = clampedDevice(24.0 * Jcs);
    g.PlotBottom = clampedDevice(static_cast<double>(Jb) - static_cast<double>(bottomMargin) * Jcs);
    return {g.PlotTop, clampedDevice(g.PlotBottom + 4.0)};
}

void MarkPoint(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int i,
               int s) {
    dc.setPen(Pen{PenWidth(s), kBlack});
    cross(dc, g, t, mode, i, 4.0 * s, false);
}

std::optional<int> iz(const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int jp) {
    if (!isPoint(t, jp))
        return std::nullopt;
    return toDevice(g.XOffset + g.XScale * pointX(t, mode, jp));
}

void ShowSelected(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                  int ip) {
    if (!isPoint(t, ip))
        return;
    const bool used = t.points[static_cast<std::size_t>(ip - 1)].UsePoint;
    dc.setPen(Pen{1, used ? kUsedColour : kIgnoredColour});
    cross(dc, g, t, mode, ip, 4.0, true);
}

void drawCursorLine(Canvas& dc, std::optional<int> x, CursorSpan span) {
    if (x)
        dc.xorLine(*x, span.top, *x, span.bottom, CursorColour);
}

} // namespace plot
