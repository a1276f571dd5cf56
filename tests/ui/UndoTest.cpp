// The document's commands: which signals they send, and undo and redo of the
// changes by hand, in the window and on the document alone.

#include "WindowFixture.h"
#include "core/Report.h"

#include <QAction>
#include <QSignalSpy>
#include <QUndoStack>
#include <functional>

using namespace uitest;

namespace {

/// The report as the clipboard gets it, at a fixed date: equal texts are equal results.
std::string report(const core::Titration& t) {
    return core::resultsReport(t, t.DataFilePath, "7 Dec 2026 12:00", "\r");
}

/// Counts every signal of a document from its making on.
struct Spies {
    explicit Spies(ui::TitrationDocument& d)
        : replaced(&d, &ui::TitrationDocument::titrationReplaced),
          results(&d, &ui::TitrationDocument::resultsChanged),
          point(&d, &ui::TitrationDocument::pointChanged),
          switched(&d, &ui::TitrationDocument::pointSwitched),
          cursor(&d, &ui::TitrationDocument::cursorMoved),
          inputs(&d, &ui::TitrationDocument::inputsChanged),
          state(&d, &ui::TitrationDocument::stateChanged),
          modified(&d, &ui::TitrationDocument::modifiedChanged) {}
    QSignalSpy replaced, results, point, switched, cursor, inputs, state, modified;

    /// replaced, results, point, switched, cursor, state, modified: how many of each.
    QList<qsizetype> counts() const {
        return {replaced.count(), results.count(), point.count(), switched.count(),
                cursor.count(),   state.count(),   modified.count()};
    }
    void clear() {
        for (QSignalSpy* s : {&replaced, &results, &point, &switched, &cursor, &inputs, &state,
                              &modified})
            s->clear();
    }
};

} // namespace

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void eachCommandSendsItsSignals();
    void switchOnThePlotUndoneGivesTheReportOfBefore();
    void aCorrectedVolumeUndoneCalculatesAsBefore();
    void aConfirmedBoxIsUndoneWithItsSelection();
    void theModifiedFlagIsTheSavedStateOfTheData();
};

void UndoTest::eachCommandSendsItsSignals() {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("run.txt"));
    QVERIFY(QFile::copy(example("acid-with-alkali.txt"), file));
    ui::TitrationDocument doc;
    Spies spies(doc);
    core::RecordingSink sink;
    QVERIFY(doc.load(file.toStdString(), sink));
    // replaced, results, point, switched, cursor, state (no data -> loaded -> calculated), modified
    QCOMPARE(spies.counts(), (QList<qsizetype>{1, 1, 0, 0, 1, 2, 0}));
    QVERIFY(doc.hasCurrentResults());

    const int mid = doc.cursorPoint();
    struct Case {
        const char* what;
        std::function<void()> command;
        QList<qsizetype> counts;
        bool results; ///< results on show afterwards
    };
    const Case cases[] = {
        {"cursor moved", [&] { doc.setCursorPoint(mid + 1); }, {0, 0, 0, 0, 1, 0, 0}, true},
        {"switched in the grid", [&] { doc.switchPoint(3); }, {0, 0, 1, 1, 0, 0, 1}, true},
        {"switch undone", [&] { doc.undoStack().undo(); }, {0, 0, 1, 1, 0, 0, 1}, true},
        {"volume corrected", [&] { doc.setVolume(4, 0.4, "0.4"); }, {0, 0, 1, 0, 0, 0, 1}, true},
        {"switched on the plot", [&] { doc.switchPointAndCalculate(mid, sink); },
         {0, 1, 0, 0, 0, 0, 0}, true},
        {"calculated", [&] { doc.calculate(sink); }, {0, 1, 0, 0, 0, 0, 0}, true},
        // No point lies between pH 13.9 and 14: the calculation stops and clears its results.
        {"stopped",
         [&] {
             doc.setInput(ui::InputBox::Range3, "13.9");
             doc.setInput(ui::InputBox::Range4, "14");
             doc.confirmInput(ui::InputBox::Range4, sink);
         },
         {0, 1, 0, 0, 0, 0, 0}, false},
        {"stop undone", [&] { doc.undoStack().undo(); }, {0, 1, 0, 0, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        spies.clear();
        c.command();
        QVERIFY2(spies.counts() == c.counts, c.what);
        QVERIFY2(doc.hasCurrentResults() == c.results, c.what);
    }
    QVERIFY(!sink.messages.empty()); // the stopped calculation said why
    // A new titration starts a new history.
    QVERIFY(doc.undoStack().count() > 0);
    QVERIFY(doc.load(file.toStdString(), sink));
    QCOMPARE(doc.undoStack().count(), 0);
    QVERIFY(!doc.isModified());
}

void UndoTest::switchOnThePlotUndoneGivesTheReportOfBefore() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const std::string before = report(w.titration());
    const core::ResultValues results = w.titration().results;
    const int k = w.tamo->document().cursorPoint();
    w.key(w.dataPlot(), Qt::Key_Space);
    const std::string switched = report(w.titration());
    QVERIFY(switched != before);
    auto* undo = w.find<QAction>("Undo");
    auto* redo = w.find<QAction>("Redo");
    QCOMPARE(undo->text(), QStringLiteral("Undo switch point %1").arg(k));
    QVERIFY(w.tamo->isWindowModified());

    w.key(w.dataPlot(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(w.titration().points[static_cast<std::size_t>(k - 1)].UsePoint);
    QCOMPARE(report(w.titration()), before);
    QVERIFY(w.titration().results == results);
    QCOMPARE(w.cell(k, ui::ColUse), QString());
    QCOMPARE(w.text("Chosen"), QStringLiteral("use"));
    QVERIFY(!w.tamo->isWindowModified());
    QCOMPARE(redo->text(), QStringLiteral("Redo switch point %1").arg(k));

    // Both shortcuts redo; the second finds nothing more to redo.
    w.key(w.dataPlot(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(report(w.titration()), switched);
    w.key(w.dataPlot(), Qt::Key_Z, Qt::ControlModifier);
    w.key(w.dataPlot(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(report(w.titration()), switched);
    QCOMPARE(w.cell(k, ui::ColUse), QStringLiteral("x"));
}

void UndoTest::aCorrectedVolumeUndoneCalculatesAsBefore() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const std::string before = report(w.titration());
    const core::ResultValues results = w.titration().results;
    const QString oldText = w.cell(4, ui::ColVolume);
    w.tamo->document().setVolume(4, 0.37, "0.37");
    QCOMPARE(w.cell(4, ui::ColVolume), QStringLiteral("0.37"));
    QVERIFY(w.titration().results == results); // it waits for Calculate
    QCOMPARE(w.find<QAction>("Undo")->text(), QStringLiteral("Undo correct volume of point 4"));
    w.tamo->document().undoStack().undo();
    QCOMPARE(w.cell(4, ui::ColVolume), oldText);
    w.tamo->Calculate_Click();
    QCOMPARE(report(w.titration()), before);
    QVERIFY(!w.tamo->document().isModified());
}

void UndoTest::aConfirmedBoxIsUndoneWithItsSelection() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const std::string before = report(w.titration());
    const QString range2 = w.box("Range2")->text();
    ui::TitrationDocument& doc = w.tamo->document();
    // A point switched by hand, then a new range that selects afresh.
    w.key(w.dataPlot(), Qt::Key_Space);
    const std::string switched = report(w.titration());
    w.enterIn("Range2", QStringLiteral("4.5"));
    QCOMPARE(doc.undoStack().undoText(), QStringLiteral("set pH range limit 2 to 4.5"));
    QVERIFY(report(w.titration()) != switched);
    doc.undoStack().undo();
    QCOMPARE(w.box("Range2")->text(), range2);
    QCOMPARE(report(w.titration()), switched); // the switch by hand is back
    doc.undoStack().undo();
    QCOMPARE(report(w.titration()), before);
}

void UndoTest::theModifiedFlagIsTheSavedStateOfTheData() {
    Window w;
    const QString file = w.copyExample("acid-with-alkali.txt");
    w.start(file);
    ui::TitrationDocument& doc = w.tamo->document();
    QUndoStack& stack = doc.undoStack();
    // A box confirmed is no change of the data file.
    w.enterIn("pKbox", QStringLiteral("13.9"));
    QVERIFY(!doc.isModified());
    doc.setEmf(2, 300, "300");
    QVERIFY(doc.isModified());
    w.tamo->SaveData_Click();
    QVERIFY(!doc.isModified());
    QVERIFY(!w.tamo->isWindowModified());
    stack.undo(); // the emf of before differs from the file now
    QVERIFY(doc.isModified());
    stack.redo();
    QVERIFY(!doc.isModified());
    stack.undo();
    stack.undo(); // the pKw box too: the emf is still the one of before
    QVERIFY(doc.isModified());
    w.tamo->loadFile(file);
    QVERIFY(!doc.isModified());
    QCOMPARE(stack.count(), 0);
}

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
