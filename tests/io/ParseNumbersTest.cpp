#include "core/Locale.h"
#include "io/DataFile.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

struct SplitCase {
    const char* line;
    int count;
    std::vector<double> items; // the first min(count, 4) slots
    std::vector<bool> hasDigit;
    friend std::ostream& operator<<(std::ostream& os, const SplitCase& c) {
        return os << '"' << c.line << '"';
    }
};

class ParseNumbersTest : public ::testing::TestWithParam<SplitCase> {};

void expectSplit(const SplitCase& c) {
    core::RecordingSink sink;
    const io::LineItems items = io::ParseNumbers(c.line, sink);
    EXPECT_EQ(items.count, c.count);
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        EXPECT_EQ(items.item[i], c.items[i]) << "item " << i + 1;
        EXPECT_EQ(items.hasDigit[i], c.hasDigit[i]) << "item " << i + 1;
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(ParseNumbersTest, SplitsIntoRunsOfNumberCharacters) {
    expectSplit(GetParam());
}

TEST_P(ParseNumbersTest, SplitsTheSameInADecimalCommaLocale) {
    core::ScopedDecimalSeparator comma(',');
    expectSplit(GetParam());
}

constexpr double single(float f) {
    return static_cast<double>(f);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseNumbersTest,
    ::testing::Values(
        SplitCase{"25 0 0.01 -0.1", 4, {25, 0, single(0.01f), single(-0.1f)}, {1, 1, 1, 1}},
        // More than four runs: count 5, the first four kept.
        SplitCase{"1 2 3 4 5 6", 5, {1, 2, 3, 4}, {1, 1, 1, 1}},
        // Comma decimal when the line has no full stop; separator when it has one.
        SplitCase{"1,25 301,7", 2, {1.25, single(301.7f)}, {1, 1}},
        SplitCase{"1.25, 301.7", 2, {1.25, single(301.7f)}, {1, 1}},
        SplitCase{"1,25;301,7", 2, {1.25, single(301.7f)}, {1, 1}},
        SplitCase{"\t2.00\t405.1\t7.02", 3, {2, single(405.1f), single(7.02f)}, {1, 1, 1}},
        SplitCase{"  ", 0, {}, {}}, SplitCase{"", 0, {}, {}},
        // Exponents and signs belong to a run; what a run means is TextToNumber's business.
        SplitCase{"1.5e-3 2-3", 2, {single(1.5e-3f), 2}, {1, 1}},
        // Letters "e" are runs without a digit.
        SplitCase{"see here", 3, {0, 0, 0}, {0, 0, 0}}, SplitCase{"v = 1.5 ml", 1, {1.5}, {1}}));

TEST(ParseNumbers, ANumberOutOfRangeGivesTheMessageAndZero) {
    core::RecordingSink sink;
    const io::LineItems items = io::ParseNumbers("1e39 300", sink);
    EXPECT_EQ(items.count, 2);
    EXPECT_EQ(items.item[0], 0.0);
    EXPECT_EQ(items.item[1], 300.0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "invalid entry for number");
}

} // namespace
