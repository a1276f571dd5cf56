#include "core/Report.h"

#include "Crafted.h"
#include "core/Calculation.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> lines(const std::string& text, char end) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t i = text.find(end); i != std::string::npos; i = text.find(end, start)) {
        result.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    EXPECT_EQ(start, text.size()) << "the text ends with a line end";
    return result;
}

core::Titration calculated(bool refineGamma) {
    core::Titration t = sim::makeTitration({.id = "HCl 0.02 M with NaOH"});
    t.inputs.RefineGamma = refineGamma;
    core::RecordingSink sink;
    EXPECT_TRUE(core::SelectPoints(t, sink));
    EXPECT_EQ(core::Calculate(t, sink), core::CalculationOutcome::Calibrated);
    return t;
}

TEST(ResultsReport, HeaderAndResultLinesCopyTheCaptions) {
    const core::Titration t = calculated(false);
    const std::string text = core::resultsReport(t, "C:\\data\\hcl.txt", "06/12/2026 20:41", "\r");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const core::ResultCaptions& c = t.captions;
    const std::vector<std::string> expected{"TAMO: Electrode Calibration",
                                            "Data from C:\\data\\hcl.txt",
                                            "Produced at 06/12/2026 20:41",
                                            "",
                                            "Titration ID HCl 0.02 M with NaOH",
                                            "volume of titrand 25.00",
                                            "electrolyte volume 25.00",
                                            "titrand concentration 0.02",
                                            "burette concentration -0.1",
                                            "standard potential: " + c.E0Value + " ± " + c.E0sd +
                                                "mV",
                                            "slope: " + c.SlopeValue + " ± " + c.SlopeSd + "mV",
                                            "slope factor " + c.SlopeFactor,
                                            "pKw = 13.78", // Gamma held: no Gamma line
                                            "",
                                            "Gran plot results",
                                            "Acid end-point   " + c.GranLabel6,
                                            "Alkali end-point " + c.GranLabel10,
                                            "Mean alkali concentration " + c.CorrAlkali + c.Alksd,
                                            "Protolytic impurity level " + c.GranLabel12,
                                            "",
                                            "  Volume   mV(obs)   mV(calc)  mV(diff) pH(calc)"};
    const std::vector<std::string> got = lines(text, '\r');
    ASSERT_EQ(got.size(), expected.size() + t.points.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));

    const core::Titration refined = calculated(true);
    const std::vector<std::string> withGamma =
        lines(core::resultsReport(refined, "", "", "\n"), '\n');
    EXPECT_EQ(withGamma[12], refined.inputs.GammaBox + " ± " + refined.captions.GammaSd);
    EXPECT_EQ(withGamma[13], "pKw = 13.78");
}

TEST(ResultsReport, PointLinesAreFixedFieldsWithTheEmfCalculatedAfresh) {
    // 1 ml of 0.5 M acid in 3 ml, 0.25 M alkali, E0 400 mV, slope 60.
    core::Titration t =
        crafted::titration(1, 2, 0.5, -0.25, {{0, 353}, {2, 12.5, false}, {12.3456789, -300}});
    t.InitialVolume = 3;
    t.TitrandConc = 0.5;
    t.BuretteConc = -0.25;
    t.pKw = 13;
    t.Param = {400, 60, 1};
    t.points[0].PointPH = 0.778;
    t.points[1].PointPH = 6.5;
    std::vector<std::string> got = lines(core::resultsReport(t, "", "", "\n"), '\n');
    ASSERT_EQ(got.size(), 24u);
    EXPECT_EQ(got[21], "1   0.0    353.000   353.311   -0.311   0.778  "); // 400 + 60 log10(1/6)
    EXPECT_EQ(got[22], "2   2.0    12.500    10.000    2.500    6.500  not used"); // neutral
    EXPECT_EQ(got[23].substr(0, 21), "3   12.3456-300.000  "); // 12.345679 cut to its field
    t.Param[0] = 410;                                          // not from stored residuals
    got = lines(core::resultsReport(t, "", "", "\n"), '\n');
    EXPECT_EQ(got[22], "2   2.0    12.500    20.000    -7.500   6.500  not used");

    t.points.clear();
    const std::string empty = core::resultsReport(t, "", "", "\r");
    EXPECT_TRUE(empty.ends_with("\r  Volume   mV(obs)   mV(calc)  mV(diff) pH(calc)\r"));
}

TEST(ResultsReport, BeforeAnyCalculationShowsTheCaptionsAsTheyStand) {
    // Loaded, not even selected: the model has no volumes yet.
    const core::Titration t = crafted::titration(25, 25, 0.02, -0.1, {{0, 280}, {1, 275}});
    const std::string text = core::resultsReport(t, "f", "d", "\n");
    EXPECT_NE(text.find("\nstandard potential:  ± mV\n"), std::string::npos);
    for (const char* bad : {"nan", "inf", "NaN", "Inf"})
        EXPECT_EQ(text.find(bad), std::string::npos) << bad;
}

} // namespace
