// A logbook that is damaged or lacks part of its format is read but not written;
// one of an older format is upgraded once, after one copy of it is kept.

#include "LogbookFiles.h"
#include "SampleRecord.h"
#include "io/Logbook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using Entries = std::vector<io::LogbookEntry>;
using logbooktest::sampleRecord;
using logbooktest::sqlite3;

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("none");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class LogbookSoundness : public testing::Test {
protected:
    QTemporaryDir dir;
    std::string path = dir.filePath("logbook.sqlite").toStdString();
    QString qpath = QString::fromStdString(path);

    Entries entriesOf(const io::Logbook& logbook, const std::string& electrode = "pH-1") {
        Entries entries;
        EXPECT_EQ(logbook.entries(electrode, entries), "");
        return entries;
    }
};

TEST_F(LogbookSoundness, ADamagedOrIncompleteLogbookShowsWhatCanBeReadAndTakesNothing) {
    constexpr int kRecords = 40;
    const struct {
        const char* name;
        std::function<void()> damage;
        const char* warning; ///< what the warning says after the file's name
        bool everyRecordRead;
    } cases[] = {
        {"a trigger dropped",
         [&] { EXPECT_EQ(sqlite3(path, "DROP TRIGGER records_never_change"), ""); },
         " has lost the triggers that keep its records from being changed", true},
        {"a column renamed",
         [&] { EXPECT_EQ(sqlite3(path, "ALTER TABLE records RENAME COLUMN e0_sd TO e0sd"), ""); },
         " has lost columns of its tables (records.e0_sd)", true},
        {"an index page changed",
         [&] {
             ASSERT_TRUE(logbooktest::changeLeafPage(
                 path, "sqlite_autoindex_record_points_1",
                 [](QByteArray& page) { page[page.size() - 1] = char(page.back() + 7); }));
             // SQLite's quick check does not see it.
             EXPECT_EQ(sqlite3(path, "PRAGMA quick_check"), "ok\n");
         },
         " is damaged, though each of its 40 records can be read", true},
        {"a page of the point table overwritten",
         [&] { ASSERT_TRUE(logbooktest::damagePointTable(path)); }, " is damaged: ", false},
        {"the file cut short",
         [&] { ASSERT_TRUE(QFile::resize(qpath, QFileInfo(qpath).size() * 2 / 3)); },
         " is damaged: ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(name));
        std::vector<io::LogbookRecord> added;
        {
            io::Logbook logbook;
            ASSERT_EQ(logbook.open(path), "");
            for (int n = 0; n < kRecords; ++n) {
                io::LogbookRecord record = sampleRecord(n);
                ASSERT_EQ(logbook.add(record), "");
                added.push_back(record);
            }
        }
        c.damage();
        const QByteArray before = bytesOf(qpath);
        io::Logbook logbook;
        ASSERT_EQ(logbook.open(path), "");
        const std::string& warning = logbook.warning();
        EXPECT_TRUE(warning.starts_with("The logbook \"" + path + "\"" + c.warning)) << warning;
        EXPECT_EQ(warning.find('\n'), std::string::npos);
        EXPECT_TRUE(warning.ends_with("nothing is written to it")) << warning;
        io::LogbookRecord record = sampleRecord(99);
        EXPECT_EQ(logbook.add(record), warning);
        EXPECT_EQ(logbook.withdraw(1, "broken"), warning);
        EXPECT_EQ(bytesOf(qpath), before);

        // What is shown is what was kept: each record whole, or not at all.
        const Entries shown = entriesOf(logbook);
        EXPECT_EQ(static_cast<long long>(shown.size()) + logbook.unreadableRecords(), kRecords);
        EXPECT_EQ(shown.size() == std::size_t(kRecords), c.everyRecordRead) << shown.size();
        for (const io::LogbookEntry& e : shown) {
            io::LogbookRecord expected = added[static_cast<std::size_t>(e.record.id - 1)];
            if (c.name == std::string("a column renamed"))
                expected.E0sd = 0; // read as absent
            EXPECT_EQ(e.record, expected) << e.record.id;
        }
        EXPECT_EQ(logbook.damage().empty(),
                  std::string(c.warning).find("damaged") == std::string::npos);
    }
}

TEST_F(LogbookSoundness, AnOldLogbookIsUpgradedOnceAfterOneCopyOfIt) {
    const QString copy1 = qpath + ".format1", copy2 = qpath + ".format2";
    const struct {
        const char* name;
        QString sql;
        long long format;
        std::function<void()> before;
        QStringList files; ///< the files beside each other afterwards
        QString copy;      ///< the copy of the old file
    } cases[] = {
        {"format 1",
         logbooktest::format1Sql(3),
         1,
         [] {},
         {"logbook.sqlite", "logbook.sqlite.format1"},
         copy1},
        {"format 2",
         logbooktest::format2Sql(3),
         2,
         [] {},
         {"logbook.sqlite", "logbook.sqlite.format2"},
         copy2},
        {"the copy of an upgrade cut short there already",
         logbooktest::format1Sql(3),
         1,
         [&] { ASSERT_TRUE(QFile::copy(qpath, copy1)); },
         {"logbook.sqlite", "logbook.sqlite.format1"},
         copy1},
        {"another file where the copy goes",
         logbooktest::format1Sql(3),
         1,
         [&] { writeBytes(copy1, "notes"); },
         {"logbook.sqlite", "logbook.sqlite.format1", "logbook.sqlite.format1.2"},
         copy1 + ".2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(name));
        ASSERT_EQ(sqlite3(path, c.sql), "");
        c.before();
        const qsizetype present = QDir(dir.path()).entryList(QDir::Files).size();
        const QByteArray old = bytesOf(qpath), other = bytesOf(copy1);
        // Two writers that both opened the old file: the second finds it upgraded.
        io::Logbook first, second;
        ASSERT_EQ(first.open(path), "");
        ASSERT_EQ(second.open(path), "");
        EXPECT_EQ(first.format(), c.format);
        const Entries kept = entriesOf(first);
        ASSERT_EQ(kept.size(), 3u);
        EXPECT_FALSE(kept[0].record.reproducible);
        EXPECT_EQ(kept[0].withdrawal.value_or(io::Withdrawal{}).reason, "cracked");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), present)
            << "reading upgrades nothing";

        io::LogbookRecord a = sampleRecord(2), b = sampleRecord(4);
        ASSERT_EQ(first.add(a), "");
        ASSERT_EQ(second.add(b), "");
        EXPECT_EQ(second.format(), io::Logbook::kSchemaVersion);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), c.files);
        EXPECT_EQ(bytesOf(c.copy), old);
        if (c.copy != copy1) {
            EXPECT_EQ(bytesOf(copy1), other);
        }
        Entries expected = kept;
        expected.push_back({a, {}});
        expected.push_back({b, {}});
        EXPECT_EQ(entriesOf(second), expected);
        EXPECT_EQ(sqlite3(path, "PRAGMA user_version; PRAGMA integrity_check"), "3\nok\n");
    }
}

TEST_F(LogbookSoundness, AReadOnlyOldLogbookIsRefusedWithoutACopy) {
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser writes read-only files";
    ASSERT_EQ(sqlite3(path, logbooktest::format1Sql(3)), "");
    ASSERT_TRUE(QFile::setPermissions(qpath, QFile::ReadOwner));
    for (int attempt = 0; attempt < 3; ++attempt) {
        io::Logbook logbook;
        ASSERT_EQ(logbook.open(path), "");
        io::LogbookRecord record = sampleRecord(2);
        EXPECT_EQ(logbook.add(record),
                  "The logbook \"" + path + "\" cannot be upgraded: the file is read-only");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"logbook.sqlite"});
}

} // namespace
