#include "DataPlot.h"

#include "PlotLibrary.h"

#include <cmath>

namespace plot {

namespace {

/// Joins the points it is given; a point that cannot be drawn breaks the line.
class Polyline {
public:
    explicit Polyline(Canvas& dc) : m_dc(dc) {}
    void to(std::optional<int> x, std::optional<int> y) {
        if (!x || !y) {
            m_open = false;
            return;
        }
        if (m_open)
            m_dc.lineTo(*x, *y);
        else
            m_dc.moveTo(*x, *y);
        m_open = true;
    }

private:
    Canvas& m_dc;
    bool m_open = false;
};

const core::Point& point(const core::Titration& t, int i) {
    return t.points[static_cast<std::size_t>(i - 1)];
}

double calculatedEmf(const core::Point& p) {
    return p.EmfObs - p.Resid;
}

/// The largest of 0 and the Gran values, used or ignored.
double largestGranValue(const core::Titration& t) {
    double G = 0;
    for (const core::Point& p : t.points)
        if (std::isfinite(p.GranValue))
            G = MaxOf(G, p.GranValue);
    return G;
}

void drawAxes(Canvas& dc, PlotGeometry& g, const core::Titration& t, DisplayMode mode, int Jcs) {
    const int n = t.PointCount();
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    if (n > 0) {
        xmin = pointX(t, mode, 1);
        xmax = pointX(t, mode, n);
        ymin = mode == DisplayMode::Gran ? 0 : point(t, n).EmfObs;
        ymax = mode == DisplayMode::Gran ? largestGranValue(t) : point(t, 1).EmfObs;
    }
    const char* xlabel = mode == DisplayMode::EmfPH ? "pH" : "volume/ml";
    const char* ylabel = mode == DisplayMode::Gran ? "Gran function" : "E/mV";
    PlotAxes(dc, g, Jcs, 10, xmin, ymin, xmax, ymax, xlabel, ylabel, dataPlotTitle(t));
}

/// A Gran line from its value at an end of the titration down to its crossing
/// with the volume axis; a line without a crossing (zero gradient) is left out.
/// The line starts at the end where it stands higher: for an acid titrated with
/// alkali the acid line at the first volume and the alkali line at the last; for
/// the reverse titration the other way round, so no line runs below the axis.
void granLine(Canvas& dc, const PlotGeometry& g, double firstVolume, double lastVolume,
              double intercept, double gradient) {
    if (gradient == 0)
        return;
    const double volume = intercept + gradient * firstVolume >= intercept + gradient * lastVolume
                              ? firstVolume
                              : lastVolume;
    const auto x1 = g.XPix(volume), y1 = g.YPix(intercept + gradient * volume);
    const auto x2 = g.XPix(-intercept / gradient), y2 = g.YPix(0);
    if (x1 && y1 && x2 && y2)
        dc.line(*x1, *y1, *x2, *y2);
}

void drawSeries(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode) {
    const int n = t.PointCount();
    // A titration not calculated yet has no curve and no Gran lines to show.
    if (n == 0 || !t.results.E0)
        return;
    Polyline curve(dc);
    switch (mode) {
    case DisplayMode::EmfVolume:
        for (int i = 1; i <= n; ++i)
            curve.to(g.XPix(point(t, i).Volume), g.YPix(calculatedEmf(point(t, i))));
        break;
    case DisplayMode::EmfPH:
        // The curve starts at point 1 whatever its flag and then joins the used points.
        curve.to(g.XPix(point(t, 1).PointPH), g.YPix(calculatedEmf(point(t, 1))));
        for (int i = 2; i <= n; ++i)
            if (point(t, i).UsePoint)
                curve.to(g.XPix(point(t, i).PointPH), g.YPix(calculatedEmf(point(t, i))));
        break;
    case DisplayMode::Gran:
        granLine(dc, g, point(t, 1).Volume, point(t, n).Volume, t.AcidIntercept, t.AcidGradient);
        granLine(dc, g, point(t, 1).Volume, point(t, n).Volume, t.AlkaliIntercept,
                 t.AlkaliGradient);
        break;
    }
}

} // namespace

std::string dataPlotTitle(const core::Titration& t) {
    return "Experimental data: " + t.DataFilePath;
}

CursorSpan ShowData(Canvas& dc, PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                    int Jcs, int jr, int Jb, const ScreenDrawing& screen) {
    const bool onScreen = Jcs == 1;
    const CursorSpan span = beginView(dc, g, Jcs, jr, Jb, 40);

    drawAxes(dc, g, t, mode, Jcs);
    dc.setPen(Pen{PenWidth(Jcs), kBlack});
    drawSeries(dc, g, t, mode);
    // Each point's coloured mark covers its black cross exactly (both are one
    // pixel wide and 4 long at scale 1), so drawing all crosses first and then all
    // marks gives the same picture as drawing them point by point, with far fewer
    // changes of pen.
    for (int i = 1; i <= t.PointCount(); ++i)
        MarkPoint(dc, g, t, mode, i, Jcs);
    if (onScreen && screen.pointMarks)
        for (int i = 1; i <= t.PointCount(); ++i)
            ShowSelected(dc, g, t, mode, i);
    if (onScreen && screen.CursorPoint >= 1 && screen.CursorPoint <= t.PointCount())
        drawCursorLine(dc, iz(g, t, mode, screen.CursorPoint), span);
    return span;
}

} // namespace plot
