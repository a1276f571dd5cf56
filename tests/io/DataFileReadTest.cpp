#include "TestFiles.h"
#include "core/Locale.h"
#include "io/DataFile.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

using Points = std::vector<std::pair<double, double>>;
constexpr double single(float f) {
    return static_cast<double>(f);
}

struct Accepted {
    const char* name;
    std::string bytes;
    std::string id;
    std::array<std::string, 4> captions;
    Points points;
    bool latin1;
    friend std::ostream& operator<<(std::ostream& os, const Accepted& c) { return os << c.name; }
};

class AcceptedFile : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedFile, LoadsIdentifierCaptionsAndPoints) {
    const Accepted& c = GetParam();
    QTemporaryDir dir;
    const std::string path = testfiles::writeBytes(dir, "data.txt", c.bytes);
    core::Titration t;
    t.DataFilePath = "kept";
    core::RecordingSink sink;
    ASSERT_TRUE(io::ReadDataFile(path, t, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(t.TitrationID, c.id);
    EXPECT_EQ((std::array{t.v0.text, t.v1.text, t.Initial.text, t.Burette.text}), c.captions);
    ASSERT_EQ(t.PointCount(), static_cast<int>(c.points.size()));
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        EXPECT_EQ(t.points[i].Volume, c.points[i].first) << "point " << i + 1;
        EXPECT_EQ(t.points[i].EmfObs, c.points[i].second) << "point " << i + 1;
    }
    EXPECT_EQ(t.fileLatin1, c.latin1);
    EXPECT_EQ(t.DataFilePath, "kept");
}

const std::array<std::string, 4> kUsual{"25.00", "25.00", "0.02", "-0.1"};

INSTANTIATE_TEST_SUITE_P(
    Files, AcceptedFile,
    ::testing::Values(
        Accepted{"WorkedSecondLine",
                 "run 1\r\n25 0 0.01 -0.1\r\n0 283.11\r\n",
                 "run 1",
                 {"25.00", "0.00", "0.01", "-0.1"},
                 {{0, single(283.11f)}},
                 false},
        Accepted{"ExtraNumbersIgnored",
                 "x\n25 25 0.02 -0.1\n2.00 405.1 7.02\n",
                 "x",
                 kUsual,
                 {{2, single(405.1f)}},
                 false},
        Accepted{"CommaDecimalsAndCommaSeparators",
                 "x\n25,0;25,0;0,02;-0,1\n1,25 301,7\n1.25, 301.7\n",
                 "x",
                 kUsual,
                 {{1.25, single(301.7f)}, {1.25, single(301.7f)}},
                 false},
        Accepted{"BlankLinesTabsAndNoFinalLineEnd",
                 "  id with blanks  \n\t25\t25\t0.02\t-0.1\n\n0\t283\n \t \n0.5\t280\n\n\n1 275",
                 "  id with blanks  ",
                 kUsual,
                 {{0, 283}, {0.5, 280}, {1, 275}},
                 false},
        Accepted{"CrOnlyAndMixedLineEnds",
                 "x\r25 25 0.02 -0.1\r0 283\r\n0.5 280\n1 275\r",
                 "x",
                 kUsual,
                 {{0, 283}, {0.5, 280}, {1, 275}},
                 false},
        Accepted{"Latin1Identifier",
                 "HCl titriert, 25 \xB0"
                 "C\r\n25 25 0.02 -0.1\r\n0 283\r\n",
                 "HCl titriert, 25 \u00B0C",
                 kUsual,
                 {{0, 283}},
                 true},
        Accepted{"Utf8IdentifierWithByteOrderMark",
                 "\xEF\xBB\xBF"
                 "25 \xC2\xB0"
                 "C\n25 25 0.02 -0.1\n0 283\n",
                 "25 \u00B0C",
                 kUsual,
                 {{0, 283}},
                 false},
        Accepted{"NoDataLines", "x\r\n25 25 0.02 -0.1\r\n\r\n", "x", kUsual, {}, false},
        Accepted{"SixDecimalCaptions",
                 "x\n25.1234567 0 0.0123456789 -0.1\n",
                 "x",
                 {"25.123457", "0.00", "0.012346", "-0.1"},
                 {},
                 false}));

struct Rejected {
    const char* name;
    std::string bytes;
    std::string message;
    friend std::ostream& operator<<(std::ostream& os, const Rejected& c) { return os << c.name; }
};

class RejectedFile : public ::testing::TestWithParam<Rejected> {};

/// A titration as an earlier load left it.
core::Titration loadedBefore() {
    core::Titration t;
    t.TitrationID = "earlier run";
    core::setConditions(t, 20, 30, 0.01, -0.05);
    for (double v : {0.0, 1.0, 2.0}) {
        core::Point p;
        p.Volume = v;
        p.EmfObs = 300 - 10 * v;
        t.points.push_back(p);
    }
    t.fileLatin1 = true;
    return t;
}

TEST_P(RejectedFile, ShowsItsOneMessageAndChangesNothing) {
    const Rejected& c = GetParam();
    QTemporaryDir dir;
    const std::string path = testfiles::writeBytes(dir, "bad.txt", c.bytes);
    core::Titration t = loadedBefore();
    core::RecordingSink sink;
    EXPECT_FALSE(io::ReadDataFile(path, t, sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], (core::Message{c.message, ""}));

    const core::Titration before = loadedBefore();
    EXPECT_EQ(t.TitrationID, before.TitrationID);
    EXPECT_EQ(t.v0.text, before.v0.text);
    EXPECT_EQ(t.v1.text, before.v1.text);
    EXPECT_EQ(t.Initial.text, before.Initial.text);
    EXPECT_EQ(t.Burette.value, before.Burette.value);
    ASSERT_EQ(t.PointCount(), before.PointCount());
    EXPECT_EQ(t.points[2].EmfObs, before.points[2].EmfObs);
    EXPECT_TRUE(t.fileLatin1);
}

const std::string kSecondLine = "The second line does not contain 4 items of data";

INSTANTIATE_TEST_SUITE_P(
    Files, RejectedFile,
    ::testing::Values(
        Rejected{"EmptyFile", "", kSecondLine},
        Rejected{"EndsAfterLine1", "id only\r\n", kSecondLine},
        Rejected{"ThreeNumbers", "x\n25 25 0.02\n0 283\n", kSecondLine},
        Rejected{"FiveNumbers", "x\n25 25 0.02 -0.1 7\n0 283\n", kSecondLine},
        Rejected{"ConditionWithoutDigit", "x\n25 25 e -0.1\n", kSecondLine},
        Rejected{"ZeroTitrandVolume", "x\n0 25 0.02 -0.1\n", "titrand volume is zero"},
        Rejected{"TitrandVolumeShownAsZero", "x\n0.0000004 25 0.02 -0.1\n",
                 "titrand volume is zero"},
        Rejected{"ZeroTitrandConc", "x\n25 25 0 -0.1\n", "Initial titrand concentration is zero"},
        Rejected{"ZeroBuretteConc", "x\n25 25 0.02 -0.0000001\n", "Burette concentration is zero"},
        Rejected{"OneNumber", "x\n25 25 0.02 -0.1\n0 283\n0.5\n",
                 "line 4 does not contain 2 items of data"},
        // Line numbers count every line, blank ones and the first two included.
        Rejected{"TextLine", "x\r\n25 25 0.02 -0.1\r\n\r\n0 283\r\n\r\nsee the notes\r\n",
                 "line 6 does not contain 2 items of data"},
        Rejected{"SignWithoutDigits", "x\r25 25 0.02 -0.1\r0 283\r- 280\r",
                 "line 4 does not contain 2 items of data"},
        Rejected{"ErrorAfterManyGoodLines",
                 "x\n25 25 0.02 -0.1\n" + std::string(500, '\n') + "1 2\n1 e\n",
                 "line 504 does not contain 2 items of data"}));

TEST(DataFileLimits, FilesBeyondTheLimitsAreRefusedNamingThePath) {
    QTemporaryDir dir;
    std::string lines = "x\n25 25 0.02 -0.1\n";
    for (std::size_t i = 0; i < io::kMaxDataLines; ++i)
        lines += "1 2\n";
    const std::string atLimit = testfiles::writeBytes(dir, "limit.txt", lines);
    const std::string overLines = testfiles::writeBytes(dir, "lines.txt", lines + "\n\n3 4\n");
    const std::string header = "x\n25 25 0.02 -0.1\n";
    const std::string big = header + std::string(io::kMaxDataFileBytes + 1 - header.size(), ' ');
    const std::string overSize = testfiles::writeBytes(dir, "big.txt", big);
    const std::string fullSize =
        testfiles::writeBytes(dir, "full.txt", big.substr(0, io::kMaxDataFileBytes));

    core::RecordingSink sink;
    core::Titration t;
    EXPECT_TRUE(io::ReadDataFile(atLimit, t, sink));
    EXPECT_EQ(t.PointCount(), static_cast<int>(io::kMaxDataLines));
    EXPECT_TRUE(io::ReadDataFile(fullSize, t, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(io::ReadDataFile(overLines, t, sink));
    EXPECT_FALSE(io::ReadDataFile(overSize, t, sink));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, "The file \"" + overLines +
                                         "\" has more than 100000 data lines and is not a "
                                         "calibration data file");
    EXPECT_EQ(sink.messages[1].text,
              "The file \"" + overSize +
                  "\" is larger than 10 MB and is not a calibration data file");
}

TEST(DataFileLimits, UnreadableFilesGiveTheSystemReason) {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.txt").toStdString();
    const std::string folder = dir.path().toStdString();
    core::Titration t = loadedBefore();
    core::RecordingSink sink;
    EXPECT_FALSE(io::ReadDataFile(missing, t, sink));
    EXPECT_FALSE(io::ReadDataFile(folder, t, sink));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text,
              "The file \"" + missing + "\" cannot be read: No such file or directory");
    EXPECT_TRUE(sink.messages[1].text.starts_with("The file \"" + folder + "\" cannot be read: "))
        << sink.messages[1].text;
    EXPECT_EQ(t.PointCount(), 3);
}

TEST(DataFileNumbers, ANumberOutOfRangeIsReportedOnceAndReadAsZero) {
    core::RecordingSink sink;
    const auto content = io::parseDataFile("x\n25 25 0.02 -0.1\n0 1e39\n1 1e40\n", "f.txt", sink);
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(content->points, (Points{{0, 0}, {1, 0}}));
    EXPECT_EQ(sink.messages, (std::vector<core::Message>{{"invalid entry for number", ""}}));
}

TEST(DataFileNumbers, ReadsTheSameInADecimalCommaLocale) {
    core::ScopedDecimalSeparator comma(',');
    core::RecordingSink sink;
    const auto content =
        io::parseDataFile("x\n25.5 0 0.01 -0.1\n1,25;301,7\n2.5 299.25\n", "f", sink);
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(content->conditions, (std::array{25.5, 0.0, single(0.01f), single(-0.1f)}));
    EXPECT_EQ(content->points, (Points{{1.25, single(301.7f)}, {2.5, 299.25}}));
    QTemporaryDir dir;
    core::Titration t;
    ASSERT_TRUE(io::ReadDataFile(testfiles::writeBytes(dir, "comma.txt", "x\n25,5;0;0,01;-0,1\n"),
                                 t, sink));
    EXPECT_EQ((std::array{t.v0.text, t.v1.text, t.Initial.text, t.Burette.text}),
              (std::array<std::string, 4>{"25,50", "0,00", "0,01", "-0,1"}));
    EXPECT_TRUE(sink.messages.empty());
}

} // namespace
