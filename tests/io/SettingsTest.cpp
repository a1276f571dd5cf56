#include "io/Settings.h"

#include "TestFiles.h"
#include "core/Locale.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct TagCase {
    const char* key;
    const char* text;
    const char* value;
    friend std::ostream& operator<<(std::ostream& os, const TagCase& c) {
        return os << c.key << " in \"" << c.text << '"';
    }
};

class GetTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(GetTagTest, FindsTheValueBetweenTheFirstTags) {
    const TagCase& c = GetParam();
    EXPECT_EQ(io::GetTag(c.key, c.text), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GetTagTest,
    ::testing::Values(TagCase{"pKw", "<pKw>13.78</pKw>", "13.78"},
                      TagCase{" p K w ", "<pKw>13.78</pKw>", "13.78"},
                      TagCase{"pKw", "<PKW>13.78</PKW>", ""},
                      TagCase{"pKw", "<pKw>1</pKw>\r\n<pKw>2</pKw>", "1"},
                      TagCase{"a", "x<a> two\r\nlines </a>y", " two\r\nlines "},
                      TagCase{"pKw", "<pKw></pKw>", ""}, TagCase{"pKw", "<pKw>13.78", ""},
                      TagCase{"pKw", "13.78</pKw>", ""}, TagCase{"pKw", "</pKw><pKw>13.78", ""},
                      TagCase{"pKw", "< pKw>13.78</pKw>", ""}));

TEST(MakeTag, StripsTheKeyAndTrimsTheValue) {
    EXPECT_EQ(io::MakeTag("range 2", "  4.50  "), "<range2>4.50</range2>");
    EXPECT_EQ(io::MakeTag("datafile", " /home/a b/c.txt\t"),
              "<datafile>/home/a b/c.txt\t</datafile>");
    EXPECT_EQ(io::StripSpaces(" a\tb c "), "a\tbc");
}

struct NumberCase {
    const char* value;
    const char* text;
    char locale;
};

TEST(NumberText, ShowsTheLeadingNumberInPlainForm) {
    const NumberCase cases[] = {{"2.5", "2.5", '.'},     {" 4.50 ", "4.5", '.'},
                                {"13,78", "13.78", '.'}, {"13.78", "13,78", ','},
                                {"\t-1e1x", "-10", '.'}, {"+7.", "7", '.'},
                                {".5", "0.5", '.'},      {"", "0", '.'},
                                {"abc", "0", '.'},       {"- 5", "0", '.'},
                                {"1e", "1", '.'},        {"1e39", "0", '.'},
                                {"25 C", "25", '.'},     {"11.3000001", "11.3", '.'}};
    for (const NumberCase& c : cases) {
        core::ScopedDecimalSeparator locale(c.locale);
        EXPECT_EQ(io::numberText(c.value), c.text)
            << '"' << c.value << "\" in '" << c.locale << "'";
    }
}

TEST(SettingsText, IsNineTaggedLines) {
    io::Settings s = io::defaultSettings("/opt/tamo");
    s.range[1] = " 4.50 ";
    EXPECT_EQ(io::settingsText(s), "<TAMO>\r\n"
                                   "<datafile>/opt/tamo/data</datafile>\r\n"
                                   "<range1>2.5</range1>\r\n"
                                   "<range2>4.50</range2>\r\n"
                                   "<range3>10.8</range3>\r\n"
                                   "<range4>11.3</range4>\r\n"
                                   "<pKw>13.78</pKw>\r\n"
                                   "<temperature>25</temperature>\r\n"
                                   "</TAMO>\r\n");
}

TEST(SettingsText, KeysInAnyOrderFirstOccurrenceCounts) {
    const io::Settings s = io::parseSettingsText(
        "<temperature>37</temperature><range4>11,5</range4>\n<range3>10</range3>"
        "<range2>4.50 </range2><range1> 3 </range1>\n<PKW>14</PKW><datafile> C:\\a b </datafile>"
        "<range1>9</range1>");
    EXPECT_EQ(s.datafile, " C:\\a b ");
    EXPECT_EQ(s.range, (std::array<std::string, 4>{"3", "4.5", "10", "11.5"}));
    EXPECT_EQ(s.pKw, "0");
    EXPECT_EQ(s.temperature, "37");
}

TEST(SettingsFile, WrittenThenReadGivesTheNumbersBack) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings s = io::defaultSettings(dir.path().toStdString() + "/\u00E9t\u00E9");
    s.range = {" 2.50 ", "4", "10.8", "11.3"};
    s.pKw = "13,78";
    ASSERT_EQ(io::writeSettingsFile(path, s), "");
    io::Settings back;
    ASSERT_EQ(io::readSettingsFile(path, back), "");
    EXPECT_EQ(back.datafile, s.datafile);
    EXPECT_EQ(back.range, (std::array<std::string, 4>{"2.5", "4", "10.8", "11.3"}));
    EXPECT_EQ(back.pKw, "13.78");
    EXPECT_EQ(back.temperature, "25");
}

TEST(SettingsFile, AMissingFileGivesTheReasonAndKeepsTheSettings) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("none.ini").toStdString();
    io::Settings s;
    s.pKw = "14";
    EXPECT_EQ(io::readSettingsFile(path, s),
              "The file \"" + path + "\" cannot be read: No such file or directory");
    EXPECT_EQ(s.pKw, "14");
    const std::string folder = dir.filePath("no/such").toStdString() + "/TAMO.INI";
    EXPECT_TRUE(io::writeSettingsFile(folder, s).starts_with("The file \"" + folder +
                                                             "\" cannot be written: "));
}

TEST(SettingsFile, ALatin1PathIsReadAsUtf8) {
    QTemporaryDir dir;
    const std::string path =
        testfiles::writeBytes(dir, "TAMO.INI", "<datafile>C:\\M\xFCller\\run.txt</datafile>");
    io::Settings s;
    ASSERT_EQ(io::readSettingsFile(path, s), "");
    EXPECT_EQ(s.datafile, "C:\\M\u00FCller\\run.txt");
    EXPECT_EQ(s.range[0], "0");
}

} // namespace
