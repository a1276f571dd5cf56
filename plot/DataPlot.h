#pragma once

#include "Canvas.h"
#include "DisplayMode.h"
#include "PlotGeometry.h"
#include "PointMarks.h"

namespace plot {

/// The title of the data plot: "Experimental data: " and the data file's path.
std::string dataPlotTitle(const core::Titration& t);

/// Draws the data plot of the view on dc at scale factor Jcs (1 on screen) on a
/// surface of jr x Jb device units: axes from the first point to the last, the
/// calculated curve (or the two Gran lines) and a black cross on every point.
/// At Jcs = 1 the surface is cleared first and the screen drawing asked for is
/// added. Leaves the geometry set to this plot and returns its cursor span.
CursorSpan ShowData(Canvas& dc, PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                    int Jcs, int jr, int Jb, const ScreenDrawing& screen = {});

} // namespace plot
