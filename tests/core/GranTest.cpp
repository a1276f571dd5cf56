#include "core/Gran.h"

#include "Crafted.h"
#include "core/Format.h"

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
    std::vector<crafted::PointSpec> points;
    for (const GranPoint& p : plot)
        points.push_back({p.volume, 0, p.used});
    core::CalculationState s = crafted::state(crafted::titration(25, 25, 0.02, -0.1, points));
    for (std::size_t i = 0; i < plot.size(); ++i) {
        s.GranValue[i] = plot[i].value;
        s.PointPH[i] = plot[i].pH;
    }
    return s;
}

Plot operator+(Plot a, const Plot& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(GranFit, ExactLinesGiveTheEndPoints) {
    core::CalculationState s = granState({{1, 0.4, 3},
                                          {2, 0.3, 3},
                                          {3, 0.2, 3},
                                          {4, 0.1, 3},
                                          {4.5, 0.2, 6.9, false}, // still given a residual
                                          {5.5, 0.1, 7, false},   // pH 7 is on the alkali side
                                          {6, 0.09, 11},
                                          {7, 0.19, 11},
                                          {8, 0.29, 11}});
    ASSERT_EQ(core::GranFit(s), "");
    const core::ResultValues& r = s.results;
    EXPECT_NEAR(*r.acidEndPoint, 5, 1e-12);
    EXPECT_NEAR(*r.alkaliEndPoint, 5.1, 1e-12);
    EXPECT_NEAR(s.model.EndPointRatio, 5 / 5.1, 1e-12);
    EXPECT_NEAR(*r.alkaliConc, -25 * static_cast<double>(0.02f) / 5.05, 1e-12);
    EXPECT_NEAR(s.AlkaliIntercept, -0.51, 1e-12);
    EXPECT_NEAR(s.GranResid[4], 0.15, 1e-12);
    EXPECT_NEAR(s.GranResid[5], 0.06, 1e-12);
    s.showCaptions();
    EXPECT_EQ(s.captions.GranLabel6, "5.0000000"); // a deviation of nothing shows seven decimals
    EXPECT_EQ(s.captions.GranLabel10, "5.1000000");
    EXPECT_EQ(s.captions.GranLabel12, "1.96%");
    EXPECT_EQ(s.captions.CorrAlkali, "-0.0990099 ± ");
    EXPECT_EQ(s.captions.Alksd, "0.0000000");
}

/// Deviation of the end-point of a branch, from textbook (centred) line
/// statistics: relative deviation of a / b, times the end-point |a / b|.
double endPointDeviation(const Plot& plot) {
    const double n = static_cast<double>(plot.size());
    double mx = 0, my = 0, sxx = 0, sxy = 0, sr = 0;
    for (const GranPoint& p : plot)
        mx += p.volume / n, my += p.value / n;
    for (const GranPoint& p : plot)
        sxx += std::pow(p.volume - mx, 2), sxy += (p.volume - mx) * (p.value - my);
    const double b = sxy / sxx, a = my - b * mx;
    for (const GranPoint& p : plot)
        sr += std::pow(p.value - a - b * p.volume, 2);
    const double s2 = sr / (n - 2), va = s2 * (1 / n + mx * mx / sxx), vb = s2 / sxx;
    const double r2 = va / (a * a) + vb / (b * b) + 2 * mx * s2 / sxx / (a * b);
    return std::sqrt(r2) * std::abs(a / b);
}

TEST(GranFit, DeviationsOfNoisyLines) {
    const Plot acid{{0.5, 0.452, 2.5}, {1.5, 0.349, 2.5}, {2.5, 0.252, 2.5}, {4.2, 0.081, 2.5}};
    const Plot alkali{{5.6, 0.047, 11}, {6.2, 0.112, 11}, {6.9, 0.178, 11}, {7.5, 0.243, 11}};
    core::CalculationState s = granState(acid + alkali);
    ASSERT_EQ(core::GranFit(s), "");
    const core::ResultValues& r = s.results;
    EXPECT_NEAR(*r.acidEndPointSd, endPointDeviation(acid), 1e-9 * *r.acidEndPointSd);
    EXPECT_NEAR(*r.alkaliEndPointSd, endPointDeviation(alkali), 1e-9 * *r.alkaliEndPointSd);
    // The concentration's deviation: half the combined end-point deviation,
    // relative to the mean end-point, times the concentration.
    const double Vm = (*r.acidEndPoint + *r.alkaliEndPoint) / 2;
    const double sA = std::hypot(*r.acidEndPointSd, *r.alkaliEndPointSd);
    EXPECT_NEAR(*r.alkaliConcSd, std::abs(*r.alkaliConc) * sA / 2 / Vm, 1e-15);
    s.showCaptions();
    const std::string pattern = core::formt(core::OneFig(*r.alkaliConcSd));
    EXPECT_EQ(s.captions.CorrAlkali, core::formatNumber(*r.alkaliConc, pattern) + " ± ");
    EXPECT_EQ(s.captions.Alksd, core::formatNumber(*r.alkaliConcSd, pattern));
}

TEST(GranFit, StopsWhenABranchCannotBeFitted) {
    const Plot acid{{1, 0.4, 3}, {2, 0.3, 3}, {3, 0.2, 3}};
    const Plot alkali{{6, 0.09, 11}, {7, 0.19, 11}, {8, 0.29, 11}};
    // Three alkali points 1e-7 ml apart at their end-point: the variance terms
    // cancel and rounding leaves their sum below zero.
    const Plot cancelling{{0x1.4p+2, -0x1.67455029eaf7dp-34, 11},
                          {0x1.4000006b5fca7p+2, 0x1.5814316adfebap-27, 11},
                          {0x1.400000d6bf94dp+2, 0x1.5750bccca9e8ep-26, 11}};
    const struct {
        Plot plot;
        const char* message;
    } cases[] = {
        {Plot{{1, 0.4, 3}, {2, 0.3, 3}, {3, 0.2, 3, false}} + alkali,
         "too few points in the acid range: 2 used, 3 needed"},
        {acid + Plot{{6, 0.09, 11}, {7, 0.19, 7}},
         "too few points in the alkali range: 2 used, 3 needed"},
        {acid + Plot{{6, 0.09, 11}, {6, 0.19, 11}, {6, 0.29, 11}},
         "the points of the alkali range all have the same volume"},
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

/// Acid points of 25 ml of 0.02 M acid in 50 ml whose emf follows the electrode exactly.
core::CalculationState acidEmf(double slope, const std::vector<double>& volumes) {
    std::vector<crafted::PointSpec> points;
    for (double v : volumes)
        points.push_back({v, 401.5 + slope * std::log10((0.5f - 0.1 * v) / (50 + v))});
    core::CalculationState s = crafted::state(crafted::titration(25, 25, 0.02, -0.1, points));
    s.model.pKw = 13.78;
    s.model.Param[1] = slope;
    std::fill(s.PointPH.begin(), s.PointPH.end(), 3.0);
    return s;
}

TEST(Gran0, RecoversE0FromTheAcidBranch) {
    core::CalculationState s = acidEmf(59.16, {0, 1, 2, 3, 4});
    s.PointPH[4] = 13.78 / 2; // exactly half pKw: left out, its emf would spoil the line
    s.points.EmfObs[4] += 30;
    double E0 = 0;
    ASSERT_EQ(core::Gran0(s, E0), "");
    EXPECT_NEAR(E0, 401.5, 1e-6);
    EXPECT_EQ(s.model.InitialVolume, 50);
    EXPECT_NEAR(-s.AcidIntercept / s.AcidGradient, 5, 1e-5);
}

TEST(Gran0, StopsWhenNoEstimateCanBeMade) {
    const struct {
        std::vector<double> volumes;
        double titrandConc, slope;
        const char* message;
    } cases[] = {
        {{1}, 0.02, 59.16, "too few points in the acid range: 1 used, 2 needed"},
        {{2, 2, 2}, 0.02, 59.16, "the points of the acid range all have the same volume"},
        {{1, 2, 3},
         -0.02,
         59.16,
         "the acid Gran line and the titrand concentration differ in sign"},
        {{1, 2, 3}, 0.02, 0.001, "the Gran function is out of range at point 1"},
    };
    for (const auto& c : cases) {
        core::CalculationState s = acidEmf(c.slope, c.volumes);
        s.conditions.titrandConc = c.titrandConc;
        double E0 = 0;
        EXPECT_EQ(core::Gran0(s, E0), c.message);
    }
}

} // namespace
