#include "io/DataFile.h"

#include "core/Locale.h"
#include "core/NumberEntry.h"
#include "tools/Examples.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using Points = std::vector<std::pair<double, double>>;

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string writeBytes(const QTemporaryDir& dir, const char* name, std::string_view bytes) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

/// Reads the bytes as a data file.
bool load(std::string_view bytes, core::Titration& t, core::RecordingSink& sink) {
    QTemporaryDir dir;
    return io::ReadDataFile(writeBytes(dir, "data.txt", bytes), t, sink);
}

Points points(const core::Titration& t) {
    Points p;
    for (const core::Point& point : t.points)
        p.emplace_back(point.Volume, point.EmfObs);
    return p;
}

TEST(ParseNumbers, SplitsALineIntoRunsOfNumberCharactersInEitherLocale) {
    const std::tuple<const char*, int, std::array<double, 4>, std::array<bool, 4>> cases[] = {
        {"1 2 3 4 5 6", 5, {1, 2, 3, 4}, {1, 1, 1, 1}}, // more than four: the first four kept
        // Comma decimal when the line has no full stop; separator when it has one.
        {"1,25 301,7", 2, {1.25, 301.7f}, {1, 1}},
        {"1.25, 301.7", 2, {1.25, 301.7f}, {1, 1}},
        // Exponents and signs belong to a run; TextToNumber reads it.
        {"1.5e-3 2-3", 2, {1.5e-3f, 2}, {1, 1}},
        {"see here", 3, {0, 0, 0}, {0, 0, 0}},
        {" v = 1.5 ml ", 1, {1.5}, {1}}};
    for (const char separator : {'.', ','}) {
        core::ScopedDecimalSeparator locale(separator);
        for (const auto& [line, n, item, digit] : cases) {
            core::RecordingSink sink;
            const io::LineItems got = io::ParseNumbers(line, sink);
            EXPECT_EQ(std::tuple(got.count, got.item, got.hasDigit), std::tuple(n, item, digit))
                << line;
            EXPECT_TRUE(sink.messages.empty());
        }
    }
}

const std::string kHeader = "x\n25 25 0.02 -0.1\n";

const std::string kFullest = kHeader + QByteArray("1 2\n").repeated(100000).toStdString();

TEST(ReadDataFile, LoadsIdentifierAndPoints) {
    const core::Message invalid{"invalid entry for number", ""};
    struct Case {
        std::string bytes;
        Points points;
        std::string id = "x";
        bool latin1 = false;
        std::vector<core::Message> messages = {};
    };
    const Case cases[] = {
        {"x\n25 25 0.02 -0.1\n2.00 405.1 7.02\n", {{2, 405.1f}}}, // extra numbers ignored
        {"x\n25,0;25,0;0,02;-0,1\n1,25 301,7\n1.25, 301.7\n", {{1.25, 301.7f}, {1.25, 301.7f}}},
        {" id \n\t25\t25\t0.02\t-0.1\n\n0\t283\n \t \n\n1 275", {{0, 283}, {1, 275}}, " id "},
        {"x\r25 25 0.02 -0.1\r\n0 283\n1 275\r", {{0, 283}, {1, 275}}},
        {"S\xE4ure\r\n25 25 0.02 -0.1\r\n0 283\r\n", {{0, 283}}, "S\u00E4ure", true},
        {"\xEF\xBB\xBFS\xC3\xA4ure\n25 25 0.02 -0.1\n0 283\n", {{0, 283}}, "S\u00E4ure"},
        {"x\r\n25 25 0.02 -0.1\r\n\r\n", {}},
        {kHeader + "0 1e39\n1 1e40\n", {{0, 0}, {1, 0}}, "x", false, {invalid}}, // one message
        {kFullest, Points(100000, {1, 2})},
        {kHeader + std::string(10 * 1024 * 1024 - kHeader.size(), ' '), {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        core::Titration t;
        core::RecordingSink sink;
        ASSERT_TRUE(load(c.bytes, t, sink));
        EXPECT_EQ(std::tuple(sink.messages, t.TitrationID, points(t), t.fileLatin1),
                  std::tuple(c.messages, c.id, c.points, c.latin1));
    }
}

/// A titration as an earlier load left it.
core::Titration loadedBefore() {
    core::Titration t;
    core::RecordingSink sink;
    load("earlier run \xE9\n20 30 0.01 -0.05\n0 300\n1 290\n", t, sink);
    return t;
}

TEST(ReadDataFile, ARejectedFileShowsItsMessagesAndChangesNothing) {
    const std::string invalid = "invalid entry for number";
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"The second line does not contain 4 items of data"},
         {"", "id only\r\n", "x\n25 25 0.02\n0 283\n", "x\n25 25 0.02 -0.1 7\n0 283\n",
          "x\n25 25 e -0.1\n"}},
        {{"titrand volume is zero"}, {"x\n0 25 0.02 -0.1\n", "x\n0.0000004 25 0.02 -0.1\n"}},
        {{"Initial titrand concentration is zero"}, {"x\n25 25 0 -0.1\n"}},
        {{"Burette concentration is zero"}, {"x\n25 25 0.02 -0.0000001\n"}},
        // A number beyond range is told first: it is why the condition became zero.
        {{invalid, "Burette concentration is zero"}, {"x\n25 25 0.02 1E+39\n0 283\n"}},
        {{invalid, "titrand volume is zero"}, {"x\n-1e39 25 0.02 1e40\n"}},
        {{invalid, "line 4 does not contain 2 items of data"}, {kHeader + "0 1e39\n0.5\n"}},
        {{"line 4 does not contain 2 items of data"},
         {kHeader + "0 283\n0.5\n", "x\r25 25 0.02 -0.1\r0 283\r- 280\r"}},
        // Line numbers count every line, blank ones and the first two included.
        {{"line 6 does not contain 2 items of data"},
         {"x\r\n25 25 0.02 -0.1\r\n\r\n0 283\r\n\r\nsee the notes\r\n"}},
        // A message starting with a blank follows the file's name.
        {{" has more than 100000 data lines and is not a calibration data file"},
         {kFullest + "\n\n3 4\n"}},
        {{" is larger than 10 MB and is not a calibration data file"},
         {kHeader + std::string(10 * 1024 * 1024 + 1 - kHeader.size(), ' ')}}};
    const auto rejects = [](const std::string& path, const std::vector<std::string>& messages) {
        core::Titration t = loadedBefore();
        core::RecordingSink sink;
        EXPECT_FALSE(io::ReadDataFile(path, t, sink));
        std::vector<std::string> got;
        for (const core::Message& m : sink.messages)
            got.push_back(m.text + (m.title.empty() ? "" : " [" + m.title + "]"));
        EXPECT_EQ(got, messages);
        EXPECT_EQ(t, loadedBefore()) << messages.back();
    };
    QTemporaryDir dir;
    for (auto [messages, files] : cases)
        for (const std::string& bytes : files) {
            SCOPED_TRACE(bytes.substr(0, 60));
            const std::string path = writeBytes(dir, "bad.txt", bytes);
            std::vector<std::string> expected = messages;
            if (expected.back()[0] == ' ')
                expected.back() = "The file \"" + path + '"' + expected.back();
            rejects(path, expected);
        }
    const std::string missing = dir.filePath("missing.txt").toStdString();
    rejects(missing, {"The file \"" + missing + "\" cannot be read: No such file or directory"});
    rejects("/dev/zero",
            {"The file \"/dev/zero\" is larger than 10 MB and is not a calibration data file"});
}

TEST(DataFileBytes, LaysValuesOutInPrintZonesAndKeepsTheIdentifier) {
    io::DataFileTexts texts{"two\r\nlines",
                            {"25.00", "0.00", "0.01", "-0.1"},
                            {{"0", "283.11"}, {"1234567890123", "2"}, {"12345678901234", "1"}}};
    EXPECT_EQ(io::dataFileBytes(texts), "two  lines\r\n"
                                        "25.00         0.00          0.01          -0.1\r\n"
                                        "0             283.11\r\n"
                                        "1234567890123 2\r\n"
                                        "12345678901234              1\r\n");
    texts.id = "S\u00E4ure 5 \u20AC"; // no euro sign in Latin-1: the file becomes UTF-8
    texts.latin1 = true;
    EXPECT_EQ(io::dataFileBytes(texts).substr(0, 14), "S\xC3\xA4ure 5 \xE2\x82\xAC\r\n");
}

TEST(WriteDataFile, WritesWhatWasReadInItsEncodingAndLocaleAndAgainTheSame) {
    const std::tuple<char, std::string, std::string> cases[] = {
        {'.', "S\xC3\xA4ure\n25.1234567 0 -0.0123456789 0.1\n\n0 283.114\n1.234567 -12.5\n",
         "S\xC3\xA4ure\r\n25.123457     0.00          -0.012346     0.1\r\n"
         "0             283.114\r\n1.234567      -12.5\r\n"},
        {'.', "S\xE4ure\r25,5;0;0,01;-0,1\r1,25;301,7",
         "S\xE4ure\r\n25.50         0.00          0.01          -0.1\r\n1.25          301.7\r\n"},
        {',', "x\n25.5 0 0.01 -0.1\n1,25;301,7\n2.5 299.25\n",
         "x\r\n25,50         0,00          0,01          -0,1\r\n1,25          301,7\r\n"
         "2,5           299,25\r\n"}};
    for (const auto& [separator, read, written] : cases) {
        core::ScopedDecimalSeparator locale(separator);
        QTemporaryDir dir;
        const std::string out = dir.filePath("out.txt").toStdString();
        core::RecordingSink sink;
        core::Titration t, again;
        ASSERT_TRUE(load(read, t, sink));
        ASSERT_EQ(io::WriteDataFile(out, io::dataFileTexts(t)), "");
        EXPECT_EQ(readBytes(out), written);
        ASSERT_TRUE(io::ReadDataFile(out, again, sink));
        EXPECT_EQ(io::dataFileBytes(io::dataFileTexts(again)), written);
        EXPECT_TRUE(sink.messages.empty());
    }
}

TEST(DataFileTexts, WriteTheStoredNumbersWhateverWasTyped) {
    using Texts = std::pair<std::string, std::string>;
    const auto saved = [](const std::string& volume, const std::string& emf) {
        core::Titration t;
        core::RecordingSink sink;
        t.points.resize(1);
        t.points[0].Volume = core::TextToNumber(t.points[0].volumeText = volume, sink);
        t.points[0].EmfObs = core::TextToNumber(t.points[0].emfText = emf, sink);
        return io::dataFileTexts(t).points[0];
    };
    EXPECT_EQ(saved("1.50", "283.1234"), Texts("1.5", "283.1234"));
    EXPECT_EQ(saved(" 1,5 ", "-0.0001"), Texts("1.5", "-0.0001"));
    // Texts the reader would split or misread are written as the numbers they gave.
    EXPECT_EQ(saved("2 ml", "1 000"), Texts("2", "1"));
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(saved("1.5", "283,1"), Texts("1,5", "283,1"));
}

TEST(WriteDataFile, AFailedWriteNamesTheReasonAndLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    const std::string path = writeBytes(dir, "old.txt", "old bytes");
    std::signal(SIGXFSZ, SIG_IGN); // a file size limit stops the write, even for root
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{1000, limit.rlim_max};
    // A small file stays in the writer's buffer until the end; a large one fails on the way.
    for (std::size_t size : {2000, 100000}) {
        setrlimit(RLIMIT_FSIZE, &small);
        const std::string error = io::WriteDataFile(path, {std::string(size, 'x'), {}, {}, false});
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(error, "The file \"" + path + "\" cannot be written: File too large") << size;
        EXPECT_EQ(readBytes(path), "old bytes") << size;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("old.txt")) << size;
    }
}

// The bundled examples are what our simulator and writer make, byte for byte.
TEST(Examples, AreWhatTheExampleMakerMakes) {
    QTemporaryDir dir;
    ASSERT_EQ(examples::writeExamples(dir.path().toStdString()), "");
    for (const examples::Example& example : examples::bundledExamples()) {
        const std::string& name = example.fileName;
        const std::string made = readBytes(dir.path().toStdString() + "/" + name);
        EXPECT_EQ(made, examples::exampleBytes(example)) << name;
        EXPECT_EQ(readBytes(TAMO_EXAMPLES_DIR "/" + name), made)
            << name << " differs from what tamo-make-examples makes";
    }
}

} // namespace
