#include "core/Calculation.h"

#include "Crafted.h"
#include "core/Format.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using core::CalculationOutcome;
using crafted::Messages;

/// The carbonate warning comes with its identifier, for the window to hold it back.
const core::Message kCarbonateWarning{core::kNegativeCarbonate, "",
                                      core::MessageId::NegativeCarbonate};

/// The titration as a new load leaves it: simulated, points selected.
core::Titration loaded(const sim::Setup& setup) {
    core::Titration t = sim::makeTitration(setup);
    core::RecordingSink sink;
    EXPECT_TRUE(core::SelectPoints(t, sink));
    return t;
}

Messages calculate(core::Titration& t, CalculationOutcome outcome) {
    core::RecordingSink sink;
    EXPECT_EQ(core::Calculate(t, sink), outcome);
    return sink.messages;
}

TEST(Calculate, AgreesWithTheSimulatedTitrations) {
    // The last two burettes are 5 % stronger and weaker than their labels say, and
    // Gamma is refined.
    const struct {
        double carbonate, titrandConc;
        int pointCount;
        std::uint64_t seed;
        double gamma = 1;
    } cases[] = {{0, 0.02, 51, 2},      {0.03, 0.02, 51, 1},    {0.01, 0.05, 120, 5},
                 {0.02, 0.02, 1000, 6}, {0, 0.02, 51, 4, 1.05}, {0, 0.05, 120, 7, 0.95}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        const sim::Setup setup{.titrandConc = c.titrandConc,
                               .carbonateFraction = c.carbonate,
                               .lastVolume = 375 * c.titrandConc, // 1.5 times the end-point
                               .pointCount = c.pointCount,
                               .seed = c.seed};
        core::Titration t = loaded(setup);
        core::setConditions(t, 25, 25, c.titrandConc, -0.1 / c.gamma);
        t.inputs.RefineGamma = c.gamma != 1;
        const Messages messages = calculate(t, CalculationOutcome::Calibrated);
        EXPECT_EQ(messages, Messages(t.EndPointRatio > 1 ? 1 : 0, kCarbonateWarning));
        // The slope's deviation leaves out the scatter that the Gran end-point ratio
        // adds to the alkaline points; "a few" deviations is four here.
        const core::ResultValues& r = t.results;
        EXPECT_NEAR(*r.E0, setup.E0, 4 * *r.E0sd);
        EXPECT_NEAR(*r.slope, setup.slope, 4 * *r.slopeSd);
        const double Vacid = sim::acidEndPoint(setup), Valk = sim::alkaliEndPoint(setup);
        EXPECT_NEAR(*r.acidEndPoint, Vacid, 4 * *r.acidEndPointSd);
        EXPECT_NEAR(*r.alkaliEndPoint, Valk, 4 * *r.alkaliEndPointSd);
        const double Vm = (Vacid + Valk) / 2, C = -25 * double(float(c.titrandConc)) / Vm;
        const double sC = std::abs(C) * std::hypot(*r.acidEndPointSd, *r.alkaliEndPointSd) / 2 / Vm;
        EXPECT_NEAR(*r.alkaliConc, C, 4 * sC);
        // Gamma as typed, or refined and written to its box with its deviation.
        EXPECT_NEAR(*r.gamma, c.gamma, c.gamma == 1 ? 0 : 4 * *r.gammaSd);
        EXPECT_EQ(r.gammaSd.has_value(), c.gamma != 1);
        if (r.gammaSd) {
            EXPECT_EQ(t.inputs.GammaBox,
                      core::formatNumber(*r.gamma, core::formt(core::OneFig(*r.gammaSd))));
        }
    }
}

TEST(Calculate, EndPointDeviationsMatchTheScatterOverManyTitrations) {
    // Over many noisy titrations the end-points miss the truth by about one of
    // their own deviations (root mean square of the ratio near 1).
    const sim::Setup setup{.carbonateFraction = 0.01};
    double sumAcid = 0, sumAlkali = 0;
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        core::Titration t = loaded({.carbonateFraction = 0.01, .seed = seed});
        calculate(t, CalculationOutcome::Calibrated);
        const core::ResultValues& r = t.results;
        sumAcid += std::pow((*r.acidEndPoint - sim::acidEndPoint(setup)) / *r.acidEndPointSd, 2);
        sumAlkali +=
            std::pow((*r.alkaliEndPoint - sim::alkaliEndPoint(setup)) / *r.alkaliEndPointSd, 2);
    }
    EXPECT_NEAR(std::sqrt(sumAcid / 200), 1.0, 0.4);
    EXPECT_NEAR(std::sqrt(sumAlkali / 200), 1.0, 0.4);
}

TEST(Calculate, AcidEndPointBeyondTheAlkaliOneWarnsOfNegativeCarbonate) {
    // The acid branch of a titrand 2 % stronger than the alkali branch's.
    core::Titration t = loaded({});
    const core::Titration acid = loaded({.titrandConc = 0.0204});
    for (std::size_t i = 0; i < t.points.size(); ++i)
        if (t.points[i].Volume < 5)
            t.points[i] = acid.points[i];
    t.inputs.Tbox = "1e40"; // a bad box: one message per command, read as 0 degrees
    EXPECT_EQ(calculate(t, CalculationOutcome::Calibrated),
              (Messages{{"invalid entry for number", ""}, kCarbonateWarning}));
    EXPECT_GT(t.EndPointRatio, 1);
}

/// Keeps the first used points of each branch, switching the others off by
/// hand, and moves those of a branch to one volume when one is given.
std::function<void(core::Titration&)> used(int acid, int alkali, double acidV = 0,
                                           double alkaliV = 0) {
    return [=](core::Titration& t) {
        int left[2] = {acid, alkali};
        for (core::Point& p : t.points) {
            const bool alkaline = p.PointPH >= 7;
            p.UsePoint = p.UsePoint && left[alkaline]-- > 0;
            if (p.UsePoint && (alkaline ? alkaliV : acidV) != 0)
                p.Volume = alkaline ? alkaliV : acidV;
        }
    };
}

TEST(Calculate, DataThatCannotSupportItStopsWithOneMessageAndChangesNothing) {
    const struct {
        std::function<void(core::Titration&)> change;
        const char* message;
    } cases[] = {
        {[](core::Titration& t) { t.points.clear(); }, "no points to calculate"},
        {[](core::Titration& t) { core::setConditions(t, 25, -25, 0.02, -0.1); },
         "total volume is zero at point 1"},
        {used(1, 99), "too few points in the acid range: 1 used, 2 needed"},
        {used(2, 99), "too few points in the acid range: 2 used, 3 needed"},
        {used(99, 99, 1.5), "the points of the acid range all have the same volume"},
        {[](core::Titration& t) { core::setConditions(t, 25, 25, -0.02, 0.1); },
         "the acid Gran line and the titrand concentration differ in sign"},
        {used(2, 0), "too few points used for the refinement: 2 used, 3 needed"},
        {[](core::Titration& t) {
             used(3, 0)(t);
             t.inputs.RefineGamma = true;
         },
         "too few points used for the refinement: 3 used, 4 needed"},
        {used(99, 2), "too few points in the alkali range: 2 used, 3 needed"},
        {used(99, 99, 0, 6), "the points of the alkali range all have the same volume"},
        {[](core::Titration& t) { t.inputs.Tbox = "-273.1"; },
         "the Gran function is out of range at point 24"},
    };
    for (const auto& c : cases) {
        core::Titration t = loaded({.carbonateFraction = 0.02});
        calculate(t, CalculationOutcome::Calibrated);
        c.change(t);
        const core::Titration before = t;
        EXPECT_EQ(calculate(t, CalculationOutcome::Stopped), (Messages{{c.message, ""}}));
        EXPECT_TRUE(t == before) << c.message;
    }
}

} // namespace
