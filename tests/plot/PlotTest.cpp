// The plot library and the two views (the data plot and the residual plot) on the
// recording canvas; the export of the plots on the offscreen platform.

#include "CalculatedTitration.h"
#include "RecordingCanvas.h"
#include "core/Locale.h"
#include "plot/DataPlot.h"
#include "plot/PlotExport.h"
#include "plot/PlotLibrary.h"
#include "plot/ResidualPlot.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <tuple>

namespace {

using plot::DisplayMode;
using plot::PlotGeometry;
using plot::PlotKind;
using plot::Recorded;
using plot::RecordingCanvas;
/// Lines (x1, y1, x2, y2) and texts (x, y, text, code) as the tests compare them.
using Segment = std::array<int, 4>;
using Label = std::tuple<int, int, std::string, int>;

/// The lines (or the cursor lines) drawn that pass the filter, as segments.
template <class Keep>
std::vector<Segment> lines(const RecordingCanvas& c, Keep keep,
                           Recorded::Kind kind = Recorded::Kind::Line) {
    std::vector<Segment> result;
    for (const Recorded& r : c.ofKind(kind))
        if (keep(r))
            result.push_back({r.x1, r.y1, r.x2, r.y2});
    return result;
}

constexpr auto kAll = [](const Recorded&) { return true; };

std::vector<Label> labels(const RecordingCanvas& c) {
    std::vector<Label> result;
    for (const Recorded& r : c.texts())
        result.emplace_back(r.x1, r.y1, r.text, r.code);
    return result;
}

/// The frame around the data area from left to right and from top to bottom.
std::vector<Segment> frame(int L, int T, int R, int B) {
    const int l = L - 4, r = R + 4, b = B + 4;
    return {{l, b, r, b}, {r, b, r, T}, {r, T, l, T}, {l, T, l, b}};
}

// NiceStep: an empty range gives the step of a range of width n; the decade cap and the four
// enlargements end at 2E21. TickLabel: the last two, a tick value off by a rounding error
// shows the digits of its step.
TEST(Ticks, NiceStepGivesTheStepAndTickLabelFormatsByItWithTheLocaleSeparator) {
    const std::tuple<double, double, int, double> cases[] = {
        {0, 7, 10, 1},     {100, 0, 10, -10},  {0.01, 0.3, 10, 0.05},  {-20, 20, 5, 10},
        {0, 4.5, 10, 0.5}, {0, 1, 10, 0.1},    {1000, -1000, 5, -500}, {5, 5, 10, 1},
        {-3, -3, 5, 1},    {0, 7e25, 10, 2e21}};
    for (const auto& [a, b, n, step] : cases)
        EXPECT_DOUBLE_EQ(plot::NiceStep(a, b, n), step) << a << ".." << b << "/" << n;
    const std::tuple<double, double, const char*> labels[] = {
        {0, 0.5, "0"},
        {-0.0, 0.5, "0"},
        {1.5, 0.5, "1.5"},
        {-1.5, 0.5, "-1.5"},
        {20000, 5000, "20000"},
        {20000, 10000, "2.0E4"},
        {1250, 250, "1250"},
        {0.125, 0.001, "0.125"},
        {0.25, 0.05, "0.25"},
        {0.3, 0.1, "0.3"},
        {2.5e-5, 1e-5, "2.5E-5"},
        {2.5e-10, 1e-10, "2.5E-10"},
        {3e-9, 1e-9, "3.0E-9"},
        {-500, -500, "-500"},
        {3 * 0.1, 0.1, "0.3"},
        {7 * 0.05, 0.05, "0.35"},
        // Far from zero against the step: the digits to the step's decade, the shorter way.
        {0.9992, 2e-4, "0.9992"},
        {0.99915, 5e-5, "0.99915"},
        {1.23e6, 1e4, "1.23E6"},
        {-2.5e7, 5e5, "-2.50E7"},
        {1.0001e-6, 1e-10, "1.0001E-06"}};
    for (const auto& [value, step, text] : labels)
        EXPECT_EQ(plot::TickLabel(value, step), text) << value << " step " << step;
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(plot::TickLabel(1.5, 0.5), "1,5");
}

// Cases: a range; an empty range, widened by 1 above its value; a reversed range.
TEST(SetScale, PutsTheMinimaAtLeftAndBottomAndTheMaximaAtRightAndTop) {
    const std::tuple<double, double, double, double, double, double> cases[] = {
        {0, 10, 100, 400, 10, 400}, {3, 3, -2, -2, 4, -1}, {10, 0, 400, 100, 0, 100}};
    for (const auto& [xmin, xmaxIn, ymin, ymaxIn, widenedXmax, widenedYmax] : cases) {
        PlotGeometry g{56, 24, 592, 360};
        double xmax = xmaxIn, ymax = ymaxIn;
        plot::SetScale(g, xmax, xmin, ymax, ymin);
        EXPECT_EQ(std::tuple(xmax, ymax), std::tuple(widenedXmax, widenedYmax));
        EXPECT_EQ(std::tuple(g.XPix(xmin), g.XPix(xmax), g.YPix(ymin), g.YPix(ymax)),
                  std::tuple(56, 592, 360, 24));
    }
}

// Axes 0..10 ml and 100..400 mV (steps 1 and 50, more than five ticks on each axis, so
// every second one from the first is long and labelled) on a 600 x 400 screen plot at
// scale 1 and on the 8250 x 5093 clipboard picture of the data plot at scale 24.
TEST(PlotAxes, DrawsTheKnownPlotAtScales1And24) {
    for (const int s : {1, 24}) {
        const int L = 56 * s, T = 24 * s, R = (s == 1 ? 600 : 8250) - 8 * s;
        const int B = (s == 1 ? 400 : 5093) - 40 * s;
        RecordingCanvas c(s == 1 ? 15 : 12); // a 96 dpi screen, a 120 dpi one
        PlotGeometry g{L, T, R, B};
        double xmax = 10, ymax = 400;
        plot::PlotAxes(c, g, s, 10, 0, 100, xmax, ymax, "volume/ml", "E/mV", "title");

        // The maps by the rules: x from 0 at L to 10 at R; y from 100 at B to 400 at T
        // with a whole offset; device coordinates rounded halves to even.
        const double ys = (T - B) / 300.0;
        auto xpix = [&](int v) { return int(std::nearbyint(L + (R - L) / 10.0 * v)); };
        auto ypix = [&](int v) {
            return int(std::nearbyint(B - std::nearbyint(100 * ys) + ys * v));
        };
        ASSERT_EQ(xpix(1), s == 1 ? 110 : 2015);
        ASSERT_EQ(ypix(150), s == 1 ? 304 : 3540) << "3540.5 rounds to the even neighbour";
        std::vector<Segment> expected = frame(L, T, R, B);
        for (int length : {2, 4}) // short ticks on every value, long ones on every second
            for (int v = 0; v <= 10; v += length / 2)
                expected.push_back({xpix(v), B + 4, xpix(v), B + 4 + length * s});
        for (int length : {2, 4})
            for (int v = 100; v <= 400; v += 25 * length)
                expected.push_back({L - 4, ypix(v), L - 4 - length * s, ypix(v)});
        EXPECT_EQ(lines(c, kAll), expected);

        std::vector<Label> texts{{(L + R) / 2, T - 20 * s, "title", 0}};
        for (int v = 0; v <= 10; v += 2)
            texts.emplace_back(xpix(v), B + 4 + 6 * s, std::to_string(v), 0);
        texts.emplace_back((L + R) / 2, B + 4 + 20 * s, "volume/ml", 0);
        for (int v = 100; v <= 400; v += 100)
            texts.emplace_back(L - 4 - 6 * s, ypix(v) - 6 * s, std::to_string(v), 2);
        texts.emplace_back(0, s == 1 ? 192 : 2354, "E/mV", 1); // (576 + 4133) / 2, halves to even
        EXPECT_EQ(labels(c), texts);
        for (const Recorded& r : c.lines())
            EXPECT_EQ(r.pen, (plot::Pen{s, plot::kBlack})) << "width 1 at scale 1, 24 at 24";
        for (const Recorded& r : c.texts())
            EXPECT_EQ(r.font, (plot::Font{"Arial", s == 1 ? 12 : 360, r.code == 1 ? 900 : 0}))
                << "9 s points at 15 and at 12 twips per pixel";
    }
}

// Residual-plot axes: y from -1.2 to 1.2 mV, step 0.5, y = 92 - 136 / 2.4 v.
TEST(PlotAxes, AnEmptyXLabelLeavesOutTheXAxisButNotTheFrame) {
    RecordingCanvas c;
    PlotGeometry g{56, 24, 592, 160};
    double xmax = 10, ymax = 1.2;
    plot::PlotAxes(c, g, 1, 5, 0, -1.2, xmax, ymax, "", "diff", "t");
    std::vector<Segment> expected = frame(56, 24, 592, 160);
    for (int length : {2, 4})
        for (int y : {149, 120, 92, 64, 35})
            expected.push_back({52, y, 52 - length, y});
    EXPECT_EQ(lines(c, kAll), expected);
    const std::vector<Label> texts{{324, 4, "t", 0},  {46, 143, "-1.0", 2}, {46, 114, "-0.5", 2},
                                   {46, 86, "0", 2},  {46, 58, "0.5", 2},   {46, 29, "1.0", 2},
                                   {0, 92, "diff", 1}};
    EXPECT_EQ(labels(c), texts);
}

// pH from 10.7 at the left to 0.4 at the right: step -2, x = 613 - 536 / 10.3 v (56 at
// 10.7, the offset rounded to a whole number). A rising emf, 296 mV at the bottom to
// -230 mV at the top: step -100, y = 171 + 336 / 526 v; the tick nearest to 296, 300,
// would lie below the frame and is left out.
TEST(PlotAxes, TicksOfReversedAxesLieWithinThem) {
    RecordingCanvas c;
    PlotGeometry g{56, 24, 592, 360};
    double xmax = 0.4, ymax = -230;
    plot::PlotAxes(c, g, 1, 10, 10.7, 296, xmax, ymax, "pH", "E/mV", "t");
    const std::vector<Label> texts{{324, 4, "t", 0},    {93, 370, "10", 0},   {197, 370, "8", 0},
                                   {301, 370, "6", 0},  {405, 370, "4", 0},   {509, 370, "2", 0},
                                   {324, 384, "pH", 0}, {46, 293, "200", 2},  {46, 229, "100", 2},
                                   {46, 165, "0", 2},   {46, 101, "-100", 2}, {46, 37, "-200", 2},
                                   {0, 192, "E/mV", 1}};
    EXPECT_EQ(labels(c), texts);
}

// Whatever the range, the labelled ticks of an axis read differently: a slope factor
// within 0.9990 to 0.9994 once had "1.0E0" on every tick.
TEST(PlotAxes, TheTickLabelsOfAnyRangeDiffer) {
    const std::pair<double, double> ranges[] = {
        {0.9990, 0.9994}, {0.99915, 0.99921},   {400.0001, 400.0009}, {1e6, 1.0002e6},
        {-3e-7, -2.9e-7}, {12345678, 12345679}, {0, 1e-12},           {-1e9, 1e9}};
    for (const auto& [low, high] : ranges) {
        for (const auto& [ymin, ymax0] : {std::pair{low, high}, std::pair{high, low}}) {
            RecordingCanvas c;
            PlotGeometry g{56, 24, 592, 360};
            double xmax = high, ymax = ymax0;
            plot::PlotAxes(c, g, 1, 5, low, ymin, xmax, ymax, "x", "y", "t");
            std::vector<std::string> x, y;
            for (const Recorded& r : c.texts())
                if (r.code == plot::kTextCentreTop && r.y1 == 370)
                    x.push_back(r.text);
                else if (r.code == plot::kTextRightTop)
                    y.push_back(r.text);
            for (const std::vector<std::string>* axis : {&x, &y}) {
                EXPECT_GE(axis->size(), 2u) << low << ".." << high;
                EXPECT_EQ(std::set(axis->begin(), axis->end()).size(), axis->size())
                    << low << ".." << high << ": " << testing::PrintToString(*axis);
            }
        }
    }
}

// Data far outside the design: the frame is drawn, nothing hangs, no "inf" label.
TEST(PlotAxes, AnAxisThatCannotBeMappedGetsNoTicks) {
    RecordingCanvas c;
    PlotGeometry g{56, 24, 592, 360};
    double xmax = INFINITY, ymax = 1e300;
    plot::PlotAxes(c, g, 1, 10, 0, -1e300, xmax, ymax, "volume/ml", "E/mV", "t");
    EXPECT_EQ(lines(c, kAll), frame(56, 24, 592, 360));
    const std::vector<Label> texts{
        {324, 4, "t", 0}, {324, 384, "volume/ml", 0}, {0, 192, "E/mV", 1}};
    EXPECT_EQ(labels(c), texts);
}

/// Five points, 1 and 3 ignored; the calculated emf (emf - resid) is not the observed one.
const core::Titration kFive = [] {
    const double V[] = {0, 1, 2, 3, 4}, emf[] = {400, 380, 350, 300, 200};
    const double pH[] = {2.0, 2.4, 2.9, 3.7, 5.4}, resid[] = {3, -2, 4, -3, 2};
    core::Titration t;
    for (std::size_t i = 0; i < 5; ++i) {
        core::Point& p = t.points.emplace_back();
        std::tie(p.Volume, p.EmfObs, p.PointPH, p.Resid, p.UsePoint) =
            std::tuple(V[i], emf[i], pH[i], resid[i], i != 0 && i != 2);
    }
    t.results.E0 = 400;
    return t;
}();

/// The data plot (or the residual plot) of a view drawn on a recording canvas.
struct Drawn {
    Drawn(bool data, const core::Titration& t, DisplayMode mode, int s, int jr, int Jb,
          plot::ScreenDrawing screen = {})
        : span(data ? plot::ShowData(c, g, t, mode, s, jr, Jb, screen)
                    : plot::ShowResids(c, g, t, mode, s, jr, Jb, screen)) {}
    plot::RecordingCanvas c;
    plot::PlotGeometry g;
    plot::CursorSpan span;

    /// The calculated curve or the Gran lines: the only lines neither level nor upright.
    std::vector<Segment> diagonals() const {
        return lines(c, [](const Recorded& r) { return r.x1 != r.x2 && r.y1 != r.y2; });
    }
    /// The bars of a residual plot: upright lines from the device y of zero.
    std::vector<Segment> bars() const {
        return lines(c, [&](const Recorded& r) { return r.x1 == r.x2 && r.y1 == *g.YPix(0); });
    }
    /// The cursor lines, in CursorColour (0, 127, 255).
    std::vector<Segment> cursor() const {
        const auto colour = [](const Recorded& r) { return r.colour == plot::Colour{0, 127, 255}; };
        return lines(c, colour, Recorded::Kind::XorLine);
    }
    int count(plot::Colour colour) const {
        return int(lines(c, [&](const Recorded& r) { return r.pen.colour == colour; }).size());
    }
    /// The texts that are not tick labels (numbers), joined by "|".
    std::string titles() const {
        std::string result;
        for (const Recorded& r : c.texts())
            if (std::isalpha(static_cast<unsigned char>(r.text[0])))
                result += (result.empty() ? "" : "|") + r.text;
        return result;
    }
};

TEST(Views, EachViewHasItsTitlesAndItsResiduals) {
    const core::Titration t = plottest::calculatedTitration({}, "/home/chem/titration 7.txt");
    for (const DisplayMode mode : {DisplayMode::EmfVolume, DisplayMode::EmfPH, DisplayMode::Gran}) {
        const bool pH = mode == DisplayMode::EmfPH, gran = mode == DisplayMode::Gran;
        const Drawn data(true, t, mode, 1, 700, 450), resid(false, t, mode, 1, 700, 220);
        EXPECT_EQ(data.titles(), std::string("Experimental data: /home/chem/titration 7.txt|") +
                                     (pH ? "pH" : "volume/ml") +
                                     (gran ? "|Gran function" : "|E/mV"));
        EXPECT_EQ(resid.titles(), gran ? "observed-calculated Gran function"
                                       : "observed-calculated emf|diff /mV  ");
        // A bar for every used point at its x in the view, to its residual in the view; the
        // largest reaches the top or the bottom of the data area.
        std::vector<Segment> bars;
        for (const core::Point& p : t.points)
            if (p.UsePoint) {
                const int x = *resid.g.XPix(pH ? p.PointPH : p.Volume);
                bars.push_back(
                    {x, *resid.g.YPix(0), x, *resid.g.YPix(gran ? p.GranResid : p.Resid)});
            }
        EXPECT_EQ(resid.bars(), bars);
        EXPECT_TRUE(std::any_of(bars.begin(), bars.end(),
                                [](const Segment& b) { return b[3] == 24 || b[3] == 212; }));
    }
}

// The five points at scale 1: x = 56 + 134 V, or -259 + 536 / 3.4 pH (the offset a whole
// number); y = 696 - 1.68 E, so that the calculated emfs 397, 382, 346, 303 and 198 mV
// lie at 29, 54, 115, 187 and 363.
TEST(Views, TheEmfVolumeCurveJoinsEveryPointTheEmfPHCurvePoint1AndTheUsedOnes) {
    const std::vector<Segment> volume{
        {56, 29, 190, 54}, {190, 54, 324, 115}, {324, 115, 458, 187}, {458, 187, 592, 363}};
    const std::vector<Segment> pH{{56, 29, 119, 54}, {119, 54, 324, 187}, {324, 187, 592, 363}};
    EXPECT_EQ(Drawn(true, kFive, DisplayMode::EmfVolume, 1, 600, 400).diagonals(), volume);
    EXPECT_EQ(Drawn(true, kFive, DisplayMode::EmfPH, 1, 600, 400).diagonals(), pH);
    // Not calculated yet: the points alone, no curve through them.
    core::Titration loaded = kFive;
    loaded.results.E0.reset();
    for (const DisplayMode mode : {DisplayMode::EmfVolume, DisplayMode::EmfPH})
        EXPECT_TRUE(Drawn(true, loaded, mode, 1, 600, 400).diagonals().empty());
}

TEST(Views, EveryDrawablePointGetsABlackCrossAndTheCurveBreaksAtABadValue) {
    core::Titration t = kFive;
    t.points[2].PointPH = NAN;    // point 3: no cross
    t.points[3].Resid = INFINITY; // point 4: a cross but no corner of the curve
    for (const int s : {1, 24}) {
        const Drawn d(true, t, DisplayMode::EmfPH, s, 600 * s, 400 * s);
        std::vector<Segment> crosses;
        for (int i : {1, 2, 4, 5}) {
            const int x = *d.g.XPix(t.points[i - 1].PointPH), y = *d.g.YPix(t.points[i - 1].EmfObs);
            crosses.push_back({x - 4 * s, y, x + 4 * s, y});
            crosses.push_back({x, y - 4 * s, x, y + 4 * s});
        }
        const auto all = lines(d.c, kAll);
        EXPECT_EQ(std::vector<Segment>(all.end() - 8, all.end()), crosses) << "the crosses last";
        EXPECT_EQ(d.c.lines().back().pen, (plot::Pen{s, plot::kBlack}));
        EXPECT_EQ(d.diagonals().size(), 1u) << "the curve from point 1 to 2 only";
    }
}

// The axis runs from 0 at the bottom, 460, to the largest Gran value, at an end of the
// titration; values that are not finite are left out. Acid titrated with alkali: the acid
// line from the first volume, the alkali line from the last; the reverse titration the other
// way round, so that no line runs below the axis. Both end-points lie at 5 ml.
TEST(Views, GranLinesRunFromTheirHigherEndDownToTheVolumeAxis) {
    sim::Setup reverse;
    std::tie(reverse.titrandConc, reverse.buretteConc) = std::tuple(-0.02, 0.1);
    for (const sim::Setup& setup : {sim::Setup{}, reverse}) {
        core::Titration t = plottest::calculatedTitration(setup);
        const double G = std::max(t.points.front().GranValue, t.points.back().GranValue);
        std::tie(t.points[10].GranValue, t.points[11].GranValue) = std::tuple(INFINITY, NAN);
        const Drawn d(true, t, DisplayMode::Gran, 1, 800, 500);
        EXPECT_EQ(std::tuple(d.g.YPix(0), d.g.YPix(G)), std::tuple(460, 24));
        const double v1 = t.points.front().Volume, vn = t.points.back().Volume;
        const double acid = setup.titrandConc > 0 ? v1 : vn, alkali = v1 + vn - acid;
        const int x5 = *d.g.XPix(5), y0 = 460;
        const std::vector<Segment> expected{
            {*d.g.XPix(acid), *d.g.YPix(t.AcidIntercept + t.AcidGradient * acid), x5, y0},
            {*d.g.XPix(alkali), *d.g.YPix(t.AlkaliIntercept + t.AlkaliGradient * alkali), x5, y0}};
        EXPECT_EQ(d.diagonals(), expected);
    }
}

// The residual plot of the five points: x = 56 + 134 V; y = 108 - 28 r, so that the largest
// used residual, -3 mV, spans the axis (ignored point 3 has 4 mV); the infinite residual of
// point 5 is left out.
TEST(Views, TheResidualRangeAndBarsComeFromTheUsedFiniteResiduals) {
    core::Titration t = kFive;
    t.points[4].Resid = INFINITY;
    const Drawn d(false, t, DisplayMode::EmfVolume, 1, 600, 200);
    EXPECT_EQ(std::tuple(d.g.YPix(-3), d.g.YPix(3)), std::tuple(192, 24));
    EXPECT_EQ(d.bars(), (std::vector<Segment>{{190, 108, 190, 164}, {458, 108, 458, 192}}));
    EXPECT_EQ(d.c.lines().back().pen, (plot::Pen{1, plot::kBlack})) << "the bars' pen";
    // With no point used the axis runs from -1000 at the bottom to 1000 at the top.
    for (core::Point& p : t.points)
        p.UsePoint = false;
    const Drawn none(false, t, DisplayMode::EmfVolume, 1, 600, 200);
    EXPECT_EQ(std::tuple(none.g.YPix(-1000), none.g.YPix(1000)), std::tuple(192, 24));
    EXPECT_TRUE(none.bars().empty());
}

TEST(Views, MarksAndCursorAreDrawnOnTheScreenOnlyAndWhenAskedFor) {
    // Scale, what is asked for, whether the marks and the cursor line are drawn.
    const std::tuple<int, plot::ScreenDrawing, bool, bool> cases[] = {
        {1, {true, 4}, true, true},  {1, {}, false, false},         {1, {false, 2}, false, true},
        {1, {true, 6}, true, false}, {24, {true, 4}, false, false}, {30, {true, 2}, false, false}};
    for (const auto& [s, screen, marks, cursor] : cases) {
        const Drawn d(true, kFive, DisplayMode::EmfVolume, s, 600 * s, 400 * s, screen);
        const Drawn r(false, kFive, DisplayMode::EmfVolume, s, 600 * s, 200 * s, screen);
        EXPECT_EQ(std::tuple(d.span, r.span), std::tuple(plot::CursorSpan{24 * s, 360 * s + 4},
                                                         plot::CursorSpan{24 * s, 192 * s + 4}));
        EXPECT_EQ(d.c.items().front().kind == Recorded::Kind::Clear, s == 1) << "cleared first";
        // A cross of two lines on each of the three used and the two ignored points.
        EXPECT_EQ(std::tuple(d.count(plot::kUsedColour), d.count(plot::kIgnoredColour)),
                  marks ? std::tuple(2 * 3, 2 * 2) : std::tuple(0, 0));
        // At the point's volume, x = 56 + 134 V (V = i - 1), from the top of the data area
        // to the bottom of the frame, drawn last.
        const int x = 56 + 134 * (screen.CursorPoint - 1);
        using Lines = std::vector<Segment>;
        EXPECT_EQ(d.cursor(), (cursor ? Lines{{x, 24, x, 364}} : Lines{}));
        EXPECT_EQ(r.cursor(), (cursor ? Lines{{x, 24, x, 196}} : Lines{}));
        EXPECT_EQ(d.c.items().back().kind == Recorded::Kind::XorLine, cursor);
    }
}

TEST(Views, AnEmptyTitrationDrawsEmptyAxes) {
    for (const DisplayMode mode : {DisplayMode::EmfVolume, DisplayMode::EmfPH, DisplayMode::Gran})
        for (const bool data : {true, false}) {
            const Drawn d(data, core::Titration{}, mode, 1, 600, 400, {true, 1});
            EXPECT_EQ(std::tuple(d.g.XPix(0), d.g.XPix(1), d.c.xorLines().size()),
                      std::tuple(56, 592, 0u));
        }
}

// The export.

/// Text drawing needs the font database, which needs a QGuiApplication.
struct GuiApplication : ::testing::Environment {
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[11] = "plot_tests", *argv[2] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GuiApplication);

const core::Titration kTitration = plottest::calculatedTitration({}, "/data/HCl 0.02 M.txt");

QByteArray exported(PlotKind kind, DisplayMode mode, const char* name) {
    const plot::PictureFile file = plot::pictureFile(kind, kTitration, mode, name);
    EXPECT_EQ(file.error, "");
    return QByteArray::fromStdString(file.bytes);
}

// The data plot is 82.50 mm x 50.93 mm (974 x 602 pixels at 300 dpi), the residual plot
// 82.50 mm x 25.46 mm (974 x 301 pixels); one logical unit is 0.01 mm. The top of the
// frame lies 24 s units down: in pixel row 68 at scale 24, 85 at scale 30.
TEST(Export, SvgPngAndPdfHaveThePictureSize) {
    const std::tuple<PlotKind, const char*, const char*, int, int, double, const char*> cases[] = {
        {PlotKind::Data, R"(<svg width="82.5mm" height="50.93mm")", R"(viewBox="0 0 8250 5093")",
         602, 68, 50.93, "Experimental data: /data/HCl 0.02 M.txt"},
        {PlotKind::Residuals, R"(<svg width="82.5mm" height="25.46mm")",
         R"(viewBox="0 0 8250 2546")", 301, 85, 25.46, "observed-calculated Gran function"}};
    for (const auto& [kind, svgSize, viewBox, pngHeight, top, mm, title] : cases) {
        const QByteArray svg = exported(kind, DisplayMode::Gran, "/plots/plot.svg");
        EXPECT_TRUE(svg.contains(svgSize) && svg.contains(viewBox) && svg.contains(title))
            << svg.left(400).toStdString();

        const QImage image =
            QImage::fromData(exported(kind, DisplayMode::EmfVolume, "/plots/plot.PNG"), "png");
        EXPECT_EQ(std::tuple(image.size(), image.dotsPerMeterX()),
                  std::tuple(QSize(974, pngHeight), 11811))
            << "300 dpi";
        EXPECT_LT(image.pixelColor(487, top).lightness(), 64) << "the frame's top line";

        const QByteArray pdf = exported(kind, DisplayMode::EmfPH, "/plots/plot.pdf");
        EXPECT_TRUE(pdf.startsWith("%PDF-") && pdf.contains("/Count 1")) << "one page";
        const auto box = QRegularExpression(R"(/MediaBox \[0 (-?[0-9.]+) ([0-9.]+) ([0-9.]+) *\])")
                             .match(QString::fromLatin1(pdf));
        ASSERT_TRUE(box.hasMatch());
        EXPECT_NEAR(box.captured(2).toDouble(), 82.5 * 72 / 25.4, 0.01) << "in points";
        EXPECT_NEAR(box.captured(3).toDouble() - box.captured(1).toDouble(), mm * 72 / 25.4, 0.01);
    }
}

TEST(Export, AnUnknownTypeIsRefusedWithTheReason) {
    for (const PlotKind kind : {PlotKind::Data, PlotKind::Residuals})
        for (const std::string path : {"/plots/plot.jpg", "/plots/svg"}) {
            const plot::PictureFile file =
                plot::pictureFile(kind, kTitration, DisplayMode::Gran, path);
            EXPECT_EQ(std::tuple(file.bytes, file.error),
                      std::tuple("", "The plot file \"" + path +
                                         "\" has an unknown type: use .svg, .pdf or .png"));
        }
}

TEST(Export, ThePictureLeavesTheScreenGeometryAsItWas) {
    const plot::PlotGeometry before{56, 24, 600, 300, 80, 56};
    plot::PlotGeometry screen = before;
    plot::plotSvg(PlotKind::Data, kTitration, DisplayMode::Gran, screen);
    plot::plotImage(PlotKind::Residuals, kTitration, DisplayMode::Gran, screen);
    EXPECT_EQ(screen, before);
}

} // namespace
