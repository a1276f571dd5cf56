// The electrode logbook: one record added (a transaction synced to the disk),
// the records of an electrode with 1,000 of them listed, their CSV text made,
// and the trend statistics of such a series; a logbook of 30,000 records with
// 51 points each opened (the soundness check before any write), and SQLite's
// full integrity check of it, for comparison.
#include "SampleRecord.h"
#include "core/Trend.h"
#include "io/Logbook.h"
#include "io/LogbookCsv.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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

/// A logbook of `count` records, copies of one sample record with its 51
/// points, spread over 5 electrodes; made in one transaction.
struct LargeLogbook {
    QTemporaryDir dir;
    std::string path = dir.filePath("logbook.sqlite").toStdString();
    std::string error;
    explicit LargeLogbook(int count) {
        {
            io::Logbook logbook;
            io::LogbookRecord record = logbooktest::sampleRecord(0);
            error = logbook.open(path);
            if (error.empty())
                error = logbook.add(record);
        }
        if (!error.empty())
            return;
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "large");
        db.setDatabaseName(QString::fromStdString(path));
        QSqlQuery q(db);
        QStringList columns;
        if (db.open() && q.exec("SELECT name FROM pragma_table_info('records') WHERE name <> 'id'"))
            while (q.next())
                columns << q.value(0).toString();
        const QString copied = columns.join(", ");
        QString selected = copied;
        selected.replace("electrode", "'pH-' || (n.i % 5)");
        for (const QString& sql :
             {QString("BEGIN"),
              QString(
                  "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                  "INSERT INTO records (id, %2) SELECT n.i, %3 FROM n, records r WHERE r.id = 1")
                  .arg(count)
                  .arg(copied, selected),
              QString(
                  "INSERT INTO record_points SELECT r.id, p.number, p.volume, p.emf, p.used, "
                  "p.start_ph FROM records r, record_points p WHERE p.record_id = 1 AND r.id > 1"),
              QString("COMMIT")})
            if (error.empty() && !q.exec(sql))
                error = q.lastError().text().toStdString();
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("large");
    }
};

constexpr int kLargeRecords = 30000;

void BM_OpenLargeLogbook(benchmark::State& state) {
    LargeLogbook large(kLargeRecords);
    if (!large.error.empty())
        state.SkipWithError(large.error.c_str());
    for (auto _ : state) {
        io::Logbook logbook;
        if (const std::string error = logbook.open(large.path); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        if (!logbook.warning().empty()) {
            state.SkipWithError(logbook.warning().c_str());
            break;
        }
    }
}
BENCHMARK(BM_OpenLargeLogbook)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IntegrityCheckLargeLogbook(benchmark::State& state) {
    LargeLogbook large(kLargeRecords);
    io::Logbook logbook;
    if (const std::string error = large.error.empty() ? logbook.open(large.path) : large.error;
        !error.empty())
        state.SkipWithError(error.c_str());
    for (auto _ : state) {
        QSqlQuery q(QSqlDatabase::database(QString::fromStdString(logbook.connectionName())));
        if (!q.exec("PRAGMA integrity_check") || !q.next() || q.value(0).toString() != "ok") {
            state.SkipWithError("the integrity check failed");
            break;
        }
    }
}
BENCHMARK(BM_IntegrityCheckLargeLogbook)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv); // Qt SQL finds its drivers through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
