#include "core/ResidualTrend.h"

#include "core/CalibrationRun.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

namespace {

/// An acid-only titration (no alkali points; 30 in the acid range) with emf noise 0.05 mV.
core::Titration acidOnly(double titrantFactor, double slopeFactor, std::uint64_t seed) {
    sim::Setup setup;
    setup.slope = core::TheoreticalSlope(25) * slopeFactor;
    setup.lastVolume = 4.8;
    setup.pointCount = 97;
    setup.seed = seed;
    sim::Setup labelled = setup;
    setup.buretteConc *= titrantFactor;
    core::Titration t = sim::makeTitration(setup);
    core::setConditions(t, labelled.titrandVolume, labelled.electrolyteVolume, labelled.titrandConc,
                        labelled.buretteConc);
    t.inputs.branch = core::Branch::Acid;
    return t;
}

TEST(ResidualTrend, WarnsWhenTheHeldSlopeOrTheLabelMisfitsAndNamesTheCure) {
    const struct {
        double titrantFactor, slopeFactor;
        bool refineGamma, refineSlope;
        const char* cure; // empty: no warning
    } cases[] = {
        {1.01, 1, false, false, "refine Gamma, or the slope"},
        {1.01, 1, true, false, ""},
        {1, 0.98, false, false, "refine Gamma, or the slope"},
        {1, 0.98, false, true, ""},
        {1.01, 0.98, false, true, "refine Gamma"},
        {1, 1, false, false, ""},
    };
    for (const auto& c : cases)
        for (std::uint64_t seed = 1; seed <= 5; ++seed) {
            core::Titration t = acidOnly(c.titrantFactor, c.slopeFactor, seed);
            t.inputs.RefineGamma = c.refineGamma;
            t.inputs.RefineAcidSlope = c.refineSlope;
            core::RecordingSink sink;
            ASSERT_TRUE(core::runCalibration(t, {}, sink).calibrated());
            std::string warning;
            for (const core::Message& m : sink.messages)
                if (m.id == core::MessageId::ResidualTrend)
                    warning = m.text;
            const std::string context = std::to_string(c.titrantFactor) + " " +
                                        std::to_string(c.slopeFactor) + " seed " +
                                        std::to_string(seed) + ": " + warning;
            if (*c.cure == '\0')
                EXPECT_EQ(warning, "") << context;
            else
                EXPECT_TRUE(warning.ends_with(std::string("; ") + c.cure)) << context;
        }
}

} // namespace
