// The window never loses or corrupts a reading and never shows stale results:
// keys in the grid, unsaved corrections, stopped and repeated calculations,
// empty titrations, file names that are not UTF-8, the window's size, menus.

#include "WindowFixture.h"
#include "io/NativePath.h"
#include "plot/PlotGeometry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <fstream>

using namespace uitest;

namespace {

struct Loaded : Window {
    QString file;
    Loaded() : file(copyExample("acid-with-alkali.txt")) { start(file); }

    QStringList asked() const {
        QStringList texts;
        for (const Shown& s : dialogs.shown)
            if (s.kind == QLatin1String("ask"))
                texts << s.text;
        return texts;
    }
    QString saveQuestion() const {
        return QStringLiteral("Save changes to the data of %1?").arg(file);
    }
};

/// Volumes and emfs of every point.
std::vector<std::pair<double, double>> readings(const core::Titration& t) {
    std::vector<std::pair<double, double>> values;
    for (const core::Point& p : t.points)
        values.emplace_back(p.Volume, p.EmfObs);
    return values;
}

} // namespace

class IntegrityTest : public QObject {
    Q_OBJECT
private slots:
    void controlKeysInTheGridStoreNothing_data();
    void controlKeysInTheGridStoreNothing();
    void aTextThatIsNoNumberIsRefused();
    void unsavedCorrectionsAreAskedFor_data();
    void unsavedCorrectionsAreAskedFor();
    void aStoppedCalculationClearsTheResults();
    void calculatingAgainGivesTheSameNumbers();
    void aTitrationWithoutPointsClearsThePanel();
    void aFileNameThatIsNotUtf8Opens();
    void theGridShowsWholeVolumesAndPointNumbers();
    void theWindowRemembersItsGeometry();
    void noTwoItemsOfAMenuShareALetter();
};

void IntegrityTest::controlKeysInTheGridStoreNothing_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("ending"); // "down", "click" or "enter"
    const std::pair<int, const char*> columns[] = {{ui::ColVolume, "volume"},
                                                   {ui::ColEmfObs, "emf"}};
    const std::tuple<int, int, const char*> keys[] = {
        {Qt::Key_Escape, Qt::NoModifier, "Escape"},
        {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"},
        {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"}};
    for (const auto& [column, columnName] : columns)
        for (const auto& [key, modifiers, keyName] : keys)
            for (const char* ending : {"down", "click", "enter"})
                QTest::addRow("%s %s %s", columnName, keyName, ending)
                    << column << key << modifiers << QString::fromLatin1(ending);
}

void IntegrityTest::controlKeysInTheGridStoreNothing() {
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, ending);
    Loaded w;
    const auto before = readings(w.titration());
    const int point = 22;
    const QString shown = w.cell(point, column);
    w.selectCell(point, column);
    w.key(w.grid(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // Only Backspace and Delete open the editor, and then empty.
    const bool opens = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    QCOMPARE(w.editor()->isVisible(), opens);
    if (opens)
        QCOMPARE(w.editor()->text(), QString());
    QWidget* typedInto = opens ? static_cast<QWidget*>(w.editor()) : w.grid();
    if (ending == QLatin1String("down")) {
        w.key(typedInto, Qt::Key_Down);
    } else if (ending == QLatin1String("enter")) {
        w.key(typedInto, Qt::Key_Return);
    } else {
        const QRect other = w.grid()->visualRect(w.grid()->model()->index(point - 2, column));
        QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, Qt::NoModifier, other.center());
        QApplication::processEvents();
    }
    QApplication::processEvents();
    if (ending == QLatin1String("enter") && !opens)
        w.key(w.editor(), Qt::Key_Escape); // Enter on the grid opened the cell's text
    QVERIFY(!w.editor()->isVisible());
    QVERIFY(readings(w.titration()) == before);
    QCOMPARE(w.cell(point, column), shown);
    QVERIFY(!w.tamo->document().isModified());
    w.tamo->Calculate_Click();
    QVERIFY(readings(w.titration()) == before);
}

void IntegrityTest::aTextThatIsNoNumberIsRefused() {
    Loaded w;
    const auto before = readings(w.titration());
    const QString shown = w.cell(22, ui::ColEmfObs);
    w.selectCell(22, ui::ColEmfObs);
    QTest::keyClicks(w.grid(), "a");
    QTest::keyClicks(w.editor(), "bc");
    w.key(w.editor(), Qt::Key_Return);
    QCOMPARE(w.dialogs.shown.size(), 1);
    QCOMPARE(w.dialogs.shown.first().kind, QStringLiteral("warning"));
    QCOMPARE(w.dialogs.shown.first().text, QStringLiteral("invalid entry for number"));
    QVERIFY(readings(w.titration()) == before);
    QCOMPARE(w.cell(22, ui::ColEmfObs), shown);
}

void IntegrityTest::unsavedCorrectionsAreAskedFor_data() {
    QTest::addColumn<QString>("way"); // load, close, quit, exit
    QTest::addColumn<int>("answer");  // -1: nothing changed, nothing asked
    for (const char* way : {"load", "close", "quit", "exit"}) {
        QTest::addRow("%s, unchanged", way) << QString::fromLatin1(way) << -1;
        QTest::addRow("%s, yes", way) << QString::fromLatin1(way) << int(ui::Answer::Yes);
        QTest::addRow("%s, no", way) << QString::fromLatin1(way) << int(ui::Answer::No);
        QTest::addRow("%s, cancel", way) << QString::fromLatin1(way) << int(ui::Answer::Cancel);
    }
}

void IntegrityTest::unsavedCorrectionsAreAskedFor() {
    QFETCH(QString, way);
    QFETCH(int, answer);
    Loaded w;
    const QByteArray original = readAll(w.file);
    w.enterIn("pKbox", QStringLiteral("13.78")); // the settings changed: their question comes too
    QVERIFY(!w.tamo->isWindowModified());
    if (answer >= 0) {
        w.selectCell(30, ui::ColVolume);
        w.key(w.grid(), Qt::Key_7);
        w.key(w.editor(), Qt::Key_Return); // corrected in the grid: modified
        QVERIFY(w.tamo->isWindowModified());
        w.dialogs.askAnswers << ui::Answer(answer);
    }
    if (way == QLatin1String("load"))
        w.find<QAction>("LoadData")->trigger();
    else if (way == QLatin1String("close"))
        w.tamo->close();
    else if (way == QLatin1String("quit"))
        w.find<QAction>("quit")->trigger();
    else
        w.find<QAction>("Exit")->trigger();
    QApplication::processEvents();

    const bool cancelled = answer == int(ui::Answer::Cancel);
    QCOMPARE(w.asked(), answer < 0 ? QStringList() : QStringList{w.saveQuestion()});
    QCOMPARE(readAll(w.file) != original, answer == int(ui::Answer::Yes));
    QCOMPARE(w.tamo->isWindowModified(), answer == int(ui::Answer::No) || cancelled);
    if (way == QLatin1String("load"))
        QCOMPARE(w.dialogs.openTitles.size(),
                 cancelled ? 1 : 2); // the dialog at start-up, then this one
    else
        QCOMPARE(w.tamo->isVisible(), cancelled);
    // The data question comes before the settings question.
    QStringList kinds;
    for (const Shown& shown : w.dialogs.shown)
        kinds << shown.kind;
    const bool settingsAsked =
        !cancelled && (way == QLatin1String("close") || way == QLatin1String("quit"));
    QCOMPARE(kinds, (answer < 0 ? QStringList() : QStringList{QStringLiteral("ask")}) +
                        (settingsAsked ? QStringList{QStringLiteral("question")} : QStringList()));
}

void IntegrityTest::aStoppedCalculationClearsTheResults() {
    Loaded w;
    QVERIFY(w.tamo->document().hasCurrentResults());
    QVERIFY(!w.text("E0Value").isEmpty());
    QVERIFY(!w.cell(5, ui::ColEmfCalc).isEmpty());
    QApplication::clipboard()->setText(QStringLiteral("before"));
    w.enterIn("Range4", QStringLiteral("abc"));
    QVERIFY(w.dialogs.messages().size() >= 1);
    QVERIFY(w.dialogs.messages().first().startsWith(
        QStringLiteral("too few points in the alkali range")));

    QVERIFY(!w.tamo->document().hasCurrentResults());
    QVERIFY(!w.tamo->document().verdict());
    for (const char* label : {"E0Value", "E0sd", "SlopeValue", "SlopeFactor", "Values6",
                              "GranLabel6", "GranLabel10", "CorrAlkali"})
        QVERIFY2(w.text(label).isEmpty(), label);
    QCOMPARE(w.text("Verdict"), QStringLiteral("not calculated"));
    for (int i = 1; i <= w.titration().PointCount(); ++i)
        QVERIFY(w.cell(i, ui::ColEmfCalc).isEmpty());

    // The reports and the logbook refuse until a calculation succeeds.
    w.dialogs.shown.clear();
    w.find<QAction>("CopyData")->trigger();
    w.find<QAction>("AddToLogbook")->trigger();
    QCOMPARE(w.dialogs.messages(), QStringList(2, ui::kNoResultsMessage));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));

    w.enterIn("Range4", QStringLiteral("12"));
    QVERIFY(w.tamo->document().hasCurrentResults());
    QVERIFY(!w.text("E0Value").isEmpty());
    QVERIFY(w.text("Verdict") != QStringLiteral("not calculated"));
}

void IntegrityTest::calculatingAgainGivesTheSameNumbers() {
    for (const char* example : {"acid-with-alkali.txt", "reverse-alkali-with-acid.txt"}) {
        Window w;
        w.start(w.copyExample(example));
        const core::Titration first = w.titration();
        for (int again = 0; again < 3; ++again) {
            w.tamo->Calculate_Click();
            QVERIFY2(w.titration().captions == first.captions, example);
            QVERIFY2(w.titration().results == first.results, example);
        }
    }
}

void IntegrityTest::aTitrationWithoutPointsClearsThePanel() {
    Loaded w;
    const QString empty = w.path(QStringLiteral("empty.txt"));
    QVERIFY(writeAll(empty, "no points\r\n5, 0, 0.1, -0.1\r\n"));
    QVERIFY(!w.text("DataLabel0").isEmpty());
    w.tamo->loadFile(empty);
    QCOMPARE(w.titration().PointCount(), 0);
    for (const char* label : {"DataLabel0", "DataLabel1", "pHlabel", "Chosen"})
        QVERIFY2(w.text(label).isEmpty(), label);
    QVERIFY(!w.tamo->document().hasCurrentResults());
    // The residual axis runs upwards: +1000 at the top.
    const plot::PlotGeometry& g = w.residualPlot()->plotGeometry();
    QVERIFY(*g.YPix(1000) < *g.YPix(-1000));
}

void IntegrityTest::aFileNameThatIsNotUtf8Opens() {
    Window w;
    const std::string name = io::toNativePath(w.folder.path()) + "/m\xe9sure.txt";
    {
        std::ofstream copy(name, std::ios::binary);
        copy << readAll(example("acid-with-alkali.txt")).toStdString();
    }
    QCOMPARE(io::toNativePath(io::fromNativePath(name)), name);
    w.tamo = std::make_unique<ui::Tamo>(
        w.dialogs, ui::SettingsLocation{w.settingsFile(), w.path(QStringLiteral("data")),
                                        w.path(QStringLiteral("logbook.sqlite"))});
    w.tamo->Form_Load(io::fromNativePath(name));
    QCOMPARE(w.dialogs.messages(), QStringList());
    QCOMPARE(w.tamo->document().state(), ui::WindowState::Calculated);
    QCOMPARE(w.titration().DataFilePath, name);
    QVERIFY(w.tamo->windowTitle().contains(QStringLiteral("m\uFFFDsure.txt")));
    // Qt cannot write under that name: the save says so and writes nothing elsewhere.
    w.tamo->document().setVolume(1, 0.5, "0.5");
    w.tamo->SaveData_Click();
    QCOMPARE(w.dialogs.messages().size(), 1);
    QVERIFY(w.dialogs.messages().first().contains(QStringLiteral("not valid UTF-8")));
    QCOMPARE(QDir(w.folder.path()).entryList({QStringLiteral("m*")}), QStringList());
}

void IntegrityTest::theGridShowsWholeVolumesAndPointNumbers() {
    // Six decimals and five-digit point numbers.
    Window w;
    QByteArray data = "six decimals\r\n1, 100, 0.1, -0.1\r\n";
    for (int i = 0; i < 10005; ++i)
        data += QByteArray::number(0.103258 + i * 1e-6, 'f', 6) + ", 300.125\r\n";
    const QString file = w.path(QStringLiteral("long.txt"));
    QVERIFY(writeAll(file, data));
    w.start(file);
    ui::DataGrid* grid = w.grid();
    const QFontMetrics metrics(grid->font());
    QVERIFY(metrics.horizontalAdvance(w.cell(10005, ui::ColVolume)) < grid->columnWidth(ui::ColVolume) - 4);
    QVERIFY(grid->verticalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("10005")) <
            grid->verticalHeader()->width() - 4);
    // The grid keeps clear of the plots.
    QVERIFY(grid->geometry().right() < w.dataPlot()->x());
    QCOMPARE(grid->model()->data(grid->model()->index(0, ui::ColVolume), Qt::ToolTipRole).toString(),
             w.cell(1, ui::ColVolume));
}

void IntegrityTest::theWindowRemembersItsGeometry() {
    QRect closedAt;
    {
        Window w;
        w.start();
        w.tamo->restoreGeometryOrFirstSize();
        // The first size shows the grid's header and 15 rows below its top.
        const ui::Twips tw(w.tamo->logicalDpiX());
        QVERIFY(w.tamo->centralWidget()->height() >= tw.px(7200 + 270 + 16 * 240 + 60) ||
                w.tamo->screen()->availableGeometry().height() < 1000);
        w.tamo->resize(900, 700);
        QApplication::processEvents();
        closedAt = w.tamo->geometry();
        w.tamo->close();
        QVERIFY(QFileInfo::exists(w.tamo->geometryFile()));
        Window again;
        QVERIFY(QFile::copy(w.tamo->geometryFile(), again.path(QStringLiteral("TAMO-window.ini"))));
        again.start();
        again.tamo->restoreGeometryOrFirstSize();
        QCOMPARE(again.tamo->size(), closedAt.size());
    }
}

void IntegrityTest::noTwoItemsOfAMenuShareALetter() {
    Window w;
    w.start();
    const auto letters = [](const QList<QAction*>& actions) {
        QStringList found;
        for (const QAction* a : actions) {
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < a->text().size())
                found << a->text().mid(amp + 1, 1).toLower();
        }
        return found;
    };
    QList<QList<QAction*>> menus{w.tamo->menuBar()->actions()};
    for (const QMenu* menu : w.tamo->menuBar()->findChildren<QMenu*>())
        menus << menu->actions();
    for (const QList<QAction*>& actions : menus) {
        const QStringList found = letters(actions);
        QVERIFY2(QSet<QString>(found.begin(), found.end()).size() == found.size(),
                 qPrintable(found.join(QLatin1Char(' '))));
    }
    const auto* results = w.find<QMenu>("MenuResults");
    QCOMPARE(results->actions().first()->text(), QStringLiteral("&Print"));
}

QTEST_MAIN(IntegrityTest)
#include "IntegrityTest.moc"
