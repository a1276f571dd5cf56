#include "core/NumberEntry.h"

#include "Crafted.h"
#include "core/Locale.h"

#include <cfloat>
#include <gtest/gtest.h>

namespace {

TEST(TextToNumber, ConvertsAsTyped) {
    // Both separators in both locales; the result is the nearest single. "1,234.5"
    // becomes "1.234.5", not a number, so the text as typed is read: 1. Text that is
    // not one number gives its leading number, "." as separator even in a comma locale
    // ("3,5 ml" gives 3); forms the platform parser would take ("inf", "0x10") give
    // none. Underflow rounds silently.
    const struct {
        const char* text;
        char locale;
        double expected;
    } cases[] = {{"0,1", '.', 0.1f},
                 {"0.1", '.', 0.1f},
                 {"0,1", ',', 0.1f},
                 {"1.5", ',', 1.5},
                 {"1,5", ',', 1.5},
                 {"1,234.5", '.', 1},
                 {"1,234.5", ',', 1},
                 {" 7 ", '.', 7},
                 {"\t7\t", '.', 7},
                 {"7.0E-1", '.', 0.7f},
                 {"-2.5e+2", '.', -250},
                 {"+3", '.', 3},
                 {".5", '.', 0.5},
                 {"5.", '.', 5},
                 {"", '.', 0},
                 {"abc", '.', 0},
                 {"12 ml", '.', 12},
                 {"  -4.25x", '.', -4.25},
                 {"1e", '.', 1},
                 {"2-3", '.', 2},
                 {"-", '.', 0},
                 {".", '.', 0},
                 {"1 2", '.', 1},
                 {"3,5 ml", ',', 3},
                 {"inf", '.', 0},
                 {"nan", '.', 0},
                 {"0x10", '.', 0},
                 {"1 000", '.', 1},
                 {"1e-50", '.', 0},
                 {"1e-500", '.', 0},
                 {"1e-40", '.', 1e-40f},
                 // The leading number of a text that is not one number stays a double.
                 {"13.97 pK", '.', 13.97},
                 {"0.1 ml", ',', 0.1},
                 {" 0.3e1x", '.', 3.0},
                 {"1e-400 ml", '.', 0}};
    for (const auto& c : cases) {
        core::ScopedDecimalSeparator locale(c.locale);
        core::RecordingSink sink;
        EXPECT_EQ(core::TextToNumber(c.text, sink), c.expected) << '"' << c.text << '"';
        EXPECT_TRUE(sink.messages.empty()) << '"' << c.text << '"';
    }
    // The largest single converts; beyond it one message each and 0.
    core::RecordingSink sink;
    EXPECT_EQ(core::TextToNumber("3.4028235e38", sink), FLT_MAX);
    for (const char* text : {"1E+39", "-1e39", "1e39 ml", "1e400"})
        EXPECT_EQ(core::TextToNumber(text, sink), 0) << text;
    EXPECT_EQ(sink.messages, crafted::Messages(4, {"invalid entry for number", ""}));
}

TEST(HasNumber, TellsTextsWithoutAnyNumberFromTextsThatGiveZero) {
    const std::pair<const char*, bool> cases[] = {
        {"0", true},      {"25 C", true}, {",5", true},    {"9e99", true},
        {" -0.0 ", true}, {"", false},    {"abc", false},  {"-", false},
        {".", false},     {"e5", false},  {"  \t", false}, {"C 25", false}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(core::hasNumber(text), expected) << '"' << text << '"';
}

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
