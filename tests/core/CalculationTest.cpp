#include "core/Calculation.h"

#include "Crafted.h"
#include "core/Format.h"
#include "core/NumberEntry.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using core::CalculationOutcome;
using Messages = std::vector<core::Message>;

/// The titration as a new load leaves it: simulated, ratio reset, points selected.
core::Titration loaded(const sim::Setup& setup) {
    core::Titration t = sim::makeTitration(setup);
    t.EndPointRatio = 1;
    core::RecordingSink sink;
    EXPECT_TRUE(core::SelectPoints(t, sink));
    return t;
}

struct SimulatedCase {
    const char* name;
    double carbonate, titrandConc;
    std::uint64_t seed;
    int pointCount;
};

class SimulatedTitration : public ::testing::TestWithParam<SimulatedCase> {};

TEST_P(SimulatedTitration, AgreesWithTheTrueValues) {
    const SimulatedCase& c = GetParam();
    sim::Setup setup;
    setup.carbonateFraction = c.carbonate;
    setup.titrandConc = c.titrandConc;
    setup.seed = c.seed;
    setup.pointCount = c.pointCount;
    setup.lastVolume = 375 * c.titrandConc; // 1.5 times the end-point
    core::Titration t = loaded(setup);
    core::RecordingSink sink;
    ASSERT_EQ(core::Calculate(t, sink), CalculationOutcome::Calibrated);
    for (const core::Message& m : sink.messages)
        EXPECT_EQ(m.text, core::kNegativeCarbonate) << "only the carbonate warning may come";

    // The slope's deviation leaves out the scatter that the Gran end-point ratio
    // adds to the alkaline points; "a few" deviations is four here.
    const core::ResultValues& r = t.results;
    EXPECT_NEAR(*r.E0, setup.E0, 4 * *r.E0sd);
    EXPECT_NEAR(*r.slope, setup.slope, 4 * *r.slopeSd);
    const double Vacid = sim::acidEndPoint(setup), Valk = sim::alkaliEndPoint(setup);
    const double sAcid = *r.acidEndPointSd;
    const double sAlk = *r.alkaliEndPointSd;
    EXPECT_NEAR(*r.acidEndPoint, Vacid, 4 * sAcid);
    EXPECT_NEAR(*r.alkaliEndPoint, Valk, 4 * sAlk);
    const double Vm = (Vacid + Valk) / 2;
    const double trueConc = -25 * static_cast<double>(static_cast<float>(c.titrandConc)) / Vm;
    EXPECT_NEAR(*r.alkaliConc, trueConc, 4 * std::abs(trueConc) * std::hypot(sAcid, sAlk) / 2 / Vm);
    EXPECT_EQ(r.gamma, 1);
    EXPECT_FALSE(r.gammaSd);

    // Captions show each value to the decimals of its deviation.
    const core::ResultCaptions& cap = t.captions;
    EXPECT_EQ(cap.E0Value, core::formatNumber(*r.E0, core::formt(cap.E0sd)));
    EXPECT_EQ(cap.SlopeValue, core::formatNumber(*r.slope, core::formt(core::OneFig(*r.slopeSd))));
    EXPECT_EQ(cap.GranLabel10, core::formatNumber(*r.alkaliEndPoint,
                                                  core::formt(core::OneFig(*r.alkaliEndPointSd))));
    EXPECT_EQ(*r.iterations, core::TextToNumber(cap.Values7, sink));
}

INSTANTIATE_TEST_SUITE_P(Engine, SimulatedTitration,
                         ::testing::Values(SimulatedCase{"plain", 0, 0.02, 2, 51},
                                           SimulatedCase{"carbonate", 0.03, 0.02, 1, 51},
                                           SimulatedCase{"strong", 0.01, 0.05, 5, 120},
                                           SimulatedCase{"dense", 0.02, 0.02, 6, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Calculate, EndPointDeviationsMatchTheScatterOverManyTitrations) {
    // Over many noisy titrations the end-points miss the truth by about one of
    // their own deviations (root mean square of the ratio near 1).
    double sumAcid = 0, sumAlkali = 0;
    int n = 0;
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        core::Titration t = loaded({.carbonateFraction = 0.01, .seed = seed});
        core::RecordingSink sink;
        if (core::Calculate(t, sink) != CalculationOutcome::Calibrated)
            continue;
        const sim::Setup setup{.carbonateFraction = 0.01};
        const core::ResultValues& r = t.results;
        sumAcid += std::pow((*r.acidEndPoint - sim::acidEndPoint(setup)) / *r.acidEndPointSd, 2);
        sumAlkali += std::pow((*r.alkaliEndPoint - sim::alkaliEndPoint(setup)) / *r.alkaliEndPointSd, 2);
        ++n;
    }
    ASSERT_GT(n, 190);
    EXPECT_NEAR(std::sqrt(sumAcid / n), 1.0, 0.4);
    EXPECT_NEAR(std::sqrt(sumAlkali / n), 1.0, 0.4);
}

TEST(Calculate, RefinedGammaIsWrittenToItsBoxWithItsDeviation) {
    // The burette is 5 % stronger than its label says.
    core::Titration t = loaded({.seed = 4});
    core::setConditions(t, 25, 25, 0.02, -0.1 / 1.05);
    t.inputs.RefineGamma = true;
    core::RecordingSink sink;
    ASSERT_EQ(core::Calculate(t, sink), CalculationOutcome::Calibrated);
    const core::ResultValues& r = t.results;
    EXPECT_NEAR(*r.gamma, 1.05, 4 * *r.gammaSd);
    EXPECT_EQ(t.captions.GammaSd, core::OneFig(*r.gammaSd));
    EXPECT_EQ(t.inputs.GammaBox, core::formatNumber(*r.gamma, core::formt(t.captions.GammaSd)));
}

TEST(Calculate, RefinementsThatDoNotConvergeLeaveTheResultsAsTheyWere) {
    core::Titration t = loaded({});
    core::RecordingSink sink;
    ASSERT_EQ(core::Calculate(t, sink), CalculationOutcome::Calibrated);
    const core::Titration before = t;
    // Refining Gamma from 1.5 fails in each of the four refinements.
    t.inputs.RefineGamma = true;
    t.inputs.GammaBox = "1.5";
    sink.messages.clear();
    EXPECT_EQ(core::Calculate(t, sink), CalculationOutcome::NotConverged);
    EXPECT_EQ(sink.messages.size(), 4u);
    EXPECT_EQ(sink.messages.front(), (core::Message{" iterations failing to converge", ""}));
    EXPECT_EQ(t.results.E0, before.results.E0);
    EXPECT_EQ(t.captions.E0Value, before.captions.E0Value);
    EXPECT_EQ(t.captions.Values7, core::formatNumber(*t.results.iterations, "##"));
    EXPECT_EQ(t.inputs.GammaBox, "1.5");
}

TEST(Calculate, AcidEndPointBeyondTheAlkaliOneWarnsOfNegativeCarbonate) {
    // The acid branch of a titrand 2 % stronger than the alkali branch's.
    core::Titration t = sim::makeTitration({});
    const core::Titration acid = sim::makeTitration({.titrandConc = 0.0204});
    for (std::size_t i = 0; i < t.points.size(); ++i)
        if (t.points[i].Volume < 5)
            t.points[i] = acid.points[i];
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink));
    t.inputs.Tbox = "1e40"; // a bad box: one message per command, read as 0 degrees
    EXPECT_EQ(core::Calculate(t, sink), CalculationOutcome::Calibrated);
    EXPECT_GT(t.EndPointRatio, 1);
    EXPECT_EQ(sink.messages,
              (Messages{{"invalid entry for number", ""}, {core::kNegativeCarbonate, ""}}));
    EXPECT_EQ(t.captions.SlopeFactor,
              core::formatNumber(*t.results.slope / (273.15 / 5.0399), "0.0000"));
}

/// A calculated titration changed so that the next command must stop.
struct StopCase {
    const char* name;
    std::function<void(core::Titration&)> change;
    const char* message;
};

class StoppedCalculation : public ::testing::TestWithParam<StopCase> {};

TEST_P(StoppedCalculation, SendsOneMessageAndChangesNothing) {
    core::Titration t = loaded({.carbonateFraction = 0.02});
    core::RecordingSink sink;
    ASSERT_EQ(core::Calculate(t, sink), CalculationOutcome::Calibrated);
    GetParam().change(t);
    const core::Titration before = t;
    sink.messages.clear();
    EXPECT_EQ(core::Calculate(t, sink), CalculationOutcome::Stopped);
    EXPECT_EQ(sink.messages, (Messages{{GetParam().message, ""}}));
    EXPECT_TRUE(t == before);
}

/// Keeps the first used points of each branch, switching the others off by hand.
std::function<void(core::Titration&)> keepUsed(int acid, int alkali) {
    return [acid, alkali](core::Titration& t) {
        int acidLeft = acid, alkaliLeft = alkali;
        for (core::Point& p : t.points)
            p.UsePoint = p.UsePoint && (p.PointPH < 7 ? acidLeft : alkaliLeft)-- > 0;
    };
}

/// Moves the used points of one branch to one volume.
std::function<void(core::Titration&)> oneVolume(bool acid, double volume) {
    return [=](core::Titration& t) {
        for (core::Point& p : t.points)
            if (p.UsePoint && (p.PointPH < 7) == acid)
                p.Volume = volume;
    };
}

INSTANTIATE_TEST_SUITE_P(
    Engine, StoppedCalculation,
    ::testing::Values(StopCase{"NoPoints", [](core::Titration& t) { t.points.clear(); },
                               "no points to calculate"},
                      StopCase{
                          "ZeroTotalVolume",
                          [](core::Titration& t) { core::setConditions(t, 25, -25, 0.02, -0.1); },
                          "total volume is zero at point 1"},
                      StopCase{"OneAcidPoint", keepUsed(1, 99),
                               "too few points in the acid range: 1 used, 2 needed"},
                      StopCase{"AcidPointsAtOneVolume", oneVolume(true, 1.5),
                               "the points of the acid range all have the same volume"},
                      StopCase{"AlkaliTitrandTyped",
                               [](core::Titration& t) {
                                   core::setConditions(t, 25, 25, -0.02, 0.1);
                                   core::RecordingSink ignored;
                                   core::SelectPoints(t, ignored);
                               },
                               "the acid Gran line and the titrand concentration differ in sign"},
                      StopCase{"TwoPointsUsed", keepUsed(2, 0),
                               "too few points used for the refinement: 2 used, 3 needed"},
                      StopCase{"TwoAlkaliPoints", keepUsed(99, 2),
                               "too few points in the alkali range: 2 used, 3 needed"},
                      StopCase{"AlkaliPointsAtOneVolume", oneVolume(false, 6),
                               "the points of the alkali range all have the same volume"},
                      StopCase{"AbsoluteZero", [](core::Titration& t) { t.inputs.Tbox = "-273.1"; },
                               "the Gran function is out of range at point 24"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
