// The verdict line, its limits in the settings, and keeping a calibration in the logbook.

#include "WindowFixture.h"
#include "io/Logbook.h"
#include "ui/TextColour.h"

#include <QAction>

using namespace uitest;

class VerdictTest : public QObject {
    Q_OBJECT
private slots:
    void theVerdictFollowsTheLimits();
    void aCalibrationIsKeptInTheLogbook();
    void onlyAConvergedCalibrationIsKept();
};

void VerdictTest::theVerdictFollowsTheLimits() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    QCOMPARE(w.text("Verdict"), QStringLiteral("electrode OK"));
    QCOMPARE(ui::textColour(w.find<QLabel>("Verdict")), QColor(0, 128, 0));

    core::VerdictLimits strict;
    strict.slopeFactorMin = 0.9995;
    strict.rmsMax = 0.04;
    w.dialogs.newLimits = strict;
    w.find<QAction>("Settings")->trigger();
    const QString text = w.find<QLabel>("Verdict")->toolTip();
    QVERIFY2(text.startsWith("check electrode: slope factor 0.9992 is below 0.9995; rms residual"),
             qPrintable(text));
    QCOMPARE(ui::textColour(w.find<QLabel>("Verdict")), QColor(255, 0, 0));
    QVERIFY(readAll(w.settingsFile()).contains("<slopefactormin>0.9995</slopefactormin>"));
    QVERIFY(readAll(w.settingsFile()).contains("<rmsmax>0.04</rmsmax>"));

    // The limits come back at the next start; a cancelled dialog changes nothing.
    Window again;
    QVERIFY(QFile::copy(w.settingsFile(), again.settingsFile()));
    again.start(again.copyExample("acid-with-alkali.txt"));
    QVERIFY(again.find<QLabel>("Verdict")->toolTip().startsWith("check electrode:"));
    again.tamo->Settings_Click();
    QVERIFY(again.tamo->document().verdictLimits() == strict);
}

void VerdictTest::aCalibrationIsKeptInTheLogbook() {
    Window w;
    const QString file = w.copyExample("acid-with-alkali.txt");
    w.start(file);
    w.dialogs.textAnswers << QStringLiteral(" glass 7 ");
    w.find<QAction>("AddToLogbook")->trigger();
    QCOMPARE(w.dialogs.messages(),
             QStringList{"The calibration was added to the logbook of electrode \"glass 7\"."});

    io::Logbook logbook;
    QCOMPARE(logbook.open(w.path(QStringLiteral("logbook.sqlite")).toStdString()), std::string());
    std::vector<io::LogbookEntry> entries;
    QCOMPARE(logbook.entries("glass 7", entries), std::string());
    QCOMPARE(entries.size(), std::size_t(1));
    const io::LogbookRecord& r = entries.front().record;
    QCOMPARE(r.dataFile, file.toStdString());
    QCOMPARE(r.E0, *w.titration().results.E0);
    QCOMPARE(r.pointsUsed, w.titration().UsedCount());
    QVERIFY(r.verdict.ok());
    QCOMPARE(r.programVersion, std::string(TAMO_VERSION));
    QCOMPARE(r.dataSha256.size(), std::size_t(64));

    // A foreign file where the logbook should be: refused with a message, left as it was.
    logbook.close();
    QVERIFY(writeAll(w.path(QStringLiteral("logbook.sqlite")), "not a logbook"));
    w.dialogs.textAnswers << QStringLiteral("glass 7");
    w.tamo->AddToLogbook_Click();
    QCOMPARE(w.dialogs.messages().size(), 2);
    QVERIFY(w.dialogs.messages().last().contains(w.path(QStringLiteral("logbook.sqlite"))));
    QCOMPARE(readAll(w.path(QStringLiteral("logbook.sqlite"))), QByteArray("not a logbook"));
}

void VerdictTest::onlyAConvergedCalibrationIsKept() {
    Window w;
    const QString file = w.path(QStringLiteral("acid-only.txt"));
    // An acid branch and no alkali points: the calculation stops.
    QVERIFY(writeAll(file, "acid only\r\n25 25 0.02 -0.1\r\n0 283.17\r\n0.5 280.2\r\n1 276.83\r\n"));
    w.start(file);
    QCOMPARE(w.text("Verdict"), QString());
    const int shown = w.dialogs.messages().size();
    w.tamo->AddToLogbook_Click();
    QCOMPARE(w.dialogs.messages().size(), shown + 1);
    QVERIFY(w.dialogs.messages().last().startsWith("Only a calibration whose refinement converged"));
    QVERIFY(!QFile::exists(w.path(QStringLiteral("logbook.sqlite"))));
}

QTEST_MAIN(VerdictTest)
#include "VerdictTest.moc"
