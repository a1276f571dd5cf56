#include "cli/Calibrator.h"
#include "core/Format.h"
#include "io/DataFile.h"

#include <QDir>
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
    };
    for (const auto& [arguments, expected] : cases) {
        const cli::ParsedCommandLine parsed = parse(arguments);
        EXPECT_EQ(parsed.action, Action::UsageError) << arguments.join(' ').toStdString();
        EXPECT_NE(parsed.text.find(expected), std::string::npos) << parsed.text;
    }
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
    EXPECT_EQ(withoutSource(imported.output), withoutSource(original.output));
    EXPECT_EQ(withoutSource(written.output), withoutSource(original.output));
}

} // namespace
