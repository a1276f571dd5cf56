#include "core/Selection.h"

#include "Crafted.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(SelectPoints, WorkedExample) {
    // 25 ml of 0.01 M acid, 0.1 M alkali; a hand choice and old residuals are replaced.
    core::Titration t = crafted::titration(25, 0, 0.01, -0.1, {{0}, {1}, {3, 0, false}});
    t.points[1].Resid = t.points[1].GranResid = 1.5;
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink));
    EXPECT_TRUE(sink.messages.empty());
    // pH 2, about 2.24 and about 11.03: only the last is inside a range.
    const double pH[] = {2, -std::log10(0.15 / 26), 13.78 + std::log10(0.05 / 28)};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(t.points[i].PointPH, pH[i], 1e-6) << i;
        EXPECT_EQ(t.points[i].UsePoint, i == 2) << i;
    }
    EXPECT_EQ(t.points[1].Resid, 0);
    EXPECT_EQ(t.points[1].GranResid, 0);
}

TEST(SelectPoints, BoundsAreStrictAndNeutralPointsSitAtHalfPKw) {
    // 1 ml of 0.5 M acid: at 2 ml of 0.25 M alkali nothing is in excess.
    core::Titration t = crafted::titration(1, 0, 0.5, -0.25, {{2}});
    t.inputs.pKbox = "13";
    const struct {
        std::array<std::string, 4> ranges;
        bool used;
    } cases[] = {{{"6", "7", "0", "0"}, true},     {{"6.5", "7", "0", "0"}, false},
                 {{"6", "6.5", "0", "0"}, false},  {{"0", "0", "6", "7"}, true},
                 {{"0", "0", "6.5", "14"}, false}, {{"7", "6", "7", "6"}, false}};
    for (const auto& c : cases) {
        t.inputs.Range = c.ranges;
        core::RecordingSink sink;
        ASSERT_TRUE(core::SelectPoints(t, sink));
        EXPECT_EQ(t.points[0].PointPH, 6.5);
        EXPECT_EQ(t.points[0].UsePoint, c.used) << c.ranges[0] << " " << c.ranges[1];
    }
}

TEST(SelectPoints, BadBoxesAndZeroVolumes) {
    core::Titration t = crafted::titration(25, 5, 0.01, -0.1, {{1, 250}, {-30}});
    t.inputs.pKbox = "1e50";
    t.inputs.Range[3] = "-1e40";
    const core::Titration before = t;
    core::RecordingSink sink;
    EXPECT_FALSE(core::SelectPoints(t, sink));
    EXPECT_EQ(sink.messages, (crafted::Messages{{"total volume is zero at point 2", ""}}));
    EXPECT_TRUE(t == before);
    t.points.pop_back();
    sink.messages.clear();
    EXPECT_TRUE(core::SelectPoints(t, sink));
    EXPECT_EQ(sink.messages, crafted::Messages(2, {"invalid entry for number", ""}));
}

} // namespace
