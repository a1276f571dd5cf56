// The command-line calibrator: one file read, calculated and written in the
// process; and the built tamo-calibrate as a user runs it, process start
// included: alone (--version) and on a batch of 3,000 simulated titrations of
// 60 points in one call, JSON and report, the output going to the null device.
// The batch figures are given per file (the "per_file" counter, in seconds).
#include "cli/Calibrator.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kBatchFiles = 3000;
constexpr int kPoints = 60;

/// Writes `count` simulated titrations into the folder; returns their paths.
std::vector<std::string> writeTitrations(const QTemporaryDir& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        sim::Setup setup;
        setup.pointCount = kPoints;
        setup.carbonateFraction = 0.01; // as real alkali has: no end-points in the wrong order
        setup.seed = static_cast<std::uint64_t>(i + 1);
        const std::string path = dir.filePath(QString("t%1.txt").arg(i)).toStdString();
        if (!io::WriteDataFile(path, io::dataFileTexts(sim::makeTitration(setup))).empty())
            return {};
        paths.push_back(path);
    }
    return paths;
}

/// The batch, written once for every benchmark that needs it.
const std::vector<std::string>& batch() {
    static const QTemporaryDir dir;
    static const std::vector<std::string> paths = writeTitrations(dir, kBatchFiles);
    return paths;
}

/// Runs tamo-calibrate with the arguments, its output and messages to the null
/// device, as a shell would start it. Returns its exit status, or -1.
int runCalibrate(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(TAMO_CALIBRATE_EXE)};
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void BM_CalibrateOneFile(benchmark::State& state, cli::OutputFormat format) {
    cli::Options options;
    options.format = format;
    options.files = {batch().front()};
    for (auto _ : state) {
        cli::RunResult run = cli::calibrateFiles(options, "today");
        benchmark::DoNotOptimize(run.output.data());
        if (run.exitStatus != 0)
            state.SkipWithError("the titration was not calibrated");
    }
}
BENCHMARK_CAPTURE(BM_CalibrateOneFile, json, cli::OutputFormat::Json)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CalibrateOneFile, report, cli::OutputFormat::Report)
    ->Unit(benchmark::kMicrosecond);

void BM_StartUp(benchmark::State& state) {
    for (auto _ : state)
        if (runCalibrate({"--version"}) != 0)
            state.SkipWithError("tamo-calibrate --version failed");
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Batch(benchmark::State& state, const char* format) {
    std::vector<std::string> arguments{"--format", format};
    arguments.insert(arguments.end(), batch().begin(), batch().end());
    for (auto _ : state)
        if (runCalibrate(arguments) != 0)
            state.SkipWithError("tamo-calibrate failed on the batch");
    state.counters["per_file"] = benchmark::Counter(
        kBatchFiles, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_Batch, json, "json")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Batch, report, "report")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
