#include "cli/Calibrator.h"

#include "io/DataFile.h"
#include "tools/Examples.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

std::string examplePath(const std::string& name) {
    return std::string(TAMO_EXAMPLES_DIR) + "/" + name;
}

std::vector<QJsonObject> jsonLines(const std::string& output) {
    std::vector<QJsonObject> objects;
    std::size_t start = 0;
    while (start < output.size()) {
        const auto end = output.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "every object ends its line";
        const QByteArray line = QByteArray::fromStdString(output.substr(start, end - start));
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects.push_back(doc.object());
        start = end + 1;
    }
    return objects;
}

std::set<QString> keysOf(const QJsonObject& o) {
    const QStringList keys = o.keys();
    return {keys.begin(), keys.end()};
}

cli::Options jsonOptions(std::vector<std::string> files) {
    cli::Options o;
    o.format = cli::OutputFormat::Json;
    o.files = std::move(files);
    return o;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(Calibrator, JsonHasExactlyTheNamedKeys) {
    const cli::RunResult run =
        cli::calibrateFiles(jsonOptions({examplePath("acid-with-alkali.txt")}), "today");
    const auto objects = jsonLines(run.output);
    ASSERT_EQ(objects.size(), 1u);
    const QJsonObject& o = objects[0];
    EXPECT_EQ(keysOf(o), (std::set<QString>{"file", "id", "ok", "messages", "conditions", "results",
                                            "verdict", "points"}));
    EXPECT_EQ(keysOf(o["verdict"].toObject()), (std::set<QString>{"ok", "reasons"}));
    EXPECT_EQ(
        keysOf(o["conditions"].toObject()),
        (std::set<QString>{"titrand_volume", "electrolyte_volume", "titrand_conc", "burette_conc",
                           "pkw", "temperature", "ranges", "gamma", "refine_gamma"}));
    EXPECT_EQ(
        keysOf(o["results"].toObject()),
        (std::set<QString>{"E0", "E0_sd", "slope", "slope_sd", "slope_factor", "gamma", "gamma_sd",
                           "rms", "iterations", "acid_endpoint", "acid_endpoint_sd",
                           "alkali_endpoint", "alkali_endpoint_sd", "endpoint_ratio",
                           "impurity_percent", "alkali_conc", "alkali_conc_sd"}));
    const QJsonArray points = o["points"].toArray();
    ASSERT_EQ(points.size(), 59);
    EXPECT_EQ(keysOf(points[0].toObject()),
              (std::set<QString>{"volume", "emf", "emf_calc", "ph", "used"}));
    EXPECT_EQ(o["file"].toString().toStdString(), examplePath("acid-with-alkali.txt"));
    EXPECT_TRUE(o["ok"].toBool());
    EXPECT_EQ(run.exitStatus, 0);
    // Gamma held constant has no deviation; the conditions are the numbers.
    EXPECT_TRUE(o["results"]["gamma_sd"].isNull());
    EXPECT_EQ(o["results"]["gamma"].toDouble(), 1.0);
    EXPECT_EQ(o["conditions"]["titrand_volume"].toDouble(), 25.0);
    EXPECT_EQ(static_cast<float>(o["conditions"]["burette_conc"].toDouble()), -0.1f);
    EXPECT_EQ(o["conditions"]["ranges"].toArray().size(), 4);
}

/// Within k standard deviations of the truth the simulator used.
void expectNear(const QJsonObject& results, const char* key, const char* sdKey, double truth,
                double k, const std::string& file) {
    const double value = results[key].toDouble();
    const double sd = results[sdKey].toDouble();
    EXPECT_GT(sd, 0) << file << ' ' << key;
    EXPECT_LE(std::fabs(value - truth), k * sd)
        << file << ' ' << key << " = " << value << " ± " << sd << ", simulated " << truth;
}

TEST(Calibrator, ExamplesGiveBackWhatTheSimulatorUsed) {
    for (const examples::Example& example : examples::bundledExamples()) {
        const std::string path = examplePath(example.fileName);
        const cli::RunResult run = cli::calibrateFiles(jsonOptions({path}), "today");
        const auto objects = jsonLines(run.output);
        ASSERT_EQ(objects.size(), 1u) << path;
        const QJsonObject& o = objects[0];
        ASSERT_TRUE(o["ok"].toBool()) << run.errors;
        const QJsonObject results = o["results"].toObject();
        const sim::Setup& s = example.setup;
        // The end-point ratio comes from the Gran fits and enters the alkaline
        // branch of the model unrefined, so the deviations of E0 and the slope
        // leave its scatter out: over many simulated titrations like these they
        // understate the spread by a factor of 1.5 to 4. The end-point
        // deviations have no such gap.
        expectNear(results, "E0", "E0_sd", s.E0, 8, path);
        expectNear(results, "slope", "slope_sd", s.slope, 8, path);
        expectNear(results, "acid_endpoint", "acid_endpoint_sd", sim::acidEndPoint(s), 4, path);
        expectNear(results, "alkali_endpoint", "alkali_endpoint_sd", sim::alkaliEndPoint(s), 4,
                   path);
        const double meanEndPoint = (sim::acidEndPoint(s) + sim::alkaliEndPoint(s)) / 2;
        expectNear(results, "alkali_conc", "alkali_conc_sd",
                   -s.titrandVolume * s.titrandConc / meanEndPoint, 4, path);
        EXPECT_EQ(results["endpoint_ratio"].toDouble() <= 1.0, true) << path;
        // The calculated emf of a used point lies within a few mV of the observed one.
        for (const QJsonValue& p : o["points"].toArray()) {
            if (p["used"].toBool()) {
                EXPECT_LT(std::fabs(p["emf"].toDouble() - p["emf_calc"].toDouble()), 1.0) << path;
            }
        }
    }
}

TEST(Calibrator, FilesThatAreRejectedOrCannotBeCalculatedAreNotOk) {
    QTemporaryDir dir;
    const std::string bad = dir.filePath("bad.txt").toStdString();
    const std::string beyond = dir.filePath("beyond.txt").toStdString();
    const std::string acidOnly = dir.filePath("acid-only.txt").toStdString();
    const std::string good = examplePath("acid-with-alkali.txt");
    writeFile(QString::fromStdString(bad), "run 7\r\n25 0 0.01\r\n1 300\r\n");
    writeFile(QString::fromStdString(beyond), "run 8\n25 25 0.02 1E+39\n0 300\n");
    // Points below the acid range only: nothing to fit.
    writeFile(QString::fromStdString(acidOnly),
              "acid only\n25 25 0.02 -0.1\n0 300\n0.5 299\n1 298\n1.5 297\n2 295\n");
    const std::vector<std::string> files{bad, beyond, acidOnly, good};
    const std::vector<std::vector<QString>> messages{
        {"The second line does not contain 4 items of data"},
        {"invalid entry for number", "Burette concentration is zero"},
        {"too few points in the acid range: 0 used, 2 needed"},
        {}};

    // A stopped calculation prints its messages and no report: only the good file has one.
    cli::Options options;
    options.files = files;
    const cli::RunResult report = cli::calibrateFiles(options, "today");
    EXPECT_EQ(report.exitStatus, 1);
    std::string errors;
    for (std::size_t i = 0; i < files.size(); ++i)
        for (const QString& m : messages[i])
            errors += files[i] + ": " + m.toStdString() + "\n";
    EXPECT_EQ(report.errors, errors);
    EXPECT_EQ(report.output.rfind("TAMO: Electrode Calibration\nData from " + good + "\n", 0), 0u);
    EXPECT_EQ(report.output.find("TAMO", 1), std::string::npos);

    const cli::RunResult json = cli::calibrateFiles(jsonOptions(files), "today");
    EXPECT_EQ(json.exitStatus, 1);
    EXPECT_EQ(json.errors, errors);
    const auto objects = jsonLines(json.output);
    ASSERT_EQ(objects.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        QJsonArray expected;
        for (const QString& m : messages[i])
            expected.append(m);
        EXPECT_EQ(objects[i]["messages"].toArray(), expected) << files[i];
        EXPECT_EQ(objects[i]["ok"].toBool(), files[i] == good);
    }
    EXPECT_TRUE(objects[0]["id"].isNull());
    EXPECT_TRUE(objects[0]["points"].toArray().isEmpty());
    EXPECT_EQ(objects[2]["id"].toString(), "acid only");
    for (const QJsonValue& p : objects[2]["points"].toArray())
        EXPECT_TRUE(p["emf_calc"].isNull());
    for (int i : {0, 1, 2})
        for (const QJsonValue& v : objects[i]["results"].toObject())
            EXPECT_TRUE(v.isNull());
}

TEST(Calibrator, ConditionsEchoTheInputsAsTypedAndTheResultsTheGammaUsed) {
    const struct {
        bool refine;
        const char* gamma;
        const char* echoed;
    } cases[] = {{false, "1", "\"gamma\":1,"},
                 {false, "1.02", "\"gamma\":1.02,"},
                 {true, "1", "\"gamma\":1,"},
                 {true, "1.02", "\"gamma\":1.02,"}};
    for (const auto& c : cases) {
        cli::Options options = jsonOptions({examplePath("acid-with-alkali.txt")});
        options.inputs.GammaBox = c.gamma;
        options.inputs.RefineGamma = c.refine;
        const cli::RunResult run = cli::calibrateFiles(options, "today");
        ASSERT_EQ(run.exitStatus, 0) << run.errors;
        const std::string conditions = run.output.substr(run.output.find("\"conditions\""));
        EXPECT_NE(conditions.find(c.echoed), std::string::npos) << conditions.substr(0, 200);
        const QJsonObject o = jsonLines(run.output)[0];
        EXPECT_EQ(o["conditions"]["refine_gamma"].toBool(), c.refine);
        const double typed = static_cast<float>(std::stod(c.gamma));
        const QJsonValue gamma = o["results"]["gamma"], sd = o["results"]["gamma_sd"];
        if (c.refine) {
            // The simulated titrant is exactly as labelled: the refined Gamma is near 1.
            EXPECT_NEAR(gamma.toDouble(), 1, 5 * sd.toDouble());
            EXPECT_NE(gamma.toDouble(), typed);
        } else {
            EXPECT_EQ(gamma.toDouble(), typed);
            EXPECT_TRUE(sd.isNull());
        }
    }
}

/// The number after `"key":` in a JSON text, from `from` on.
std::string numberAfter(const std::string& text, const std::string& key, std::size_t& from) {
    from = text.find("\"" + key + "\":", from);
    if (from == std::string::npos)
        return {};
    from += key.size() + 3;
    return text.substr(from, text.find_first_of(",}]", from) - from);
}

TEST(Calibrator, NumbersReadFromTextAreWrittenShortAndReadBackToTheirSingles) {
    const std::string path = examplePath("acid-with-alkali.txt");
    core::Titration read;
    core::RecordingSink sink;
    ASSERT_TRUE(io::ReadDataFile(path, read, sink));
    cli::Options options = jsonOptions({path});
    options.inputs.pKbox = "13,78";
    options.inputs.Range = {"2.5", "4", "10.8", "11.3"};
    const std::string out = cli::calibrateFiles(options, "today").output;
    for (const char* condition :
         {"\"titrand_volume\":25,", "\"electrolyte_volume\":25,", "\"titrand_conc\":0.02,",
          "\"burette_conc\":-0.1,", "\"pkw\":13.78,", "\"temperature\":25,",
          "\"ranges\":[2.5,4,10.8,11.3]"})
        EXPECT_NE(out.find(condition), std::string::npos) << condition;
    // Every volume and emf: at most the nine significant digits a single needs,
    // and read back as a double and reduced to single, the number the file gave.
    std::size_t at = out.find("\"points\"");
    for (const core::Point& p : read.points) {
        for (const auto& [key, stored] : {std::pair("volume", p.Volume), {"emf", p.EmfObs}}) {
            const std::string text = numberAfter(out, key, at);
            ASSERT_FALSE(text.empty()) << key;
            EXPECT_LE(std::count_if(text.begin(), text.end(), ::isdigit), 9) << text;
            EXPECT_EQ(static_cast<float>(std::stod(text)), static_cast<float>(stored)) << text;
        }
    }
}

TEST(Calibrator, ABatchKeepsTheOrderOfItsFiles) {
    // Enough files for the batch to be shared among threads; every tenth is rejected.
    QTemporaryDir dir;
    cli::Options options = jsonOptions({});
    std::string expectedErrors;
    for (int i = 0; i < 60; ++i) {
        const std::string path = dir.filePath(QString("t%1.txt").arg(i)).toStdString();
        options.files.push_back(i % 10 == 3 ? path : examplePath("acid-with-alkali.txt"));
        if (i % 10 == 3) {
            writeFile(QString::fromStdString(path), "x\n1 2 3\n");
            expectedErrors += path + ": The second line does not contain 4 items of data\n";
        }
    }
    const cli::RunResult run = cli::calibrateFiles(options, "today");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.errors, expectedErrors);
    const auto objects = jsonLines(run.output);
    ASSERT_EQ(objects.size(), options.files.size());
    const cli::RunResult single = cli::calibrateFiles(jsonOptions({options.files[0]}), "today");
    for (std::size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(objects[i]["file"].toString().toStdString(), options.files[i]);
        EXPECT_EQ(objects[i]["ok"].toBool(), i % 10 != 3);
        if (i % 10 != 3) {
            EXPECT_EQ(objects[i], jsonLines(single.output)[0]) << i;
        }
    }
}

TEST(Calibrator, ReportsAreSeparatedByOneEmptyLineAndShowTheTextsAsTyped) {
    cli::Options options;
    options.inputs.pKbox = "13,78";
    options.files = {examplePath("acid-with-alkali.txt"), examplePath("decimal-comma.txt")};
    const cli::RunResult run = cli::calibrateFiles(options, "6/12/2026 10:00");
    EXPECT_EQ(run.exitStatus, 0) << run.errors;
    const std::string second = "\n\nTAMO: Electrode Calibration\nData from " +
                               examplePath("decimal-comma.txt") + "\nProduced at 6/12/2026 10:00\n";
    EXPECT_NE(run.output.find(second), std::string::npos);
    EXPECT_EQ(run.output.find("\n\n\n"), std::string::npos);
    EXPECT_NE(run.output.find("\npKw = 13,78\n"), std::string::npos);
    EXPECT_EQ(run.output.find('\r'), std::string::npos);
    EXPECT_EQ(run.output.back(), '\n');
}

} // namespace
