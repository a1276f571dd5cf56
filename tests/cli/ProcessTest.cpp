#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

Outcome runCalibrate(const QStringList& arguments, const QString& outputFile = {},
                     const std::function<void()>& inChild = {}) {
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(TAMO_CALIBRATE_EXE, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString example = QString(TAMO_EXAMPLES_DIR) + "/acid-with-alkali.txt";

TEST(Process, ExitStatusTellsWhatHappened) {
    const Outcome ok = runCalibrate({example});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.out.startsWith("TAMO: Electrode Calibration\n"));
    EXPECT_TRUE(ok.err.isEmpty());

    const Outcome missing = runCalibrate({"no-such-file.txt", example});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(
        missing.err.startsWith("no-such-file.txt: The file \"no-such-file.txt\" cannot be read"))
        << missing.err.toStdString();
    EXPECT_EQ(missing.out.count("TAMO: Electrode Calibration"), 1);

    const Outcome usage = runCalibrate({"--format", "xml", example});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.startsWith("tamo-calibrate: ")) << usage.err.toStdString();
    EXPECT_TRUE(usage.out.isEmpty());

    const Outcome help = runCalibrate({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--refine-gamma"));
}

TEST(Process, TheLogbookKeepsEachCalibratedFileOfABatch) {
    QTemporaryDir dir;
    const QString logbook = dir.filePath("logbook.sqlite");
    const QString bad = dir.filePath("bad.txt");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("two conditions only\n25 25\n1 2\n");
    file.close();
    const QString reverse = QString(TAMO_EXAMPLES_DIR) + "/reverse-alkali-with-acid.txt";
    const QStringList batch{"--log", logbook, "--electrode", "glass 7", "--format", "json",
                            example,  bad,     reverse};
    const Outcome first = runCalibrate(batch);
    EXPECT_EQ(first.exitCode, 1); // the bad file
    EXPECT_EQ(first.out.count("\"verdict\":{\"ok\":true,\"reasons\":[]}"), 2) << first.out.toStdString();
    EXPECT_EQ(first.out.count("\"verdict\":null"), 1);
    EXPECT_TRUE(first.err.contains("2 records added to " + logbook)) << first.err.toStdString();
    // The same calibration again: refused, unless allowed.
    const Outcome again = runCalibrate(QStringList(batch.mid(0, 6)) << example);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("it is record 1 already")) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains("0 records added to " + logbook));
    EXPECT_EQ(runCalibrate(QStringList(batch.mid(0, 6)) << "--allow-duplicate" << example).exitCode,
              0);

    // Read from outside: one record per calibrated file, in the order of the files.
    QProcess sqlite;
    sqlite.start("sqlite3", {logbook, "SELECT electrode, data_file, verdict_ok FROM records ORDER BY id"});
    ASSERT_TRUE(sqlite.waitForFinished(10000));
    const QStringList rows =
        QString::fromUtf8(sqlite.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(rows, (QStringList{"glass 7|" + example + "|1", "glass 7|" + reverse + "|1",
                                 "glass 7|" + example + "|1"}));

    // A file that is not a logbook is refused before anything is calibrated.
    const Outcome refused = runCalibrate({"--log", bad, "--electrode", "g", example});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains(bad)) << refused.err.toStdString();
}

TEST(Process, AFailedWriteIsToldWithTheSystemsReason) {
    const QString full = "The standard output cannot be written: No space left on device";
    const std::pair<QStringList, QString> toFullDevice[] = {
        {{example}, full},
        {{"--format", "json", example}, full},
        {{"--version"}, full},
        {{"--help"}, full},
    };
    for (const auto& [arguments, message] : toFullDevice) {
        const Outcome run = runCalibrate(arguments, "/dev/full");
        EXPECT_EQ(run.exitCode, 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    }
    // A file that may not grow beyond 1000 bytes: the old one stays as it was.
    QTemporaryDir dir;
    const QString target = dir.filePath("results.jsonl");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old results\n");
    old.close();
    const Outcome limited = runCalibrate({"--format", "json", "-o", target, example}, {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &small);
    });
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_TRUE(limited.err.contains("\"" + target + "\" cannot be written: File too large"))
        << limited.err.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old results\n");
}

TEST(Process, OutputFileIsWrittenOrTheFailureNamed) {
    QTemporaryDir dir;
    const QString target = dir.filePath("results.jsonl");
    EXPECT_EQ(runCalibrate({"--format", "json", "-o", target, example}).exitCode, 0);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("{\"file\":"));
    const Outcome failed = runCalibrate({"-o", dir.filePath("missing/results.txt"), example});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains("cannot be written")) << failed.err.toStdString();
}

TEST(Process, AFileNameThatIsNotUtf8Opens) {
    // The name's bytes are made by the shell: QProcess would pass UTF-8 only.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(example, dir.filePath("plain.txt")));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start("/bin/sh", {"-c",
                              "name=$(printf 'm\\351sure.txt') && cp plain.txt \"$name\" && "
                              "exec \"$0\" \"$name\"",
                              TAMO_CALIBRATE_EXE});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray err = process.readAllStandardError();
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(process.readAllStandardOutput().contains("Data from m\xe9sure.txt"));
}

} // namespace

namespace {

TEST(Process, PlotsAreWrittenAsVectorPictures) {
    QTemporaryDir dir;
    const QString data = dir.filePath("gran.svg"), resid = dir.filePath("resid.svg");
    const Outcome run =
        runCalibrate({"--plot", "gran", "--plot-out", data, "--residuals-out", resid, example});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const struct {
        QString path;
        const char* size;
        const char* viewBox;
        QString title;
    } pictures[] = {
        {data, "width=\"82.5mm\" height=\"50.93mm\"", "viewBox=\"0 0 8250 5093\"",
         "Experimental data: " + example},
        {resid, "width=\"82.5mm\" height=\"25.46mm\"", "viewBox=\"0 0 8250 2546\"",
         "observed-calculated Gran function"},
    };
    for (const auto& picture : pictures) {
        QFile file(picture.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << picture.path.toStdString();
        const QString svg = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(svg.contains(picture.size)) << picture.path.toStdString();
        EXPECT_TRUE(svg.contains(picture.viewBox)) << picture.path.toStdString();
        EXPECT_TRUE(svg.contains(picture.title)) << picture.path.toStdString();
    }

    // A titration that cannot be calculated has no plot to draw.
    QFile bad(dir.filePath("bad.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("x\n25 25 0.02 -0.1\n0 300\n");
    bad.close();
    const Outcome stopped = runCalibrate({"--plot-out", dir.filePath("none.png"), bad.fileName()});
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("none.png")));
}

} // namespace
