// Working with points: the cursor on the plots and editing in the data grid,
// driven by real key and mouse events.

#include "WindowFixture.h"
#include "core/CalibrationRun.h"
#include "core/Format.h"
#include "io/DataFile.h"

#include <QApplication>

using namespace uitest;

namespace {

const QColor kCursorOnWhite(255, 128, 0); // (0, 127, 255) by exclusive or on white

struct Loaded : Window {
    Loaded() { start(copyExample("acid-with-alkali.txt")); }

    int n() const { return titration().PointCount(); }
    int cursor() const { return tamo->document().cursorPoint(); }
    void placeCursor(int k) { tamo->document().setCursorPoint(k); }
    int px(int k) const { return *dataPlot()->pointX(k); }
    QPoint device(int k) const {
        const core::Point& p = titration().points[static_cast<std::size_t>(k - 1)];
        const plot::PlotGeometry& g = dataPlot()->plotGeometry();
        return {*g.XPix(p.Volume), *g.YPix(p.GranValue)};
    }
    /// A pixel as the plot shows it, the cursor line included.
    static QColor pixel(const ui::PlotView* view, QPoint at) {
        return view->shownImage().pixelColor(at * view->devicePixelRatioF());
    }
    /// Whether the cursor line stands at point k on both plots: most of the
    /// column at its x shows the line (marks and the axes cross it here and there).
    bool cursorAt(int k) const {
        const auto lineShare = [&](const ui::PlotView* view, int top, int bottom, bool onWhite) {
            const QImage shown = view->shownImage();
            int line = 0;
            for (int y = top; y <= bottom; ++y) {
                const QColor c = shown.pixelColor(QPoint(px(k), y) * view->devicePixelRatioF());
                line += onWhite ? c == kCursorOnWhite : c != Qt::white;
            }
            return 2 * line > bottom - top + 1;
        };
        return lineShare(dataPlot(), 24, dataPlot()->height() - 36, true) &&
               lineShare(residualPlot(), 24, residualPlot()->height() - 4, false);
    }
};

} // namespace

class PointsTest : public QObject {
    Q_OBJECT
private slots:
    void arrowKeysMoveByTheModifierStep_data();
    void arrowKeysMoveByTheModifierStep();
    void aClickWalksTowardsIt_data();
    void aClickWalksTowardsIt();
    void theCursorLineTogglesWithoutTrace();
    void spaceSwitchesThePointAndRecalculates();
    void typingOnAVolumeCellAndEnterStores();
    void aDoubleClickOpensTheCellText();
    void downStoresAndMoves();
    void f2LetsTheArrowsMoveTheCaret();
    void escapeLeavesEverythingAsItWas();
    void keysOnTheOtherColumns();
};

void PointsTest::arrowKeysMoveByTheModifierStep_data() {
    QTest::addColumn<int>("from"); // negative: counted from the last point
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("to");
    const int left = Qt::Key_Left, right = Qt::Key_Right;
    const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, none = Qt::NoModifier;
    QTest::newRow("left") << 20 << left << none << 19;
    QTest::newRow("shift left") << 20 << left << shift << 18;
    QTest::newRow("ctrl left") << 20 << left << ctrl << 17;
    QTest::newRow("right") << 20 << right << none << 21;
    QTest::newRow("shift right") << 20 << right << shift << 22;
    QTest::newRow("ctrl right") << 20 << right << ctrl << 23;
    QTest::newRow("left at the first") << 1 << left << none << 1;
    QTest::newRow("shift left at the second") << 2 << left << shift << 2;
    QTest::newRow("shift left at the third") << 3 << left << shift << 1;
    QTest::newRow("ctrl left at the third") << 3 << left << ctrl << 3;
    QTest::newRow("right at the last") << -0 << right << none << -0;
    QTest::newRow("shift right one before the last") << -1 << right << shift << -1;
    QTest::newRow("ctrl right three before the last") << -3 << right << ctrl << -0;
}

void PointsTest::arrowKeysMoveByTheModifierStep() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, to);
    Loaded w;
    const auto point = [&](int k) { return k > 0 ? k : w.n() + k; };
    w.placeCursor(point(from));
    w.key(w.dataPlot(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w.cursor(), point(to));
    QVERIFY(w.cursorAt(point(to)));
    const core::Point& p = w.titration().points[static_cast<std::size_t>(point(to) - 1)];
    QCOMPARE(w.text("DataLabel0"), QString::fromStdString(core::formatNumber(p.Volume, "##0.0#####")));
    // The grid shows the current point's row.
    const QModelIndex row = w.grid()->model()->index(point(to) - 1, 0);
    QVERIFY(w.grid()->viewport()->rect().contains(w.grid()->visualRect(row)));
    // The residual plot passes its keys to the same cursor.
    w.key(w.residualPlot(), Qt::Key_Right);
    QCOMPARE(w.cursor(), std::min(point(to) + 1, w.n()));
}

void PointsTest::aClickWalksTowardsIt_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("onResiduals");
    QTest::newRow("left of the first point") << "left" << false;
    QTest::newRow("right of the last point") << "right" << false;
    QTest::newRow("exactly on point 10") << "on10" << false;
    QTest::newRow("just right of point 45") << "after45" << false;
    QTest::newRow("on the residual plot at point 10") << "on10" << true;
}

void PointsTest::aClickWalksTowardsIt() {
    QFETCH(QString, where);
    QFETCH(bool, onResiduals);
    Loaded w;
    w.placeCursor(30);
    int x = 0, expected = 0;
    if (where == QLatin1String("left")) {
        x = w.px(1) - 20, expected = 1;
    } else if (where == QLatin1String("right")) {
        x = w.px(w.n()) + 3, expected = w.n();
    } else if (where == QLatin1String("on10")) {
        x = w.px(10), expected = 10;
    } else {
        x = w.px(45) + 1, expected = 46; // walking right stops at the first point at or beyond the click
    }
    ui::PlotView* view = onResiduals ? w.residualPlot() : w.dataPlot();
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(x, 60));
    QCOMPARE(w.cursor(), expected);
    QVERIFY(w.cursorAt(expected));
}

void PointsTest::theCursorLineTogglesWithoutTrace() {
    // The line is shown over the drawn plot, never drawn into it: moves leave no trace.
    Loaded w;
    const QImage drawn = w.dataPlot()->picture();
    const QImage residuals = w.residualPlot()->picture();
    const QImage shown = w.dataPlot()->shownImage();
    QVERIFY(w.cursorAt(w.cursor()));
    QVERIFY(shown != drawn);
    w.key(w.dataPlot(), Qt::Key_Right);
    QVERIFY(!w.cursorAt(w.cursor() - 1));
    QVERIFY(w.cursorAt(w.cursor()));
    w.key(w.dataPlot(), Qt::Key_Left);
    QCOMPARE(w.dataPlot()->picture(), drawn);
    QCOMPARE(w.residualPlot()->picture(), residuals);
    QCOMPARE(w.dataPlot()->shownImage(), shown);
    // A redraw (a new size) shows the line once at the same point.
    w.tamo->resize(w.tamo->width() + 40, w.tamo->height() + 30);
    QApplication::processEvents();
    QVERIFY(w.cursorAt(w.cursor()));
}

void PointsTest::spaceSwitchesThePointAndRecalculates() {
    Loaded w;
    const int k = 40;
    QVERIFY(w.titration().points[k - 1].UsePoint);
    w.placeCursor(k);
    const QString e0 = w.text("E0Value") + w.text("E0sd") + w.text("Values6");
    w.key(w.dataPlot(), Qt::Key_Space);

    QVERIFY(!w.titration().points[k - 1].UsePoint);
    QCOMPARE(w.cell(k, ui::ColUse), QStringLiteral("x"));
    QCOMPARE(w.text("Chosen"), QStringLiteral("ignore"));
    QCOMPARE(textColour(w.find<QLabel>("Chosen")), QColor(255, 0, 255));
    QCOMPARE(w.pixel(w.dataPlot(), w.device(k) + QPoint(3, 0)), QColor(255, 0, 255));
    QVERIFY(w.cursorAt(k));
    // Recalculated without the point: the engine on the same file and flags agrees.
    core::Titration expected;
    core::RecordingSink sink;
    QVERIFY(io::ReadDataFile(w.titration().DataFilePath, expected, sink));
    QVERIFY(core::runCalibration(expected, {}, sink).calculated());
    expected.points[k - 1].UsePoint = false;
    QVERIFY(core::runCalibration(expected, {}, sink, {core::RunFrom::Calculation}).calculated());
    QCOMPARE(w.text("E0Value"), QString::fromStdString(expected.captions.E0Value));
    QCOMPARE(w.text("Values6"), QString::fromStdString(expected.captions.Values6));
    QVERIFY(w.text("E0Value") + w.text("E0sd") + w.text("Values6") != e0);

    w.key(w.dataPlot(), Qt::Key_Return);
    QVERIFY(w.titration().points[k - 1].UsePoint);
    QCOMPARE(w.cell(k, ui::ColUse), QString());
    QCOMPARE(w.text("Chosen"), QStringLiteral("use"));
    QCOMPARE(w.pixel(w.dataPlot(), w.device(k) + QPoint(3, 0)), QColor(0, 0, 255));
}

void PointsTest::typingOnAVolumeCellAndEnterStores() {
    Loaded w;
    const QString results = w.text("E0Value") + w.text("GranLabel6");
    w.selectCell(5, ui::ColVolume);
    w.key(w.grid(), Qt::Key_5);
    QVERIFY(w.editor()->isVisible());
    QCOMPARE(w.editor()->text(), QStringLiteral("5"));
    QCOMPARE(w.editor()->cursorPosition(), 1);
    QCOMPARE(w.editor()->palette().color(QPalette::Base), QColor(0, 255, 255));
    const QRect cell = w.grid()->visualRect(w.grid()->currentIndex());
    QCOMPARE(w.editor()->mapTo(w.tamo->centralWidget(), QPoint()),
             w.grid()->viewport()->mapTo(w.tamo->centralWidget(), cell.topLeft()) + QPoint(0, 1));
    QCOMPARE(w.editor()->width(), cell.width());

    w.key(w.editor(), Qt::Key_Return);
    QVERIFY(!w.editor()->isVisible());
    QVERIFY(w.grid()->hasFocus());
    QCOMPARE(w.titration().points[4].Volume, 5.0);
    QCOMPARE(w.cell(5, ui::ColVolume), QStringLiteral("5"));
    QCOMPARE(w.grid()->currentPoint(), 5);
    QCOMPARE(w.text("E0Value") + w.text("GranLabel6"), results); // nothing recalculated

    // The cell shows the text as typed until the next refill.
    w.selectCell(6, ui::ColEmfObs);
    QTest::keyClicks(w.grid(), "2");
    QTest::keyClicks(w.editor(), "79.5");
    w.key(w.editor(), Qt::Key_Enter);
    QCOMPARE(w.cell(6, ui::ColEmfObs), QStringLiteral("279.5"));
    QCOMPARE(w.titration().points[5].EmfObs, static_cast<double>(279.5f));
    w.tamo->Calculate_Click();
    QCOMPARE(w.cell(6, ui::ColEmfObs), QStringLiteral("279.50"));
}

void PointsTest::aDoubleClickOpensTheCellText() {
    Loaded w;
    w.selectCell(3, ui::ColVolume);
    const QRect cell = w.grid()->visualRect(w.grid()->currentIndex());
    QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY(w.editor()->isVisible());
    QCOMPARE(w.editor()->text(), QStringLiteral("0.25"));
}

void PointsTest::downStoresAndMoves() {
    Loaded w;
    w.selectCell(7, ui::ColEmfObs);
    w.key(w.grid(), Qt::Key_3);
    QTest::keyClicks(w.editor(), "00");
    w.key(w.editor(), Qt::Key_Down);
    QVERIFY(!w.editor()->isVisible());
    QCOMPARE(w.titration().points[6].EmfObs, 300.0);
    QCOMPARE(w.grid()->currentPoint(), 8);
    QCOMPARE(w.grid()->currentColumn(), int(ui::ColEmfObs));
    // A click elsewhere stores too.
    w.key(w.grid(), Qt::Key_1);
    w.box("pKbox")->setFocus();
    QApplication::processEvents();
    QVERIFY(!w.editor()->isVisible());
    QCOMPARE(w.titration().points[7].EmfObs, 1.0);
    // At the first row Up has nowhere to go: it stores and ends the edit all the same.
    w.selectCell(1, ui::ColVolume);
    w.key(w.grid(), Qt::Key_0);
    QTest::keyClicks(w.editor(), ".01");
    w.key(w.editor(), Qt::Key_Up);
    QVERIFY(!w.editor()->isVisible());
    QCOMPARE(w.titration().points[0].Volume, static_cast<double>(0.01f));
    QCOMPARE(w.cell(1, ui::ColVolume), QStringLiteral("0.01"));
    QCOMPARE(w.grid()->currentPoint(), 1);
}

void PointsTest::f2LetsTheArrowsMoveTheCaret() {
    Loaded w;
    w.selectCell(9, ui::ColVolume);
    w.key(w.grid(), Qt::Key_Return);
    QCOMPARE(w.editor()->text(), QStringLiteral("1"));
    w.key(w.editor(), Qt::Key_Backspace);
    QTest::keyClicks(w.editor(), "1.05");
    w.key(w.editor(), Qt::Key_F2);
    QCOMPARE(w.editor()->palette().color(QPalette::Base), QColor(255, 255, 0));
    w.key(w.editor(), Qt::Key_Left);
    w.key(w.editor(), Qt::Key_Left);
    QCOMPARE(w.editor()->cursorPosition(), 2);
    w.key(w.editor(), Qt::Key_Up);
    w.key(w.editor(), Qt::Key_Down);
    QVERIFY(w.editor()->isVisible());
    QCOMPARE(w.grid()->currentPoint(), 9);
    QTest::keyClicks(w.editor(), "2");
    w.key(w.editor(), Qt::Key_F2); // back to cyan: Right now leaves the cell
    QCOMPARE(w.editor()->palette().color(QPalette::Base), QColor(0, 255, 255));
    w.key(w.editor(), Qt::Key_Right);
    QVERIFY(!w.editor()->isVisible());
    QCOMPARE(w.titration().points[8].Volume, static_cast<double>(1.205f));
    QCOMPARE(w.grid()->currentColumn(), int(ui::ColEmfObs));
}

void PointsTest::escapeLeavesEverythingAsItWas() {
    Loaded w;
    const core::Titration before = w.titration();
    w.selectCell(11, ui::ColEmfObs);
    const QString shown = w.cell(11, ui::ColEmfObs);
    w.key(w.grid(), Qt::Key_9);
    w.key(w.editor(), Qt::Key_Escape);
    QVERIFY(!w.editor()->isVisible());
    QVERIFY(w.titration() == before);
    QCOMPARE(w.cell(11, ui::ColEmfObs), shown);
    w.key(w.grid(), Qt::Key_Return);
    w.key(w.editor(), Qt::Key_Escape); // the two-decimal text is not stored back either
    QVERIFY(w.titration() == before);
    QVERIFY(w.dialogs.shown.isEmpty());
}

void PointsTest::keysOnTheOtherColumns() {
    Loaded w;
    const core::Titration before = w.titration();
    for (int column : {int(ui::ColEmfCalc), int(ui::ColPHCalc)}) {
        w.selectCell(12, column);
        w.key(w.grid(), Qt::Key_4);
    }
    QCOMPARE(w.dialogs.beeps, 2);
    QVERIFY(!w.editor()->isVisible());
    QVERIFY(w.titration() == before);

    // Any key on the use cell switches the point at once; nothing is recalculated.
    const int k = 40;
    const QString results = w.text("E0Value") + w.text("Values6");
    w.placeCursor(5); // keep the cursor line away from the mark
    w.selectCell(k, ui::ColUse);
    w.key(w.grid(), Qt::Key_A);
    QVERIFY(!w.titration().points[k - 1].UsePoint);
    QCOMPARE(w.cell(k, ui::ColUse), QStringLiteral("x"));
    QCOMPARE(w.pixel(w.dataPlot(), w.device(k) + QPoint(3, 0)), QColor(255, 0, 255));
    QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       w.grid()->visualRect(w.grid()->currentIndex()).center());
    QVERIFY(w.titration().points[k - 1].UsePoint);
    QCOMPARE(w.pixel(w.dataPlot(), w.device(k) + QPoint(3, 0)), QColor(0, 0, 255));
    QCOMPARE(w.text("E0Value") + w.text("Values6"), results);
}

QTEST_MAIN(PointsTest)
#include "PointsTest.moc"
