#include "core/Trend.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using core::Drift;
using Series = std::vector<core::TrendPoint>;

Series kept(std::initializer_list<double> values) {
    Series series;
    for (double v : values)
        series.push_back({v, false});
    return series;
}

TEST(Trend, ControlLinesOfTheBaseline) {
    // Five outliers, then twenty records alternating 0 and 1: a baseline of those twenty,
    // and one that starts at the last outlier where a record of the twenty is withdrawn.
    Series window = kept({1000, 1000, 1000, 1000, 1000});
    for (int i = 0; i < 20; ++i)
        window.push_back({static_cast<double>(i % 2), false});
    Series withdrawn = window;
    withdrawn[10].withdrawn = true;
    withdrawn.push_back({NAN, false});
    const struct {
        const char* name;
        Series series;
        core::Baseline baseline;
        double mean, sd;
        std::size_t count;
    } cases[] = {
        {"eight", kept({2, 4, 4, 4, 5, 5, 7, 9}), {}, 5, std::sqrt(32.0 / 7), 8},
        {"first ten", kept({2, 4, 4, 4, 5, 5, 7, 9, 0, 10, 500}), {}, 5, std::sqrt(82.0 / 9), 10},
        {"large values", kept({400000.1, 400000.3}), {}, 400000.2, std::sqrt(0.02), 2},
        {"chosen", window, {5, 20}, 0.5, std::sqrt(5.0 / 19), 20},
        {"withdrawn",
         withdrawn,
         {4, 20},
         50.45,
         std::sqrt((949.55 * 949.55 + 9 * 49.45 * 49.45 + 10 * 50.45 * 50.45) / 19),
         20},
    };
    for (const auto& c : cases) {
        const auto lines = core::controlLines(c.series, c.baseline);
        ASSERT_TRUE(lines) << c.name;
        EXPECT_NEAR(lines->mean, c.mean, 1e-9) << c.name;
        EXPECT_NEAR(lines->sd, c.sd, 1e-9) << c.name;
        EXPECT_NEAR(lines->upper() - lines->lower(), 6 * c.sd, 1e-9) << c.name;
        EXPECT_EQ(lines->count, c.count) << c.name;
    }
    for (const Series& s : {Series{}, kept({5}), Series{{5, false}, {9, true}}})
        EXPECT_EQ(core::summarizeTrend(s), core::TrendSummary{}) << s.size();
}

TEST(Trend, DriftIsThreeMovesTheSameWayOfMoreThanOneDeviation) {
    const struct {
        const char* name;
        Series series;
        double sd;
        Drift drift;
    } cases[] = {
        {"up", kept({0, 0, 1.5, 3, 4.5}), 1, Drift::Up},
        {"down", kept({9, 9, 7.5, 6, 4.5}), 1, Drift::Down},
        {"three records only", kept({0, 10, 20}), 1, Drift::None},
        {"up, down, up", kept({0, 0, 2, 0, 2}), 1, Drift::None},
        {"two up only", kept({0, 5, 5, 7, 9}), 1, Drift::None},
        {"one move of exactly one sd", kept({0, 1.5, 3, 4}), 1, Drift::None},
        {"moves of exactly one sd", kept({0, 0.5, 1, 1.5}), 0.5, Drift::None},
        {"withdrawn inside the run", {{0, 0}, {2, 0}, {99, 1}, {4, 0}, {6, 0}}, 1, Drift::Up},
        {"withdrawn at the end",
         {{5, 0}, {5, 0}, {5, 0}, {5, 0}, {7, 1}, {9, 1}, {11, 1}},
         1,
         Drift::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::driftOf(c.series, c.sd), c.drift) << c.name;

    // Twenty records scattered by 1, then three steps of 3: a drift, though the steps
    // widen the control lines they are judged against. Scattered by 6, no drift.
    for (const auto& [scatter, drift] : {std::pair{1.0, Drift::Up}, std::pair{6.0, Drift::None}}) {
        Series series;
        for (int i = 0; i < 20; ++i)
            series.push_back({400 + (i % 2 == 0 ? -scatter : scatter), false});
        for (double v : {404, 407, 410})
            series.push_back({v, false});
        EXPECT_EQ(core::summarizeTrend(series).drift, drift) << scatter;
    }
}

TEST(Trend, RulesAgainstTheControlLines) {
    using core::ControlRule;
    using Flags = std::vector<core::RuleFlag>;
    const core::ControlLines lines{0, 1, 10};
    const struct {
        const char* name;
        Series series;
        Flags flags;
    } cases[] = {
        {"at 3 sd", kept({3, -3}), {}},
        {"beyond 3 sd",
         kept({0, 3.01, -3.5}),
         {{1, ControlRule::Beyond3Sd}, {2, ControlRule::Beyond3Sd}}},
        {"two of three", kept({2.5, 0.1, 2.6}), {{2, ControlRule::TwoOfThreeBeyond2Sd}}},
        {"two of four", kept({2.5, 0.1, -0.1, 2.6}), {}},
        {"opposite sides", kept({2.5, -2.5}), {}},
        {"six rising",
         kept({-1, -0.5, 0, 0.1, 0.2, 0.3, 0.4}),
         {{5, ControlRule::SixInARow}, {6, ControlRule::SixInARow}}},
        {"five rising", kept({0.5, 0, 0.1, 0.2, 0.3, 0.4, 0.3}), {}},
        {"every rule at once",
         kept({-1, -0.5, 0, 0.5, 2.5, 3.5}),
         {{5, ControlRule::Beyond3Sd},
          {5, ControlRule::TwoOfThreeBeyond2Sd},
          {5, ControlRule::SixInARow}}},
        {"withdrawn left out",
         {{2.5, 0}, {2.6, 1}, {0, 0}, {2.7, 0}},
         {{3, ControlRule::TwoOfThreeBeyond2Sd}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::ruleFlags(c.series, lines), c.flags) << c.name;
}

TEST(Trend, ARiseAfterAStableBaselineIsFlaggedEveryStep) {
    Series series;
    for (int i = 0; i < 12; ++i)
        series.push_back({400 + (i % 3 - 1) * 0.4, false});
    double value = 400;
    for (int i = 0; i < 11; ++i)
        series.push_back({value += 1.5 + (i % 3) * 0.5, false});
    const core::TrendSummary summary = core::summarizeTrend(series);
    std::vector<std::size_t> flagged;
    for (const core::RuleFlag& flag : summary.flags)
        if (flagged.empty() || flagged.back() != flag.index)
            flagged.push_back(flag.index);
    ASSERT_EQ(flagged.size(), 11u);
    for (std::size_t i = 0; i < 11; ++i)
        EXPECT_EQ(flagged[i], 12 + i);
    EXPECT_EQ(summary.drift, Drift::Up);
}

} // namespace
