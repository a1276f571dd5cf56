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

/// A titrator's export: volume, time (a row count), emf (or pH), temperature,
/// under the header; `pH` writes the pH the emf stands for instead of the emf.
Layout titratorExport(const std::string& header, bool pH = false, bool volts = false) {
    Layout l;
    l.bytes = header;
    int second = 0;
    for (const sim::SimulatedPoint& p : sim::simulate(smallSetup())) {
        const std::string v = fixed(p.volume, 3);
        const auto [mV, V] = millivoltsAndVolts(p.emf);
        const std::string e = pH ? fixed((400 - p.emf) / 59.16, 2) : volts ? V : mV;
        l.bytes += v + "," + std::to_string(second++) + "," + e + ",25.0\n";
        l.expected.emplace_back(asRead(v), asRead(mV));
    }
    return l;
}

/// Numbers in blanks, one row a line, after the lines before.
std::string rows(const std::string& before, std::size_t count, double step = 0.1) {
    std::string text = before;
    for (std::size_t i = 0; i < count; ++i)
        text += fixed(static_cast<double>(i) * step, 3) + " " + fixed(300 - 2.5 * i, 2) + "\n";
    return text;
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
        {"V,t,E,T: the columns by their usual names", titratorExport("V,t,E,T\n"), profile(csv)},
        {"the emf unit in the header", titratorExport("Volume (ml),t (s),E [V],T\n", false, true),
         profile(csv)},
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
    EXPECT_EQ(got.result.id, "data.csv; masses in g as volumes; imported with profile gravimetric");
    EXPECT_EQ(got.result.volumeColumn, 3);
    EXPECT_EQ(got.result.emfColumn, 1);
    EXPECT_EQ(
        got.result.origin.conditionSources,
        (std::array<std::string, 4>{"source file", "source file", "source file", "source file"}));
}

TEST(Import, TheResultSaysWhereItCameFrom) {
    io::ImportProfile p = profile("name = mine\nV0 = 25\nV1 = 0\nid = run 7");
    p.conditions[1].typed = true;
    core::RecordingSink sink;
    // The hash is of the bytes, not of the text they were read as (Latin-1 here).
    const std::string bytes = titratorExport("V,t,E,T \xe9\n").bytes;
    const io::ImportResult r = io::importText(bytes, "sub/run.csv", p, sink);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.id, "run 7; imported from run.csv with profile mine");
    EXPECT_EQ(r.origin.conditionSources, (std::array<std::string, 4>{"profile", "typed", "", ""}));
    EXPECT_EQ(r.origin.sourceFile, (std::filesystem::current_path() / "sub/run.csv").string());
    EXPECT_EQ(r.origin.profileText, io::profileText(p));
    EXPECT_EQ(io::importText("abc", "x", p, sink).origin.sourceSha256,
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(io::importText("\xe9", "x", p, sink).origin.sourceSha256,
              "de2e331d891ae267a7009cb45b4e8830f170e0c937288ea2731a1941c7a53b0d");
}

TEST(Import, AProfileWithoutConditionsLeavesThemToTheUser) {
    const Imported pc = import(pclims().bytes, builtIn("pclims"));
    EXPECT_EQ(io::missingConditions(pc.result), (std::vector<std::string>{"V0", "V1", "CT", "CB"}));
}

/// One file read by one profile, and the one message it must give (none: nullptr).
struct MessageCase {
    const char* what;
    std::string bytes;
    std::string profile;
    const char* message; ///< a part of the message
    std::size_t points;  ///< of an accepted file
};

const std::string kConditions = "V0 = 25\nV1 = 25\nCT = 0.02\nCB = -0.1\n";

void expectMessages(const std::vector<MessageCase>& cases, bool accepted) {
    for (const auto& c : cases) {
        const Imported got = import(c.bytes, profile(c.profile));
        EXPECT_EQ(got.result.accepted, accepted) << c.what;
        if (accepted) {
            EXPECT_EQ(got.result.points.size(), c.points) << c.what;
        }
        ASSERT_EQ(got.messages.size(), c.message ? 1u : 0u) << c.what;
        if (!c.message)
            continue;
        EXPECT_NE(got.messages[0].find(c.message), std::string::npos)
            << c.what << ": " << got.messages[0];
        // Not a byte of a binary file on the terminal.
        EXPECT_TRUE(std::none_of(got.messages[0].begin(), got.messages[0].end(), [](char ch) {
            return ch >= 0 && ch < 0x20;
        })) << c.what;
    }
}

TEST(Import, WarnsOfReadingsThatWouldBeSilentlyWrong) {
    const std::string csv = kConditions;
    std::string squares = "v,t,E\n";
    for (int i = 0; i < 10; ++i)
        squares += fixed(0.1 * i, 1) + "," + std::to_string(i * i) + ",280\n";
    std::string withNaN = rows("", 4) + "0.350 nan\n";
    for (int i = 5; i < 9; ++i)
        withNaN += fixed(0.1 * i, 3) + " " + fixed(300 - 2.5 * i, 2) + "\n";
    std::string mixed;
    for (int i = 0; i < 9; ++i)
        mixed += fixed(0.1 * i, 1) + (i == 4 ? "," : ";") + fixed(300 - 2.5 * i, 1) + "\n";
    std::string whole = "x\nV,E\n";
    for (int i = 0; i < 6; ++i)
        whole += std::to_string(5 * i) + "," + std::to_string(300 - i) + "\n";
    expectMessages(
        {
            {"volts read as mV", table(',', '.', true, "").bytes,
             csv + "volume-column = 2\nemf-column = 3", "\"emf in volts?\"", 12},
            {"the row index as the volume", table(',', '.', false, "").bytes,
             csv + "volume-column = 1\nemf-column = 3", "is the amount column the row index?", 12},
            {"restart, first run", rows("", 6) + rows("", 3), csv,
             "start again at line 7: only the first run of additions is taken (6 of 9", 6},
            {"restart, summed", "0,300\n0.5,290\n1,280\n0,270\n0.5,260\n1,250\n",
             csv + "segments = sum", "the runs of additions are summed", 6},
            {"falling amounts", "0,300\n0.5,290\n1.5,280\n1,270\n2,260\n", csv,
             "not increasing: line 4 has 1 after 1.5", 5},
            {"amounts that do not increase", rows("", 6, 0), csv, "do not increase", 6},
            {"the emf a time", squares, csv + "emf-column = 2", "is column 2 a time?", 10},
            {"a row without a value", withNaN, csv,
             "1 row of data.csv has no value (empty, NaN) in the amount or emf column, left out: "
             "line 5",
             8},
            {"a row that does not split", mixed, csv,
             "1 row of data.csv does not split into 2 fields at the semicolon (found from the "
             "file), left out: line 5, \"0.4,290.0\"",
             8},
            // Read as they should be, without a word.
            {"a comma in the title of a blank-separated file", rows("Run 7, 25 C\n", 8), csv,
             nullptr, 8},
            {"whole numbers separated by commas", whole, csv + "skip-to = V,E", nullptr, 6},
            {"a numeric line before the data, passed over",
             rows("sample 7\n1 25.3 100.52 35.0\n", 10), csv + "start-line = 3", nullptr, 10},
            {"pH values read as mV on purpose", titratorExport("V,t,pH,T\n", true).bytes,
             csv + "emf-column = 3\nph-check = no", nullptr, 12},
        },
        true);
    const Imported summed =
        import("0,300\n0.5,290\n1,280\n0,270\n0.5,260\n1,250\n", profile(csv + "segments = sum"));
    EXPECT_EQ(summed.result.points.back(), (std::pair<double, double>(2, 250)));
}

TEST(Import, RefusesWithTheRealReason) {
    const std::string csv = kConditions;
    std::string decimalCommas;
    for (int i = 0; i < 8; ++i)
        decimalCommas += (i == 6 ? std::string("1.000,5") : fixed(0.1 * i, 1, ',')) + ";" +
                         fixed(300 - 2.5 * i, 1, ',') + "\n";
    std::string mostlyUnsplit;
    for (int i = 0; i < 5; ++i)
        mostlyUnsplit += fixed(0.1 * i, 1) + (i < 3 ? "," : ";") + fixed(300 - 2.5 * i, 1) + "\n";
    const std::string gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xed\x1b\x0a\x01", 14);
    expectMessages(
        {
            {"too few rows", "1,200\n2,190\nnan,180\n", csv, "Only 2 rows of data.csv", 2},
            {"a missing header name", "V;E\n1;2\n", csv + "volume-column = ml\nemf-column = E",
             "No header row of data.csv names the column \"ml\"", 0},
            {"a missing marker", "1,2\n", csv + "skip-to = BWD",
             "No line of data.csv begins with \"BWD\"", 0},
            {"a pH column", titratorExport("V,t,E,T\n", true).bytes, csv,
             "column 3 holds pH values, not an emf: export the potential in mV", 0},
            {"a column headed pH", titratorExport("V,t,pH,T\n", true).bytes, csv,
             "column 3 holds pH values, not an emf: export the potential in mV", 0},
            {"a row count as the emf", titratorExport("V,t,E,T\n").bytes, csv + "emf-column = 2",
             "column 2 counts the rows (0, 1...), not an emf", 0},
            {"a numeric line before the data", rows("sample 7\n1 25.3 100.52 35.0\n", 10), csv,
             "start again at line 3: the first run of additions has only 1 of the 11 points, and "
             "a titration needs at least 5; if line 2 is not a point, let the data start at line "
             "3 (start-line = 3)",
             0},
            {"a gzip file", gzip, csv, "data.csv is not a text file (gzip compressed?)", 0},
            {"an exponent beyond an int, in volts", rows("", 6) + "0.7 1e2147483646\n",
             csv + "emf-unit = V",
             "line 7 of data.csv has \"1e2147483646\" in column 2, a number "
             "out of range",
             0},
            {"an exponent beyond any number, in volts", rows("", 6) + "0.7 2e99999999999\n",
             csv + "emf-unit = V", "a number out of range", 0},
            {"an exponent beyond any number, in mV", rows("", 6) + "0.7 2e99999999999\n", csv,
             "a number out of range", 0},
            {"a condition out of range", rows("1e99 V0\n", 6),
             "V0 = line 1 column 1\nV1 = 25\nCT = 0.02\nCB = -0.1",
             "V0: \"1e99\" in line 1 column 1 of data.csv is a number out of range", 0},
            {"one number with digit grouping", decimalCommas, csv,
             "line 7 of data.csv has \"1.000,5\" in column 1, which is not a number written as "
             "the others are (with a decimal comma",
             0},
            {"one column by two names", rows("V E\n", 6), csv + "volume-column = V\nemf-column = v",
             "column 1 of data.csv is both the amount and the emf", 0},
            {"rows that do not split", mostlyUnsplit, csv,
             "the fields are split at the comma (found from the file), and line 4 does not "
             "split into 2 fields at it: \"0.3;292.5\"",
             3},
        },
        false);
    // A file the profile finds nothing in is shown as it is.
    const Imported raw = import("no marker here\n1,2\n", profile("skip-to = BWD"));
    ASSERT_EQ(raw.result.rows.size(), 2u);
    EXPECT_EQ(raw.result.rows[1].fields, std::vector<std::string>{"1,2"});
}

TEST(Import, TheLimitOfADataFileAppliesToThePointsAfterTheCut) {
    const std::string many = rows("", io::kMaxDataLines + 1, 0.0001);
    EXPECT_NE(import(many, profile(kConditions)).messages.at(0).find("more than the 100000"),
              std::string::npos);
    const Imported cut = import(rows("", 50000, 0.0001) + many, profile(kConditions));
    EXPECT_TRUE(cut.result.accepted);
    EXPECT_EQ(cut.result.points.size(), 50000u);
}

TEST(ImportProfile, RejectsWhatItCannotRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"colour = red", "line 1: unknown key \"colour\""},
        {"# note\nemf-unit = kV", "line 2: emf-unit takes auto, mV or V, not \"kV\""},
        {"V0 = line one column 2", "line 1: V0 takes ask, a number"},
        {"density = 0", "line 1: density takes a density in g/ml greater than 0"},
        {"just text", "line 1: \"just text\" is not of the form key = value"},
        {"emf-column = 0", "line 1: emf-column takes a column number, and columns start at 1"},
        {"emf-column = 3\n# E\nEMF-Column = 4",
         "line 3: the key \"emf-column\" is given twice, in line 1 and in line 3"},
        {"skip-to = BWD\nstart-line = 3", "skip-to and start-line both say where the data begin"},
        {"volume-column = 2\nemf-column = 2", "volume-column and emf-column name the same column"},
        {"density = 1.02", "density turns masses into volumes, but the amount-unit is not g"},
    };
    for (const auto& [text, error] : cases) {
        io::ImportProfile p;
        EXPECT_EQ(io::parseProfile(text, p).rfind(error, 0), 0u) << text;
    }
    io::ImportProfile p;
    EXPECT_NE(io::loadProfile("no-such-profile", p).find("csv, pclims, gravimetric"),
              std::string::npos);
}

TEST(ImportProfile, ItsTextReadsBackAsTheSameProfile) {
    std::vector<io::ImportProfile> profiles;
    for (const std::string& name : io::builtInProfileNames())
        profiles.push_back(builtIn(name));
    profiles.push_back(
        profile("name = every key\ndescription = d = e\nstart-line = 3\nend-at = $E\n"
                "separator = space\ndecimal = comma\nvolume-column = V / ml\n"
                "emf-column = 4\nemf-unit = V\nflip-emf = yes\nph-check = no\n"
                "amount-unit = g\ndensity = 1.0213 g/ml\nsegments = sum\n"
                "V0 = after $S Sample data column 3\nV1 = 0\nCT = key Sample size\n"
                "CB = -line 1 column 5\nid = {file}, run 7"));
    for (const io::ImportProfile& p : profiles) {
        io::ImportProfile again;
        EXPECT_EQ(io::parseProfile(io::profileText(p), again), "") << p.name;
        EXPECT_EQ(again, p) << io::profileText(p);
    }
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
