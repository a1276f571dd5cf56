#pragma once

#include "Canvas.h"
#include "PlotGeometry.h"
#include "core/Trend.h"

#include <string>
#include <vector>

namespace plot {

/// One logbook record as a trend plot sees it: when it was made and one of its values.
struct TrendInput {
    long long utcSeconds = 0; ///< seconds since 1970-01-01T00:00:00Z
    int offsetSeconds = 0;    ///< the record's offset from UTC, which dates it
    double value = 0;
    bool withdrawn = false;
};

/// A cross of the plot: days since the start of the first record's date.
struct TrendMark {
    double day = 0;
    double value = 0;
    bool withdrawn = false;
    bool flagged = false; ///< the record breaks a control rule
    bool operator==(const TrendMark&) const = default;
};

/// What a trend plot shows, worked out before anything is drawn.
struct TrendLayout {
    std::vector<TrendMark> marks; ///< records with a finite value, in date order
    core::TrendSummary summary;   ///< control lines of the kept records and the drift
    std::string firstDate;        ///< "2026-01-05": day 0 is its midnight in the record's offset
    double xmin = 0, xmax = 1;    ///< the x axis, days
    double ymin = 0,
           ymax = 1; ///< the y axis: the kept records and the control lines, with a margin
    bool empty() const { return marks.empty(); }
    /// "days since 2026-01-05"; empty without records.
    std::string xLabel() const;
};

/// The layout of records given in date order. Values that are not finite are
/// left out. Withdrawn records take no part in the lines nor in the y axis; they
/// are drawn in grey where they fall inside it.
/// The control lines are made of the baseline's records.
TrendLayout layoutTrend(const std::vector<TrendInput>& records,
                        const core::Baseline& baseline = {});

/// Colours of the trend plots; kept records are crossed in black.
inline constexpr Colour kWithdrawnColour{160, 160, 160};
inline constexpr Colour kMeanColour{0, 128, 0};
inline constexpr Colour kControlColour{255, 0, 0};

/// Draws the trend on a cleared surface of jr x Jb device units: axes with the
/// title, the control lines across the data area (the mean in kMeanColour, the
/// mean ± 3 sd in kControlColour) and a cross of half-length 4 on each kept record
/// (in kControlColour when it breaks a control rule) and on each withdrawn record
/// inside the y axis.
/// Without records the surface is only cleared.
void ShowTrend(Canvas& dc, PlotGeometry& g, const TrendLayout& layout, int jr, int Jb,
               const std::string& title);

} // namespace plot
