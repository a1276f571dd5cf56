#include "cli/ShortestNumber.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

template <class Float> std::string shortest(Float value) {
    char buffer[cli::kShortestTextSize];
    return std::string(buffer, cli::writeShortest(buffer, value));
}

template <class Float> std::string standard(Float value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

TEST(WriteShortest, WritesTheShortestFormThatReadsBack) {
    const std::pair<double, const char*> doubles[] = {
        {0.1, "0.1"},
        {-0.0, "-0"},
        {100, "100"},
        {1234.5, "1234.5"},
        {0.0001, "1e-04"}, // shorter than 0.0001
        {0.00012, "0.00012"},
        {1e21, "1e+21"},
        {123456, "123456"},
        {1.2345678901234567e20, "123456789012345667584"}, // the exact digits beyond 2^53
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {400.12345678901234, "400.1234567890123"},
    };
    for (const auto& [value, text] : doubles)
        EXPECT_EQ(shortest(value), text);
    const std::pair<float, const char*> singles[] = {
        {0.02f, "0.02"},
        {-0.1f, "-0.1"},
        {283.11f, "283.11"},
        {1e-45f, "1e-45"},
        {3.4028235e38f, "3.4028235e+38"},
        {16777216.0f, "16777216"},
        {1e10f, "1e+10"},
    };
    for (const auto& [value, text] : singles)
        EXPECT_EQ(shortest(value), text);
}

/// Random finite values of every magnitude (from random bits) and of the sizes
/// a titration has; the text must be the standard library's, character for character.
template <class Float, class Bits> void compareWithStandard(int count) {
    std::mt19937_64 random(20260612);
    std::uniform_real_distribution<double> typical(-1000, 1000);
    int compared = 0;
    for (int i = 0; i < count; ++i) {
        const auto bits = static_cast<Bits>(random());
        for (Float value : {std::bit_cast<Float>(bits), static_cast<Float>(typical(random)),
                            static_cast<Float>(std::ldexp(typical(random), i % 120 - 60))}) {
            if (!std::isfinite(value))
                continue;
            ASSERT_EQ(shortest(value), standard(value)) << std::bit_cast<Bits>(value);
            ++compared;
        }
    }
    EXPECT_GT(compared, 2 * count);
    // Where the form changes: powers of ten and of two, and their neighbours.
    for (int k = -40; k <= 70; ++k)
        for (Float power : {static_cast<Float>(std::pow(10.0, k)), std::ldexp(Float(1), k)}) {
            for (Float value : {std::nextafter(power, Float(0)), power,
                                std::nextafter(power, power * 2), -power}) {
                if (std::isfinite(value)) {
                    ASSERT_EQ(shortest(value), standard(value)) << value;
                }
            }
        }
}

TEST(WriteShortest, IsTheStandardLibrarysTextForDoubles) {
    compareWithStandard<double, std::uint64_t>(200000);
}

TEST(WriteShortest, IsTheStandardLibrarysTextForSingles) {
    compareWithStandard<float, std::uint32_t>(200000);
}

} // namespace
