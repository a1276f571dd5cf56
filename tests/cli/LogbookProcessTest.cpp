// tamo-calibrate --log as processes meet it: several batches upgrading an old
// logbook at once, and batches stopped by signals at random moments.

#include "LogbookFiles.h"
#include "tools/Examples.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <random>
#include <unistd.h>

namespace {

using logbooktest::sqlite3;

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Simulated titrations as data files in the folder, their paths in order.
QStringList dataFiles(const QTemporaryDir& dir, int count, int points = 51) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        examples::Example example{"run.txt", {}};
        example.setup.id = "run " + std::to_string(i);
        example.setup.seed = 100 + static_cast<unsigned>(i);
        example.setup.carbonateFraction = 0.03;
        example.setup.pointCount = points;
        const QString path = dir.filePath(QStringLiteral("run%1.txt").arg(i, 3, 10, QChar('0')));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(examples::exampleBytes(example)));
        paths << path;
    }
    return paths;
}

TEST(LogbookProcesses, ThreeBatchesUpgradeAnOldLogbookTogetherAndLoseNothing) {
    const int rounds = logbooktest::fullCounts() ? 20 : 3;
    constexpr int kOld = 300, kFiles = 6;
    QTemporaryDir data;
    const QStringList files = dataFiles(data, kFiles);
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        QTemporaryDir dir;
        const QString logbook = dir.filePath("logbook.sqlite");
        ASSERT_EQ(sqlite3(logbook.toStdString(), logbooktest::format1Sql(kOld)), "");
        std::vector<std::unique_ptr<QProcess>> batches;
        for (int b = 0; b < 3; ++b) {
            auto& p = batches.emplace_back(std::make_unique<QProcess>());
            p->start(TAMO_CALIBRATE_EXE,
                     QStringList{"--log", logbook, "--electrode", QStringLiteral("batch %1").arg(b),
                                 "--format", "json"} +
                         files);
        }
        for (auto& p : batches) {
            ASSERT_TRUE(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
            EXPECT_EQ(err.toStdString(), QStringLiteral("tamo-calibrate: %1 records added to %2\n")
                                             .arg(kFiles)
                                             .arg(logbook)
                                             .toStdString());
        }
        EXPECT_EQ(sqlite3(logbook.toStdString(), "PRAGMA integrity_check"), "ok\n");
        EXPECT_EQ(
            sqlite3(logbook.toStdString(),
                    "SELECT electrode, count(*), count(DISTINCT data_file) FROM records GROUP BY 1")
                .toStdString(),
            QStringLiteral("batch 0|%2|%2\nbatch 1|%2|%2\nbatch 2|%2|%2\npH-1|%1|%1\n")
                .arg(kOld)
                .arg(kFiles)
                .toStdString());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
                  (QStringList{"logbook.sqlite", "logbook.sqlite.format1"}));
        EXPECT_EQ(sqlite3(logbook.toStdString() + ".format1",
                          "PRAGMA user_version; SELECT count(*) FROM records"),
                  QStringLiteral("1\n%1\n").arg(kOld));
    }
}

struct SignalledRun {
    bool killed = false; ///< by a signal that came before the program could catch it
    int exitCode = 0;
    QByteArray output;
    QString errors;
};

/// Runs tamo-calibrate and signals it once or twice, 20 ms apart, `delayMs`
/// after its start. Its output goes to the file given by -o among the
/// arguments, or to a pipe of 4 KB read slowly, 4 KB a millisecond at most.
SignalledRun runSignalled(const QStringList& arguments, bool toPipe, int signal, int times,
                          int delayMs) {
    QProcess process;
    int pipeEnds[2] = {-1, -1};
    if (toPipe) {
        EXPECT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
        fcntl(pipeEnds[1], F_SETPIPE_SZ, 4096);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setChildProcessModifier([end = pipeEnds[1]] { dup2(end, STDOUT_FILENO); });
    }
    process.start(TAMO_CALIBRATE_EXE, arguments);
    EXPECT_TRUE(process.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    const auto signalWhenDue = [&] {
        if (sent < times && clock.elapsed() >= delayMs + 20 * sent) {
            kill(static_cast<pid_t>(process.processId()), signal);
            ++sent;
        }
    };
    SignalledRun run;
    if (toPipe) {
        close(pipeEnds[1]);
        for (;;) {
            signalWhenDue();
            pollfd ready{pipeEnds[0], POLLIN, 0};
            if (poll(&ready, 1, 1) <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = read(pipeEnds[0], chunk, sizeof chunk);
            if (n <= 0)
                break;
            run.output.append(chunk, n);
            usleep(1000);
        }
        close(pipeEnds[0]);
    }
    while (!process.waitForFinished(1))
        signalWhenDue();
    run.killed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(LogbookProcesses, ASignalledBatchKeepsTheRecordsOfTheOutputItWrote) {
    const bool full = logbooktest::fullCounts();
    const int kFiles = full ? 150 : 20, runs = full ? 32 : 8;
    QTemporaryDir dir;
    // Long titrations: their JSON lines (50 KB each) fill the pipe again and again.
    const QStringList files = dataFiles(dir, kFiles, 400);
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int run = 0; run < runs; ++run) {
        const bool toPipe = run % 2 == 1;
        const int signal = run % 4 < 2 ? SIGINT : SIGTERM, count = run % 8 < 4 ? 1 : 2;
        const int delay = std::uniform_int_distribution(2, (toPipe ? 15 : 5) * kFiles)(random);
        SCOPED_TRACE("run " + std::to_string(run) + (toPipe ? ", a slow pipe" : ", a file") +
                     ", signal " + std::to_string(signal) + " " + std::to_string(count) +
                     " times after " + std::to_string(delay) + " ms");
        const QString logbook = dir.filePath(QStringLiteral("logbook%1.sqlite").arg(run));
        const QString out = dir.filePath(QStringLiteral("out%1.jsonl").arg(run));
        QStringList arguments{"--log", logbook, "--electrode", "g", "--format", "json"};
        if (!toPipe)
            arguments << "-o" << out;
        const SignalledRun r = runSignalled(arguments + files, toPipe, signal, count, delay);
        const QByteArray output = toPipe ? r.output : readBytes(out);
        if (r.killed) { // before it began: nothing written, nothing kept
            EXPECT_EQ(output, QByteArray());
            EXPECT_FALSE(
                sqlite3(logbook.toStdString(), "SELECT count(*) FROM records").startsWith("1"));
            continue;
        }

        // Every line whole, and the records are those of the files written.
        EXPECT_TRUE(output.isEmpty() || output.endsWith('\n'));
        QStringList written;
        for (const QByteArray& line : output.split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonDocument json = QJsonDocument::fromJson(line);
            ASSERT_TRUE(json.isObject()) << line.left(80).toStdString() << "...";
            written << json.object().value("file").toString();
        }
        EXPECT_EQ(written, files.mid(0, written.size()));
        const QString kept = sqlite3(logbook.toStdString(), "SELECT data_file FROM records");
        EXPECT_EQ(kept.toStdString(),
                  written.isEmpty() ? "" : (written.join('\n') + '\n').toStdString());
        EXPECT_TRUE(r.errors.startsWith(QStringLiteral("tamo-calibrate: %1 records added to %2\n")
                                            .arg(written.size())
                                            .arg(logbook)))
            << r.errors.toStdString();
        if (written.size() < kFiles) {
            EXPECT_EQ(r.exitCode, 128 + signal);
            EXPECT_TRUE(
                r.errors.contains(QStringLiteral("stopped by a signal after %1 of %2 files: \"%3\"")
                                      .arg(written.size())
                                      .arg(kFiles)
                                      .arg(files[written.size()])))
                << r.errors.toStdString();
        } else {
            EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
        }
    }
}

} // namespace
