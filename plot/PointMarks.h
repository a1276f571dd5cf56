#pragma once

#include "Canvas.h"
#include "DisplayMode.h"
#include "PlotGeometry.h"

#include <optional>

namespace plot {

/// Colours of the screen view: the marks of used and ignored points and the
/// cursor line (combined with the picture by exclusive or).
inline constexpr Colour kUsedColour{0, 0, 255};
inline constexpr Colour kIgnoredColour{255, 0, 255};
inline constexpr Colour CursorColour{0, 127, 255};

/// What only the screen view shows. It is drawn at scale factor 1 only, so a
/// picture for the clipboard or a file holds the black drawing alone.
struct ScreenDrawing {
    bool pointMarks = false; ///< the coloured mark of every point (ShowSelected)
    int CursorPoint = 0;     ///< the point of the cursor line, 1-based; 0 for none
};

/// The device y range of the cursor line on a plot: from the top of the data
/// area to the bottom edge of the frame.
struct CursorSpan {
    int top = 0;
    int bottom = 0;
    bool operator==(const CursorSpan&) const = default;
};

/// Starts drawing a view on a surface of jr x Jb device units at scale Jcs:
/// clears the screen view (scale 1 only), sets the data area with the views'
/// margins (left 56, right 8, top 24, bottom `bottomMargin`, each times the
/// scale) and gives the span of the cursor line.
CursorSpan beginView(Canvas& dc, PlotGeometry& g, int Jcs, int jr, int Jb, int bottomMargin);

/// Black cross of half-length 4 * s on point i (1-based) of the data plot.
void MarkPoint(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int i,
               int s);

/// The device x of point jp with the current x map, for the cursor: its pH in
/// the pH view, else its volume. A point far beyond the plot gets the nearest
/// 32-bit coordinate, so it still lies beyond any click. Empty for no such
/// point or a value that is not finite.
std::optional<int> iz(const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int jp);

/// The coloured cross of point ip on the screen data plot: blue when it is used,
/// magenta when it is ignored; 4 pixels whatever the scale.
void ShowSelected(Canvas& dc, const PlotGeometry& g, const core::Titration& t, DisplayMode mode,
                  int ip);

/// The cursor line at device x over the span, in CursorColour by exclusive or:
/// drawing it again at the same place removes it. An empty x draws nothing.
void drawCursorLine(Canvas& dc, std::optional<int> x, CursorSpan span);

} // namespace plot
