#include "core/Locale.h"
#include "core/NumberEntry.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Case {
    const char* text;
    char locale;
    double expected; // as single precision widened
    bool message;
    friend std::ostream& operator<<(std::ostream& os, const Case& c) {
        return os << '"' << c.text << "\" in locale '" << c.locale << "'";
    }
};

class TextToNumberTest : public ::testing::TestWithParam<Case> {};

TEST_P(TextToNumberTest, ConvertsAsTyped) {
    const Case& c = GetParam();
    core::ScopedDecimalSeparator locale(c.locale);
    core::RecordingSink sink;
    const double value = core::TextToNumber(c.text, sink);
    EXPECT_EQ(value, c.expected) << '"' << c.text << '"';
    EXPECT_EQ(!sink.messages.empty(), c.message) << '"' << c.text << '"';
    if (c.message) {
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "invalid entry for number");
        EXPECT_EQ(sink.messages[0].title, "");
    }
}

constexpr double single(float f) { return static_cast<double>(f); }

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToNumberTest,
    ::testing::Values(
        // Both separators in both locales; the result is the nearest single.
        Case{"0,1", '.', single(0.1f), false}, Case{"0.1", '.', single(0.1f), false},
        Case{"0,1", ',', single(0.1f), false}, Case{"1.5", ',', 1.5, false},
        Case{"1,5", ',', 1.5, false},
        // '1,234.5' becomes '1.234.5' (not a number); the typed text is read: 1.
        Case{"1,234.5", '.', 1.0, false}, Case{"1,234.5", ',', 1.0, false},
        Case{" 7 ", '.', 7.0, false}, Case{"\t7\t", '.', 7.0, false},
        Case{"7.0E-1", '.', single(0.7f), false}, Case{"-2.5e+2", '.', -250.0, false},
        Case{"+3", '.', 3.0, false}, Case{".5", '.', 0.5, false}, Case{"5.", '.', 5.0, false},
        // Lenient fallback: the leading number, "." as separator.
        Case{"", '.', 0.0, false}, Case{"abc", '.', 0.0, false}, Case{"12 ml", '.', 12.0, false},
        Case{"  -4.25x", '.', -4.25, false}, Case{"1e", '.', 1.0, false},
        Case{"2-3", '.', 2.0, false}, Case{"-", '.', 0.0, false}, Case{".", '.', 0.0, false},
        Case{"1 2", '.', 1.0, false},
        // In a comma locale the fallback still reads "." only: "3,5 ml" gives 3.
        Case{"3,5 ml", ',', 3.0, false},
        // Forms the platform parser might accept but a chemist never types.
        Case{"inf", '.', 0.0, false}, Case{"nan", '.', 0.0, false}, Case{"0x10", '.', 0.0, false},
        Case{"1 000", '.', 1.0, false},
        // Out of single range: a message and 0; underflow rounds silently.
        Case{"1E+39", '.', 0.0, true}, Case{"-1e39", '.', 0.0, true},
        Case{"1e39 ml", '.', 0.0, true}, Case{"1e400", '.', 0.0, true},
        Case{"3.4028235e38", '.', single(3.4028235e38f), false},
        Case{"1e-50", '.', 0.0, false}, Case{"1e-500", '.', 0.0, false},
        Case{"1e-40", '.', single(1e-40f), false}));

TEST(FixDecimalSeparator, ChangesOnlyTheFirstMark) {
    {
        core::ScopedDecimalSeparator locale(',');
        EXPECT_EQ(core::FixDecimalSeparator("1.5"), "1,5");
        EXPECT_EQ(core::FixDecimalSeparator("1.2.3"), "1,2.3");
        EXPECT_EQ(core::FixDecimalSeparator("1,5"), "1,5");
    }
    core::ScopedDecimalSeparator locale('.');
    EXPECT_EQ(core::FixDecimalSeparator("1,234.5"), "1.234.5");
    EXPECT_EQ(core::FixDecimalSeparator("1,2,3"), "1.2,3");
}

} // namespace
