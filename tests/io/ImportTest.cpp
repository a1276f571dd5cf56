#include "io/Import.h"

#include "core/Calculation.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Points = std::vector<std::pair<double, double>>;

sim::Setup smallSetup() {
    sim::Setup s;
    s.pointCount = 12;
    return s;
}

std::string fixed(double value, int decimals, char mark = '.') {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (mark == ',')
        std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

/// What the import should make of a text: its single-precision value.
double asRead(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    return std::stof(t);
}

/// The emf in mV with three decimals, and the same digits as volts.
std::pair<std::string, std::string> millivoltsAndVolts(double emf) {
    std::string mV = fixed(emf, 3);
    const bool negative = mV.front() == '-';
    std::string digits = mV.substr(negative ? 1 : 0);
    digits.erase(digits.find('.'), 1);
    digits.insert(0, std::string(digits.size() < 7 ? 7 - digits.size() : 0, '0'));
    digits.insert(digits.size() - 6, ".");
    return {mV, (negative ? "-" : "") + digits};
}

/// One layout: the bytes written from the simulated points and the points the import must give.
struct Layout {
    std::string bytes;
    Points expected;
};

/// Columns of a generic file: an index, the volume, the emf (mV or V), a temperature.
Layout table(char separator, char mark, bool volts, const std::string& header) {
    Layout l;
    l.bytes = header;
    int row = 1;
    for (const sim::SimulatedPoint& p : sim::simulate(smallSetup())) {
        const std::string v = fixed(p.volume, 3, mark);
        auto [mV, V] = millivoltsAndVolts(p.emf);
        std::string e = volts ? V : mV;
        std::replace(e.begin(), e.end(), '.', mark);
        const std::string s(1, separator);
        l.bytes += std::to_string(row++) + s + v + s + e + s + fixed(25, 1, mark) + "\r\n";
        l.expected.emplace_back(asRead(v), asRead(mV));
    }
    return l;
}

/// A titrator report: points tab-separated in the $S MPL block, results after it.
Layout pclims() {
    Layout l = table('\t', '.', false,
                     "$S PC/LIMS V1\n$S Sample data V1\nS1\t\t102.1750\tg\n$E\n"
                     "$S MPL V2\n$S Mode 1\t01\tDET U\tV1.0\n");
    l.bytes += "$E\n$S EP V1\n2.2694\t152.450\t26.121\t43.3\t21.7\t1\n$E\n";
    return l;
}

/// A gravimetric logger file: conditions in line 1, FWD rows, BWD, then time,
/// emf (V), temperature, mass (g), ...
Layout gravimetric() {
    Layout l;
    l.bytes = "119.429400,0.652400,0.050703,19.96,0.050560,0.099883,K-2,A20-18\n"
              "20210608 07:53,0.205214,20.0,0.371045,3.33,0.371045\n"
              "20210608 07:54,0.227076,20.0,0.898270,2.95,0.871045\nBWD\n";
    for (const sim::SimulatedPoint& p : sim::simulate(smallSetup())) {
        const std::string g = fixed(p.volume, 6);
        const auto [mV, V] = millivoltsAndVolts(p.emf);
        l.bytes += "20210608 08:31," + V + ",20.02," + g + ",3.1," + fixed(p.volume, 3) + "\n";
        l.expected.emplace_back(asRead(g), asRead(mV));
    }
    return l;
}

io::ImportProfile profile(const std::string& text) {
    io::ImportProfile p;
    EXPECT_EQ(io::parseProfile(text, p), "");
    return p;
}

io::ImportProfile builtIn(const std::string& name) {
    io::ImportProfile p;
    EXPECT_EQ(io::loadProfile(name, p), "");
    return p;
}

struct Imported {
    io::ImportResult result;
    std::vector<std::string> messages;
};

Imported import(const std::string& bytes, const io::ImportProfile& p) {
    core::RecordingSink sink;
    Imported i{io::importText(bytes, "data.csv", p, sink), {}};
    for (const core::Message& m : sink.messages)
        i.messages.push_back(m.text);
    return i;
}

TEST(Import, ReadsEachLayoutWithItsProfile) {
    const std::string csv = "[profile]\nV0 = 25\nV1 = 25\nCT = 0.02\nCB = -0.1\n";
    const struct {
        const char* what;
        Layout layout;
        io::ImportProfile profile;
    } cases[] = {
        {"columns by number", table(',', '.', false, ""),
         profile(csv + "volume-column = 2\nemf-column = 3")},
        {"columns by header name", table('\t', '.', false, "# run 7\nNo\tVolume\tEMF\tT\n"),
         profile(csv + "volume-column = volume\nemf-column = emf")},
        {"semicolons, decimal comma", table(';', ',', false, "n;V/ml;E/mV;T\n"),
         profile(csv + "volume-column = 2\nemf-column = 3")},
        {"blanks, decimal comma, volts", table(' ', ',', true, ""),
         profile(csv + "volume-column = 2\nemf-column = 3\nemf-unit = V")},
        {"titrator report", pclims(), profile(io::builtInProfileText("pclims") + csv)},
        {"gravimetric logger", gravimetric(), builtIn("gravimetric")},
    };
    for (const auto& c : cases) {
        const Imported got = import(c.layout.bytes, c.profile);
        EXPECT_TRUE(got.result.accepted) << c.what;
        EXPECT_EQ(got.result.points, c.layout.expected) << c.what;
        EXPECT_EQ(got.messages, std::vector<std::string>()) << c.what;
        EXPECT_EQ(io::missingConditions(got.result), std::vector<std::string>()) << c.what;
    }
}

TEST(Import, TheLoggerHeaderGivesTheConditions) {
    const Imported got = import(gravimetric().bytes, builtIn("gravimetric"));
    using Texts = std::array<std::optional<std::string>, 4>;
    EXPECT_EQ(got.result.conditions, (Texts{"0.898270", "119.429400", "0.099883", "-0.050560"}));
    EXPECT_EQ(got.result.id, "data.csv; masses in g as volumes");
    EXPECT_EQ(got.result.volumeColumn, 3);
    EXPECT_EQ(got.result.emfColumn, 1);
}

TEST(Import, AProfileWithoutConditionsLeavesThemToTheUser) {
    const Imported pc = import(pclims().bytes, builtIn("pclims"));
    EXPECT_EQ(io::missingConditions(pc.result), (std::vector<std::string>{"V0", "V1", "CT", "CB"}));
}

TEST(Import, WarnsOfReadingsThatWouldBeSilentlyWrong) {
    const std::string csv = "V0 = 25\nV1 = 25\nCT = 0.02\nCB = -0.1\n";
    const struct {
        const char* what;
        std::string bytes;
        std::string profile;
        std::string message; ///< a part of the one message expected
        std::size_t points;
    } cases[] = {
        {"volts read as mV", table(',', '.', true, "").bytes, "volume-column = 2\nemf-column = 3",
         "\"emf in volts?\"", 12},
        {"the row index as the volume", table(',', '.', false, "").bytes,
         "volume-column = 1\nemf-column = 3", "is the amount column the row index?", 12},
        {"too few rows", "1,200\n2,190\nnan,180\n", "", "Only 2 rows of data.csv", 2},
        {"restart, first run", "0,300\n0.5,290\n1,280\n0,301\n0.5,291\n1,281\n", "",
         "start again at line 4: only the first run of additions is taken (3 of 6", 3},
        {"restart, summed", "0,300\n0.5,290\n1,280\n0,270\n0.5,260\n1,250\n", "segments = sum",
         "the runs of additions are summed", 6},
        {"falling amounts", "0,300\n0.5,290\n1.5,280\n1,270\n2,260\n", "",
         "not increasing: line 4 has 1 after 1.5", 5},
        {"a missing header name", "V;E\n1;2\n", "volume-column = ml\nemf-column = E",
         "No header row of data.csv names the column \"ml\"", 0},
        {"a missing marker", "1,2\n", "skip-to = BWD", "No line of data.csv begins with \"BWD\"",
         0},
    };
    for (const auto& c : cases) {
        const Imported got = import(c.bytes, profile(csv + c.profile));
        ASSERT_EQ(got.messages.size(), 1u) << c.what;
        EXPECT_NE(got.messages[0].find(c.message), std::string::npos)
            << c.what << ": " << got.messages[0];
        EXPECT_EQ(got.result.points.size(), c.points) << c.what;
    }
    const Imported summed =
        import("0,300\n0.5,290\n1,280\n0,270\n0.5,260\n1,250\n", profile(csv + "segments = sum"));
    EXPECT_EQ(summed.result.points.back(), (std::pair<double, double>(2, 250)));
}

TEST(ImportProfile, RejectsWhatItCannotRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"colour = red", "line 1: unknown key \"colour\""},
        {"# note\nemf-unit = kV", "line 2: emf-unit takes mV or V, not \"kV\""},
        {"V0 = line one column 2", "line 1: V0 takes ask, a number"},
        {"density = 0", "line 1: density takes a density in g/ml greater than 0"},
        {"just text", "line 1: \"just text\" is not of the form key = value"},
    };
    for (const auto& [text, error] : cases) {
        io::ImportProfile p;
        EXPECT_EQ(io::parseProfile(text, p).rfind(error, 0), 0u) << text;
    }
    io::ImportProfile p;
    EXPECT_NE(io::loadProfile("no-such-profile", p).find("csv, pclims, gravimetric"),
              std::string::npos);
}

TEST(ImportProfile, ReadsEveryConditionSource) {
    using Kind = io::ConditionSource::Kind;
    const std::pair<const char*, io::ConditionSource> cases[] = {
        {"ask", {}},
        {"-0.05", {Kind::Fixed, "-0.05", 0, 0, false}},
        {"-line 1 column 5", {Kind::Line, "", 1, 5, true}},
        {"before BWD column 4", {Kind::Before, "BWD", 0, 4, false}},
        {"after $S Sample data column 3", {Kind::After, "$S Sample data", 0, 3, false}},
        {"key Sample size", {Kind::Key, "Sample size", 0, 0, false}},
    };
    for (const auto& [text, source] : cases)
        EXPECT_EQ(io::parseConditionSource(text), source) << text;
}

TEST(Import, AnImportLoadsAsItsClassicFileWouldAndCalibrates) {
    const Imported got = import(gravimetric().bytes, builtIn("gravimetric"));
    core::Titration t;
    core::RecordingSink sink;
    ASSERT_TRUE(io::loadImport(got.result, "data.csv", t, sink));
    EXPECT_EQ(io::importedTexts(got.result).conditions[1], "119.4294");
    EXPECT_EQ(t.v0.text, "0.89827");
    EXPECT_EQ(t.Burette.text, "-0.05056");
    ASSERT_EQ(t.points.size(), got.result.points.size());
    for (std::size_t i = 0; i < t.points.size(); ++i)
        EXPECT_EQ(std::pair(t.points[i].Volume, t.points[i].EmfObs), got.result.points[i]);
    EXPECT_EQ(io::importedDataPath("/tmp/out", "/data/20210608 NaCl-A.csv"),
              "/tmp/out/20210608 NaCl-A.txt");
}

// The real files of other laboratories, read from the shared folder when it is there.

std::string realFile(const std::string& relative) {
    return std::string(TAMO_REALDATA_DIR) + "/" + relative;
}

Points classicPoints(const std::string& path) {
    core::Titration t;
    core::RecordingSink sink;
    EXPECT_TRUE(io::ReadDataFile(path, t, sink));
    Points p;
    for (const core::Point& point : t.points)
        p.emplace_back(point.Volume, point.EmfObs);
    return p;
}

TEST(RealData, TheLoggerFileGivesThePointsAndTheCalibrationOfItsConvertedFile) {
    const std::string source = realFile("ax-naoh-calibration-hcl-nacl/20210608 NaCl-A.csv");
    const std::string converted = realFile("converted/hcl-naoh-nacl-20210608.txt");
    if (!std::filesystem::exists(source) || !std::filesystem::exists(converted))
        GTEST_SKIP() << "no real data in " << TAMO_REALDATA_DIR;
    core::RecordingSink sink;
    const io::ImportResult r = io::importFile(source, builtIn("gravimetric"), sink);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(r.points, classicPoints(converted));

    core::Titration imported, classic;
    imported.inputs.pKbox = classic.inputs.pKbox = "13.82";
    imported.inputs.Tbox = classic.inputs.Tbox = "20";
    imported.inputs.Range = classic.inputs.Range = {"2.5", "4.5", "9", "10.5"};
    ASSERT_TRUE(io::loadImport(r, source, imported, sink));
    ASSERT_TRUE(io::ReadDataFile(converted, classic, sink));
    std::vector<core::CalculationOutcome> outcomes;
    for (core::Titration* t : {&imported, &classic}) {
        ASSERT_TRUE(core::SelectPoints(*t, sink));
        outcomes.push_back(core::Calculate(*t, sink));
    }
    EXPECT_EQ(outcomes[0], outcomes[1]);
    EXPECT_EQ(imported.captions, classic.captions);
    EXPECT_FALSE(imported.captions.E0Value.empty());
}

TEST(RealData, TheTitratorReportAndTheSopTableGiveTheirPoints) {
    const std::string report =
        realFile("calkulate-metrohm-pclims-seawater/PC_LIMS_Report-BATCH138-20200317-135120.txt");
    const std::string sop = realFile("dickson-sop3b-seawater/DicksonSOP3b.csv");
    if (!std::filesystem::exists(report) || !std::filesystem::exists(sop))
        GTEST_SKIP() << "no real data in " << TAMO_REALDATA_DIR;
    core::RecordingSink sink;
    const io::ImportResult pc = io::importFile(report, builtIn("pclims"), sink);
    ASSERT_EQ(pc.points.size(), 32u);
    EXPECT_EQ(pc.points.front(), (std::pair<double, double>(1.508f, 72.6f)));
    EXPECT_EQ(pc.points.back(), (std::pair<double, double>(5.0f, 253.5f)));
    const io::ImportResult table = io::importFile(sop, builtIn("csv"), sink);
    ASSERT_EQ(table.points.size(), 21u);
    EXPECT_EQ(table.points[5], (std::pair<double, double>(3.75f, 198.0f)));
    EXPECT_TRUE(sink.messages.empty());
}

} // namespace
