#include "TestFiles.h"
#include "core/Format.h"
#include "core/Locale.h"
#include "core/NumberEntry.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(DataFileBytes, LaysValuesOutInPrintZones) {
    io::DataFileTexts texts;
    texts.id = "run 1";
    texts.conditions = {"25.00", "0.00", "0.01", "-0.1"};
    texts.points = {{"0", "283.11"}, {"1234567890123", "2"}, {"12345678901234", "1"}};
    EXPECT_EQ(io::dataFileBytes(texts), "run 1\r\n"
                                        "25.00         0.00          0.01          -0.1\r\n"
                                        "0             283.11\r\n"
                                        "1234567890123 2\r\n"
                                        "12345678901234              1\r\n");
}

TEST(DataFileBytes, KeepsEveryCharacterOfTheIdentifier) {
    io::DataFileTexts texts;
    texts.conditions = {"1", "2", "3", "4"};
    texts.id = "S\u00E4ure";
    texts.latin1 = true;
    EXPECT_EQ(io::dataFileBytes(texts).substr(0, 7), "S\xE4ure\r\n");
    texts.id = "S\u00E4ure 5 \u20AC"; // no euro sign in Latin-1: the file becomes UTF-8
    EXPECT_EQ(io::dataFileBytes(texts).substr(0, 14), "S\xC3\xA4ure 5 \xE2\x82\xAC\r\n");
    texts.id = "two\r\nlines";
    EXPECT_EQ(io::dataFileBytes(texts).substr(0, 12), "two  lines\r\n");
}

struct RoundTrip {
    const char* name;
    std::string read;
    std::string written;
    friend std::ostream& operator<<(std::ostream& os, const RoundTrip& c) { return os << c.name; }
};

class DataFileRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DataFileRoundTrip, WritesWhatWasReadInItsEncoding) {
    const RoundTrip& c = GetParam();
    QTemporaryDir dir;
    core::RecordingSink sink;
    core::Titration t;
    ASSERT_TRUE(io::ReadDataFile(testfiles::writeBytes(dir, "in.txt", c.read), t, sink));
    const std::string out = dir.filePath("out.txt").toStdString();
    ASSERT_EQ(io::WriteDataFile(out, io::dataFileTexts(t)), "");
    EXPECT_EQ(testfiles::readBytes(out), c.written);

    core::Titration again;
    ASSERT_TRUE(io::ReadDataFile(out, again, sink));
    EXPECT_EQ(again.TitrationID, t.TitrationID);
    EXPECT_EQ(again.Burette.text, t.Burette.text);
    EXPECT_EQ(again.fileLatin1, t.fileLatin1);
    ASSERT_EQ(again.PointCount(), t.PointCount());
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataFileRoundTrip,
    ::testing::Values(RoundTrip{"Utf8", "S\xC3\xA4ure\n25 0 0.01 -0.1\n\n0 283.114\n0.15 281.9\n",
                                "S\xC3\xA4ure\r\n25.00         0.00          0.01          -0.1\r\n"
                                "0             283.11\r\n0.15          281.90\r\n"},
                      RoundTrip{"Latin1", "S\xE4ure\r25,5;0;0,01;-0,1\r1,25;301,7",
                                "S\xE4ure\r\n25.50         0.00          0.01          -0.1\r\n"
                                "1.25          301.70\r\n"}));

TEST(DataFileRoundTrip, SavingALoadedTitrationAgainChangesNothing) {
    sim::Setup setup;
    setup.titrandConc = 0.0123457;
    const core::Titration simulated = sim::makeTitration(setup);
    QTemporaryDir dir;
    const std::string first = dir.filePath("first.txt").toStdString();
    const std::string second = dir.filePath("second.txt").toStdString();
    core::RecordingSink sink;
    core::Titration loaded, reloaded;
    ASSERT_EQ(io::WriteDataFile(first, io::dataFileTexts(simulated)), "");
    ASSERT_TRUE(io::ReadDataFile(first, loaded, sink));
    ASSERT_EQ(io::WriteDataFile(second, io::dataFileTexts(loaded)), "");
    ASSERT_TRUE(io::ReadDataFile(second, reloaded, sink));
    EXPECT_EQ(testfiles::readBytes(second), testfiles::readBytes(first));
    EXPECT_EQ(loaded.Initial.text, "0.012346");
    ASSERT_EQ(loaded.PointCount(), simulated.PointCount());
    ASSERT_EQ(reloaded.PointCount(), simulated.PointCount());
    for (std::size_t i = 0; i < simulated.points.size(); ++i) {
        const core::Point& p = simulated.points[i];
        EXPECT_NEAR(loaded.points[i].Volume, p.Volume, 1e-6 * p.Volume);
        EXPECT_NEAR(loaded.points[i].EmfObs, p.EmfObs, 0.005 + 1e-6 * std::abs(p.EmfObs));
        EXPECT_EQ(reloaded.points[i].Volume, loaded.points[i].Volume);
        EXPECT_EQ(reloaded.points[i].EmfObs, loaded.points[i].EmfObs);
    }
    EXPECT_TRUE(sink.messages.empty());
}

/// A titration with one point whose texts were typed in the grid.
core::Titration typed(const std::string& volumeText, const std::string& emfText) {
    core::Titration t;
    core::setConditions(t, 25, 25, 0.02, -0.1);
    core::Point p;
    core::RecordingSink sink;
    p.Volume = core::TextToNumber(volumeText, sink);
    p.EmfObs = core::TextToNumber(emfText, sink);
    p.volumeText = volumeText;
    p.emfText = emfText;
    t.points.push_back(p);
    return t;
}

TEST(DataFileTexts, WritesTypedTextsThatReadBackToTheSameNumber) {
    using Texts = std::pair<std::string, std::string>;
    EXPECT_EQ(io::dataFileTexts(typed("1.50", "283.123")).points[0], Texts("1.50", "283.123"));
    EXPECT_EQ(io::dataFileTexts(typed(" 1,5 ", "283")).points[0], Texts("1.5", "283"));
    // Texts the reader would split or misread give way to the formatted numbers.
    EXPECT_EQ(io::dataFileTexts(typed("2 ml", "1 000")).points[0], Texts("2", "1.00"));
    core::ScopedDecimalSeparator comma(',');
    const io::DataFileTexts texts = io::dataFileTexts(typed("1.5", "283,1"));
    EXPECT_EQ(texts.points[0], Texts("1,5", "283,1"));
    EXPECT_EQ(texts.conditions[0], "25,00");
}

TEST(DataFileWrite, AFailedWriteNamesTheReasonAndLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    const io::DataFileTexts texts = io::dataFileTexts(typed("1", "2"));
    const std::string missingFolder = dir.filePath("no/such/folder/out.txt").toStdString();
    EXPECT_TRUE(io::WriteDataFile(missingFolder, texts)
                    .starts_with("The file \"" + missingFolder + "\" cannot be written: "));

    // A folder where the file should be stays as it was, with what it holds.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    const std::string inside = testfiles::writeBytes(dir, "taken.txt/keep", "old");
    const std::string taken = dir.filePath("taken.txt").toStdString();
    EXPECT_TRUE(io::WriteDataFile(taken, texts)
                    .starts_with("The file \"" + taken + "\" cannot be written: "));
    EXPECT_EQ(testfiles::readBytes(inside), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST(DataFileWrite, AReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root from writing";
    QTemporaryDir dir;
    const std::string path = testfiles::writeBytes(dir, "old.txt", "old bytes");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const std::string error = io::WriteDataFile(path, io::dataFileTexts(typed("1", "2")));
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(error.starts_with("The file \"" + path + "\" cannot be written: ")) << error;
    EXPECT_EQ(testfiles::readBytes(path), "old bytes");
}

} // namespace
