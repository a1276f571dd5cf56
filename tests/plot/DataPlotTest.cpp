#include "plot/DataPlot.h"

#include "CalculatedTitration.h"
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

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

/// Five points; 1 and 3 ignored; the calculated emf (emf - resid) differs from
/// the observed so that the curve's corners are not the crosses' centres.
core::Titration fivePoints() {
    return handTitration({{0, 400, 2.0, 3, false},
                          {1, 380, 2.4, -2, true},
                          {2, 350, 2.9, 4, false},
                          {3, 300, 3.7, -3, true},
                          {4, 200, 5.4, 2, true}});
}

struct Device {
    int x, y;
    bool operator==(const Device&) const = default;
};

Device calculatedCorner(const PlotGeometry& g, const core::Titration& t, DisplayMode mode, int i) {
    const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
    const double x = mode == DisplayMode::EmfPH ? p.PointPH : p.Volume;
    return {*g.XPix(x), *g.YPix(p.EmfObs - p.Resid)};
}

bool hasLine(const RecordingCanvas& c, Device a, Device b) {
    const auto lines = c.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const Recorded& r) {
        return r.x1 == a.x && r.y1 == a.y && r.x2 == b.x && r.y2 == b.y;
    });
}

TEST(ShowData, TheEmfVolumeCurvePassesThroughEveryPoint) {
    const core::Titration t = fivePoints();
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::EmfVolume, 1, 600, 400);
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(hasLine(c, calculatedCorner(g, t, DisplayMode::EmfVolume, i),
                            calculatedCorner(g, t, DisplayMode::EmfVolume, i + 1)))
            << "segment " << i << " to " << i + 1;
}

TEST(ShowData, TheEmfPHCurveSkipsIgnoredPointsButStartsAtPoint1) {
    const core::Titration t = fivePoints();
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::EmfPH, 1, 600, 400);
    auto corner = [&](int i) { return calculatedCorner(g, t, DisplayMode::EmfPH, i); };
    EXPECT_TRUE(hasLine(c, corner(1), corner(2))) << "point 1 starts the curve, ignored or not";
    EXPECT_TRUE(hasLine(c, corner(2), corner(4))) << "the curve passes over ignored point 3";
    EXPECT_TRUE(hasLine(c, corner(4), corner(5)));
    EXPECT_FALSE(hasLine(c, corner(2), corner(3)));
    EXPECT_FALSE(hasLine(c, corner(3), corner(4)));
}

TEST(ShowData, EveryPointGetsABlackCross) {
    const core::Titration t = fivePoints();
    for (int s : {1, 24}) {
        RecordingCanvas c;
        PlotGeometry g;
        plot::ShowData(c, g, t, DisplayMode::EmfPH, s, 600 * s, 400 * s);
        for (int i = 1; i <= 5; ++i) {
            const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
            const int px = *g.XPix(p.PointPH), py = *g.YPix(p.EmfObs);
            EXPECT_TRUE(hasLine(c, {px - 4 * s, py}, {px + 4 * s, py})) << "point " << i;
            EXPECT_TRUE(hasLine(c, {px, py - 4 * s}, {px, py + 4 * s})) << "point " << i;
        }
    }
}

struct ViewCase {
    DisplayMode mode;
    const char* xlabel;
    const char* ylabel;
};

class ShowDataViews : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ShowDataViews, TitlesAndAxesRunFromTheFirstPointToTheLast) {
    const ViewCase& v = GetParam();
    core::Titration t = plottest::calculatedTitration({});
    t.DataFilePath = "/home/chem/titration 7.txt";
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, v.mode, 1, 700, 450);
    const auto texts = c.texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.front().text, "Experimental data: /home/chem/titration 7.txt");
    EXPECT_EQ(texts.back().text, v.ylabel);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [&](const Recorded& r) { return r.text == v.xlabel; }));

    EXPECT_EQ((PlotGeometry{56, 24, 692, 410}),
              (PlotGeometry{g.PlotLeft, g.PlotTop, g.PlotRight, g.PlotBottom}));
    const core::Point& first = t.points.front();
    const core::Point& last = t.points.back();
    const double x1 = v.mode == DisplayMode::EmfPH ? first.PointPH : first.Volume;
    const double xn = v.mode == DisplayMode::EmfPH ? last.PointPH : last.Volume;
    EXPECT_EQ(g.XPix(x1), 56);
    EXPECT_EQ(g.XPix(xn), 692);
    if (v.mode == DisplayMode::Gran) {
        double G = 0;
        for (const core::Point& p : t.points)
            G = std::max(G, p.GranValue);
        EXPECT_EQ(g.YPix(0), 410);
        EXPECT_EQ(g.YPix(G), 24);
    } else {
        EXPECT_EQ(g.YPix(last.EmfObs), 410);
        EXPECT_EQ(g.YPix(first.EmfObs), 24);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ShowDataViews,
                         ::testing::Values(ViewCase{DisplayMode::EmfVolume, "volume/ml", "E/mV"},
                                           ViewCase{DisplayMode::EmfPH, "pH", "E/mV"},
                                           ViewCase{DisplayMode::Gran, "volume/ml",
                                                    "Gran function"}));

struct GranCase {
    const char* name;
    double titrandConc, buretteConc;
    bool acidLineFromFirstVolume;
};

class GranLines : public ::testing::TestWithParam<GranCase> {};

TEST_P(GranLines, RunFromAnEndVolumeDownToTheVolumeAxis) {
    const GranCase& gc = GetParam();
    sim::Setup setup;
    setup.titrandConc = gc.titrandConc;
    setup.buretteConc = gc.buretteConc;
    const core::Titration t = plottest::calculatedTitration(setup);
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::Gran, 1, 800, 500);
    const double v1 = t.points.front().Volume, vn = t.points.back().Volume;
    const double acidFrom = gc.acidLineFromFirstVolume ? v1 : vn;
    const double alkaliFrom = gc.acidLineFromFirstVolume ? vn : v1;
    const double acidEnd = -t.AcidIntercept / t.AcidGradient;
    const double alkaliEnd = -t.AlkaliIntercept / t.AlkaliGradient;
    ASSERT_NEAR(acidEnd, 5, 1e-9);
    ASSERT_NEAR(alkaliEnd, 5, 1e-9);
    EXPECT_TRUE(hasLine(c,
                        {*g.XPix(acidFrom), *g.YPix(t.AcidIntercept + t.AcidGradient * acidFrom)},
                        {*g.XPix(acidEnd), g.PlotBottom}));
    EXPECT_TRUE(hasLine(
        c, {*g.XPix(alkaliFrom), *g.YPix(t.AlkaliIntercept + t.AlkaliGradient * alkaliFrom)},
        {*g.XPix(alkaliEnd), g.PlotBottom}));
    for (const Recorded& r : c.lines()) {
        if (r.y1 != r.y2 && r.x1 != r.x2) {
            EXPECT_LE(std::max(r.y1, r.y2), g.PlotBottom) << "no line runs below the axis";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, GranLines,
                         ::testing::Values(GranCase{"AcidWithAlkali", 0.02, -0.1, true},
                                           GranCase{"AlkaliWithAcid", -0.02, 0.1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShowData, AGranLineWithoutACrossingIsLeftOut) {
    core::Titration t = plottest::calculatedTitration({});
    t.AcidGradient = 0;
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::Gran, 1, 800, 500);
    const double vn = t.points.back().Volume;
    const auto lines = c.lines();
    EXPECT_TRUE(hasLine(c, {g.PlotRight, *g.YPix(t.AlkaliIntercept + t.AlkaliGradient * vn)},
                        {*g.XPix(-t.AlkaliIntercept / t.AlkaliGradient), g.PlotBottom}));
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [&](const Recorded& r) {
        return r.x1 == g.PlotLeft && r.y2 == g.PlotBottom && r.x2 != r.x1;
    })) << "no acid line";
}

TEST(ShowData, ValuesThatAreNotFiniteAreLeftOutAndTheRestIsDrawn) {
    core::Titration t = fivePoints();
    t.points[2].PointPH = kNaN; // point 3: no cross, no corner in the pH view
    t.points[3].Resid = kInf;   // point 4: no corner of the curve
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::EmfPH, 1, 600, 400);
    for (int i : {1, 2, 4, 5}) {
        const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
        const int px = *g.XPix(p.PointPH), py = *g.YPix(p.EmfObs);
        EXPECT_TRUE(hasLine(c, {px - 4, py}, {px + 4, py})) << "cross of point " << i;
    }
    const auto lines = c.lines();
    const int crosses =
        static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const Recorded& r) {
            return r.y1 == r.y2 && r.x2 - r.x1 == 8;
        }));
    EXPECT_EQ(crosses, 4);
    auto corner = [&](int i) { return calculatedCorner(g, t, DisplayMode::EmfPH, i); };
    EXPECT_TRUE(hasLine(c, corner(1), corner(2)));
    EXPECT_FALSE(hasLine(c, corner(2), corner(5))) << "the curve breaks at the bad corner";
}

TEST(ShowData, NonFiniteGranValuesDoNotStretchTheAxis) {
    core::Titration t = plottest::calculatedTitration({});
    double G = 0;
    for (const core::Point& p : t.points)
        G = std::max(G, p.GranValue);
    t.points[10].GranValue = kInf;
    t.points[11].GranValue = kNaN;
    RecordingCanvas c;
    PlotGeometry g;
    plot::ShowData(c, g, t, DisplayMode::Gran, 1, 800, 500);
    EXPECT_EQ(g.YPix(G), g.PlotTop);
}

TEST(ShowData, AnEmptyTitrationDrawsEmptyAxes) {
    core::Titration t;
    RecordingCanvas c;
    PlotGeometry g;
    for (DisplayMode mode : {DisplayMode::EmfVolume, DisplayMode::EmfPH, DisplayMode::Gran})
        plot::ShowData(c, g, t, mode, 1, 600, 400, {true, 1});
    EXPECT_EQ(g.XPix(0), g.PlotLeft);
    EXPECT_EQ(g.XPix(1), g.PlotRight);
    EXPECT_TRUE(c.xorLines().empty());
}

struct ScreenCase {
    int scale;
    plot::ScreenDrawing screen;
    bool marks, cursor;
};

class ScreenOnly : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenOnly, MarksAndCursorOnlyOnTheScreenWhenAskedFor) {
    const ScreenCase& sc = GetParam();
    const core::Titration t = fivePoints();
    RecordingCanvas c;
    PlotGeometry g;
    const int jr = 600 * sc.scale, Jb = 400 * sc.scale;
    const plot::CursorSpan span =
        plot::ShowData(c, g, t, DisplayMode::EmfVolume, sc.scale, jr, Jb, sc.screen);
    ASSERT_FALSE(c.items().empty());
    EXPECT_EQ(c.items().front().kind == Recorded::Kind::Clear, sc.scale == 1)
        << "the screen plot area is cleared first";

    int blue = 0, magenta = 0, black = 0;
    for (const Recorded& r : c.lines()) {
        blue += r.pen.colour == plot::kUsedColour;
        magenta += r.pen.colour == plot::kIgnoredColour;
        black += r.pen.colour == plot::kBlack;
    }
    EXPECT_EQ(blue, sc.marks ? 2 * 3 : 0);
    EXPECT_EQ(magenta, sc.marks ? 2 * 2 : 0);
    EXPECT_EQ(black + blue + magenta, static_cast<int>(c.lines().size()));
    if (sc.marks) {
        // The mark of point 4 (used): vertical then horizontal, 4 pixels each way.
        const int px = *g.XPix(3), py = *g.YPix(300);
        const auto lines = c.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const Recorded& r) {
            return r.pen == plot::Pen{1, plot::kUsedColour} && r.x1 == px && r.y1 == py - 4 &&
                   r.x2 == px && r.y2 == py + 4;
        }));
    }

    const auto xors = c.xorLines();
    ASSERT_EQ(xors.size(), sc.cursor ? 1u : 0u);
    EXPECT_EQ(span, (plot::CursorSpan{24 * sc.scale, Jb - 40 * sc.scale + 4}));
    if (sc.cursor) {
        const int x = *g.XPix(t.points[static_cast<std::size_t>(sc.screen.CursorPoint - 1)].Volume);
        EXPECT_EQ(xors[0].x1, x);
        EXPECT_EQ(xors[0].x2, x);
        EXPECT_EQ(xors[0].y1, 24);
        EXPECT_EQ(xors[0].y2, Jb - 36);
        EXPECT_EQ(xors[0].colour, (plot::Colour{0, 127, 255}));
        EXPECT_EQ(c.items().back().kind, Recorded::Kind::XorLine) << "the cursor is drawn last";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScreenOnly,
                         ::testing::Values(ScreenCase{1, {true, 4}, true, true},
                                           ScreenCase{1, {}, false, false},
                                           ScreenCase{1, {true, 0}, true, false},
                                           ScreenCase{1, {false, 2}, false, true},
                                           ScreenCase{1, {true, 6}, true, false}, // no such point
                                           ScreenCase{24, {true, 4}, false, false},
                                           ScreenCase{30, {true, 2}, false, false}));

} // namespace
