#include "core/Format.h"
#include "core/Locale.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <ostream>

namespace {

struct PatternCase {
    double value;
    const char* pattern;
    const char* expected;
    friend std::ostream& operator<<(std::ostream& os, const PatternCase& c) {
        return os << c.value << " with \"" << c.pattern << '"';
    }
};

class PatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTest, Formats) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(core::formatNumber(c.value, c.pattern), c.expected)
        << c.value << " with " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PatternTest,
    ::testing::Values(
        PatternCase{402.3871, "###0.00", "402.39"}, PatternCase{0.5, "###0.0", "0.5"},
        PatternCase{7, "##0", "7"}, PatternCase{-0.5, "###0.000", "-0.500"},
        PatternCase{123456.789, "###0.000", "123456.789"},
        PatternCase{2, "##0.0#####", "2.0"}, PatternCase{1.23456789, "##0.0#####", "1.234568"},
        PatternCase{25, "0.00####", "25.00"}, PatternCase{0, "0.00####", "0.00"},
        PatternCase{0.01f, "0.0#####", "0.01"}, PatternCase{-0.1f, "0.0#####", "-0.1"},
        PatternCase{412.3456, "#0.00", "412.35"}, PatternCase{7.5, "0.000", "7.500"},
        PatternCase{12, "###0.", "12."}, PatternCase{0.4, "###0.", "0."},
        PatternCase{3, "##", "3"}, PatternCase{0, "##", ""},
        // Exact halves go away from zero; a binary value just below a half does not.
        PatternCase{0.125, "0.00", "0.13"}, PatternCase{-0.125, "0.00", "-0.13"},
        PatternCase{2.5, "##0", "3"}, PatternCase{2.675, "0.00", "2.67"},
        PatternCase{9.9996, "0.000", "10.000"}, PatternCase{999.96, "##0.0", "1000.0"},
        // A negative value that rounds to zero has no minus sign.
        PatternCase{-0.0004, "0.000", "0.000"}, PatternCase{-0.0, "#0.00", "0.00"},
        // Exponent forms of the tick labels.
        PatternCase{2.5e-10, "0.0E-00", "2.5E-10"}, PatternCase{2.5e-5, "0.0E-0", "2.5E-5"},
        PatternCase{20000, "0.0E-0", "2.0E4"}, PatternCase{99999, "0.0E-0", "1.0E5"},
        PatternCase{-3.25e-7, "0.0E-0", "-3.3E-7"},
        // Nothing that is not a number ever shows.
        PatternCase{std::numeric_limits<double>::quiet_NaN(), "#0.00", "0.00"},
        PatternCase{std::numeric_limits<double>::infinity(), "##0", "0"}));

/// Rounds the exact decimal expansion of |value| to `decimals` places, halves
/// up, as text: a slow, plainly correct rounding to compare with.
std::string exactlyRounded(double value, int decimals) {
    std::string digits(1500, '\0');
    auto end = std::to_chars(digits.data(), digits.data() + digits.size(), std::fabs(value),
                             std::chars_format::fixed, 1100).ptr;
    digits.resize(static_cast<std::size_t>(end - digits.data()));
    const std::size_t point = digits.find('.');
    std::string kept = digits.substr(0, point) + digits.substr(point + 1, decimals);
    if (digits[point + 1 + decimals] >= '5') {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9')
            kept[--i] = '0';
        if (i == 0)
            kept.insert(0, "1");
        else
            ++kept[i - 1];
    }
    std::string integer = kept.substr(0, kept.size() - decimals);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    std::string text = decimals > 0 ? integer + "." + kept.substr(kept.size() - decimals) : integer;
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    return value < 0 && !zero ? "-" + text : text;
}

TEST(PatternRounding, AgreesWithTheExactExpansion) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-9, 16);
    std::uniform_int_distribution<int> eighths(-8000, 8000);
    for (int i = 0; i < 20000; ++i) {
        // Random magnitudes, and binary fractions that are exact halves at some places.
        const double value = i % 2 ? std::pow(10.0, exponent(random)) * (i % 3 ? 1 : -1)
                                   : eighths(random) / 64.0;
        for (int decimals = 0; decimals <= 8; ++decimals) {
            const std::string pattern = decimals ? "0." + std::string(decimals, '0') : "0";
            ASSERT_EQ(core::formatNumber(value, pattern), exactlyRounded(value, decimals))
                << std::hexfloat << value << " with " << pattern;
        }
    }
}

TEST(PatternLocale, ShowsTheLocaleSeparator) {
    core::ScopedDecimalSeparator locale(',');
    EXPECT_EQ(core::formatNumber(402.3871, "###0.00"), "402,39");
    EXPECT_EQ(core::formatNumber(2.5e-5, "0.0E-0"), "2,5E-5");
    EXPECT_EQ(core::generalNumberText(12.345), "12,345");
}

TEST(OneFig, RoundsToOneSignificantFigure) {
    const std::pair<double, const char*> cases[] = {
        {0.0234, "0.02"},  {0.094, "0.09"},   {0.096, "0.10"},           {0.0096, "0.010"},
        {0.1, "0.10"},     {0.5, "0.5"},      {0.97, "1.0"},             {3.7, "4.0"},
        {12.3, "12.0"},    {123.4, "123.0"},  {0.00000034, "0.0000003"}, {1e20, "100000000000000000000.0"},
        // Below the bands and the degenerate deviations.
        {0.00000011, "0.0000001"}, {1e-9, "0.0000000"}, {0, "0.0000000"}, {-1, "0.0000000"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0000000"},
        {std::numeric_limits<double>::infinity(), "0.0000000"}};
    for (const auto& [sd, expected] : cases)
        EXPECT_EQ(core::OneFig(sd), expected) << sd;
}

TEST(Formt, CountsTheCharactersAfterTheFirstTwo) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.02", "###0.00"}, {"0.010", "###0.000"}, {"4.0", "###0.0"},
        {"12.0", "###0.00"}, {"123.0", "###0.000"}, {"12", "###0."}, {"", "###0."}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(core::formt(text), expected) << text;
    // The pair as the results use it: 0.0234 shows 0.02, the value two decimals.
    EXPECT_EQ(core::formatNumber(402.3871, core::formt(core::OneFig(0.0234))), "402.39");
}

TEST(Padd, LeftAlignsAndCuts) {
    EXPECT_EQ(core::Padd(7, "##0", 4), "7   ");
    EXPECT_EQ(core::Padd(12.34567, "###0.000", 10), "12.346    ");
    EXPECT_EQ(core::Padd(-0.5, "###0.000", 9), "-0.500   ");
    EXPECT_EQ(core::Padd(123456.789, "###0.000", 9), "123456.78");
    EXPECT_EQ(core::Padd(2, "##0.0#####", 7), "2.0    ");
    EXPECT_EQ(core::Padd(12.3456789, "##0.0#####", 7), "12.3456");
    EXPECT_EQ(core::Padd(1, "##0", 0), "");
}

TEST(GeneralNumberText, ShortestTextOfTheSingle) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"}, {12.345, "12.345"}, {static_cast<double>(0.1f), "0.1"},
        {25, "25"},   {-3.5, "-3.5"},     {0, "0"},
        {-0.0, "0"},  {1e-30, "1E-30"},   {std::numeric_limits<double>::quiet_NaN(), "0"}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(core::generalNumberText(value), expected) << value;
}

} // namespace
