#include "core/Selection.h"

#include "Crafted.h"
#include "core/NumberEntry.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SelectPoints, WorkedExample) {
    // 25 ml of 0.01 M acid, 0.1 M alkali; a hand choice and old residuals are replaced.
    core::Titration t =
        crafted::titration(25, 0, 0.01, -0.1, {{0, 0, true}, {1, 0}, {3, 0, false}});
    t.points[1].Resid = t.points[1].GranResid = 1.5;
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink));
    EXPECT_TRUE(sink.messages.empty());
    const struct {
        double pH;
        bool used;
    } expected[] = {{2, false},
                    {-std::log10(0.15 / 26), false},        // about 2.24
                    {13.78 + std::log10(0.05 / 28), true}}; // about 11.03
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(t.points[i].PointPH, expected[i].pH, 1e-6) << i;
        EXPECT_EQ(t.points[i].UsePoint, expected[i].used) << i;
    }
    EXPECT_EQ(t.points[1].Resid, 0);
    EXPECT_EQ(t.points[1].GranResid, 0);
    EXPECT_EQ(t.UsedCount(), 1);
    EXPECT_EQ(t.InitialVolume, 25);
    EXPECT_EQ(t.BuretteConc, t.Burette.value);
    EXPECT_EQ(t.pKw, static_cast<double>(13.78f));
}

TEST(SelectPoints, BoundsAreStrictAndNeutralPointsSitAtHalfPKw) {
    const struct {
        std::array<std::string, 4> ranges;
        bool used;
    } cases[] = {{{"6", "7", "0", "0"}, true},     {{"6.5", "7", "0", "0"}, false},
                 {{"6", "6.5", "0", "0"}, false},  {{"0", "0", "6", "7"}, true},
                 {{"0", "0", "6.5", "14"}, false}, {{"7", "6", "7", "6"}, false}};
    for (const auto& c : cases) {
        // 1 ml of 0.5 M acid: at 2 ml of 0.25 M alkali nothing is in excess.
        core::Titration t = crafted::titration(1, 0, 0.5, -0.25, {{2, 0}});
        t.inputs.pKbox = "13";
        t.inputs.Range = c.ranges;
        core::RecordingSink sink;
        ASSERT_TRUE(core::SelectPoints(t, sink));
        EXPECT_EQ(t.points[0].PointPH, 6.5);
        EXPECT_EQ(t.points[0].UsePoint, c.used) << c.ranges[0] << " " << c.ranges[1];
    }
}

TEST(SelectPoints, BadBoxesAndZeroVolumes) {
    core::Titration t = crafted::titration(25, 5, 0.01, -0.1, {{1, 250}, {-30, 0}});
    t.inputs.pKbox = "1e50";
    t.inputs.Range[3] = "-1e40";
    const core::Titration before = t;
    core::RecordingSink sink;
    EXPECT_FALSE(core::SelectPoints(t, sink));
    EXPECT_EQ(sink.messages, (std::vector<core::Message>{{"total volume is zero at point 2", ""}}));
    EXPECT_TRUE(t == before);

    t.points.pop_back();
    sink.messages.clear();
    EXPECT_TRUE(core::SelectPoints(t, sink));
    EXPECT_EQ(sink.messages, (std::vector<core::Message>(2, {"invalid entry for number", ""})));
}

} // namespace
