// Two processes adding the same calibrations to one logbook at once. (Several
// batches upgrading an old logbook together: tests/cli/LogbookProcessTest.cpp.)

#include "LogbookFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <vector>

namespace {

using logbooktest::sqlite3;

/// Writer processes (logbook_writer) started on one logbook and let go together.
struct Writers {
    std::vector<std::unique_ptr<QProcess>> processes;
    std::vector<QString> outputs;

    void start(const std::string& path, const QStringList& arguments) {
        auto& p = processes.emplace_back(std::make_unique<QProcess>());
        p->start(TAMO_LOGBOOK_WRITER_EXE, QStringList{QString::fromStdString(path)} + arguments);
    }
    /// Waits until each has opened the logbook, lets them all write, and waits for their end.
    void run() {
        for (auto& p : processes) {
            ASSERT_TRUE(p->waitForReadyRead(30000));
            ASSERT_EQ(p->readLine(), "open\n");
        }
        for (auto& p : processes)
            p->write("go\n");
        for (auto& p : processes) {
            ASSERT_TRUE(p->waitForFinished(60000));
            outputs.push_back(QString::fromUtf8(p->readAllStandardOutput()));
            EXPECT_EQ(p->exitCode(), 0) << outputs.back().toStdString();
        }
    }
};

TEST(LogbookWriters, TwoWritersAddingTheSameCalibrationsKeepEachOnce) {
    const int rounds = logbooktest::fullCounts() ? 6 : 2;
    constexpr int kCalibrations = 60;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QTemporaryDir dir;
        const std::string path = dir.filePath("logbook.sqlite").toStdString();
        Writers writers;
        for (int w = 0; w < 2; ++w)
            writers.start(path, {"0", QString::number(kCalibrations), "twice", "refuse"});
        writers.run();
        // Each calibration committed by one writer and refused by the other.
        std::map<QString, int> told;
        for (const QString& output : writers.outputs)
            for (const QString& line : output.split('\n', Qt::SkipEmptyParts))
                ++told[line];
        for (int n = 0; n < kCalibrations; ++n) {
            EXPECT_EQ(told[QStringLiteral("committed %1").arg(n)], 1) << n;
            EXPECT_EQ(told[QStringLiteral("duplicate %1").arg(n)], 1) << n;
        }
        EXPECT_EQ(sqlite3(path, "SELECT count(*), count(DISTINCT data_sha256) FROM records"),
                  QStringLiteral("%1|%1\n").arg(kCalibrations));
    }
}

} // namespace
