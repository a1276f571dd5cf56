#include "plot/PlotLibrary.h"

#include "core/Locale.h"
#include "plot/RecordingCanvas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using plot::PlotGeometry;
using plot::Recorded;
using plot::RecordingCanvas;

struct StepCase {
    double a, b;
    int n;
    double step;
    friend std::ostream& operator<<(std::ostream& os, const StepCase& c) {
        return os << "NiceStep(" << c.a << ", " << c.b << ", " << c.n << ")";
    }
};

class NiceStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(NiceStepTest, GivesTheStep) {
    const StepCase& c = GetParam();
    EXPECT_DOUBLE_EQ(plot::NiceStep(c.a, c.b, c.n), c.step);
}

INSTANTIATE_TEST_SUITE_P(Ranges, NiceStepTest,
                         ::testing::Values(StepCase{0, 7, 10, 1}, StepCase{100, 0, 10, -10},
                                           StepCase{0.01, 0.3, 10, 0.05}, StepCase{-20, 20, 5, 10},
                                           StepCase{0, 4.5, 10, 0.5}, StepCase{0, 1, 10, 0.1},
                                           StepCase{1000, -1000, 5, -500},
                                           // An empty range: the step of a range of width n.
                                           StepCase{5, 5, 10, 1}, StepCase{-3, -3, 5, 1},
                                           // The decade cap and the four enlargements end at 2E21.
                                           StepCase{0, 7e25, 10, 2e21}));

struct LabelCase {
    double value, step;
    const char* text;
    friend std::ostream& operator<<(std::ostream& os, const LabelCase& c) {
        return os << "TickLabel(" << c.value << ", " << c.step << ")";
    }
};

class TickLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(TickLabelTest, FormatsByTheStep) {
    const LabelCase& c = GetParam();
    EXPECT_EQ(plot::TickLabel(c.value, c.step), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TickLabelTest,
    ::testing::Values(LabelCase{0, 0.5, "0"}, LabelCase{-0.0, 0.5, "0"}, LabelCase{1.5, 0.5, "1.5"},
                      LabelCase{-1.5, 0.5, "-1.5"}, LabelCase{20000, 5000, "20000"},
                      LabelCase{20000, 10000, "2.0E4"}, LabelCase{1250, 250, "1250"},
                      LabelCase{0.125, 0.001, "0.125"}, LabelCase{0.25, 0.05, "0.25"},
                      LabelCase{0.3, 0.1, "0.3"}, LabelCase{2.5e-5, 1e-5, "2.5E-5"},
                      LabelCase{2.5e-10, 1e-10, "2.5E-10"}, LabelCase{3e-9, 1e-9, "3.0E-9"},
                      LabelCase{-500, -500, "-500"},
                      // A tick value off by a rounding error shows the digits of its step.
                      LabelCase{3 * 0.1, 0.1, "0.3"}, LabelCase{7 * 0.05, 0.05, "0.35"}));

TEST(TickLabel, ShowsTheLocaleSeparator) {
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(plot::TickLabel(1.5, 0.5), "1,5");
}

PlotGeometry edges(int left, int top, int right, int bottom) {
    PlotGeometry g;
    g.PlotLeft = left;
    g.PlotTop = top;
    g.PlotRight = right;
    g.PlotBottom = bottom;
    return g;
}

struct ScaleCase {
    double xmin, xmax, ymin, ymax;
    double widenedXmax, widenedYmax;
};

class SetScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(SetScaleTest, PutsTheMinimaAtLeftAndBottomAndTheMaximaAtRightAndTop) {
    const ScaleCase& c = GetParam();
    PlotGeometry g = edges(56, 24, 592, 360);
    double xmax = c.xmax, ymax = c.ymax;
    plot::SetScale(g, xmax, c.xmin, ymax, c.ymin);
    EXPECT_EQ(xmax, c.widenedXmax);
    EXPECT_EQ(ymax, c.widenedYmax);
    EXPECT_EQ(g.XPix(c.xmin), 56);
    EXPECT_EQ(g.XPix(xmax), 592);
    EXPECT_EQ(g.YPix(c.ymin), 360);
    EXPECT_EQ(g.YPix(ymax), 24);
    EXPECT_EQ(g.XOffset, std::nearbyint(g.XOffset)) << "offsets are whole numbers";
    EXPECT_EQ(g.YOffset, std::nearbyint(g.YOffset));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SetScaleTest,
    ::testing::Values(ScaleCase{0, 10, 100, 400, 10, 400},
                      // An empty range is widened by 1 above its value.
                      ScaleCase{3, 3, -2, -2, 4, -1},
                      // Reversed: values fall from left to right, the larger y at the bottom.
                      ScaleCase{10, 0, 400, 100, 0, 100}));

TEST(PlotText, TakesItsHeightFromTheScreenResolution) {
    RecordingCanvas at96dpi(15), at120dpi(12);
    plot::PlotText(at96dpi, 10, 20, 9, 0, "pH");
    plot::PlotText(at120dpi, 10, 20, -216, 1, "pH");
    plot::PlotText(at96dpi, 10, 20, 9, 0, "");
    ASSERT_EQ(at96dpi.texts().size(), 1u) << "an empty text draws nothing";
    EXPECT_EQ(at96dpi.texts()[0].font, (plot::Font{"Arial", 12, 0}));
    EXPECT_EQ(at120dpi.texts()[0].font, (plot::Font{"Arial", 360, 900}));
}

/// A text as the tests compare it.
struct Label {
    int x, y;
    std::string text;
    int code;
    bool operator==(const Label&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Label& l) {
        return os << '(' << l.x << ", " << l.y << ", \"" << l.text << "\", " << l.code << ')';
    }
};

std::vector<Label> labels(const RecordingCanvas& c) {
    std::vector<Label> result;
    for (const Recorded& r : c.texts())
        result.push_back({r.x1, r.y1, r.text, r.code});
    return result;
}

/// A line as the tests compare it: (x1, y1) to (x2, y2).
using Segment = std::array<int, 4>;

std::vector<Segment> segments(const RecordingCanvas& c) {
    std::vector<Segment> result;
    for (const Recorded& r : c.lines())
        result.push_back({r.x1, r.y1, r.x2, r.y2});
    return result;
}

// Axes 0..10 ml and 100..400 mV on a 600 x 400 screen plot: data area 56..592 x 24..360,
// x map 56 + 53.6 x, y map 472 - 1.12 y; steps 1 and 50; more than five ticks on each
// axis, so every second one from the first is long and labelled.
TEST(PlotAxes, DrawsTheKnownPlotAtScale1) {
    RecordingCanvas c;
    PlotGeometry g = edges(56, 24, 592, 360);
    double xmax = 10, ymax = 400;
    plot::PlotAxes(c, g, 1, 10, 0, 100, xmax, ymax, "volume/ml", "E/mV", "Experimental data: a");

    const std::vector<int> xTicks{56, 110, 163, 217, 270, 324, 378, 431, 485, 538, 592};
    const std::vector<int> yTicks{360, 304, 248, 192, 136, 80, 24}; // 100, 150, ... 400 mV
    std::vector<Segment> expected{
        {52, 364, 596, 364}, {596, 364, 596, 24}, {596, 24, 52, 24}, {52, 24, 52, 364}};
    for (int x : xTicks)
        expected.push_back({x, 364, x, 366});
    for (std::size_t k = 0; k < xTicks.size(); k += 2)
        expected.push_back({xTicks[k], 364, xTicks[k], 368});
    for (int y : yTicks)
        expected.push_back({52, y, 50, y});
    for (std::size_t k = 0; k < yTicks.size(); k += 2)
        expected.push_back({52, yTicks[k], 48, yTicks[k]});
    EXPECT_EQ(segments(c), expected);

    const std::vector<Label> expectedLabels{{324, 4, "Experimental data: a", 0},
                                            {56, 370, "0", 0},
                                            {163, 370, "2", 0},
                                            {270, 370, "4", 0},
                                            {378, 370, "6", 0},
                                            {485, 370, "8", 0},
                                            {592, 370, "10", 0},
                                            {324, 384, "volume/ml", 0},
                                            {46, 354, "100", 2},
                                            {46, 242, "200", 2},
                                            {46, 130, "300", 2},
                                            {46, 18, "400", 2},
                                            {0, 192, "E/mV", 1}};
    EXPECT_EQ(labels(c), expectedLabels);
    for (const Recorded& r : c.lines())
        EXPECT_EQ(r.pen, (plot::Pen{1, plot::kBlack}));
    for (const Recorded& r : c.texts())
        EXPECT_EQ(r.font.height, 12);
    EXPECT_EQ(c.texts().back().font.escapement, 900);
}

// The same axes on the clipboard picture of the data plot: 8250 x 5093 at scale 24.
TEST(PlotAxes, DrawsTheKnownPlotAtScale24) {
    const int s = 24;
    const int L = 56 * s, R = 8250 - 8 * s, T = 24 * s, B = 5093 - 40 * s;
    RecordingCanvas c;
    PlotGeometry g = edges(L, T, R, B);
    double xmax = 10, ymax = 400;
    plot::PlotAxes(c, g, s, 10, 0, 100, xmax, ymax, "volume/ml", "E/mV", "title");

    // The maps as the rules give them: x = L + (R - L) / 10 * v, y from 100 at B to 400 at T.
    const double xs = (R - L) / 10.0;
    const double ys = (T - B) / 300.0;
    const double yo = B - std::nearbyint(100 * ys);
    auto xpix = [&](double v) { return static_cast<int>(std::nearbyint(L + xs * v)); };
    auto ypix = [&](double v) { return static_cast<int>(std::nearbyint(yo + ys * v)); };
    ASSERT_EQ(ypix(150), 3540) << "3540.5 rounds to the even neighbour";

    std::vector<Segment> expected{{L - 4, B + 4, R + 4, B + 4},
                                  {R + 4, B + 4, R + 4, T},
                                  {R + 4, T, L - 4, T},
                                  {L - 4, T, L - 4, B + 4}};
    for (int k = 0; k <= 10; ++k)
        expected.push_back({xpix(k), B + 4, xpix(k), B + 4 + 2 * s});
    for (int k = 0; k <= 10; k += 2)
        expected.push_back({xpix(k), B + 4, xpix(k), B + 4 + 4 * s});
    for (int k = 2; k <= 8; ++k)
        expected.push_back({L - 4, ypix(50 * k), L - 4 - 2 * s, ypix(50 * k)});
    for (int k = 2; k <= 8; k += 2)
        expected.push_back({L - 4, ypix(50 * k), L - 4 - 4 * s, ypix(50 * k)});
    EXPECT_EQ(segments(c), expected);

    std::vector<Label> expectedLabels{{(L + R) / 2, T - 20 * s, "title", 0}};
    for (int k = 0; k <= 10; k += 2)
        expectedLabels.push_back({xpix(k), B + 4 + 6 * s, std::to_string(k), 0});
    expectedLabels.push_back({(L + R) / 2, B + 4 + 20 * s, "volume/ml", 0});
    for (int k = 2; k <= 8; k += 2)
        expectedLabels.push_back({L - 4 - 6 * s, ypix(50 * k) - 6 * s, std::to_string(50 * k), 2});
    expectedLabels.push_back({0, 2354, "E/mV", 1}); // (576 + 4133) / 2 = 2354.5, to the even 2354
    EXPECT_EQ(labels(c), expectedLabels);
    for (const Recorded& r : c.lines())
        EXPECT_EQ(r.pen.width, 24);
    for (const Recorded& r : c.texts())
        EXPECT_EQ(r.font.height, 288) << "216 points at 15 twips per pixel";
}

TEST(PlotAxes, AnEmptyXLabelLeavesOutTheXAxisButNotTheFrame) {
    RecordingCanvas c;
    PlotGeometry g = edges(56, 24, 592, 160);
    double xmax = 10, ymax = 1.2;
    plot::PlotAxes(c, g, 1, 5, 0, -1.2, xmax, ymax, "", "diff /mV  ", "observed-calculated emf");
    const auto lines = segments(c);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ((std::vector<Segment>(lines.begin(), lines.begin() + 4)),
              (std::vector<Segment>{
                  {52, 164, 596, 164}, {596, 164, 596, 24}, {596, 24, 52, 24}, {52, 24, 52, 164}}));
    for (std::size_t i = 4; i < lines.size(); ++i)
        EXPECT_EQ(lines[i][1], lines[i][3]) << "only horizontal y ticks follow the frame";
    EXPECT_GT(lines.size(), 4u) << "the y axis is still ticked";
    for (const Label& l : labels(c))
        EXPECT_NE(l.y, 170) << "no x tick label: " << l;
    EXPECT_EQ(labels(c).front().text, "observed-calculated emf");
    EXPECT_EQ(labels(c).back().text, "diff /mV  ");
}

TEST(PlotAxes, TicksOfAReversedAxisLieWithinIt) {
    // x from 10.7 at the left to 0.4 at the right: step -2, ticks 10, 8, ..., 2.
    RecordingCanvas c;
    PlotGeometry g = edges(56, 24, 592, 360);
    double xmax = 0.4, ymax = 400;
    plot::PlotAxes(c, g, 1, 10, 10.7, 100, xmax, ymax, "pH", "E/mV", "t");
    std::vector<std::string> xLabels;
    int previousX = g.PlotLeft - 1;
    for (const Label& l : labels(c)) {
        if (l.y != 370)
            continue;
        xLabels.push_back(l.text);
        EXPECT_GT(l.x, previousX) << "values fall from left to right";
        EXPECT_GE(l.x, g.PlotLeft);
        EXPECT_LE(l.x, g.PlotRight);
        previousX = l.x;
    }
    EXPECT_EQ(xLabels, (std::vector<std::string>{"10", "8", "6", "4", "2"}));
}

TEST(PlotAxes, TicksOfAReversedYAxisLieWithinIt) {
    // A rising emf: 296 mV at the bottom, -230 mV at the top; step -100. The
    // nearest tick to 296, 300, lies below the bottom and is left out.
    RecordingCanvas c;
    PlotGeometry g = edges(56, 24, 592, 360);
    double xmax = 7.5, ymax = -230;
    plot::PlotAxes(c, g, 1, 10, 0, 296, xmax, ymax, "volume/ml", "E/mV", "t");
    std::vector<std::string> yLabels;
    for (const Recorded& r : c.lines())
        if (r.y1 == r.y2 && r.x1 == 52 && r.x2 < 52) {
            EXPECT_GE(r.y1, g.PlotTop);
            EXPECT_LE(r.y1, g.PlotBottom);
        }
    for (const Label& l : labels(c))
        if (l.code == 2)
            yLabels.push_back(l.text);
    EXPECT_EQ(yLabels, (std::vector<std::string>{"200", "100", "0", "-100", "-200"}));
}

TEST(PlotAxes, AnAxisThatCannotBeMappedGetsNoTicks) {
    // Data far outside the design: the frame and the title are drawn, nothing hangs.
    RecordingCanvas c;
    PlotGeometry g = edges(56, 24, 592, 360);
    double xmax = std::numeric_limits<double>::infinity(), ymax = 1e300;
    plot::PlotAxes(c, g, 1, 10, 0, -1e300, xmax, ymax, "volume/ml", "E/mV", "t");
    EXPECT_GE(c.lines().size(), 4u);
    for (const Recorded& r : c.texts())
        EXPECT_EQ(r.text.find("inf"), std::string::npos) << r.text;
    EXPECT_LT(c.lines().size(), 100u);
}

} // namespace
