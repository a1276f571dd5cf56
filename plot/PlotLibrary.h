#pragma once

#include "Canvas.h"
#include "PlotGeometry.h"

#include <string>
#include <vector>

namespace plot {

/// Line width of the plots at scale factor s: s below 5, otherwise 24.
int PenWidth(int s);

/// a when a > b, otherwise b.
double MaxOf(double a, double b);

/// The signed tick step for n divisions of the range a..b: a power of ten, or
/// 2, 5, 10 or 20 times one, negative when a > b. An empty range gives 1.
double NiceStep(double a, double b, int n);

/// The text of a tick value, in the format its step calls for: "0" for zero,
/// else with as many decimals as the step needs, or with an exponent for steps
/// below 0.0001 or above 9999 (1.5 for step 0.5, 20000 for step 5000, 2.0E4 for step 10000).
/// The exponent's mantissa has the digits down to the step's decade, so that the
/// ticks of any range differ (9.9915E-1 for step 0.00005), or the plain decimals
/// to that decade are shown when they are shorter (0.9992 for step 0.0002).
std::string TickLabel(double value, double step);

/// The labels of the y ticks that PlotAxes writes for the range with about ny
/// divisions, from the bottom tick up.
std::vector<std::string> YTickLabels(double ymin, double ymax, int ny);

/// Sets the maps of the geometry from its edges so that xmin lands on PlotLeft,
/// xmax on PlotRight, ymin on PlotBottom and ymax on PlotTop. An empty range is
/// widened by 1 above its value (xmax, ymax change).
void SetScale(PlotGeometry& g, double& xmax, double xmin, double& ymax, double ymin);

/// One text in "Arial" of |size| points at the screen's resolution, with the
/// alignment code (code 1 runs upwards). An empty text draws nothing.
void PlotText(Canvas& dc, int x, int y, int size, int code, const std::string& text);

/// A framed plot with ticked and labelled axes around the data area of the
/// geometry, at scale factor s, with about ny divisions of the y axis; sets the
/// maps. An empty xlabel leaves out the x ticks, their labels and the x title.
void PlotAxes(Canvas& dc, PlotGeometry& g, int s, int ny, double xmin, double ymin, double& xmax,
              double& ymax, const std::string& xlabel, const std::string& ylabel,
              const std::string& title);

} // namespace plot
