#include "io/LineReader.h"
#include "io/TextEncoding.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(IsValidUtf8, FindsABadSequenceWhereverItStands) {
    // Runs of ASCII are checked several bytes at a time: put each sequence at
    // every offset around such a run.
    const std::pair<std::string, bool> sequences[] = {
        {"\xC3\xA4", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xE4", false},
        {"\xC3", false},
        {"\xC0\xAF", false}, // overlong
        {"\xED\xA0\x80", false},
        {"\xF4\x90\x80\x80", false}, // surrogate, too high
        {"\xE2\x82", false},
        {"\x80", false}};
    for (const auto& [sequence, valid] : sequences) {
        for (std::size_t before = 0; before <= 17; ++before) {
            for (std::size_t after : {0, 1, 9}) {
                const std::string text =
                    std::string(before, 'a') + sequence + std::string(after, 'z');
                EXPECT_EQ(io::isValidUtf8(text), valid) << before << " + " << sequence.size();
            }
        }
    }
    EXPECT_TRUE(io::isValidUtf8(std::string(1000, 'x')));
}

std::vector<std::string> lines(std::string_view text) {
    io::LineReader reader(text);
    std::vector<std::string> found;
    for (std::string_view line; reader.next(line);)
        found.emplace_back(line);
    return found;
}

TEST(LineReader, EndsLinesAtCrLfLfOrALoneCr) {
    using Lines = std::vector<std::string>;
    const std::pair<const char*, Lines> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF then a lone CR
        {"a\r\n\r\nb\n", {"a", "", "b"}},
        {"x\ry\nz", {"x", "y", "z"}}, // a lone CR before a LF
        {"\r\n", {""}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(lines(text), expected) << '"' << text << '"';
    io::LineReader reader("a\n\nb");
    std::string_view line;
    while (reader.next(line)) {
    }
    EXPECT_EQ(reader.number(), 3);
}

} // namespace
