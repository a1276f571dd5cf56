#include "core/ElectrodeModel.h"

#include "Crafted.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

/// 50 ml of 0.01 M acid, no electrolyte, titrated with 0.1 M alkali.
core::ElectrodeModel workedExample() {
    return {50, 50, 0.01, -0.1, 13.8, {400, 59.16, 1}, 1, 1};
}

TEST(Ycalc, WorkedExample) {
    EXPECT_NEAR(core::Ycalc(workedExample(), 1), 275.438, 5e-4);  // TotalH 0.4 / 51
    EXPECT_NEAR(core::Ycalc(workedExample(), 6), -253.825, 5e-4); // TotalH -0.1 / 56
}

TEST(Ycalc, NeutralPointAndEndPointRatio) {
    // 1 ml of 0.5 M acid in 3 ml, 0.25 M alkali: nothing in excess at 2 ml.
    core::ElectrodeModel m{1, 3, 0.5, -0.25, 13, {400, 60, 1}, 1, 1};
    EXPECT_EQ(core::Ycalc(m, 2), 400 - 60 * 6.5);
    EXPECT_EQ(core::CalcDerivs(m, 2), (std::array<double, 3>{1, -6.5, 0}));
    m.EndPointRatio = 0.8; // no excess before the ratio is looked at
    EXPECT_EQ(core::Ycalc(m, 2), 400 - 60 * 6.5);
    // At 4 ml 1 mmol of base meets 0.5 mmol of acid; the ratio scales the base.
    const struct {
        double ratio, expected;
    } cases[] = {{1, 400 - 60 * (13 + std::log10(0.5 / 7))},
                 {0.8, 400 - 60 * (13 + std::log10(0.3 / 7))},
                 {0.25, 400 + 60 * std::log10(0.25 / 7)}, // acid again
                 {0.5, 400 - 60 * 6.5}};                  // exactly neutral
    for (const auto& c : cases) {
        m.EndPointRatio = c.ratio;
        EXPECT_NEAR(core::Ycalc(m, 4), c.expected, 1e-9) << c.ratio;
        EXPECT_NEAR(core::CalcDerivs(m, 4)[1], -13 - std::log10(0.5 / 7), 1e-12);
    }
}

double numericDerivative(core::ElectrodeModel m, double volume, int j) {
    const double h = 1e-6 * std::max(1.0, std::abs(m.Param[j]));
    core::ElectrodeModel up = m, down = m;
    up.Param[j] += h;
    down.Param[j] -= h;
    return (core::Ycalc(up, volume) - core::Ycalc(down, volume)) / (2 * h);
}

TEST(CalcDerivs, MatchTheModelAndScaleTheAlkalineGammaDerivative) {
    core::ElectrodeModel m = workedExample();
    m.Param[2] = m.Gamma = 1.02;
    for (double v : {0.5, 2.0, 4.5, 5.5, 6.0, 8.0}) {
        const std::array<double, 3> d = core::CalcDerivs(m, v);
        const double TotalH = (0.5 - 0.102 * v) / (50 + v);
        // Beyond the end-point the Gamma derivative carries Kw / TotalH^2.
        const double factor = TotalH > 0 ? 1 : std::pow(10.0, -13.8) / (TotalH * TotalH);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(d[j], numericDerivative(m, v, j) * (j == 2 ? factor : 1),
                        1e-5 * (1 + std::abs(d[j])))
                << "volume " << v << " parameter " << j;
    }
}

TEST(Ssq, LinearTermsGiveTheSameResidualsToTheLastBit) {
    // Acid, neutral, alkaline and ratio-corrected points, two of them not used.
    core::Titration t = crafted::titration(
        1, 2, 0.5, -0.25,
        {{0, 380}, {1, 370, false}, {2, 10}, {3, -300}, {4, -310, false}, {6, -330}, {7, -335}});
    t.InitialVolume = 3;
    t.TitrandConc = 0.5;
    t.BuretteConc = -0.25;
    t.pKw = 13;
    t.Param = {402.5, 58.7, 1};
    t.EndPointRatio = 0.6;
    const core::ElectrodeModel m = core::electrodeModel(t);
    const core::PointColumns points(t.points);
    std::vector<double> direct(points.size()), linear(points.size());
    core::LinearTerms terms;
    terms.compute(m, points);
    const double S = core::Ssq(m, points, direct);
    EXPECT_EQ(S, core::Ssq(m, terms, points, linear));
    EXPECT_EQ(S, core::Ssq(t));
    double used = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(direct[i]), std::bit_cast<std::uint64_t>(linear[i]));
        EXPECT_EQ(t.points[i].Resid, t.points[i].EmfObs - core::Ycalc(t, i)) << "used or not";
        used += points.UsePoint[i] ? direct[i] * direct[i] : 0;
    }
    EXPECT_EQ(S, used);
    const core::NormalEquations full = core::accumulateNormal(m, points, direct);
    const core::NormalEquations fast = core::accumulateNormal(terms, points, linear);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(full.NormRhs[j], fast.NormRhs[j]);
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(full.NormMatrix[j][k], fast.NormMatrix[j][k]);
    }
}

} // namespace
