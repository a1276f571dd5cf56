#include "io/Settings.h"

#include "core/Locale.h"

#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(Tags, GetTagTakesTheTextBetweenTheFirstTagsAndMakeTagTrimsIt) {
    const std::array<const char*, 3> found[] = {{"pKw", "<pKw>13.78</pKw>", "13.78"},
                                                {" p K w ", "<pKw>13.78</pKw>", "13.78"},
                                                {"pKw", "<pKw>1</pKw>\r\n<pKw>2</pKw>", "1"},
                                                {"a", "x<a> 2\r\n </a>y", " 2\r\n "}};
    for (const auto& [key, text, value] : found)
        EXPECT_EQ(io::GetTag(key, text), value) << key << " in " << text;
    for (const char* text : {"<PKW>13.78</PKW>", "<pKw></pKw>", "<pKw>13.78", "13.78</pKw>",
                             "</pKw><pKw>13.78", "< pKw>13.78</pKw>"})
        EXPECT_EQ(io::GetTag("pKw", text), "") << text;
    EXPECT_EQ(io::MakeTag("range 2", "  4.50  "), "<range2>4.50</range2>");
    EXPECT_EQ(io::MakeTag("datafile", " /home/a b/c.txt\t"),
              "<datafile>/home/a b/c.txt\t</datafile>");
}

TEST(NumberText, ShowsTheLeadingNumberInPlainForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"2.5", "2.5"}, {" 4.50 ", "4.5"}, {"13,78", "13.78"},    {"\t-1e1x", "-10"}, {"+7.", "7"},
        {".5", "0.5"},  {"", "0"},         {"abc", "0"},          {"- 5", "0"},       {"1e", "1"},
        {"1e39", "0"},  {"25 C", "25"},    {"11.3000001", "11.3"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(io::numberText(value), text) << '"' << value << '"';
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(io::numberText("13.78"), "13,78");
}

TEST(SettingsFile, IsNineTaggedLinesAndTheLimitsThatReadBackAsNumbers) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings s = io::defaultSettings("/opt/\u00E9t\u00E9");
    s.range[1] = " 4.50 ";
    s.pKw = "13,78";
    EXPECT_EQ(io::settingsText(s),
              "<TAMO>\r\n<datafile>/opt/\u00E9t\u00E9/data</datafile>\r\n<range1>2.5</range1>\r\n"
              "<range2>4.50</range2>\r\n<range3>10.8</range3>\r\n<range4>11.3</range4>\r\n"
              "<pKw>13,78</pKw>\r\n<temperature>25</temperature>\r\n</TAMO>\r\n"
              "<slopefactormin>0.95</slopefactormin>\r\n<slopefactormax>1.05</slopefactormax>\r\n"
              "<rmsmax>1</rmsmax>\r\n<impuritymax>2</impuritymax>\r\n"
              "<alkalideviationmax>2</alkalideviationmax>\r\n<impuritymin>-0.5</impuritymin>\r\n"
              "<e0min></e0min>\r\n<e0max></e0max>\r\n<gamma>1</gamma>\r\n"
              "<refinegamma>0</refinegamma>\r\n<refinepkw>0</refinepkw>\r\n"
              "<branch>both</branch>\r\n<operator></operator>\r\n");
    ASSERT_EQ(io::writeSettingsFile(path, s), "");
    io::Settings back;
    ASSERT_EQ(io::readSettingsFile(path, back), "");
    EXPECT_EQ(back.datafile, s.datafile);
    EXPECT_EQ(back.range, (std::array<std::string, 4>{"2.5", "4.5", "10.8", "11.3"}));
    EXPECT_EQ(back.pKw, "13.78");
    EXPECT_EQ(back.temperature, "25");
    EXPECT_EQ(back.limits, core::VerdictLimits{});
    EXPECT_EQ(back.choices, io::CalibrationChoices{});
    // The choices read back; a file from before them reads as the defaults.
    s.choices = {"1,016", true, true, core::Branch::Acid};
    EXPECT_EQ(io::parseSettingsText(io::settingsText(s)).choices,
              (io::CalibrationChoices{"1.016", true, true, core::Branch::Acid}));
    EXPECT_EQ(io::parseSettingsText("<gamma>abc</gamma><branch>alkali</branch>").choices,
              io::CalibrationChoices{});
}

TEST(SettingsFile, ReadsKeysInAnyOrderFromLatin1AndRefusesWhatIsNoSettingsFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    const std::string missing = dir.filePath("none.ini").toStdString();
    std::ofstream(path, std::ios::binary)
        << "<temperature>37</temperature><range4>11,5</range4>\n<range3>10</range3><range2>4.50 "
           "</range2><range1> 3 </range1>\n<PKW>14</PKW><datafile> C:\\M\xFCller </datafile>"
           "<range1>9</range1>";
    io::Settings s;
    ASSERT_EQ(io::readSettingsFile(path, s), "");
    EXPECT_EQ(s.datafile, " C:\\M\u00FCller ");
    EXPECT_EQ(s.range, (std::array<std::string, 4>{"3", "4.5", "10", "11.5"}));
    EXPECT_EQ(s.pKw, "0");
    EXPECT_EQ(s.temperature, "37");
    EXPECT_EQ(io::readSettingsFile(missing, s),
              "The file \"" + missing + "\" cannot be read: No such file or directory");
    std::ofstream(path, std::ios::binary) << std::string(1024 * 1024 + 1, ' ');
    EXPECT_EQ(io::readSettingsFile(path, s),
              "The file \"" + path + "\" is larger than 1 MB and is not a settings file");
    EXPECT_EQ(io::readSettingsFile("/dev/zero", s),
              "The file \"/dev/zero\" is larger than 1 MB and is not a settings file");
    EXPECT_EQ(s.datafile, " C:\\M\u00FCller "); // unchanged
}

TEST(SettingsFile, VerdictLimitsReadBackExactlyOrFallBackToTheirDefaults) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings s = io::defaultSettings("/opt");
    s.limits = {0.1 + 0.2, 1.0 / 3, 0.25, 1e-7, 12.5};
    ASSERT_EQ(io::writeSettingsFile(path, s), "");
    io::Settings back;
    ASSERT_EQ(io::readSettingsFile(path, back), "");
    EXPECT_EQ(back.limits, s.limits);

    // A file of the nine lines alone, as written before the limits existed.
    const std::string nineLines =
        "<TAMO>\r\n<datafile>/d</datafile>\r\n<range1>3</range1>\r\n<range2>4</range2>\r\n"
        "<range3>10</range3>\r\n<range4>11</range4>\r\n<pKw>14</pKw>\r\n"
        "<temperature>20</temperature>\r\n</TAMO>\r\n";
    std::ofstream(path, std::ios::binary) << nineLines;
    ASSERT_EQ(io::readSettingsFile(path, back), "");
    EXPECT_EQ(back.limits, core::VerdictLimits{});
    EXPECT_EQ(back.temperature, "20");
    EXPECT_TRUE(io::settingsText(back).starts_with(nineLines));

    const struct {
        const char* value;
        double slopeFactorMin;
    } values[] = {{"", 0.95},      {"abc", 0.95},    {"- 1", 0.95},  {"1e999", 0.95},
                  {"0.5", 0.5},    {" 0,97 ", 0.97}, {"+0.9x", 0.9}, {".8", 0.8},
                  {"-1e-1", -0.1}, {"0.96e", 0.96}};
    for (const auto& [value, expected] : values) {
        const io::Settings parsed = io::parseSettingsText(std::string("<slopefactormin>") + value +
                                                          "</slopefactormin><rmsmax>0.5</rmsmax>");
        EXPECT_EQ(parsed.limits.slopeFactorMin, expected) << '"' << value << '"';
        // A limit that is no number is named, and the defaults stand for all limits.
        const bool unread = *value != '\0' && expected == 0.95;
        EXPECT_EQ(parsed.limitsProblem.empty(), !unread) << value;
        EXPECT_EQ(parsed.limits.rmsMax, unread ? 1.0 : 0.5);
        EXPECT_EQ(parsed.limits.slopeFactorMax, 1.05);
    }
    // A limit without a number, or limits that contradict each other, are named once
    // and the defaults stand for all of them.
    for (const char* text : {"<rmsmax>abc</rmsmax><e0min>390</e0min>",
                             "<e0min>400</e0min><e0max>390</e0max>", "<rmsmax>0</rmsmax>"}) {
        const io::Settings parsed = io::parseSettingsText(text);
        EXPECT_EQ(parsed.limits, core::VerdictLimits{}) << text;
        EXPECT_NE(parsed.limitsProblem, "") << text;
    }
    const io::Settings window = io::parseSettingsText("<e0min>1e3</e0min><e0max>1200</e0max>");
    EXPECT_EQ(window.limits.e0Min, 1000);
    EXPECT_EQ(window.limitsProblem, "");
    s.limits.rmsMax = NAN;
    EXPECT_NE(io::settingsText(s).find("<rmsmax>1</rmsmax>"), std::string::npos);
}

} // namespace

TEST(SettingsFile, StatedUncertaintiesReadBackAndABadOneIsNamed) {
    io::Settings s;
    s.uncertainty[core::UncertaintyInput::TitrandVolume] = core::StatedUncertainty{0.03, false};
    s.uncertainty[core::UncertaintyInput::Burette] = core::StatedUncertainty{0.0015, true};
    const std::string text = io::settingsText(s);
    EXPECT_NE(text.find("<u-titrand-volume>0.03</u-titrand-volume>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<u-burette>0.15%</u-burette>\r\n"), std::string::npos);
    EXPECT_EQ(text.find("<u-emf>"), std::string::npos); // the default is not written
    const io::Settings back = io::parseSettingsText(text);
    EXPECT_EQ(back.uncertaintyProblem, "");
    EXPECT_NEAR(back.uncertainty[core::UncertaintyInput::Burette]->value, 0.0015, 1e-9);
    EXPECT_EQ(io::parseSettingsText(text + "<u-emf>5%</u-emf>").uncertaintyProblem,
              "<u-emf> is in mV, not a percentage: \"5%\"");
}
