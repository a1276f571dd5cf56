// The electrode logbook: one record added (a transaction synced to the disk),
// the records of an electrode with 1,000 of them listed, their CSV text made,
// and the trend statistics of such a series.
#include "SampleRecord.h"
#include "core/Trend.h"
#include "io/Logbook.h"
#include "io/LogbookCsv.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 1000;

/// A logbook in a temporary folder holding kRecords records of one electrode.
struct FilledLogbook {
    QTemporaryDir dir;
    io::Logbook logbook;
    std::string error;
    FilledLogbook() {
        error = logbook.open(dir.filePath("logbook.sqlite").toStdString());
        for (int n = 0; n < kRecords && error.empty(); ++n) {
            io::LogbookRecord record = logbooktest::sampleRecord(n);
            error = logbook.add(record);
        }
    }
};

void BM_AddRecord(benchmark::State& state) {
    QTemporaryDir dir;
    io::Logbook logbook;
    if (const std::string error = logbook.open(dir.filePath("logbook.sqlite").toStdString());
        !error.empty())
        state.SkipWithError(error.c_str());
    int n = 0;
    for (auto _ : state) {
        io::LogbookRecord record = logbooktest::sampleRecord(n++);
        if (const std::string error = logbook.add(record); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}
BENCHMARK(BM_AddRecord)->Unit(benchmark::kMillisecond);

void BM_ListEntries(benchmark::State& state) {
    FilledLogbook filled;
    if (!filled.error.empty())
        state.SkipWithError(filled.error.c_str());
    for (auto _ : state) {
        std::vector<io::LogbookEntry> entries;
        if (const std::string error = filled.logbook.entries("pH-1", entries); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_ListEntries)->Unit(benchmark::kMillisecond);

void BM_CsvAndTrend(benchmark::State& state) {
    std::vector<io::LogbookEntry> entries(kRecords);
    std::vector<core::TrendPoint> series;
    for (int n = 0; n < kRecords; ++n) {
        entries[static_cast<std::size_t>(n)].record = logbooktest::sampleRecord(n);
        series.push_back({entries[static_cast<std::size_t>(n)].record.E0, n % 10 == 0});
    }
    for (auto _ : state) {
        const std::string csv = io::logbookCsvText(entries);
        benchmark::DoNotOptimize(csv.data());
        benchmark::DoNotOptimize(core::summarizeTrend(series));
    }
}
BENCHMARK(BM_CsvAndTrend)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv); // Qt SQL finds its drivers through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
