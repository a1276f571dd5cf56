#include "plot/ResidualPlot.h"

#include "CalculatedTitration.h"
#include "plot/DataPlot.h"
#include "plot/RecordingCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace {

using plot::DisplayMode;
using plot::PlotGeometry;
using plot::Recorded;
using plot::RecordingCanvas;
using plottest::handTitration;

/// The bars of a residual plot: the vertical black lines after the axes, which
/// start at the device y of zero.
std::vector<Recorded> bars(const RecordingCanvas& c, const PlotGeometry& g) {
    std::vector<Recorded> result;
    const int zero = *g.YPix(0);
    for (const Recorded& r : c.lines())
        if (r.x1 == r.x2 && r.y1 == zero && r.x1 > g.PlotLeft - 4 && r.x1 < g.PlotRight + 4)
            result.push_back(r);
    return result;
}

TEST(ShowResids, TheRangeComesFromTheUsedPointsOnly) {
    core::Titration t = handTitration({{0, 400, 2, 0.5, true},
                                       {1, 380, 3, 30, false}, // large but ignored
                                       {2, 350, 4, -1.2, true},
                                       {3, 300, 5, -0.25, true}});
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowResids(c, g, t, DisplayMode::EmfVolume, 1, 600, 200);
    EXPECT_EQ((PlotGeometry{56, 24, 592, 192}),
              (PlotGeometry{g.PlotLeft, g.PlotTop, g.PlotRight, g.PlotBottom}));
    EXPECT_EQ(g.YPix(-1.2), 192);
    EXPECT_EQ(g.YPix(1.2), 24);

    const auto b = bars(c, g);
    ASSERT_EQ(b.size(), 3u) << "one bar per used point";
    const double used[][2] = {{0, 0.5}, {2, -1.2}, {3, -0.25}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(b[i].x1, g.XPix(used[i][0]));
        EXPECT_EQ(b[i].y2, g.YPix(used[i][1]));
        EXPECT_EQ(b[i].pen, (plot::Pen{1, plot::kBlack}));
    }
}

TEST(ShowResids, WithNoPointUsedTheAxisRunsFrom1000Down) {
    const core::Titration t = handTitration({{0, 400, 2, 5, false}, {1, 380, 3, -7, false}});
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowResids(c, g, t, DisplayMode::EmfVolume, 1, 600, 200);
    EXPECT_EQ(g.YPix(1000), g.PlotBottom) << "R stays -1000: -R at the bottom";
    EXPECT_EQ(g.YPix(-1000), g.PlotTop);
    EXPECT_TRUE(bars(c, g).empty());
    std::vector<std::string> yLabels;
    for (const Recorded& r : c.texts())
        if (r.code == plot::kTextRightTop)
            yLabels.push_back(r.text);
    EXPECT_EQ(yLabels, (std::vector<std::string>{"1000", "500", "0", "-500", "-1000"}));
}

struct ResidViewCase {
    DisplayMode mode;
    const char* title;
    const char* ylabel; ///< empty: none
};

class ShowResidsViews : public ::testing::TestWithParam<ResidViewCase> {};

TEST_P(ShowResidsViews, HaveNoXAxisAndTheirOwnTitles) {
    const ResidViewCase& v = GetParam();
    const core::Titration t = plottest::calculatedTitration({});
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowResids(c, g, t, v.mode, 1, 700, 220);
    const auto texts = c.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front().text, v.title);
    const bool hasYTitle = *v.ylabel != '\0';
    if (hasYTitle) {
        EXPECT_EQ(texts.back().text, v.ylabel);
    }
    const auto tickLabels = std::count_if(texts.begin(), texts.end(), [](const Recorded& r) {
        return r.code == plot::kTextRightTop;
    });
    EXPECT_GT(tickLabels, 0);
    EXPECT_EQ(static_cast<long>(texts.size()), 1 + tickLabels + (hasYTitle ? 1 : 0))
        << "only the title, the y tick labels and the y title";
    for (const Recorded& r : c.lines())
        EXPECT_FALSE(r.x1 == r.x2 && r.y1 == g.PlotBottom + 4 && r.y2 > r.y1) << "no x tick";

    // The used points' residuals of the view set the range; the bars stand at the view's x.
    double R = 0;
    for (int i = 1; i <= t.PointCount(); ++i)
        if (t.points[static_cast<std::size_t>(i - 1)].UsePoint)
            R = std::max(R, std::abs(plot::residual(t, v.mode, i)));
    EXPECT_EQ(g.YPix(R), g.PlotTop);
    const auto b = bars(c, g);
    ASSERT_EQ(static_cast<int>(b.size()), t.UsedCount());
    const auto firstUsed = std::find_if(t.points.begin(), t.points.end(),
                                        [](const core::Point& p) { return p.UsePoint; });
    const double x = v.mode == DisplayMode::EmfPH ? firstUsed->PointPH : firstUsed->Volume;
    EXPECT_EQ(b.front().x1, g.XPix(x));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ShowResidsViews,
    ::testing::Values(ResidViewCase{DisplayMode::EmfVolume, "observed-calculated emf",
                                    "diff /mV  "},
                      ResidViewCase{DisplayMode::EmfPH, "observed-calculated emf", "diff /mV  "},
                      ResidViewCase{DisplayMode::Gran, "observed-calculated Gran function", ""}));

TEST(ShowResids, ResidualsThatAreNotFiniteAreLeftOut) {
    core::Titration t = handTitration({{0, 400, 2, 0.5, true},
                                       {1, 380, 3, std::numeric_limits<double>::infinity(), true},
                                       {2, 350, 4, std::numeric_limits<double>::quiet_NaN(), true},
                                       {3, 300, 5, -2, true}});
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowResids(c, g, t, DisplayMode::EmfVolume, 1, 600, 200);
    EXPECT_EQ(g.YPix(2), g.PlotTop);
    EXPECT_EQ(bars(c, g).size(), 2u);
}

TEST(ShowResids, TheSsqHookRunsBeforeTheResidualsAreRead) {
    core::Titration t = handTitration({{0, 400, 2, 50, true}, {1, 380, 3, -50, true}});
    RecordingCanvas c;
    PlotGeometry g;
    int calls = 0;
    plot::ShowResids(c, g, t, DisplayMode::EmfVolume, 1, 600, 200, {}, [&] {
        ++calls;
        t.points[0].Resid = 0.1;
        t.points[1].Resid = -0.2;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(g.YPix(0.2), g.PlotTop);
}

TEST(ShowResids, TheCursorLineSpansTheDataAreaOnTheScreenOnly) {
    const core::Titration t = plottest::calculatedTitration({});
    for (int s : {1, 30}) {
        RecordingCanvas c;
        PlotGeometry g;
        const plot::CursorSpan span =
            plot::ShowResids(c, g, t, DisplayMode::EmfVolume, s, 700 * s, 220 * s, {true, 26});
        EXPECT_EQ(span, (plot::CursorSpan{24 * s, 220 * s - 8 * s + 4})) << "ResidTop, ResidBottom";
        const auto xors = c.xorLines();
        ASSERT_EQ(xors.size(), s == 1 ? 1u : 0u);
        if (s == 1) {
            EXPECT_EQ(xors[0].x1, g.XPix(t.points[25].Volume));
            EXPECT_EQ(xors[0].y1, span.top);
            EXPECT_EQ(xors[0].y2, span.bottom);
        }
        for (const Recorded& r : c.lines())
            EXPECT_EQ(r.pen.colour, plot::kBlack) << "no point marks on the residual plot";
    }
}

} // namespace
