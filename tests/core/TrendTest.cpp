#include "core/Trend.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using core::Drift;
using core::TrendPoint;
using Series = std::vector<TrendPoint>;

Series kept(std::initializer_list<double> values) {
    Series series;
    for (double v : values)
        series.push_back({v, false});
    return series;
}

TEST(Trend, ControlLinesAreTheMeanAndThreeSampleDeviations) {
    const auto lines = core::controlLines(kept({2, 4, 4, 4, 5, 5, 7, 9}));
    ASSERT_TRUE(lines);
    EXPECT_DOUBLE_EQ(lines->mean, 5);
    EXPECT_DOUBLE_EQ(lines->sd, std::sqrt(32.0 / 7));
    EXPECT_DOUBLE_EQ(lines->lower(), 5 - 3 * std::sqrt(32.0 / 7));
    EXPECT_DOUBLE_EQ(lines->upper(), 5 + 3 * std::sqrt(32.0 / 7));
    EXPECT_EQ(lines->count, 8u);
    // Large values with small scatter: no cancellation.
    const auto e0 = core::controlLines(kept({400000.1, 400000.3}));
    ASSERT_TRUE(e0);
    EXPECT_NEAR(e0->sd, std::sqrt(0.02), 1e-9);
}

TEST(Trend, ControlLinesTakeTheLastTwentyKeptRecords) {
    // 25 records: five early outliers at 1000, then 0, 1, 0, 1... A withdrawn
    // record inside the window does not count, so the window reaches one further back.
    Series series = kept({1000, 1000, 1000, 1000, 1000});
    for (int i = 0; i < 20; ++i)
        series.push_back({static_cast<double>(i % 2), false});
    auto lines = core::controlLines(series);
    ASSERT_TRUE(lines);
    EXPECT_DOUBLE_EQ(lines->mean, 0.5);
    EXPECT_EQ(lines->count, 20u);
    series[10].withdrawn = true; // a 1 inside the window
    lines = core::controlLines(series);
    ASSERT_TRUE(lines);
    EXPECT_DOUBLE_EQ(lines->mean, (1000 + 9 * 1 + 10 * 0) / 20.0);
    series[4].withdrawn = true;
    series.push_back({NAN, false});
    EXPECT_DOUBLE_EQ(core::controlLines(series)->mean, (1000 + 9 * 1 + 10 * 0) / 20.0)
        << "the withdrawn and the non-finite value are left out";
}

TEST(Trend, ShortSeriesHaveNoLinesOrNoDrift) {
    const struct {
        Series series;
        bool lines;
    } cases[] = {{{}, false},
                 {kept({5}), false},
                 {{{5, false}, {9, true}}, false},
                 {kept({1, 2}), true},
                 {kept({1, 2, 3}), true}};
    for (const auto& c : cases) {
        const core::TrendSummary summary = core::summarizeTrend(c.series);
        EXPECT_EQ(summary.lines.has_value(), c.lines) << c.series.size();
        EXPECT_EQ(summary.drift, Drift::None);
        if (summary.lines) {
            EXPECT_TRUE(std::isfinite(summary.lines->sd));
            EXPECT_TRUE(std::isfinite(summary.lines->mean));
        }
    }
    // Three steep steps, but only three kept records after the first.
    EXPECT_EQ(core::driftOf(kept({0, 10, 20}), 1), Drift::None);
    EXPECT_EQ(core::driftOf({{0, true}, {0, false}, {10, false}, {20, false}, {30, false}}, 1),
              Drift::Up);
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
        {"up, down, up", kept({0, 0, 2, 0, 2}), 1, Drift::None},
        {"two up only", kept({0, 5, 5, 7, 9}), 1, Drift::None},
        {"one move of exactly one sd", kept({0, 1.5, 3, 4}), 1, Drift::None},
        {"every move exactly one sd", kept({0, 0.5, 1, 1.5}), 0.5, Drift::None},
        {"a withdrawn record breaks no run",
         {{0, false}, {2, false}, {99, true}, {4, false}, {6, false}},
         1,
         Drift::Up},
        {"withdrawn records make no run",
         {{5, false}, {5, false}, {5, false}, {5, false}, {7, true}, {9, true}, {11, true}},
         1,
         Drift::None},
        {"no deviation, no moves", kept({3, 3, 3, 3}), 0, Drift::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::driftOf(c.series, c.sd), c.drift) << c.name;
}

TEST(Trend, SummaryJudgesDriftAgainstTheControlLines) {
    // Twenty stable records scattered by 1, then three steps of 3 each: a drift,
    // though the steps widen the control lines they are judged against.
    Series series;
    for (int i = 0; i < 20; ++i)
        series.push_back({400.0 + (i % 2 == 0 ? -1 : 1), false});
    for (double v : {404, 407, 410})
        series.push_back({v, false});
    core::TrendSummary summary = core::summarizeTrend(series);
    ASSERT_TRUE(summary.lines);
    EXPECT_LT(summary.lines->sd, 3);
    EXPECT_EQ(summary.drift, Drift::Up);
    // The same steps in a scattered series are within its deviation.
    for (std::size_t i = 0; i < 20; ++i)
        series[i].value = 400.0 + (i % 2 == 0 ? -6 : 6);
    summary = core::summarizeTrend(series);
    EXPECT_GT(summary.lines->sd, 3);
    EXPECT_EQ(summary.drift, Drift::None);
}

} // namespace
