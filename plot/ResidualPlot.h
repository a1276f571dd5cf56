#pragma once

#include "Canvas.h"
#include "DisplayMode.h"
#include "PlotGeometry.h"
#include "PointMarks.h"

namespace plot {

/// The residual of point i in the view: its Gran residual in the Gran plot, else
/// its emf residual Resid.
double residual(const core::Titration& t, DisplayMode mode, int i);

/// Draws the residual plot of the view on dc at scale factor Jcs (1 on screen) on
/// a surface of jr x Jb device units: a vertical bar from zero for every used
/// point, on a y axis symmetric about zero that the used residuals span, with the
/// data plot's x map and no x ticks. At Jcs = 1 the surface is cleared first and
/// the cursor line is drawn when asked for (the point marks belong to the data
/// plot). Leaves the geometry set to this plot and returns its cursor span
/// (ResidTop, ResidBottom).
///
/// Resid is read as the model holds it: the calculation's final Ssq leaves it
/// current, and whoever changes a point or the parameters since updates it.
/// Nothing in the titration is changed here.
CursorSpan ShowResids(Canvas& dc, PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                      int Jcs, int jr, int Jb, const ScreenDrawing& screen = {});

} // namespace plot
