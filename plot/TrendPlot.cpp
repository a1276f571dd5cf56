#include "TrendPlot.h"

#include "PlotLibrary.h"
#include "PointMarks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace plot {

namespace {

constexpr long long kSecondsPerDay = 86400;
/// About as many divisions of the y axis.
constexpr int kTrendDivisions = 5;

long long floorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

/// "2026-01-05" for a count of days since 1970-01-01.
std::string civilDate(long long days) {
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{static_cast<int>(days)}}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

/// Widens lo..hi by a twentieth of its span on either side; a single value by
/// a hundredth of its size (1 for zero).
void addMargin(double& lo, double& hi) {
    const double half = hi / 2 - lo / 2;
    const double pad = half > 0 ? half / 10 : (hi != 0 ? std::fabs(hi) / 100 : 1);
    if (std::isfinite(lo - pad) && std::isfinite(hi + pad)) {
        lo -= pad;
        hi += pad;
    }
}

void horizontalLine(Canvas& dc, const PlotGeometry& g, double value, Colour colour) {
    if (const auto y = g.YPix(value)) {
        dc.setPen(Pen{1, colour});
        dc.line(g.PlotLeft, *y, g.PlotRight, *y);
    }
}

void cross(Canvas& dc, const PlotGeometry& g, const TrendMark& mark) {
    const auto x = g.XPix(mark.day);
    const auto y = g.YPix(mark.value);
    if (!x || !y)
        return;
    constexpr double half = 4;
    dc.setPen(Pen{1, mark.withdrawn ? kWithdrawnColour : mark.flagged ? kControlColour : kBlack});
    dc.line(clampedDevice(*x - half), *y, clampedDevice(*x + half), *y);
    dc.line(*x, clampedDevice(*y - half), *x, clampedDevice(*y + half));
}

} // namespace

std::string TrendLayout::xLabel() const {
    return firstDate.empty() ? std::string() : "days since " + firstDate;
}

TrendLayout layoutTrend(const std::vector<TrendInput>& records, const core::Baseline& baseline) {
    TrendLayout layout;
    std::vector<core::TrendPoint> series;
    series.reserve(records.size());
    for (const TrendInput& r : records)
        series.push_back({r.value, r.withdrawn});
    layout.summary = core::summarizeTrend(series, baseline);
    std::vector<bool> flagged(records.size(), false);
    for (const core::RuleFlag& flag : layout.summary.flags)
        flagged[flag.index] = true;

    const auto first = std::find_if(records.begin(), records.end(),
                                    [](const TrendInput& r) { return std::isfinite(r.value); });
    if (first == records.end())
        return layout;
    const long long firstDay = floorDiv(first->utcSeconds + first->offsetSeconds, kSecondsPerDay);
    const long long origin = firstDay * kSecondsPerDay - first->offsetSeconds;
    layout.firstDate = civilDate(firstDay);

    for (auto r = first; r != records.end(); ++r)
        if (std::isfinite(r->value))
            layout.marks.push_back({static_cast<double>(r->utcSeconds - origin) / kSecondsPerDay,
                                    r->value, r->withdrawn,
                                    flagged[static_cast<std::size_t>(r - records.begin())]});

    // The y axis spans the kept records and their lines: a withdrawn outlier does
    // not squeeze them. Only when every record is withdrawn do those set it.
    const bool anyKept = std::any_of(layout.marks.begin(), layout.marks.end(),
                                     [](const TrendMark& m) { return !m.withdrawn; });
    double lo = INFINITY, hi = -INFINITY;
    for (const TrendMark& m : layout.marks)
        if (!m.withdrawn || !anyKept) {
            lo = std::min(lo, m.value);
            hi = std::max(hi, m.value);
        }
    if (const auto& lines = layout.summary.lines) {
        lo = std::min(lo, lines->lower());
        hi = std::max(hi, lines->upper());
    }
    addMargin(lo, hi);
    layout.ymin = lo;
    layout.ymax = hi;

    double lastDay = 0;
    for (const TrendMark& m : layout.marks)
        lastDay = std::max(lastDay, m.day);
    layout.xmin = 0;
    layout.xmax = lastDay + std::max(lastDay / 30, 0.5);
    return layout;
}

void ShowTrend(Canvas& dc, PlotGeometry& g, const TrendLayout& layout, int jr, int Jb,
               const std::string& title) {
    beginView(dc, g, 1, jr, Jb, 40);
    if (layout.empty())
        return;
    // Room on the left for the longest y tick label, which a narrow spread of
    // values far from zero makes long ("0.99915"): its characters at about 0.6
    // of the font's height, beside the 10 units between the labels and the axis.
    std::size_t longest = 0;
    for (const std::string& label : YTickLabels(layout.ymin, layout.ymax, kTrendDivisions))
        longest = std::max(longest, label.size());
    const double height = 20.0 * 9 / dc.twipsPerPixel();
    g.PlotLeft =
        std::max(g.PlotLeft, clampedDevice(14 + 0.6 * height * static_cast<double>(longest)));
    double xmax = layout.xmax;
    double ymax = layout.ymax;
    PlotAxes(dc, g, 1, kTrendDivisions, layout.xmin, layout.ymin, xmax, ymax, layout.xLabel(), "",
             title);
    if (const auto& lines = layout.summary.lines) {
        horizontalLine(dc, g, lines->mean, kMeanColour);
        horizontalLine(dc, g, lines->lower(), kControlColour);
        horizontalLine(dc, g, lines->upper(), kControlColour);
    }
    for (const TrendMark& mark : layout.marks)
        if (mark.withdrawn && mark.value >= layout.ymin && mark.value <= layout.ymax)
            cross(dc, g, mark);
    for (const TrendMark& mark : layout.marks)
        if (!mark.withdrawn)
            cross(dc, g, mark);
}

} // namespace plot
