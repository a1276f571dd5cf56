#include "cli/Calibrator.h"
#include "core/Format.h"
#include "io/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using Action = cli::ParsedCommandLine::Action;

cli::ParsedCommandLine parse(QStringList arguments) {
    arguments.prepend("tamo-calibrate");
    return cli::parseCommandLine(arguments);
}

TEST(ImportCommandLine, UsageErrorsNameTheProblem) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"--import", "pclims", "r.txt"},
         "the import profile \"pclims\" does not give the conditions V0, V1, CT, CB"},
        {{"--volume-column", "2", "--conditions", ",,0.1,-0.1", "r.csv"},
         "the import profile \"csv\" does not give the conditions V0, V1"},
        {{"--import", "csv", "--conditions", "1,2,3", "r.csv"}, "--conditions needs four values"},
        {{"--import", "csv", "--conditions", "1,2,x,4", "r.csv"},
         "--conditions needs a number for CT, not \"x\""},
        {{"--import", "csv", "--emf-unit", "mv2", "--conditions", "1,2,3,4", "r.csv"},
         "--emf-unit takes mV or V"},
        {{"--import", "none.ini", "r.csv"}, "no built-in import profile is called \"none.ini\""},
        {{"--write-data", "out", "r.txt"}, "--write-data needs --import PROFILE"},
        {{"--import", "gravimetric", "--write-data", "/nonexistent/out", "r.csv"},
         "--write-data needs an existing folder"},
        {{"--volume-column", "0", "--conditions", "1,2,3,4", "r.csv"},
         "--volume-column takes a column number, and columns start at 1, not \"0\""},
        {{"--volume-column", "2", "--emf-column", "2", "--conditions", "1,2,3,4", "r.csv"},
         "volume-column and emf-column name the same column (2)"},
        {{"--import", "gravimetric", "--start-line", "3", "r.csv"},
         "skip-to and start-line both say where the data begin"},
        {{"--import", "gravimetric", "--overwrite", "r.csv"}, "--overwrite goes with --write-data"},
        {{"--import", "gravimetric", "--write-data", ".", "a/run.csv", "b/run.csv"},
         "--write-data would write both \"a/run.csv\" and \"b/run.csv\" to \"./run.txt\": nothing "
         "written"},
    };
    for (const auto& [arguments, expected] : cases) {
        const cli::ParsedCommandLine parsed = parse(arguments);
        EXPECT_EQ(parsed.action, Action::UsageError) << arguments.join(' ').toStdString();
        EXPECT_NE(parsed.text.find(expected), std::string::npos) << parsed.text;
    }
}

/// The example's points as a titrator's export: volume, time, emf (mV or V), temperature.
std::string titratorExport(const core::Titration& t, bool volts = false) {
    std::string csv = "V,t,E,T\n";
    for (std::size_t i = 0; i < t.points.size(); ++i)
        csv += core::generalNumberText(t.points[i].Volume) + "," + std::to_string(i) + "," +
               core::generalNumberText(t.points[i].EmfObs / (volts ? 1000 : 1)) + ",25\n";
    return csv;
}

core::Titration example() {
    core::Titration t;
    core::RecordingSink sink;
    EXPECT_TRUE(
        io::ReadDataFile(std::string(TAMO_EXAMPLES_DIR) + "/acid-with-alkali.txt", t, sink));
    return t;
}

std::string readAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/// The report without its "Data from" line, which names the file.
std::string withoutSource(const std::string& report) {
    const auto from = report.find("Data from ");
    return from == std::string::npos
               ? report
               : report.substr(0, from) + report.substr(report.find('\n', from));
}

TEST(ImportCommandLine, AnImportCalibratesAsItsDataFileAndWritesIt) {
    const std::string example = std::string(TAMO_EXAMPLES_DIR) + "/acid-with-alkali.txt";
    core::Titration t;
    core::RecordingSink sink;
    ASSERT_TRUE(io::ReadDataFile(example, t, sink));
    // A spreadsheet's export: a header, the emf before the volume, decimal commas.
    std::string csv = "t;E / mV;V / ml\n";
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        std::string line = std::to_string(i * 30) + ";" +
                           core::generalNumberText(t.points[i].EmfObs) + ";" +
                           core::generalNumberText(t.points[i].Volume) + "\n";
        std::replace(line.begin(), line.end(), '.', ',');
        csv += line;
    }
    QTemporaryDir dir;
    const std::string source = dir.filePath("run 7.csv").toStdString();
    std::ofstream(source, std::ios::binary) << csv;
    const QString conditions = QString::fromStdString(t.v0.text + ";" + t.v1.text + ";" +
                                                      t.Initial.text + ";" + t.Burette.text);
    const cli::ParsedCommandLine parsed =
        parse({"--volume-column", "3", "--emf-column", "E / mV", "--conditions", conditions, "--id",
               QString::fromStdString(t.TitrationID), "--write-data", dir.path(),
               QString::fromStdString(source)});
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;

    const cli::RunResult imported = cli::calibrateFiles(parsed.options, "today");
    cli::Options classic;
    classic.files = {example};
    const cli::RunResult original = cli::calibrateFiles(classic, "today");
    classic.files = {dir.filePath("run 7.txt").toStdString()};
    const cli::RunResult written = cli::calibrateFiles(classic, "today");
    EXPECT_EQ(imported.exitStatus, 0) << imported.errors;
    EXPECT_EQ(withoutSource(written.output), withoutSource(imported.output));
    // The identifier, the data file's first line, names the source and how it was read.
    std::string expected = withoutSource(original.output);
    const std::string id = "Titration ID " + t.TitrationID;
    expected.insert(expected.find(id) + id.size(),
                    "; imported from run 7.csv with profile csv, changed by --volume-column 3 "
                    "--emf-column \"E / mV\"");
    EXPECT_EQ(withoutSource(imported.output), expected);
}

TEST(ImportCommandLine, WriteDataNeverReplacesAFileAndEveryFailureCounts) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("out");
    const QString out = dir.filePath("out"), target = dir.filePath("out/run.txt");
    const core::Titration t = example();
    const auto source = [&](const char* name, const std::string& bytes) {
        const QString path = dir.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    };
    const QString mV = source("run.csv", titratorExport(t));
    const QString volts = source("volts.csv", titratorExport(t, true));
    const QString conditions = QString::fromStdString(t.v0.text + "," + t.v1.text + "," +
                                                      t.Initial.text + "," + t.Burette.text);
    const auto run = [&](QStringList arguments) {
        arguments =
            QStringList{"--import", "csv", "--conditions", conditions, "--write-data", out} +
            arguments;
        const cli::ParsedCommandLine parsed = parse(arguments);
        EXPECT_EQ(parsed.action, Action::Run) << parsed.text;
        return cli::calibrateFiles(parsed.options, "today");
    };

    // The default profile takes the column named E as the emf.
    const cli::RunResult first = run({mV});
    EXPECT_EQ(first.exitStatus, 0) << first.errors;
    core::Titration written;
    core::RecordingSink sink;
    ASSERT_TRUE(io::ReadDataFile(target.toStdString(), written, sink));
    EXPECT_EQ(written.TitrationID, "run.csv; imported with profile csv");
    ASSERT_EQ(written.PointCount(), t.PointCount());
    EXPECT_EQ(written.points.back().EmfObs, t.points.back().EmfObs);

    const std::string before = readAll(target);
    const cli::RunResult again = run({mV});
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_NE(again.errors.find("--write-data would replace \"" + target.toStdString() +
                                "\", which exists: nothing written (--overwrite replaces it)"),
              std::string::npos)
        << again.errors;
    EXPECT_EQ(readAll(target), before);
    EXPECT_EQ(run({"--overwrite", mV}).exitStatus, 0);

    // Volts without the unit: warned of, not written; with it, written.
    const cli::RunResult guessed = run({volts});
    EXPECT_EQ(guessed.exitStatus, 1);
    EXPECT_NE(guessed.errors.find("while the emf unit is in doubt: give it with --emf-unit"),
              std::string::npos)
        << guessed.errors;
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out/volts.txt")));
    EXPECT_EQ(run({"--emf-unit", "V", volts}).errors.find("in doubt"), std::string::npos);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("out/volts.txt")));

    // A write that fails (a folder has the name) fails the run.
    QFile::remove(target);
    QDir(out).mkdir("run.txt");
    const cli::RunResult failed = run({"--overwrite", mV});
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_NE(failed.errors.find("cannot be written"), std::string::npos) << failed.errors;
}

} // namespace
