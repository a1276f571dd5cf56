#include "cli/Calibrator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

cli::Options refinedOptions(cli::OutputFormat format) {
    cli::Options o;
    o.format = format;
    o.inputs.Range = {"2.5", "4", "10.3", "11.3"};
    o.inputs.RefineGamma = true;
    o.inputs.RefinePKw = true;
    o.sensitivity = true;
    o.files = {std::string(TAMO_EXAMPLES_DIR) + "/acid-with-alkali.txt"};
    return o;
}

TEST(RefinedOutput, JsonHasPKwCorrelationsAndSensitivity) {
    const cli::RunResult run =
        cli::calibrateFiles(refinedOptions(cli::OutputFormat::Json), "today");
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(run.output)).object();
    ASSERT_TRUE(o["ok"].toBool()) << run.errors;
    EXPECT_TRUE(o["conditions"].toObject()["refine_pkw"].toBool());
    const QJsonObject r = o["results"].toObject();
    EXPECT_NEAR(r["pkw"].toDouble(), 13.78, 5 * r["pkw_sd"].toDouble());
    const QJsonObject correlation = r["correlation"].toObject();
    EXPECT_EQ(correlation["parameters"].toArray(),
              QJsonArray({"E0", "slope", "Gamma", "pKw", "end-point ratio"}));
    const QJsonArray matrix = correlation["matrix"].toArray();
    ASSERT_EQ(matrix.size(), 5);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            const double rij = matrix[i].toArray()[j].toDouble();
            EXPECT_NEAR(rij, matrix[j].toArray()[i].toDouble(), 1e-12);
            EXPECT_LE(std::abs(rij), i == j ? 1 + 1e-12 : 1.0);
        }
    const QJsonObject sensitivity = r["sensitivity"].toObject();
    EXPECT_TRUE(sensitivity["titrant_conc_plus_0.5_percent"].isDouble());
    EXPECT_TRUE(sensitivity["titrand_conc_plus_0.2_percent"].isDouble());
    EXPECT_TRUE(sensitivity["pkw_plus_0.05"].isNull()); // pKw is refined
}

TEST(RefinedOutput, ReportShowsGammaPKwAndTheSensitivity) {
    const std::string report =
        cli::calibrateFiles(refinedOptions(cli::OutputFormat::Report), "today").output;
    // The refined pKw (13.760) selects the points again: Gamma 0.99971, not the 0.9996 that
    // the points selected with the typed 13.78 gave.
    for (const char* line :
         {"\nGamma (titrant factor) 0.9997", "\ncorrected burette concentration -0.0999",
          "\npKw = 13.7", "\nE0 moves ", " for +0.05 pKw\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
}

TEST(RefinedOutput, AcidBranchAloneLeavesTheAlkaliResultsOpen) {
    cli::Options o = refinedOptions(cli::OutputFormat::Json);
    o.inputs.RefinePKw = false;
    o.inputs.branch = core::Branch::Acid;
    const cli::RunResult run = cli::calibrateFiles(o, "today");
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.output)).object();
    ASSERT_TRUE(json["ok"].toBool()) << run.errors;
    const QJsonObject r = json["results"].toObject();
    for (const char* key : {"alkali_endpoint", "alkali_endpoint_sd", "impurity_percent"})
        EXPECT_TRUE(r[key].isNull()) << key;
    EXPECT_NEAR(r["alkali_conc"].toDouble(), -0.1 * r["gamma"].toDouble(), 0.001);
    EXPECT_EQ(json["conditions"].toObject()["branch"].toString(), "acid");
    o.format = cli::OutputFormat::Report;
    const std::string report = cli::calibrateFiles(o, "today").output;
    for (const char* line :
         {"\nslope: 59.16mV, held at the Nernst slope at 25 °C\n", "\nAlkali end-point –\n",
          "\nAlkali concentration from the acid end-point -0.", "\nProtolytic impurity level –\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
}

} // namespace

TEST(UncertaintyOutput, OnlyWhenAskedForWithEveryResultAndTheMonteCarloCheck) {
    cli::Options o = refinedOptions(cli::OutputFormat::Json);
    o.inputs.RefinePKw = false;
    o.sensitivity = false;
    const auto object = [&] {
        const cli::RunResult run = cli::calibrateFiles(o, "today");
        return QJsonDocument::fromJson(QByteArray::fromStdString(run.output)).object();
    };
    EXPECT_FALSE(object().contains("uncertainty"));
    o.uncertainty = true;
    o.monteCarloTrials = 500;
    const QJsonObject json = object();
    const QJsonObject u = json["uncertainty"].toObject();
    const QJsonObject results = json["results"].toObject();
    EXPECT_EQ(u["method"].toString(), "GUM and Monte Carlo");
    EXPECT_TRUE(u["inputs"].toObject()["titrant_conc"].isNull()); // Gamma refined finds it
    for (const char* key :
         {"E0", "slope", "slope_factor", "gamma", "acid_endpoint", "alkali_endpoint",
          "endpoint_ratio", "impurity_percent", "alkali_conc"}) {
        const QJsonObject r = u[key].toObject();
        // The budget is of the calibration reported, not of another one.
        EXPECT_EQ(r["value"].toDouble(), results[key].toDouble()) << key;
        EXPECT_GT(r["u"].toDouble(), r["fit_sd"].toDouble()) << key;
        EXPECT_EQ(r["contributions"].toObject().size(), 8) << key;
        EXPECT_TRUE(u["monte_carlo"].toObject()["results"].toObject()[key].isObject()) << key;
    }
    const QJsonObject mc = u["monte_carlo"].toObject();
    EXPECT_EQ(mc["trials"].toInt(), 500);
    EXPECT_TRUE(mc["reliable"].toBool());
    EXPECT_TRUE(mc["check"].toString().startsWith("GUM and Monte Carlo "));
    o.format = cli::OutputFormat::Report;
    const std::string report = cli::calibrateFiles(o, "today").output;
    for (const char* line : {"\nUncertainty (k = 2)\n", "\nstandard potential E0: ",
                             "\nMonte Carlo: 500 trials", "\nGUM and Monte Carlo "})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    // A budget asked for and not made fails the file, with the reason and no numbers.
    o.format = cli::OutputFormat::Json;
    o.uncertaintyInputs[core::UncertaintyInput::TitrandVolume] = core::StatedUncertainty{30, false};
    const cli::RunResult failed = cli::calibrateFiles(o, "today");
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(failed.output))
                    .object()["uncertainty"]
                    .isNull());
    EXPECT_NE(failed.errors.find("no uncertainty budget: the standard uncertainty of the titrand "
                                 "volume is not below the quantity itself"),
              std::string::npos)
        << failed.errors;
}
