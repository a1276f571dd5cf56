#include "core/Format.h"

#include "core/Locale.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

using Case = std::pair<double, const char*>;

TEST(Pattern, Formats) {
    const auto formats = [](const char* pattern, std::vector<Case> cases) {
        for (const auto& [value, expected] : cases)
            EXPECT_EQ(core::formatNumber(value, pattern), expected) << value << " with " << pattern;
    };
    formats("###0.00", {{402.3871, "402.39"}});
    formats("###0.0", {{0.5, "0.5"}});
    formats("###0.000", {{-0.5, "-0.500"}, {123456.789, "123456.789"}});
    formats("##0.0#####", {{2, "2.0"}, {1.23456789, "1.234568"}});
    formats("0.00####", {{25, "25.00"}, {0, "0.00"}});
    formats("0.0#####", {{0.01f, "0.01"}, {-0.1f, "-0.1"}});
    formats("###0.", {{12, "12."}, {0.4, "0."}});
    formats("##", {{3, "3"}, {0, ""}});
    // Exact halves go away from zero; a binary value just below a half (2.675) does
    // not. A negative value that rounds to zero has no minus sign.
    formats("0.00", {{0.125, "0.13"}, {-0.125, "-0.13"}, {2.675, "2.67"}});
    formats("##0", {{7, "7"}, {2.5, "3"}, {INFINITY, "0"}});
    formats("##0.0", {{999.96, "1000.0"}});
    formats("#0.00", {{412.3456, "412.35"}, {-0.0, "0.00"}, {NAN, "0.00"}});
    // The exponent forms of the tick labels.
    formats("0.0E-00", {{2.5e-10, "2.5E-10"}});
    formats("0.0E-0",
            {{2.5e-5, "2.5E-5"}, {20000, "2.0E4"}, {99999, "1.0E5"}, {-3.25e-7, "-3.3E-7"}});
}

/// Rounds the exact decimal expansion of |value| to `decimals` places, halves
/// up, as text: a slow, plainly correct rounding to compare with.
std::string exactlyRounded(double value, int decimals) {
    std::string digits(1500, '\0');
    auto end = std::to_chars(digits.data(), digits.data() + digits.size(), std::fabs(value),
                             std::chars_format::fixed, 1100)
                   .ptr;
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
        const double value =
            i % 2 ? std::pow(10.0, exponent(random)) * (i % 3 ? 1 : -1) : eighths(random) / 64.0;
        for (int decimals = 0; decimals <= 8; ++decimals) {
            const std::string pattern = decimals ? "0." + std::string(decimals, '0') : "0";
            ASSERT_EQ(core::formatNumber(value, pattern), exactlyRounded(value, decimals))
                << std::hexfloat << value << " with " << pattern;
        }
    }
    // Subnormals, and the edges of the rounding in integers.
    for (double value : {4.9e-324, -2.2e-310, 2.2250738585072014e-308, 0.5e-9, 0.49999999999e-9,
                         999999999999999.9, 1e15, 1e15 - 0.125, 2251799813685247.5}) {
        for (int decimals = 0; decimals <= 10; ++decimals) {
            const std::string pattern = decimals ? "0." + std::string(decimals, '0') : "0";
            EXPECT_EQ(core::formatNumber(value, pattern), exactlyRounded(value, decimals))
                << std::hexfloat << value << " with " << pattern;
        }
    }
}

TEST(Pattern, GivesTheSameTextWhateverPatternCameBefore) {
    // More patterns than are kept parsed, in one buffer whose text changes.
    const char* patterns[] = {
        "0",  "0.0",      "0.00",   "#0.000",   "##0.0#####",         "###0.", "0.0E-0", "0.00E-00",
        "##", "0.00####", "###0.0", "0.0#####", "#0.0000000000000000"};
    std::vector<std::string> first;
    std::string pattern;
    for (int pass = 0; pass < 3; ++pass) {
        for (std::size_t i = 0; i < std::size(patterns); ++i) {
            pattern = patterns[(i * (pass + 1)) % std::size(patterns)];
            const std::string text = core::formatNumber(-1234.56789, pattern);
            if (pass == 0)
                first.push_back(text);
            else
                EXPECT_EQ(text, core::formatNumber(-1234.56789, std::string(pattern))) << pattern;
        }
    }
    EXPECT_EQ(first[1], "-1234.6");
    EXPECT_EQ(first[6], "-1.2E3");
    EXPECT_EQ(first[12], "-1234.5678900000000340"); // the exact binary value
}

TEST(PatternLocale, ShowsTheLocaleSeparator) {
    core::ScopedDecimalSeparator locale(',');
    EXPECT_EQ(core::formatNumber(402.3871, "###0.00"), "402,39");
    EXPECT_EQ(core::formatNumber(2.5e-5, "0.0E-0"), "2,5E-5");
    EXPECT_EQ(core::generalNumberText(12.345), "12,345"); // the shortest text of the single
    EXPECT_EQ(core::generalNumberText(1e-30), "1E-30");
    // The pair as the results use it: 0.0234 shows 0.02, the value two decimals.
    EXPECT_EQ(core::formatNumber(402.3871, core::formt(core::OneFig(0.0234))), "402,39");
}

TEST(OneFig, RoundsToOneSignificantFigure) {
    const Case cases[] = {{0.0234, "0.02"},  {0.094, "0.09"},       {0.096, "0.10"},
                          {0.0096, "0.010"}, {0.1, "0.10"},         {0.5, "0.5"},
                          {0.97, "1.0"},     {3.7, "4.0"},          {12.3, "12.0"},
                          {123.4, "123.0"},  {3.4e-7, "0.0000003"}, {1.1e-7, "0.0000001"}};
    for (const auto& [sd, expected] : cases)
        EXPECT_EQ(core::OneFig(sd), expected) << sd;
    EXPECT_EQ(core::OneFig(1e20), "100000000000000000000.0");
    for (double degenerate : {1e-9, 0.0, -1.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(core::OneFig(degenerate), "0.0000000") << degenerate;
}

TEST(Formt, CountsTheCharactersAfterTheFirstTwo) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.02", "###0.00"},   {"0.010", "###0.000"}, {"4.0", "###0.0"}, {"12.0", "###0.00"},
        {"123.0", "###0.000"}, {"12", "###0."},       {"", "###0."}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(core::formt(text), expected) << text;
}

TEST(Padd, LeftAlignsAndCuts) {
    EXPECT_EQ(core::Padd(7, "##0", 4), "7   ");
    EXPECT_EQ(core::Padd(-0.5, "###0.000", 9), "-0.500   ");
    EXPECT_EQ(core::Padd(123456.789, "###0.000", 9), "123456.78");
    EXPECT_EQ(core::Padd(12.3456789, "##0.0#####", 7), "12.3456");
    EXPECT_EQ(core::Padd(1, "##0", 0), "");
}

} // namespace
