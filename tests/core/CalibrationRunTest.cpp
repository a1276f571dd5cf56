#include "core/CalibrationRun.h"

#include "sim/Simulator.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

std::vector<unsigned char> used(const core::Titration& t) {
    std::vector<unsigned char> flags;
    for (const core::Point& p : t.points)
        flags.push_back(p.UsePoint ? 1 : 0);
    return flags;
}

TEST(CalibrationRun, ARefinedPKwSelectsThePointsItWasRefinedFrom) {
    // pKw starts 0.3 below and 0.4 above the truth: the first selections differ.
    sim::Setup setup;
    setup.carbonateFraction = 0.005;
    setup.seed = 11;
    std::optional<double> firstE0;
    for (const char* start : {"13.5", "13.82", "14.2"}) {
        core::Titration t = sim::makeTitration(setup);
        t.inputs.Range = {"2.5", "4", "10.3", "11.3"};
        t.inputs.pKbox = start;
        t.inputs.RefineGamma = true;
        t.inputs.RefinePKw = true;
        core::RecordingSink sink;
        ASSERT_TRUE(core::runCalibration(t, {}, sink).calibrated()) << start;
        core::SelectionInputs refined = core::readSelectionInputs(t.inputs, sink);
        refined.pKw = *t.results.pKw;
        EXPECT_EQ(core::pointsInRanges(t, refined), used(t)) << start;
        if (!firstE0)
            firstE0 = t.results.E0;
        else
            EXPECT_NEAR(*t.results.E0, *firstE0, 1e-6) << start;
    }
}

} // namespace
