#include "core/ElectrodeModel.h"

#include "core/Selection.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

namespace {

TEST(Ycalc, WorkedExample) {
    // 50 ml of 0.01 M acid, no electrolyte, titrated with 0.1 M alkali.
    const core::ElectrodeModel m{50, 50, 0.01, -0.1, 13.8, {400, 59.16, 1}, 1, 1};
    EXPECT_NEAR(core::Ycalc(m, 1), 275.438, 5e-4);  // TotalH 0.4 / 51
    EXPECT_NEAR(core::Ycalc(m, 6), -253.825, 5e-4); // TotalH -0.1 / 56
}

/// The refinement with Gamma held runs on the linear columns; they must give
/// the plain model's residuals, sum of squares and normal equations to the last
/// bit, whatever the titration, the parameters and the end-point ratio.
TEST(LinearTerms, GiveThePlainModelsSumsToTheLastBit) {
    const struct {
        double titrandConc, buretteConc, carbonate;
        std::array<double, 3> Param;
        double EndPointRatio;
    } cases[] = {
        {0.02, -0.1, 0, {400, 59.16, 1}, 1},            // acid titrated with alkali
        {0.02, -0.1, 0.02, {396.5, 58.7, 1.013}, 0.97}, // carbonate, Gamma and ratio off 1
        {-0.01, 0.1, 0, {-12.25, 61.3, 0.99}, 1.2},     // alkali titrated with acid
        {0.05, -0.05, 0, {401, 59, 1}, 1},              // equal concentrations
    };
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        for (const auto& c : cases) {
            sim::Setup setup;
            setup.titrandConc = c.titrandConc;
            setup.buretteConc = c.buretteConc;
            setup.carbonateFraction = c.carbonate;
            setup.pointCount = 80;
            setup.lastVolume = 25 * std::abs(c.titrandConc / c.buretteConc) * 1.6;
            setup.seed = seed;
            core::Titration t = sim::makeTitration(setup);
            core::RecordingSink sink;
            ASSERT_TRUE(core::SelectPoints(t, sink));
            ASSERT_GT(t.UsedCount(), 4);
            t.Param = c.Param;
            t.Gamma = c.Param[2];
            t.EndPointRatio = c.EndPointRatio;
            const core::ElectrodeModel m = core::electrodeModel(t);
            const core::PointColumns columns(t.points);
            core::LinearTerms terms;
            terms.compute(m, columns);
            // Made first with another end-point ratio, then refreshed: the same columns.
            core::ElectrodeModel before = m;
            before.EndPointRatio = 1.37;
            core::LinearTerms refreshed;
            refreshed.compute(before, columns);
            refreshed.refresh(m, columns);
            EXPECT_EQ(refreshed.emfTerm, terms.emfTerm);
            EXPECT_EQ(refreshed.slopeDeriv, terms.slopeDeriv);
            before.Param[2] *= 1.01; // not a ratio: all made again
            refreshed.compute(before, columns);
            refreshed.refresh(m, columns);
            EXPECT_EQ(refreshed.emfTerm, terms.emfTerm);
            EXPECT_EQ(refreshed.slopeDeriv, terms.slopeDeriv);

            std::vector<double> resid(columns.size());
            const double fast = core::Ssq(m, terms, columns, resid);
            EXPECT_EQ(fast, core::Ssq(t));
            for (std::size_t i = 0; i < resid.size(); ++i)
                ASSERT_EQ(resid[i], t.points[i].Resid) << "point " << i + 1;

            // The plain sums in the order the fast ones are made.
            core::NormalEquations plain;
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (!columns.UsePoint[i])
                    continue;
                const std::array<double, 3> D = core::CalcDerivs(m, columns.Volume[i]);
                for (int j = 0; j < 2; ++j) {
                    plain.NormRhs[j] += D[j] * resid[i];
                    for (int k = 0; k < 2; ++k)
                        plain.NormMatrix[j][k] += D[j] * D[k];
                }
            }
            const core::NormalEquations linear = core::accumulateNormal(terms, columns, resid);
            EXPECT_EQ(linear.NormMatrix, plain.NormMatrix) << "seed " << seed;
            EXPECT_EQ(linear.NormRhs, plain.NormRhs) << "seed " << seed;
            // The full model's E0 and slope block is the same again.
            const core::NormalEquations full = core::accumulateNormal(m, columns, resid);
            for (int j = 0; j < 2; ++j) {
                EXPECT_EQ(full.NormRhs[j], plain.NormRhs[j]);
                for (int k = 0; k < 2; ++k)
                    EXPECT_EQ(full.NormMatrix[j][k], plain.NormMatrix[j][k]);
            }
        }
    }
}

} // namespace
