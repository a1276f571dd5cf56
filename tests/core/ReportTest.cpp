#include "core/Report.h"

#include "Crafted.h"
#include "core/Selection.h"

#include <gtest/gtest.h>

namespace core {
void PrintTo(const PrintItem& item, std::ostream* os) {
    *os << item.column << ":\"" << item.text << "\"";
}
} // namespace core

namespace {

TEST(ResultsReport, EveryLineWithTheEmfCalculatedAfresh) {
    // 1 ml of 0.5 M acid in 3 ml, 0.25 M alkali, E0 400 mV, slope 60, with captions.
    core::Titration t =
        crafted::titration(1, 2, 0.5, -0.25, {{0, 353}, {2, 12.5}, {12.3456789, -300}});
    t.TitrationID = "HCl 0.5 M with NaOH";
    t.inputs = {{"0", "1", "12", "13"}, "13", "25", "1.000", false};
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink)); // pH 0.778 and 12.227 used, the neutral point not
    t.Param = {400, 60, 1};
    t.captions = {"400.0", "0.3",  "60.00", "0.05",     "1.0142", "0.002", "0.1", "3",
                  "2.00",  "2.10", "4.76%", "-0.24 ± ", "0.01",   "",      ""};
    // Gamma held: no Gamma line. Point 1 at 400 + 60 log10(1/6), point 2 neutral,
    // point 3's volume 12.345679 cut to its field.
    EXPECT_EQ(core::resultsReport(t, "C:\\data\\hcl.txt", "06/12/2026 20:41", "\r"),
              "TAMO: Electrode Calibration\rData from C:\\data\\hcl.txt\r"
              "Produced at 06/12/2026 20:41\r\rTitration ID HCl 0.5 M with NaOH\r"
              "volume of titrand 1.00\relectrolyte volume 2.00\r"
              "titrand concentration 0.5\rburette concentration -0.25\r"
              "standard potential: 400.0 ± 0.3mV\rslope: 60.00 ± 0.05mV\rslope factor 1.0142\r"
              "pKw = 13\r\rGran plot results\rAcid end-point   2.00\rAlkali end-point 2.10\r"
              "Mean alkali concentration -0.24 ± 0.01\rProtolytic impurity level 4.76%\r\r"
              "  Volume   mV(obs)   mV(calc)  mV(diff) pH(calc)\r"
              "1   0.0    353.000   353.311   -0.311   0.778  \r"
              "2   2.0    12.500    10.000    2.500    6.500  not used\r"
              "3   12.3456-300.000  -333.603  33.603   12.227 \r");
    // A refined Gamma has its line; the emf follows the parameters, not stored residuals.
    t.inputs.RefineGamma = true;
    t.Param[0] = 410;
    const std::string text = core::resultsReport(t, "", "", "\n");
    EXPECT_NE(text.find("\nslope factor 1.0142\nGamma (titrant factor) 1.000 ± 0.002\npKw = 13\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n2   2.0    12.500    20.000    -7.500   6.500  not used\n"),
              std::string::npos);
    t.points.clear();
    EXPECT_TRUE(core::resultsReport(t, "", "", "\n")
                    .ends_with("\n\n  Volume   mV(obs)   mV(calc)  mV(diff) pH(calc)\n"));
}

TEST(PrintedReport, SameResultsAndATableOnTabColumnsShiftedForTheSign) {
    core::Titration t =
        crafted::titration(1, 2, 0.5, -0.25, {{0, 353}, {2, 12.5}, {12.3456789, -300}, {3, 0}});
    t.TitrationID = "not printed";
    t.inputs = {{"0", "1", "12", "13"}, "13", "25", "1.000", false};
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink));
    t.Param = {400, 60, 1};
    t.captions = {"400.0", "0.3",  "60.00", "0.05",     "1.0142", "0.002", "0.1", "3",
                  "2.00",  "2.10", "4.76%", "-0.24 ± ", "0.01",   "",      ""};
    using Line = core::PrintLine;
    const auto text = [](std::string s) { return Line{{1, std::move(s)}}; };
    const std::vector<Line> lines = core::printedReport(t, "/data/hcl.txt", "06/12/2026 20:41");
    const std::vector<Line> expected{
        text("____________________"), text("TAMO: Electrode Calibration"),
        text("Data from /data/hcl.txt"), text("06/12/2026 20:41"), text(""),
        text("volume of titrand 1.00"), text("electrolyte volume 2.00"),
        text("titrand concentration 0.5"), text("burette concentration -0.25"),
        text("standard potential: 400.0 ± 0.3mV"), text("slope: 60.00 ± 0.05mV"),
        text("slope factor 1.0142"), text("pKw = 13"), text(""), text("Gran plot results"),
        text("Acid end-point   2.00"), text("Alkali end-point 2.10"),
        text("Mean alkali concentration -0.24 ± 0.01"), text("Protolytic impurity level 4.76%"),
        text(""),
        Line{{5, "volume"}, {15, "mV (obs)"}, {25, "mV(calc)"}, {35, "mV(diff)"}, {45, "pH\"obs\""}},
        // Calculated emf 353.311 > 0, difference -0.311: the difference one column left.
        Line{{1, "1"}, {5, "0.0"}, {15, "353.000"}, {25, "353.311"}, {34, "-0.311"}, {45, "0.778"}},
        Line{{1, "2"}, {5, "2.0"}, {15, "12.500"}, {25, "10.000"}, {35, "2.500"}, {45, "6.500"},
             {0, "  not used"}},
        // A negative calculated emf shifts the observed one too, whatever its own sign.
        Line{{1, "3"}, {5, "12.345679"}, {14, "-300.000"}, {24, "-333.603"}, {35, "33.603"},
             {45, "12.227"}},
        Line{{1, "4"}, {5, "3.0"}, {14, "0.000"}, {24, "-297.187"}, {35, "297.187"},
             {45, "11.620"}, {0, "  not used"}}};
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    t.inputs.RefineGamma = true;
    EXPECT_EQ(core::printedReport(t, "", "")[12], text("Gamma (titrant factor) 1.000 ± 0.002"));
}

} // namespace
