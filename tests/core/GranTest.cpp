#include "core/Gran.h"

#include "Crafted.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

/// A point of a Gran plot: volume, Gran value, pH (which decides the branch), used.
struct GranPoint {
    double volume, value, pH;
    bool used = true;
};
using Plot = std::vector<GranPoint>;

/// 25 ml of 0.02 M acid titrated with alkali, with the given Gran plot.
core::CalculationState granState(const Plot& plot) {
    core::Titration t = crafted::titration(25, 25, 0.02, -0.1);
    for (const GranPoint& g : plot) {
        core::Point& p = t.points.emplace_back();
        p.Volume = g.volume;
        p.GranValue = g.value;
        p.PointPH = g.pH;
        p.UsePoint = g.used;
    }
    return crafted::state(t);
}

Plot operator+(Plot a, const Plot& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Plot acid{{1, 0.4, 3}, {2, 0.3, 3}, {3, 0.2, 3}};
const Plot alkali{{6, 0.09, 11}, {7, 0.19, 11}, {8, 0.29, 11}};

TEST(GranFit, ExactLinesGiveTheEndPoints) {
    // Two unused points are still given a residual; pH 7 is on the alkali side.
    core::CalculationState s =
        granState(acid + Plot{{4, 0.1, 3}, {4.5, 0.2, 6.9, false}, {5.5, 0.1, 7, false}} + alkali);
    ASSERT_EQ(core::GranFit(s), "");
    // End-points 5 and 5.1 ml, shown with the seven decimals of a deviation of nothing.
    EXPECT_NEAR(s.model.EndPointRatio, 5 / 5.1, 1e-12);
    EXPECT_NEAR(s.AlkaliIntercept, -0.51, 1e-12);
    EXPECT_NEAR(s.GranResid[4], 0.15, 1e-12);
    EXPECT_NEAR(s.GranResid[5], 0.06, 1e-12);
    s.showCaptions();
    EXPECT_EQ(s.captions,
              (core::ResultCaptions{"", "", "", "", "", "", "", "", "5.0000000", "5.1000000",
                                    "1.96%", "-0.0990099 ± ", "0.0000000", "", ""}));
}

TEST(GranFit, DeviationsOfNoisyLines) {
    // The textbook deviation of a line's x-intercept -a / b, worked out by hand:
    // s / |b| sqrt(1 / n + (mean x + a / b)^2 / Sxx), s^2 the residual variance.
    const Plot noisy{{0.5, 0.452, 2.5}, {1.5, 0.349, 2.5}, {2.5, 0.252, 2.5}, {4.2, 0.081, 2.5},
                     {5.6, 0.047, 11},  {6.2, 0.112, 11},  {6.9, 0.178, 11},  {7.5, 0.243, 11}};
    core::CalculationState s = granState(noisy);
    ASSERT_EQ(core::GranFit(s), "");
    EXPECT_NEAR(*s.results.acidEndPointSd / 0.0199471346845239, 1, 1e-9);
    EXPECT_NEAR(*s.results.alkaliEndPointSd / 0.0317018697163001, 1, 1e-9);
}

TEST(GranFit, StopsWhenABranchCannotBeFitted) {
    // The calculation's table has the counts and volumes; these need made-up Gran values.
    // Three alkali points 1e-7 ml apart at their end-point: the variance terms
    // cancel and rounding leaves their sum below zero.
    const Plot cancelling{{0x1.4p+2, -0x1.67455029eaf7dp-34, 11},
                          {0x1.4000006b5fca7p+2, 0x1.5814316adfebap-27, 11},
                          {0x1.400000d6bf94dp+2, 0x1.5750bccca9e8ep-26, 11}};
    const struct {
        Plot plot;
        const char* message;
    } cases[] = {
        {Plot{{1, 0.5, 3}, {2, 0.5, 3}, {3, 0.5, 3}} + alkali,
         "the acid Gran line has a zero gradient"},
        {acid + Plot{{5, -0.625, 11}, {6, -0.75, 11}, {7, -0.875, 11}},
         "the alkali Gran line has a zero intercept"},
        {Plot{{1, 0.625, 3}, {2, 0.75, 3}, {3, 0.875, 3}} + // end-points at -4 and 4 ml
             Plot{{5, 0.125, 11}, {6, 0.25, 11}, {7, 0.375, 11}},
         "the mean end-point is zero"},
        {acid + cancelling, "negative variance in the alkali Gran fit"},
    };
    for (const auto& c : cases) {
        core::CalculationState s = granState(c.plot);
        EXPECT_EQ(core::GranFit(s), c.message);
    }
}

} // namespace
