// The trend plots of the logbook: what they show, worked out without drawing, and
// that the drawing on the recording canvas holds it.

#include "plot/TrendPlot.h"

#include "RecordingCanvas.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace std::chrono;
using plot::TrendInput;

constexpr int kHour = 3600;

/// Seconds since the epoch of a local date and hour at an offset of whole hours.
long long utcOf(year_month_day date, int hour, int offsetHours) {
    return sys_seconds{sys_days{date}}.time_since_epoch().count() + (hour - offsetHours) * kHour;
}

TrendInput at(year_month_day date, int hour, int offsetHours, double value,
              bool withdrawn = false) {
    return {utcOf(date, hour, offsetHours), offsetHours * kHour, value, withdrawn};
}

// Day 0 is the midnight of the first record's date in that record's own offset; later
// records count from it whatever their offsets.
TEST(TrendLayout, CountsDaysFromTheMidnightOfTheFirstRecordsDate) {
    const struct {
        const char* name;
        std::vector<TrendInput> records;
        const char* label;
        std::vector<double> days;
    } cases[] = {
        {"offsets differ",
         {at(2026y / 1 / 5, 9, 1, 1), at(2026y / 1 / 7, 21, -5, 2)},
         "days since 2026-01-05",
         {0.375, 3.125}},
        {"the local date is the day before the UTC date",
         {at(2026y / 2 / 28, 20, -5, 1), at(2026y / 3 / 1, 20, -5, 2)},
         "days since 2026-02-28",
         {20.0 / 24, 1 + 20.0 / 24}},
        {"leap day and a year later",
         {at(2024y / 2 / 29, 6, 0, 1), at(2025y / 2 / 28, 6, 0, 2)},
         "days since 2024-02-29",
         {0.25, 365.25}},
        {"before 1970", {at(1969y / 12 / 31, 12, 0, 1)}, "days since 1969-12-31", {0.5}},
        {"a first value that is not finite dates nothing",
         {at(2026y / 1 / 1, 12, 0, NAN), at(2026y / 1 / 2, 12, 0, 1)},
         "days since 2026-01-02",
         {0.5}},
        {"no records", {}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const plot::TrendLayout layout = plot::layoutTrend(c.records);
        EXPECT_EQ(layout.xLabel(), c.label);
        ASSERT_EQ(layout.marks.size(), c.days.size());
        for (std::size_t i = 0; i < c.days.size(); ++i)
            EXPECT_NEAR(layout.marks[i].day, c.days[i], 1e-9);
        if (!layout.empty()) {
            EXPECT_EQ(layout.xmin, 0);
            EXPECT_GT(layout.xmax, layout.marks.back().day);
        }
    }
}

/// A year of monthly records around 400 mV: March withdrawn, and an outlier in July.
std::vector<TrendInput> monthly(bool withdrawOutlier) {
    std::vector<TrendInput> records;
    for (unsigned m = 1; m <= 12; ++m)
        records.push_back(at(2025y / month{m} / 10, 12, 1, 400 + (m % 2 ? 0.5 : -0.5)));
    records[2] = at(2025y / 3 / 10, 12, 1, 400.2, true);
    records[6] = at(2025y / 7 / 10, 12, 1, 460, withdrawOutlier);
    return records;
}

bool horizontalIn(const plot::Recorded& r, plot::Colour colour) {
    return r.pen.colour == colour && r.y1 == r.y2 && r.x1 != r.x2;
}

// The lines come of the kept records only; the y axis holds them and the kept records,
// and a withdrawn outlier does not stretch it. The drawing has the mean and both control
// lines across the data area at their values, a black cross on each kept record, a grey
// one on the withdrawn record inside the axis and none on the outlier beyond it.
TEST(ShowTrend, ControlLinesAndTheAxisLeaveOutWithdrawnRecords) {
    for (bool withdrawn : {true, false}) {
        SCOPED_TRACE(withdrawn ? "outlier withdrawn" : "outlier kept");
        const plot::TrendLayout layout = plot::layoutTrend(monthly(withdrawn));
        ASSERT_TRUE(layout.summary.lines);
        const core::ControlLines& lines = *layout.summary.lines;
        // Kept: January, May, September and November at 400.5, the even months at 399.5;
        // the lines are of the first ten kept, which leave out December when July is kept.
        EXPECT_EQ(lines.count, 10u);
        EXPECT_NEAR(lines.mean,
                    withdrawn ? (4 * 400.5 + 6 * 399.5) / 10 : (4 * 400.5 + 5 * 399.5 + 460) / 10,
                    1e-9);
        EXPECT_LT(layout.ymin, lines.lower());
        EXPECT_GT(layout.ymax, lines.upper());
        EXPECT_EQ(layout.ymax > 460, !withdrawn);

        plot::RecordingCanvas canvas;
        plot::PlotGeometry g;
        plot::ShowTrend(canvas, g, layout, 440, 220, "E0 /mV");
        const std::vector<plot::Recorded> drawn = canvas.lines();
        std::vector<int> meanRows, controlRows;
        for (const plot::Recorded& r : drawn)
            for (auto [colour, rows] : {std::pair{plot::kMeanColour, &meanRows},
                                        std::pair{plot::kControlColour, &controlRows}})
                if (horizontalIn(r, colour) && r.x1 == g.PlotLeft && r.x2 == g.PlotRight)
                    rows->push_back(r.y1);
        EXPECT_EQ(meanRows, std::vector<int>{*g.YPix(lines.mean)});
        EXPECT_EQ(controlRows, (std::vector<int>{*g.YPix(lines.lower()), *g.YPix(lines.upper())}));
        const auto crossStrokes = [&](plot::Colour colour) {
            return std::count_if(drawn.begin(), drawn.end(), [&](const plot::Recorded& r) {
                return r.pen.colour == colour && std::abs(r.x2 - r.x1) + std::abs(r.y2 - r.y1) == 8;
            });
        };
        EXPECT_EQ(crossStrokes(plot::kWithdrawnColour), 2);
        EXPECT_EQ(crossStrokes(plot::kBlack), withdrawn ? 20 : 22);
    }
}

// Slope factors within 0.9990 to 0.9994: the y axis reads, each tick its own label
// (they once all read "1.0E0"), the longest left of the axis with room for it.
TEST(ShowTrend, TheTicksOfANarrowSpreadFarFromZeroRead) {
    std::vector<TrendInput> records;
    for (unsigned d = 1; d <= 12; ++d)
        records.push_back(at(2026y / 1 / day{d}, 12, 1, 0.9990 + 0.0004 * (d % 5) / 4));
    plot::RecordingCanvas canvas;
    plot::PlotGeometry g;
    plot::ShowTrend(canvas, g, plot::layoutTrend(records), 440, 220, "slope factor");
    std::vector<std::string> labels;
    for (const plot::Recorded& r : canvas.texts())
        if (r.code == plot::kTextRightTop) {
            labels.push_back(r.text);
            EXPECT_GE(r.x1 - 0.6 * r.font.height * static_cast<double>(r.text.size()), 0) << r.text;
        }
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(std::set(labels.begin(), labels.end()).size(), labels.size())
        << testing::PrintToString(labels);
}

} // namespace
