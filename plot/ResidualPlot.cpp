#include "ResidualPlot.h"

#include "PlotLibrary.h"

#include <cmath>

namespace plot {

namespace {

/// Half the height of the y axis: the largest |residual| of the used points, or
/// 1000 when no point is used (an empty titration too). Residuals that are not
/// finite are left out.
double residualRange(const core::Titration& t, DisplayMode mode) {
    constexpr double kNone = -1;
    double R = kNone;
    for (int i = 1; i <= t.PointCount(); ++i) {
        const double r = residual(t, mode, i);
        if (t.points[static_cast<std::size_t>(i - 1)].UsePoint && std::isfinite(r))
            R = MaxOf(R, std::fabs(r));
    }
    return R == kNone ? 1000 : R;
}

} // namespace

double residual(const core::Titration& t, DisplayMode mode, int i) {
    const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
    return mode == DisplayMode::Gran ? p.GranResid : p.Resid;
}

CursorSpan ShowResids(Canvas& dc, PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                      int Jcs, int jr, int Jb, const ScreenDrawing& screen) {
    const bool onScreen = Jcs == 1;
    const CursorSpan span = beginView(dc, g, Jcs, jr, Jb, 8);

    const int n = t.PointCount();
    const double R = residualRange(t, mode);
    const double xmin = n > 0 ? pointX(t, mode, 1) : 0;
    double xmax = n > 0 ? pointX(t, mode, n) : 0;
    double ymax = R;
    const bool gran = mode == DisplayMode::Gran;
    PlotAxes(dc, g, Jcs, 5, xmin, -R, xmax, ymax, "", gran ? "" : "diff /mV  ",
             gran ? "observed-calculated Gran function" : "observed-calculated emf");

    dc.setPen(Pen{PenWidth(Jcs), kBlack});
    const auto zero = g.YPix(0);
    for (int i = 1; i <= n; ++i) {
        if (!t.points[static_cast<std::size_t>(i - 1)].UsePoint)
            continue;
        const auto x = g.XPix(pointX(t, mode, i));
        const auto y = g.YPix(residual(t, mode, i));
        if (x && y && zero)
            dc.line(*x, *zero, *x, *y);
    }
    if (onScreen && screen.CursorPoint >= 1 && screen.CursorPoint <= n)
        drawCursorLine(dc, iz(g, t, mode, screen.CursorPoint), span);
    return span;
}

} // namespace plot
