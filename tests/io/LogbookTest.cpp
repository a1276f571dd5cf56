#include "io/Logbook.h"

#include "LogbookFiles.h"
#include "SampleRecord.h"
#include "core/Calculation.h"
#include "core/Format.h"
#include "core/Selection.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <charconv>
#include <gtest/gtest.h>
#include <random>

namespace {

/// A number read from a box, as a text that reads back to it.
std::string boxText(double value) {
    std::array<char, 64> buffer{};
    const float single = static_cast<float>(value);
    const auto end = static_cast<double>(single) == value
                         ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), single).ptr
                         : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

/// The titration a record reproduces: its conditions, inputs and points as the
/// calculation started from them, ready to be calculated.
core::Titration reproducedTitration(const io::LogbookRecord& r) {
    core::Titration t;
    t.TitrationID = r.identifier;
    const auto condition = [](double value, const char* pattern) {
        return core::Condition{core::formatNumber(value, pattern), value};
    };
    t.v0 = condition(r.titrandVolume, core::kVolumePattern);
    t.v1 = condition(r.electrolyteVolume, core::kVolumePattern);
    t.Initial = condition(r.titrandConc, core::kConcentrationPattern);
    t.Burette = condition(r.buretteConc, core::kConcentrationPattern);
    t.DataFilePath = r.dataFile;
    t.inputs.Tbox = boxText(r.temperature);
    t.inputs.pKbox = boxText(r.pKw);
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
        t.inputs.Range[i] = boxText(r.ranges[i]);
    t.inputs.GammaBox = boxText(r.gammaTyped);
    t.inputs.RefineGamma = r.gammaRefined;
    for (const io::RecordPoint& p : r.points) {
        core::Point& point = t.points.emplace_back();
        point.Volume = p.volume;
        point.EmfObs = p.emf;
    }
    // The selection sets the model's conditions; the points start as recorded.
    core::RecordingSink ignored;
    EXPECT_TRUE(core::SelectPoints(t, ignored));
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        t.points[i].UsePoint = r.points[i].used;
        t.points[i].PointPH = r.points[i].startPH;
    }
    t.EndPointRatio = r.endPointRatioStart;
    return t;
}

using io::LogbookEntry;
using logbooktest::sampleRecord;
using logbooktest::sqlite3;
using Entries = std::vector<LogbookEntry>;

Entries entriesOf(const io::Logbook& logbook, const std::string& electrode) {
    Entries entries;
    EXPECT_EQ(logbook.entries(electrode, entries), "");
    return entries;
}

QSqlQuery queryOn(const io::Logbook& logbook) {
    return QSqlQuery(QSqlDatabase::database(QString::fromStdString(logbook.connectionName())));
}

class LogbookTest : public testing::Test {
protected:
    QTemporaryDir dir;
    std::string path = dir.filePath("logbook.sqlite").toStdString();
    std::string file = "\"" + path + "\"";
};

TEST_F(LogbookTest, KeepsRecordsInDateOrderAcrossReopening) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    std::vector<io::LogbookRecord> added = {sampleRecord(1, " glass 7 "),
                                            sampleRecord(2, "Glass 2"), sampleRecord(3, "glass 7"),
                                            sampleRecord(4, "b")};
    // 10:00 at UTC+2 comes before 09:30 at UTC, though its text sorts after.
    added[0].recordedAt = "2024-03-01T09:30:00Z";
    added[2].recordedAt = "2024-03-01T10:00:00+02:00";
    for (io::LogbookRecord& record : added)
        ASSERT_EQ(logbook.add(record), "");
    EXPECT_EQ(added[0].electrode, "glass 7");
    for (int reopen = 0; reopen < 2; ++reopen) {
        EXPECT_EQ(entriesOf(logbook, "glass 7"), (Entries{{added[2], {}}, {added[0], {}}}));
        std::vector<std::string> names;
        ASSERT_EQ(logbook.electrodeNames(names), "");
        EXPECT_EQ(names, (std::vector<std::string>{"b", "Glass 2", "glass 7"}));
        logbook.close();
        ASSERT_EQ(logbook.open(path), "");
    }
    EXPECT_EQ(sqlite3(path, "SELECT id, electrode FROM records ORDER BY id"),
              QString("%1|glass 7\n%2|Glass 2\n%3|glass 7\n%4|b\n")
                  .arg(added[0].id)
                  .arg(added[1].id)
                  .arg(added[2].id)
                  .arg(added[3].id));
}

TEST_F(LogbookTest, WithdrawsOnceWithAReasonAndNeverChangesOrDeletes) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    io::LogbookRecord first = sampleRecord(1), second = sampleRecord(2);
    ASSERT_EQ(logbook.add(first), "");
    ASSERT_EQ(logbook.add(second), "");
    const std::string when = "2024-06-01T12:00:00+02:00", id = std::to_string(first.id);
    const std::pair<const char*, std::string> withdrawals[] = {
        {" ", "A withdrawal needs a reason"},
        {" wrong buffer \n", ""},
        {"again", "Record " + id + " of the logbook " + file + " is already withdrawn"},
    };
    for (const auto& [reason, error] : withdrawals)
        EXPECT_EQ(logbook.withdraw(first.id, reason, when), error) << reason;
    EXPECT_EQ(logbook.withdraw(999, "none", when), "The logbook " + file + " has no record 999");
    EXPECT_NE(logbook.withdraw(second.id, "bad date", "yesterday"), "");

    const Entries expected = {{first, io::Withdrawal{when, "wrong buffer"}}, {second, {}}};
    const std::pair<QString, QString> refused[] = {
        {"UPDATE records SET e0 = 0", "logbook records are never changed"},
        {"DELETE FROM records", "logbook records are never deleted"},
        {"UPDATE withdrawals SET reason = 'fine'", "withdrawals are never changed"},
        {"DELETE FROM withdrawals", "withdrawals are never deleted"},
    };
    QSqlQuery q = queryOn(logbook);
    for (const auto& [sql, message] : refused) {
        EXPECT_FALSE(q.exec(sql));
        EXPECT_EQ(q.lastError().databaseText(), message);
        EXPECT_TRUE(sqlite3(path, sql).contains(message)) << sql.toStdString();
    }
    logbook.close();
    ASSERT_EQ(logbook.open(path), "");
    EXPECT_EQ(entriesOf(logbook, "pH-1"), expected);
}

TEST_F(LogbookTest, RefusesWhatIsNoLogbookOfThisVersionAndLeavesItAlone) {
    const std::string text = dir.filePath("notes.txt").toStdString(),
                      foreign = dir.filePath("other.db").toStdString(),
                      newer = dir.filePath("newer.sqlite").toStdString(),
                      missing = dir.filePath("missing/logbook.sqlite").toStdString();
    QFile notes(QString::fromStdString(text));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write(QByteArray("E0 400 mV\n").repeated(500));
    notes.close();
    EXPECT_EQ(sqlite3(foreign, "CREATE TABLE t (x); INSERT INTO t VALUES (1)"), "");
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(newer), "");
    logbook.close();
    EXPECT_EQ(sqlite3(newer, "PRAGMA user_version = 4"), "");
    // Our mark on a file without our tables.
    const std::string empty = dir.filePath("empty.sqlite").toStdString();
    EXPECT_EQ(sqlite3(empty, "PRAGMA application_id = 1413565775; PRAGMA user_version = 2"), "");
    const std::pair<std::string, std::string> cases[] = {
        {text, "The file \"" + text + "\" is not a TAMO logbook: it is not an SQLite database"},
        {foreign, "The file \"" + foreign +
                      "\" is not a TAMO logbook: it is an SQLite database of another program"},
        {newer, "The logbook \"" + newer +
                    "\" was written by a newer version of TAMO (format 4; this version reads "
                    "format 3)"},
        {empty, "The logbook \"" + empty +
                    "\" has lost its tables (records, withdrawals): its records cannot be read"},
        {missing, "The logbook \"" + missing + "\" cannot be opened: its folder does not exist"},
        {dir.path().toStdString(),
         "The logbook \"" + dir.path().toStdString() + "\" cannot be opened: it is a folder"},
    };
    for (const auto& [path, message] : cases) {
        QFile f(QString::fromStdString(path));
        const QByteArray before = f.open(QIODevice::ReadOnly) ? f.readAll() : "none";
        f.close();
        EXPECT_EQ(logbook.open(path), message);
        io::LogbookRecord record = sampleRecord(1);
        EXPECT_EQ(logbook.add(record), "No logbook is open");
        EXPECT_EQ(f.open(QIODevice::ReadOnly) ? f.readAll() : "none", before) << path;
    }
}

TEST_F(LogbookTest, RefusesIncompleteRecords) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    const std::string failure =
        "The logbook " + file + " cannot be written: CHECK constraint failed: ";
    const std::pair<void (*)(io::LogbookRecord&), std::string> cases[] = {
        {[](io::LogbookRecord& r) { r.electrode = " \t"; }, "The electrode needs a name"},
        {[](io::LogbookRecord& r) { r.slopeSd = NAN; },
         "The record's slope_sd is not a finite number"},
        {[](io::LogbookRecord& r) { r.ranges[3] = INFINITY; },
         "The record's range4 is not a finite number"},
        {[](io::LogbookRecord& r) { r.recordedAt = "today"; },
         failure + "julianday(recorded_at) IS NOT NULL"},
        {[](io::LogbookRecord& r) { r.dataSha256.clear(); }, failure + "length(data_sha256) = 64"},
    };
    for (const auto& [change, error] : cases) {
        io::LogbookRecord record = sampleRecord(1);
        change(record);
        EXPECT_EQ(logbook.add(record), error);
        EXPECT_EQ(record.id, 0);
    }
    EXPECT_EQ(entriesOf(logbook, "pH-1"), Entries{});
}

TEST_F(LogbookTest, AFullDiskFailsTheWriteAndKeepsEveryEarlierRecord) {
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    QSqlQuery q = queryOn(logbook);
    Entries kept;
    std::string error;
    for (int n = 0; n < 100 && error.empty(); ++n) {
        if (n == 3) { // the file may not grow from here on
            ASSERT_TRUE(q.exec("PRAGMA page_count") && q.next());
            ASSERT_TRUE(q.exec(QString("PRAGMA max_page_count = %1").arg(q.value(0).toInt())));
        }
        io::LogbookRecord record = sampleRecord(n);
        error = logbook.add(record);
        if (error.empty())
            kept.push_back({record, {}});
    }
    EXPECT_EQ(error, "The logbook " + file + " cannot be written: database or disk is full");
    EXPECT_GE(kept.size(), 3u);
    EXPECT_EQ(entriesOf(logbook, "pH-1"), kept);
    ASSERT_TRUE(q.exec("PRAGMA max_page_count = 1000"));
    io::LogbookRecord after = sampleRecord(200);
    EXPECT_EQ(logbook.add(after), "");
    logbook.close();
    EXPECT_EQ(sqlite3(path, "PRAGMA integrity_check"), "ok\n");
}

TEST_F(LogbookTest, SurvivesAWriterKilledInTheMiddleOfItsWrites) {
    // A writer appends records in a loop, reporting each commit, and is killed at
    // a random moment, ten times over; meanwhile this process writes too.
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    io::Logbook own;
    ASSERT_EQ(own.open(path), "");
    int next = 0, reported = 0;
    for (int round = 0; round < 10; ++round) {
        QProcess writer;
        writer.start(TAMO_LOGBOOK_WRITER_EXE,
                     {QString::fromStdString(path), QString::number(next)});
        ASSERT_TRUE(writer.waitForReadyRead(30000));
        ASSERT_EQ(writer.readLine(), "open\n");
        io::LogbookRecord mine = sampleRecord(round, "this process");
        EXPECT_EQ(own.add(mine), "");
        QThread::msleep(std::uniform_int_distribution<unsigned>(1, 80)(random));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        int last = next - 1;
        for (const QByteArray& line : writer.readAllStandardOutput().split('\n'))
            if (line.startsWith("committed "))
                last = line.mid(10).toInt();
        reported += last + 1 - next;
        // Every record reported, and perhaps the one whose report the kill cut
        // off, is there and intact, in order.
        const Entries entries = entriesOf(own, "crash test");
        ASSERT_TRUE(entries.size() == std::size_t(last + 1) ||
                    entries.size() == std::size_t(last + 2));
        for (std::size_t n = 0; n < entries.size(); ++n) {
            io::LogbookRecord expected = sampleRecord(static_cast<int>(n), "crash test");
            expected.id = entries[n].record.id;
            ASSERT_EQ(entries[n], (LogbookEntry{expected, {}})) << "record " << n;
        }
        next = static_cast<int>(entries.size());
    }
    EXPECT_GT(reported, 0) << "the writer was always killed before its first commit";
    EXPECT_EQ(entriesOf(own, "this process").size(), 10u);
    own.close();
    EXPECT_EQ(sqlite3(path, "PRAGMA integrity_check"), "ok\n");
}

/// A simulated titration written as a data file, read back and calculated as the window does.
core::Titration calculatedFromFile(const std::string& dataFile, const core::Inputs& inputs) {
    const sim::Setup setup{.carbonateFraction = 0.05, .seed = 9};
    EXPECT_EQ(io::WriteDataFile(dataFile, io::dataFileTexts(sim::makeTitration(setup))), "");
    core::Titration t;
    t.inputs = inputs;
    core::RecordingSink sink;
    EXPECT_TRUE(io::ReadDataFile(dataFile, t, sink));
    EXPECT_TRUE(core::SelectPoints(t, sink));
    EXPECT_EQ(core::Calculate(t, sink), core::CalculationOutcome::Calibrated);
    return t;
}

TEST_F(LogbookTest, MakesARecordOfACalculatedTitration) {
    const std::string dataFile = dir.filePath("run 1.txt").toStdString();
    io::RecordContext context{.electrode = "glass 7",
                              .dataFile = dataFile,
                              .programVersion = "1.2.3",
                              .operatorName = "Ann Lee",
                              .comment = "new KCl"};
    context.typed.Tbox = "25,0";
    context.limits.e0Max = 500;
    core::Titration t = calculatedFromFile(dataFile, context.typed);
    const core::Verdict verdict{{"protolytic impurity level 5.00% is above 2.0%"}};
    QFile data(QString::fromStdString(dataFile));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    const QByteArray bytes = data.readAll();
    data.close();

    io::LogbookRecord r;
    ASSERT_EQ(io::makeLogbookRecord(t, verdict, context, r), "");
    EXPECT_EQ(r.dataSha256,
              QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString());
    const QDateTime when = QDateTime::fromString(QString::fromStdString(r.recordedAt), Qt::ISODate);
    EXPECT_LT(std::abs(when.secsTo(QDateTime::currentDateTime())), 60) << r.recordedAt;
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$")
                    .match(QString::fromStdString(r.recordedAt))
                    .hasMatch())
        << r.recordedAt;
    EXPECT_EQ(r.measuredAt, io::modificationTimeText(dataFile));
    const core::ResultValues& v = t.results;
    EXPECT_EQ((std::vector{r.E0,
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
                           r.ranges[3],
                           r.buretteConc}),
              (std::vector{*v.E0,
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
                           25.0,
                           double(13.78f),
                           2.5,
                           4.0,
                           double(10.8f),
                           double(11.3f),
                           t.Burette.value}));
    EXPECT_EQ((std::vector{r.pointsUsed, r.pointsIgnored}),
              (std::vector{t.UsedCount(), t.PointCount() - t.UsedCount()}));
    EXPECT_EQ((std::vector{r.identifier, r.electrode, r.dataFile, r.programVersion, r.operatorName,
                           r.comment}),
              (std::vector<std::string>{t.TitrationID, "glass 7", dataFile, "1.2.3", "Ann Lee",
                                        "new KCl"}));
    EXPECT_EQ(r.verdict, verdict);
    EXPECT_EQ(r.limits, context.limits);
    EXPECT_FALSE(r.edited);
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    ASSERT_EQ(logbook.add(r), "");
    EXPECT_EQ(entriesOf(logbook, "GLASS 7"), (Entries{{r, {}}}));

    const io::LogbookRecord unchanged = r;
    const std::string gone = dir.filePath("gone.txt").toStdString();
    context.dataFile = gone;
    EXPECT_EQ(io::makeLogbookRecord(t, verdict, context, r),
              "The file \"" + gone + "\" cannot be read: No such file or directory");
    context.dataFile = dataFile;
    t.results.rms.reset();
    EXPECT_EQ(io::makeLogbookRecord(t, verdict, context, r),
              "The calibration has no rms residual to keep in the logbook");
    for (const auto& [refinePKw, branch] :
         {std::pair{true, core::Branch::Both}, std::pair{false, core::Branch::Acid}}) {
        core::Inputs typed = context.typed;
        context.typed.RefinePKw = refinePKw;
        context.typed.branch = branch;
        EXPECT_EQ(io::makeLogbookRecord(t, verdict, context, r), io::kNotReproducible);
        context.typed = typed;
    }
    EXPECT_EQ(r, unchanged);
}

TEST_F(LogbookTest, AnEditedRecordReproducesItsE0AndIsFoundAgain) {
    const std::string dataFile = dir.filePath("run 2.txt").toStdString();
    io::RecordContext context{.electrode = "glass 7", .dataFile = dataFile};
    context.typed.RefineGamma = true;
    core::Titration t = calculatedFromFile(dataFile, context.typed);
    // One emf corrected, one point switched by hand, nothing saved.
    t.points[10].EmfObs += 0.25;
    t.points[3].UsePoint = !t.points[3].UsePoint;
    // The calculation starts where the last one left Gamma, the pH and the ratio.
    context.typed = t.inputs;
    context.endPointRatio = t.EndPointRatio;
    for (const core::Point& p : t.points)
        context.startPH.push_back(p.PointPH);
    core::RecordingSink sink;
    ASSERT_EQ(core::Calculate(t, sink), core::CalculationOutcome::Calibrated);
    io::LogbookRecord r;
    ASSERT_EQ(io::makeLogbookRecord(t, {}, context, r), "");
    EXPECT_TRUE(r.edited);
    EXPECT_TRUE(r.gammaRefined);
    io::Logbook logbook;
    ASSERT_EQ(logbook.open(path), "");
    ASSERT_EQ(logbook.add(r), "");
    const Entries kept = entriesOf(logbook, "glass 7");
    ASSERT_EQ(kept.size(), 1u);
    core::Titration again = reproducedTitration(kept[0].record);
    ASSERT_EQ(core::Calculate(again, sink), core::CalculationOutcome::Calibrated);
    EXPECT_NEAR(*again.results.E0, kept[0].record.E0, 1e-9);
    EXPECT_NEAR(*again.results.gamma, kept[0].record.gamma, 1e-9);
    EXPECT_EQ(sqlite3(path, "SELECT edited, gamma_refined, count(*) FROM records "
                            "JOIN record_points ON record_id = id"),
              QString("1|1|%1\n").arg(t.PointCount()));

    long long id = -1;
    ASSERT_EQ(logbook.findDuplicate(r, id), "");
    EXPECT_EQ(id, kept[0].record.id);
    r.points[0].used = !r.points[0].used;
    ASSERT_EQ(logbook.findDuplicate(r, id), "");
    EXPECT_EQ(id, 0);
}

} // namespace
