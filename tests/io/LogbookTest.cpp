#include "io/Logbook.h"

#include "SampleRecord.h"
#include "core/Calculation.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <random>

namespace {

using io::LogbookEntry;
using logbooktest::sampleRecord;
using Entries = std::vector<LogbookEntry>;

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

Entries entriesOf(const io::Logbook& logbook, const std::string& electrode) {
    Entries entries;
    EXPECT_EQ(logbook.entries(electrode, entries), "");
    return entries;
}

/// Runs the sqlite3 program on the file: its standard output, or its standard error on failure.
QString sqlite3(const std::string& path, const QString& sql, bool expectSuccess = true) {
    const QString program = QStandardPaths::findExecutable("sqlite3");
    EXPECT_FALSE(program.isEmpty()) << "sqlite3 is missing (scripts/install-deps.sh installs it)";
    QProcess process;
    process.start(program, {QString::fromStdString(path), sql});
    EXPECT_TRUE(process.waitForFinished(30000));
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    EXPECT_EQ(ok, expectSuccess) << sql.toStdString();
    return QString::fromUtf8(ok ? process.readAllStandardOutput() : process.readAllStandardError());
}

/// Runs statements on a connection of its own, as another program would.
void runSql(const std::string& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-raw");
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& sql : statements)
            EXPECT_TRUE(q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("test-raw");
}

class LogbookTest : public testing::Test {
protected:
    QTemporaryDir dir;
    std::string path = dir.filePath("logbook.sqlite").toStdString();
};

TEST_F(LogbookTest, KeepsRecordsInDateOrderAcrossReopening) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    // 10:00 at UTC+2 is before 09:30 at UTC, though its text sorts after.
    std::vector<io::LogbookRecord> added = {sampleRecord(1, " glass 7 "),
                                            sampleRecord(2, "Glass 2"), sampleRecord(3, "glass 7"),
                                            sampleRecord(4, "b")};
    added[0].recordedAt = "2024-03-01T09:30:00Z";
    added[2].recordedAt = "2024-03-01T10:00:00+02:00";
    for (io::LogbookRecord& record : added)
        ASSERT_EQ(logbook.add(record), "");
    EXPECT_EQ(added[0].electrode, "glass 7");
    EXPECT_EQ(added[3].id, added[0].id + 3);

    const Entries expected = {{added[2], {}}, {added[0], {}}};
    for (int reopen = 0; reopen < 2; ++reopen) {
        EXPECT_EQ(entriesOf(logbook, "glass 7"), expected);
        std::vector<std::string> names;
        ASSERT_EQ(logbook.electrodeNames(names), "");
        EXPECT_EQ(names, (std::vector<std::string>{"b", "Glass 2", "glass 7"}));
        logbook.close();
        ASSERT_EQ(logbook.open(path), "");
    }
    EXPECT_EQ(entriesOf(logbook, "no such electrode"), Entries{});
    // What another program sees: the records' rows.
    EXPECT_EQ(sqlite3(path, "SELECT id, electrode FROM records ORDER BY id"),
              QString("%1|glass 7\n%2|Glass 2\n%3|glass 7\n%4|b\n")
                  .arg(added[0].id)
                  .arg(added[1].id)
                  .arg(added[2].id)
                  .arg(added[3].id));
}

TEST_F(LogbookTest, WithdrawsARecordOnceWithAReason) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    io::LogbookRecord first = sampleRecord(1), second = sampleRecord(2);
    ASSERT_EQ(logbook.add(first), "");
    ASSERT_EQ(logbook.add(second), "");
    const std::string when = "2024-06-01T12:00:00+02:00";
    const struct {
        long long id;
        const char* reason;
        std::string error;
    } cases[] = {
        {first.id, " ", "A withdrawal needs a reason"},
        {first.id, " wrong buffer \n", ""},
        {first.id, "again",
         "Record " + std::to_string(first.id) + " of the logbook " + inQuotes(path) +
             " is already withdrawn"},
        {999, "none", "The logbook " + inQuotes(path) + " has no record 999"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(logbook.withdraw(c.id, c.reason, when), c.error) << c.reason;
    EXPECT_NE(logbook.withdraw(second.id, "bad date", "yesterday"), "");
    logbook.close();
    ASSERT_EQ(logbook.open(path), "");
    EXPECT_EQ(entriesOf(logbook, "pH-1"),
              (Entries{{first, io::Withdrawal{when, "wrong buffer"}}, {second, {}}}));
}

TEST_F(LogbookTest, RecordsAndWithdrawalsCannotBeChangedOrDeleted) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    io::LogbookRecord record = sampleRecord(5);
    ASSERT_EQ(logbook.add(record), "");
    ASSERT_EQ(logbook.withdraw(record.id, "cracked", "2024-06-01T12:00:00Z"), "");
    const Entries before = entriesOf(logbook, "pH-1");
    const std::pair<QString, QString> statements[] = {
        {"UPDATE records SET e0 = 0", "logbook records are never changed"},
        {"DELETE FROM records", "logbook records are never deleted"},
        {"UPDATE withdrawals SET reason = 'fine after all'", "withdrawals are never changed"},
        {"DELETE FROM withdrawals", "withdrawals are never deleted"},
    };
    QSqlQuery q(QSqlDatabase::database(QString::fromStdString(logbook.connectionName())));
    for (const auto& [sql, message] : statements) {
        EXPECT_FALSE(q.exec(sql)) << sql.toStdString();
        EXPECT_EQ(q.lastError().databaseText(), message);
        EXPECT_TRUE(sqlite3(path, sql, false).contains(message)) << sql.toStdString();
    }
    EXPECT_EQ(entriesOf(logbook, "pH-1"), before);
}

TEST_F(LogbookTest, RefusesWhatIsNoLogbookOfThisVersionAndLeavesItAlone) {
    const std::string text = dir.filePath("notes.txt").toStdString();
    const std::string foreign = dir.filePath("other.db").toStdString();
    const std::string newer = dir.filePath("newer.sqlite").toStdString();
    const std::string unnumbered = dir.filePath("unnumbered.sqlite").toStdString();
    QFile(QString::fromStdString(text)).open(QIODevice::WriteOnly);
    {
        QFile file(QString::fromStdString(text));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("E0 400 mV\n").repeated(500));
    }
    runSql(foreign, {"CREATE TABLE t (x)", "INSERT INTO t VALUES (1)"});
    for (const std::string& logbookFile : {newer, unnumbered}) {
        io::Logbook logbook;
        ASSERT_EQ(logbook.open(logbookFile), "");
    }
    runSql(newer, {"PRAGMA user_version = 2"});
    runSql(unnumbered, {"PRAGMA user_version = 0"});
    const std::string folder = dir.path().toStdString();
    const std::string missingFolder = dir.filePath("missing/logbook.sqlite").toStdString();
    const std::pair<std::string, std::string> cases[] = {
        {text,
         "The file " + inQuotes(text) + " is not a TAMO logbook: it is not an SQLite database"},
        {foreign, "The file " + inQuotes(foreign) +
                      " is not a TAMO logbook: it is an SQLite database of another program"},
        {newer, "The logbook " + inQuotes(newer) +
                    " was written by a newer version of TAMO (format 2; this version reads "
                    "format 1)"},
        {unnumbered,
         "The file " + inQuotes(unnumbered) + " is not a TAMO logbook: it has no format version"},
        {folder, "The logbook " + inQuotes(folder) + " cannot be opened: "},
        {missingFolder, "The logbook " + inQuotes(missingFolder) + " cannot be opened: "},
    };
    for (const auto& [file, message] : cases) {
        QFile f(QString::fromStdString(file));
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        f.close();
        io::Logbook logbook;
        const std::string error = logbook.open(file);
        EXPECT_TRUE(error.starts_with(message)) << error;
        EXPECT_GT(error.size(), message.size() - 1);
        EXPECT_FALSE(logbook.isOpen());
        io::LogbookRecord record = sampleRecord(1);
        EXPECT_EQ(logbook.add(record), "No logbook is open");
        EXPECT_TRUE(f.open(QIODevice::ReadOnly) ? f.readAll() == bytes : bytes.isEmpty()) << file;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(missingFolder)));
}

TEST_F(LogbookTest, RefusesIncompleteRecords) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    const std::string failure = "The logbook " + inQuotes(path) + " cannot be written: ";
    const struct {
        const char* name;
        void (*change)(io::LogbookRecord&);
        std::string error;
    } cases[] = {
        {"no name", [](io::LogbookRecord& r) { r.electrode = " \t"; },
         "The electrode needs a name"},
        {"NaN", [](io::LogbookRecord& r) { r.slopeSd = NAN; },
         "The record's slope_sd is not a finite number"},
        {"infinite bound", [](io::LogbookRecord& r) { r.ranges[3] = INFINITY; },
         "The record's range4 is not a finite number"},
        {"no date", [](io::LogbookRecord& r) { r.recordedAt = "today"; },
         failure + "CHECK constraint failed: julianday(recorded_at) IS NOT NULL"},
        {"no hash", [](io::LogbookRecord& r) { r.dataSha256.clear(); },
         failure + "CHECK constraint failed: length(data_sha256) = 64"},
    };
    for (const auto& c : cases) {
        io::LogbookRecord record = sampleRecord(1);
        c.change(record);
        EXPECT_EQ(logbook.add(record), c.error) << c.name;
        EXPECT_EQ(record.id, 0) << c.name;
    }
    EXPECT_EQ(entriesOf(logbook, "pH-1"), Entries{});
}

TEST_F(LogbookTest, AFullDiskFailsTheWriteAndKeepsEveryEarlierRecord) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    Entries kept;
    for (int n = 0; n < 3; ++n) {
        io::LogbookRecord record = sampleRecord(n);
        ASSERT_EQ(logbook.add(record), "");
        kept.push_back({record, {}});
    }
    QSqlQuery q(QSqlDatabase::database(QString::fromStdString(logbook.connectionName())));
    ASSERT_TRUE(q.exec("PRAGMA page_count") && q.next());
    const int pages = q.value(0).toInt();
    ASSERT_TRUE(q.exec(QString("PRAGMA max_page_count = %1").arg(pages)));
    q.finish();
    std::string error;
    for (int n = 3; n < 100 && error.empty(); ++n) {
        io::LogbookRecord record = sampleRecord(n);
        error = logbook.add(record);
        if (error.empty())
            kept.push_back({record, {}}); // what still fitted on the last page
    }
    EXPECT_EQ(error,
              "The logbook " + inQuotes(path) + " cannot be written: database or disk is full");
    EXPECT_EQ(entriesOf(logbook, "pH-1"), kept);
    ASSERT_TRUE(q.exec(QString("PRAGMA max_page_count = %1").arg(pages + 100)));
    io::LogbookRecord after = sampleRecord(200);
    EXPECT_EQ(logbook.add(after), "");
    logbook.close();
    EXPECT_EQ(sqlite3(path, "PRAGMA integrity_check"), "ok\n");
}

TEST_F(LogbookTest, SurvivesAWriterKilledInTheMiddleOfItsWrites) {
    // A writer appends records in a loop, reporting each commit, and is killed
    // at a random moment, ten times over; meanwhile this process writes too.
    std::random_device seedSource;
    const unsigned seed = seedSource();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(1, 80);
    io::Logbook own;
    ASSERT_EQ(own.open(path), "");
    int nextRecord = 0, ownRecords = 0, reported = 0;
    for (int round = 0; round < 10; ++round) {
        QProcess writer;
        writer.start(TAMO_LOGBOOK_WRITER_EXE,
                     {QString::fromStdString(path), QString::number(nextRecord)});
        ASSERT_TRUE(writer.waitForReadyRead(30000));
        ASSERT_EQ(writer.readLine(), "open\n");
        io::LogbookRecord mine = sampleRecord(round, "this process");
        EXPECT_EQ(own.add(mine), "");
        ownRecords += 1;
        QThread::msleep(static_cast<unsigned long>(delayMs(random)));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        int lastReported = nextRecord - 1;
        for (const QByteArray& line : lines) {
            if (line.startsWith("committed "))
                lastReported = line.mid(10).toInt();
            else
                EXPECT_TRUE(line.isEmpty() || line.startsWith("committed")) << line.toStdString();
        }
        reported += lastReported - (nextRecord - 1);
        // Every record reported, and perhaps the one whose report the kill cut
        // off, is there and intact, in order.
        const Entries entries = entriesOf(own, "crash test");
        ASSERT_GE(static_cast<int>(entries.size()), lastReported + 1);
        ASSERT_LE(static_cast<int>(entries.size()), lastReported + 2);
        for (std::size_t n = 0; n < entries.size(); ++n) {
            io::LogbookRecord expected = sampleRecord(static_cast<int>(n), "crash test");
            expected.id = entries[n].record.id;
            ASSERT_EQ(entries[n], (LogbookEntry{expected, {}})) << "record " << n;
        }
        nextRecord = static_cast<int>(entries.size());
    }
    EXPECT_GT(reported, 0) << "the writer was always killed before its first commit";
    EXPECT_EQ(entriesOf(own, "this process").size(), static_cast<std::size_t>(ownRecords));
    own.close();
    EXPECT_EQ(sqlite3(path, "PRAGMA integrity_check"), "ok\n");
}

TEST_F(LogbookTest, MakesARecordOfACalculatedTitration) {
    const sim::Setup setup{.carbonateFraction = 0.05, .seed = 9};
    core::Titration t = sim::makeTitration(setup);
    t.inputs.Tbox = "25,0";
    core::RecordingSink sink;
    ASSERT_TRUE(core::SelectPoints(t, sink));
    t.points[0].UsePoint = true;
    ASSERT_EQ(core::Calculate(t, sink), core::CalculationOutcome::Calibrated);
    const core::Verdict verdict{{"protolytic impurity level 5.00% is above 2.0%"}};

    const std::string dataFile = dir.filePath("run 1.txt").toStdString();
    const QByteArray bytes = "HCl\r\n25 25 0.02 -0.1\r\n0 400\r\n";
    {
        QFile file(QString::fromStdString(dataFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    io::LogbookRecord r;
    ASSERT_EQ(io::makeLogbookRecord(t, verdict, "glass 7", dataFile, "1.2.3", r), "");
    EXPECT_EQ(r.dataSha256,
              QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString());
    const QDateTime when = QDateTime::fromString(QString::fromStdString(r.recordedAt), Qt::ISODate);
    EXPECT_TRUE(when.isValid()) << r.recordedAt;
    EXPECT_LT(std::abs(when.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_TRUE(r.recordedAt.size() == 20 || r.recordedAt.size() == 25) << r.recordedAt;
    const core::ResultValues& v = t.results;
    const double expected[] = {*v.E0,
                               *v.E0sd,
                               *v.slope,
                               *v.slopeSd,
                               *v.slopeFactor,
                               *v.rms,
                               *v.acidEndPoint,
                               *v.acidEndPointSd,
                               *v.alkaliEndPoint,
                               *v.alkaliEndPointSd,
                               *v.impurityPercent,
                               *v.alkaliConc,
                               *v.alkaliConcSd,
                               25,
                               13.78f,
                               2.5,
                               4,
                               10.8f,
                               11.3f};
    const double got[] = {r.E0,
                          r.E0sd,
                          r.slope,
                          r.slopeSd,
                          r.slopeFactor,
                          r.rms,
                          r.acidEndPoint,
                          r.acidEndPointSd,
                          r.alkaliEndPoint,
                          r.alkaliEndPointSd,
                          r.impurityPercent,
                          r.alkaliConc,
                          r.alkaliConcSd,
                          r.temperature,
                          r.pKw,
                          r.ranges[0],
                          r.ranges[1],
                          r.ranges[2],
                          r.ranges[3]};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(got[i], expected[i]) << i;
    EXPECT_EQ(r.pointsUsed, t.UsedCount());
    EXPECT_EQ(r.pointsUsed + r.pointsIgnored, setup.pointCount);
    EXPECT_EQ(r.identifier, setup.id);
    EXPECT_EQ(r.electrode, "glass 7");
    EXPECT_EQ(r.dataFile, dataFile);
    EXPECT_EQ(r.verdict, verdict);
    EXPECT_EQ(r.programVersion, "1.2.3");

    // It goes into a logbook as it is.
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    ASSERT_EQ(logbook.add(r), "");
    EXPECT_EQ(entriesOf(logbook, "glass 7"), (Entries{{r, {}}}));

    const io::LogbookRecord unchanged = r;
    const std::string missing = dir.filePath("gone.txt").toStdString();
    EXPECT_EQ(io::makeLogbookRecord(t, verdict, "glass 7", missing, "1.2.3", r),
              "The file " + inQuotes(missing) + " cannot be read: No such file or directory");
    t.results.rms.reset();
    EXPECT_EQ(io::makeLogbookRecord(t, verdict, "glass 7", dataFile, "1.2.3", r),
              "The calibration has no rms residual to keep in the logbook");
    EXPECT_EQ(r, unchanged);
}

} // namespace
