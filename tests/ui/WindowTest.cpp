// The main window: start-up, load and save, the condition boxes, the layout and the exits.

#include "WindowFixture.h"
#include "core/CalibrationRun.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"
#include "ui/TextColour.h"
#include "ui/Twips.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <csignal>
#include <sys/resource.h>

using namespace uitest;

namespace {

QByteArray defaultSettings(const QString& folder) {
    return "<TAMO>\r\n<datafile>" + folder.toUtf8() +
           "/data</datafile>\r\n<range1>2.5</range1>\r\n<range2>4</range2>\r\n"
           "<range3>10.8</range3>\r\n<range4>11.3</range4>\r\n<pKw>13.78</pKw>\r\n"
           "<temperature>25</temperature>\r\n</TAMO>\r\n";
}

bool enabled(const Window& w, const char* actionOrMenu) {
    if (auto* a = w.find<QAction>(actionOrMenu))
        return a->isEnabled();
    return w.find<QMenu>(actionOrMenu)->isEnabled();
}

/// The calculated titration as the engine alone makes it from the file.
core::Titration engineResult(const QString& path) {
    core::Titration t;
    core::RecordingSink sink;
    if (io::ReadDataFile(path.toStdString(), t, sink))
        (void)core::runCalibration(t, {}, sink); // the captions say what came of it
    return t;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void startWithoutSettingsCreatesThemAndShowsOnlyTheConditions();
    void loadReachesTheCalculatedStateOnTheGranPlot();
    void aRejectedFileChangesNothing();
    void theCarbonateWarningComesAfterThePlotsAndBeforeTheGrid();
    void enterInTheConditionBoxes_data();
    void enterInTheConditionBoxes();
    void resizeFollowsTheDesignRules();
    void theThreeWaysOfEnding_data();
    void theThreeWaysOfEnding();
    void saveAndReloadLosesNoDigit();
    void aFailedSaveKeepsTheOldFileAndSaysWhy();
    void settingsGoToTheUserFolderWhenTheProgramFolderIsReadOnly();
    void helpOpensTheManualOrNamesItsPath();
};

void WindowTest::startWithoutSettingsCreatesThemAndShowsOnlyTheConditions() {
    Window w;
    w.start();
    const QByteArray settings = readAll(w.settingsFile());
    QVERIFY(settings.startsWith(defaultSettings(w.folder.path())));
    QVERIFY(settings.contains("<slopefactormin>0.95</slopefactormin>"));
    QCOMPARE(w.dialogs.openTitles, QStringList{"TAMO: Open calibration data file"});
    QCOMPARE(w.dialogs.openFolders, QStringList{w.folder.path()}); // "data" does not exist
    QCOMPARE(w.tamo->windowTitle(), QStringLiteral("TAMO"));
    QVERIFY(w.box("TitrationID")->isVisible());
    QVERIFY(w.find<QGroupBox>("DataFrame")->isVisible());
    for (const char* hidden : {"GammaFrame", "ResultsFrame", "GranFrame"})
        QVERIFY2(!w.find<QGroupBox>(hidden)->isVisible(), hidden);
    QVERIFY(!w.grid()->isVisible() && !w.dataPlot()->isVisible() && !w.residualPlot()->isVisible());
    QVERIFY(!w.find<QWidget>("DataPanel")->isVisible());
    QVERIFY(!w.find<QToolBar>("Tb")->isEnabled());
    for (const char* off : {"Calculate", "MenuDisplay", "MenuResults", "SaveData", "SaveDataAs"})
        QVERIFY2(!enabled(w, off), off);
    QCOMPARE(w.box("pKbox")->text(), QStringLiteral("13.78"));
    QCOMPARE(w.box("Range3")->text(), QStringLiteral("10.8"));
    QCOMPARE(w.find<QAction>("Version")->text(), ui::versionCaption(QStringLiteral(TAMO_VERSION)));
    QCOMPARE(ui::versionCaption(QStringLiteral("3.0.0.21")), QStringLiteral("TAMO Version 3.0.21"));
    QCOMPARE(ui::versionCaption(QStringLiteral("3.1.4.7")), QStringLiteral("TAMO Version 3.1.7"));
}

void WindowTest::loadReachesTheCalculatedStateOnTheGranPlot() {
    Window w;
    const QString file = w.copyExample("acid-with-alkali.txt");
    w.start(file);
    QCOMPARE(w.tamo->document().state(), ui::WindowState::Calculated);
    QCOMPARE(w.tamo->windowTitle(), "TAMO: data from " + file + "[*]");
    QVERIFY(readAll(w.settingsFile()).contains("<datafile>" + file.toUtf8() + "</datafile>"));
    QVERIFY(w.find<QAction>("DisplayOption2")->isChecked());
    QVERIFY(w.find<QToolBar>("Tb")->isEnabled());
    for (const char* on : {"Calculate", "MenuDisplay", "MenuResults", "SaveData", "SaveDataAs"})
        QVERIFY2(enabled(w, on), on);
    QVERIFY(w.find<QGroupBox>("GammaFrame")->isVisible());

    // The result frames show what the engine calculates from the same file.
    const core::Titration expected = engineResult(file);
    QCOMPARE(w.text("E0Value"), QString::fromStdString(expected.captions.E0Value));
    QCOMPARE(w.text("SlopeSd"), QString::fromStdString(expected.captions.SlopeSd));
    QCOMPARE(w.text("GranLabel10"), QString::fromStdString(expected.captions.GranLabel10));
    QCOMPARE(w.text("CorrAlkali") + w.text("Alksd"),
             QString::fromStdString(expected.captions.CorrAlkali + expected.captions.Alksd));
    QCOMPARE(w.text("Initial"), QStringLiteral("0.02"));
    QCOMPARE(ui::textColour(w.find<QLabel>("Initial")), QColor(255, 0, 0));
    QCOMPARE(ui::textColour(w.find<QLabel>("Burette")), QColor(0, 0, 255));

    // The grid holds every point; the panel shows the middle one.
    const int n = expected.PointCount();
    QCOMPARE(w.grid()->model()->rowCount(), n);
    QCOMPARE(w.cell(2, ui::ColVolume), QStringLiteral("0.125"));
    QCOMPARE(w.cell(2, ui::ColEmfObs), QStringLiteral("282.46"));
    QCOMPARE(w.cell(1, ui::ColUse), QStringLiteral("x"));
    QCOMPARE(w.tamo->document().cursorPoint(), ui::middlePoint(n));
    QCOMPARE(w.text("Chosen"), QStringLiteral("use"));
    QVERIFY(w.text("pHlabel").startsWith("pH(calc)= "));

    QVERIFY(w.dataPlot()->isDrawn() && w.residualPlot()->isDrawn());
    QCOMPARE(w.dataPlot()->picture().size(), w.dataPlot()->size() * w.dataPlot()->devicePixelRatioF());
    QVERIFY(w.dataPlot()->hasFocus());
    QVERIFY(w.dialogs.shown.isEmpty());
}

void WindowTest::aRejectedFileChangesNothing() {
    Window w;
    const QString good = w.copyExample("acid-with-alkali.txt");
    w.start(good);
    const QString bad = w.path("three-items.txt");
    QVERIFY(writeAll(bad, "bad\r\n25 25 0.02\r\n1 2\r\n"));
    const QByteArray settings = readAll(w.settingsFile());
    const core::Titration before = w.titration();
    const QImage plot = w.dataPlot()->picture();
    const QString caption = w.tamo->windowTitle();

    w.dialogs.openAnswers << bad;
    w.tamo->LoadData_Click();
    QCOMPARE(w.dialogs.messages(), QStringList{"The second line does not contain 4 items of data"});
    QCOMPARE(w.dialogs.shown.first().title, QStringLiteral("TAMO"));
    QVERIFY(w.titration() == before);
    QCOMPARE(readAll(w.settingsFile()), settings);
    QCOMPARE(w.tamo->windowTitle(), caption);
    QCOMPARE(w.dataPlot()->picture(), plot);
    QCOMPARE(w.grid()->model()->rowCount(), before.PointCount());

    // Save data still writes the titration loaded before to its own file.
    const QByteArray goodBytes = readAll(good);
    w.tamo->SaveData_Click();
    QCOMPARE(readAll(bad), QByteArray("bad\r\n25 25 0.02\r\n1 2\r\n"));
    QVERIFY(readAll(good).startsWith(goodBytes.left(goodBytes.indexOf('\n'))));
}

void WindowTest::theCarbonateWarningComesAfterThePlotsAndBeforeTheGrid() {
    // The acid branch of a titrand 2 % stronger than the alkali branch's: the acid
    // end-point lies beyond the alkali one.
    sim::Setup setup;
    core::Titration t = sim::makeTitration(setup);
    setup.titrandConc = 0.0204;
    const core::Titration stronger = sim::makeTitration(setup);
    for (std::size_t i = 0; i < t.points.size(); ++i)
        if (t.points[i].Volume < 5)
            t.points[i] = stronger.points[i];
    Window w;
    const QString file = w.path(QStringLiteral("carbonate.txt"));
    QCOMPARE(io::WriteDataFile(file.toStdString(), io::dataFileTexts(t)), std::string());
    bool plotsDrawn = false;
    int gridRows = -1;
    w.dialogs.onMessage = [&](const QString&) {
        plotsDrawn = w.dataPlot()->isDrawn() && w.residualPlot()->isDrawn();
        gridRows = w.grid()->model()->rowCount();
    };
    w.start(file);
    QCOMPARE(w.dialogs.messages(), QStringList{"negative carbonate! Check data selection"});
    QCOMPARE(w.dialogs.shown.first().title, QStringLiteral("TAMO"));
    QVERIFY(plotsDrawn);
    QCOMPARE(gridRows, 0); // filled after the message
    QCOMPARE(w.grid()->model()->rowCount(), t.PointCount());
    QVERIFY(w.text("GranLabel12").startsWith("-")); // a negative impurity level
}

void WindowTest::enterInTheConditionBoxes_data() {
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reselects");
    QTest::newRow("range 2") << QByteArray("Range2") << "4.5" << true;
    QTest::newRow("range 3") << QByteArray("Range3") << "10.7" << true;
    QTest::newRow("pKw") << QByteArray("pKbox") << "13.9" << false;
    QTest::newRow("temperature") << QByteArray("Tbox") << "20" << false;
}

void WindowTest::enterInTheConditionBoxes() {
    QFETCH(QByteArray, box);
    QFETCH(QString, text);
    QFETCH(bool, reselects);
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const QByteArray settings = readAll(w.settingsFile());
    const int hand = 40; // used by the ranges; switched off by hand
    QVERIFY(w.titration().points[hand - 1].UsePoint);
    w.tamo->document().switchPoint(hand);
    QVERIFY(!w.tamo->SettingsChanged());

    w.enterIn(box.constData(), text);
    QVERIFY(w.tamo->SettingsChanged());
    QCOMPARE(readAll(w.settingsFile()), settings); // written later, not now
    QCOMPARE(w.titration().points[hand - 1].UsePoint, reselects);

    // The window shows what the engine makes of the same steps: load, select,
    // calculate, the switch by hand, the changed box, and what Enter there redoes.
    core::Titration expected = engineResult(w.titration().DataFilePath.c_str());
    core::RecordingSink sink;
    expected.points[hand - 1].UsePoint = false;
    expected.inputs = w.titration().inputs;
    (void)core::runCalibration(expected, {}, sink,
                               {reselects ? core::RunFrom::Selection : core::RunFrom::Calculation});
    QCOMPARE(w.text("E0Value"), QString::fromStdString(expected.captions.E0Value));
    QCOMPARE(w.text("SlopeFactor"), QString::fromStdString(expected.captions.SlopeFactor));
    QCOMPARE(w.text("GranLabel6"), QString::fromStdString(expected.captions.GranLabel6));
    QCOMPARE(w.cell(hand, ui::ColUse), reselects ? QString() : QStringLiteral("x"));
}

void WindowTest::resizeFollowsTheDesignRules() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const ui::Twips tw(w.tamo->logicalDpiX());
    QWidget* client = w.tamo->centralWidget();
    client->resize(tw.px(11880), tw.px(8595));
    QCOMPARE(w.dataPlot()->geometry(), QRect(tw.px(4440), tw.px(840), tw.px(7200), tw.px(5428.5)));
    QCOMPARE(w.residualPlot()->geometry(),
             QRect(tw.px(4440), tw.px(6388.5), tw.px(7200), tw.px(1951.5)));
    QCOMPARE(w.dataPlot()->picture().size(), w.dataPlot()->size() * w.dataPlot()->devicePixelRatioF());

    // Too small: sizes that come out negative are not applied.
    const QRect before = w.dataPlot()->geometry();
    client->resize(tw.px(3000), tw.px(600));
    QCOMPARE(w.dataPlot()->size(), before.size());
    QCOMPARE(w.residualPlot()->width(), before.width());
}

void WindowTest::theThreeWaysOfEnding_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("written");
    QTest::newRow("close box, yes") << "close" << true << "Save changed INI file data? "
                                    << "Closing down TAMO" << true;
    QTest::newRow("close box, no") << "close" << false << "Save changed INI file data? "
                                   << "Closing down TAMO" << false;
    QTest::newRow("quit button, yes") << "quit" << true << "Save changed INI file data?"
                                      << "Closing TAMO" << true;
    QTest::newRow("quit button, no") << "quit" << false << "Save changed INI file data?"
                                     << "Closing TAMO" << false;
    QTest::newRow("exit") << "exit" << true << QString() << QString() << false;
}

void WindowTest::theThreeWaysOfEnding() {
    QFETCH(QString, way);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(QString, title);
    QFETCH(bool, written);
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    w.enterIn("Tbox", QStringLiteral("21"));
    w.dialogs.shown.clear();
    w.dialogs.questionAnswers << answer;
    const QByteArray before = readAll(w.settingsFile());

    if (way == QLatin1String("close"))
        w.tamo->close();
    else if (way == QLatin1String("quit"))
        w.find<QAction>("quit")->trigger();
    else
        w.find<QAction>("Exit")->trigger();

    QVERIFY(!w.tamo->isVisible());
    if (question.isEmpty()) {
        QVERIFY(w.dialogs.shown.isEmpty());
    } else {
        QCOMPARE(w.dialogs.shown.size(), 1); // asked once
        QCOMPARE(w.dialogs.shown.first().text, question);
        QCOMPARE(w.dialogs.shown.first().title, title);
    }
    QCOMPARE(readAll(w.settingsFile()).contains("<temperature>21</temperature>"), written);
    QCOMPARE(readAll(w.settingsFile()) == before, !written);
}

void WindowTest::saveAndReloadLosesNoDigit() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    // A corrected emf with more digits than the grid shows, and an odd volume.
    w.tamo->document().setEmf(3, static_cast<double>(281.7234f), "281.7234");
    w.tamo->document().setVolume(4, static_cast<double>(0.3751f), "0.3751");
    const core::Titration before = w.titration();
    const QString copy = w.path("copy");
    w.dialogs.saveAnswers << copy;
    w.tamo->SaveDataAs_Click();
    QCOMPARE(w.dialogs.saveTitles, QStringList{"Save calibration data file"});
    QCOMPARE(w.tamo->windowTitle(), "TAMO: data from " + copy + ".txt[*]");
    QVERIFY(readAll(copy + ".txt").contains("0.25          281.7234\r\n0.3751        280.92\r\n"));

    w.dialogs.openAnswers << copy + ".txt";
    w.tamo->LoadData_Click();
    const core::Titration& after = w.titration();
    QCOMPARE(after.TitrationID, before.TitrationID);
    QVERIFY(after.v0 == before.v0 && after.Burette == before.Burette);
    QCOMPARE(after.PointCount(), before.PointCount());
    for (int i = 0; i < after.PointCount(); ++i) {
        QCOMPARE(after.points[i].Volume, before.points[i].Volume);
        QCOMPARE(after.points[i].EmfObs, before.points[i].EmfObs);
    }
    QCOMPARE(after.points[2].EmfObs, static_cast<double>(281.7234f));
}

void WindowTest::aFailedSaveKeepsTheOldFileAndSaysWhy() {
    Window w;
    const QString file = w.copyExample("acid-with-alkali.txt");
    w.start(file);
    const QByteArray old = readAll(file);
    w.tamo->document().setEmf(1, 300, "300");

    std::signal(SIGXFSZ, SIG_IGN); // a file size limit stops the write, even for root
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{100, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    w.tamo->SaveData_Click();
    setrlimit(RLIMIT_FSIZE, &limit);
    QCOMPARE(readAll(file), old);
    QCOMPARE(w.dialogs.messages().size(), 1);
    QVERIFY(w.dialogs.messages().first().startsWith("The file \"" + file + "\" cannot be written: "));

    // A folder that does not exist: the titration keeps its file and caption.
    w.dialogs.saveAnswers << w.path("missing/run.txt");
    w.tamo->SaveDataAs_Click();
    QCOMPARE(w.dialogs.messages().size(), 2);
    QVERIFY(w.dialogs.messages().last().contains(w.path("missing/run.txt")));
    QCOMPARE(w.titration().DataFilePath, file.toStdString());
    QCOMPARE(w.tamo->windowTitle(), "TAMO: data from " + file + "[*]");
}

void WindowTest::settingsGoToTheUserFolderWhenTheProgramFolderIsReadOnly() {
    QTemporaryDir user;
    // Nobody, root included, can create a file in /proc.
    const ui::SettingsLocation readOnly = ui::locateSettings(
        QStringLiteral("/proc"), user.filePath(QStringLiteral("config/TAMO")), user.path());
    QCOMPARE(readOnly.file, user.filePath(QStringLiteral("config/TAMO/TAMO.INI")));
    QCOMPARE(readOnly.defaultDataPath, user.path());
    QVERIFY(QDir(user.filePath(QStringLiteral("config/TAMO"))).exists());

    const ui::SettingsLocation writable =
        ui::locateSettings(user.path(), user.filePath(QStringLiteral("unused")), QString());
    QCOMPARE(writable.file, user.filePath(QStringLiteral("TAMO.INI")));
    QCOMPARE(writable.defaultDataPath, user.filePath(QStringLiteral("data")));
    QCOMPARE(QDir(user.path()).entryList(QDir::Files | QDir::Hidden).size(), 0); // probe removed

    // An installed program (its manual in ../share/doc/tamo) keeps out of its own
    // folder even where it could write there.
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/doc/tamo")));
    QVERIFY(writeAll(prefix.filePath(QStringLiteral("share/doc/tamo/tamo.html")), "<html>"));
    QCOMPARE(ui::locateSettings(prefix.filePath(QStringLiteral("bin")), user.path(), user.path()).file,
             user.filePath(QStringLiteral("TAMO.INI")));

    // A settings file that cannot be written: the window goes on and says so once.
    ScriptedDialogs dialogs;
    ui::Tamo tamo(dialogs, {QStringLiteral("/proc/TAMO.INI"), user.path(), user.filePath(QStringLiteral("logbook"))});
    tamo.Form_Load();
    QCOMPARE(dialogs.messages().size(), 1);
    QVERIFY(dialogs.messages().first().contains("/proc/TAMO.INI"));
    QCOMPARE(tamo.findChild<QLineEdit*>(QStringLiteral("Range4"))->text(), QStringLiteral("11.3"));
    tamo.findChild<QLineEdit*>(QStringLiteral("TitrationID"))->setFocus();
    QTest::keyClick(tamo.findChild<QLineEdit*>(QStringLiteral("TitrationID")), Qt::Key_A);
    QCOMPARE(dialogs.messages().size(), 1);
}

void WindowTest::helpOpensTheManualOrNamesItsPath() {
    Window w;
    w.start();
    const QString manual = QCoreApplication::applicationDirPath() + QStringLiteral("/tamo.html");
    QFile::remove(manual);
    w.tamo->Help_Click();
    QCOMPARE(w.dialogs.messages(),
             QStringList{QStringLiteral("The user manual \"%1\" cannot be found.").arg(manual)});
    QVERIFY(writeAll(manual, "<!DOCTYPE html><title>TAMO</title>"));
    w.tamo->Help_Click();
    QCOMPARE(w.dialogs.openedWithDesktop, QStringList{manual});
    QFile::remove(manual);
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
