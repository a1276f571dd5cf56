// The command-line calibrator: one file read, calculated and written in the
// process, and a batch of 1,000 files through the real executable (process
// start included, the JSON going to the null device).
#include "cli/Calibrator.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

/// Writes `count` simulated 60-point titrations into the folder; returns their paths.
std::vector<std::string> writeTitrations(const QTemporaryDir& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        sim::Setup setup;
        setup.pointCount = 60;
        setup.seed = static_cast<std::uint64_t>(i + 1);
        const std::string path = dir.filePath(QString("t%1.txt").arg(i)).toStdString();
        if (!io::WriteDataFile(path, io::dataFileTexts(sim::makeTitration(setup))).empty())
            return {};
        paths.push_back(path);
    }
    return paths;
}

void BM_CalibrateOneFile(benchmark::State& state, cli::OutputFormat format) {
    QTemporaryDir dir;
    cli::Options options;
    options.format = format;
    options.files = writeTitrations(dir, 1);
    for (auto _ : state) {
        cli::RunResult run = cli::calibrateFiles(options, "today");
        benchmark::DoNotOptimize(run.output.data());
        if (run.exitStatus != 0)
            state.SkipWithError("the titration was not calibrated");
    }
}
BENCHMARK_CAPTURE(BM_CalibrateOneFile, json, cli::OutputFormat::Json)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CalibrateOneFile, report, cli::OutputFormat::Report)->Unit(benchmark::kMicrosecond);

void BM_Process1000Files(benchmark::State& state) {
    QTemporaryDir dir;
    QStringList arguments{"--format", "json"};
    for (const std::string& path : writeTitrations(dir, 1000))
        arguments << QString::fromStdString(path);
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(TAMO_CALIBRATE_EXE, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("tamo-calibrate failed");
    }
}
BENCHMARK(BM_Process1000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
