// The verdict line, its limits in the settings, and keeping a calibration in the logbook.

#include "WindowFixture.h"
#include "io/Logbook.h"
#include "ui/LimitsDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <functional>

using namespace uitest;

namespace {

/// The records of the electrode in the window's logbook.
std::vector<io::LogbookEntry> keptFor(const Window& w, const char* electrode) {
    io::Logbook logbook;
    std::vector<io::LogbookEntry> entries;
    if (logbook.open(w.path(QStringLiteral("logbook.sqlite")).toStdString()).empty()) {
        const std::string error = logbook.entries(electrode, entries);
        if (!error.empty())
            QTest::qFail(error.c_str(), __FILE__, __LINE__);
    }
    return entries;
}

} // namespace

class VerdictTest : public QObject {
    Q_OBJECT
private slots:
    void theVerdictFollowsTheLimits();
    void aCalibrationIsKeptInTheLogbook();
    void onlyAConvergedCalibrationIsKept();
    void aRecordHoldsWhatWasCalculated();
    void theSameCalibrationIsRefusedAfterARecalculation();
    void whatCannotBeKeptIsRefusedBeforeTheDialog();
    void limitsAreReadAsTyped();
};

void VerdictTest::theVerdictFollowsTheLimits() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    QCOMPARE(w.text("Verdict"), QStringLiteral("electrode OK"));
    QCOMPARE(textColour(w.find<QLabel>("Verdict")), QColor(0, 128, 0));

    core::VerdictLimits strict;
    strict.slopeFactorMin = 0.9995;
    strict.rmsMax = 0.04;
    w.dialogs.newLimits = strict;
    w.find<QAction>("Settings")->trigger();
    const QString text = w.find<QLabel>("Verdict")->toolTip();
    QVERIFY2(text.startsWith("check electrode: slope factor 0.9992 is below 0.9995; rms residual"),
             qPrintable(text));
    QCOMPARE(textColour(w.find<QLabel>("Verdict")), QColor(255, 0, 0));
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

    const std::vector<io::LogbookEntry> entries = keptFor(w, "glass 7");
    QCOMPARE(entries.size(), std::size_t(1));
    const io::LogbookRecord& r = entries.front().record;
    QCOMPARE(r.dataFile, file.toStdString());
    QCOMPARE(r.E0, *w.titration().results.E0);
    QCOMPARE(r.pointsUsed, w.titration().UsedCount());
    QVERIFY(r.verdict.ok());
    QCOMPARE(r.programVersion, std::string(TAMO_VERSION));
    QCOMPARE(r.dataSha256.size(), std::size_t(64));
    // Local time with its offset, as every time of a record.
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"))
                 .match(QString::fromStdString(r.measuredAt))
                 .hasMatch(),
             r.measuredAt.c_str());

    // A foreign file where the logbook should be: refused with a message, left as it was.
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
    QVERIFY(
        writeAll(file, "acid only\r\n25 25 0.02 -0.1\r\n0 283.17\r\n0.5 280.2\r\n1 276.83\r\n"));
    w.start(file);
    QCOMPARE(w.text("Verdict"), QString());
    const int shown = w.dialogs.messages().size();
    w.tamo->AddToLogbook_Click();
    QCOMPARE(w.dialogs.messages().size(), shown + 1);
    QVERIFY(
        w.dialogs.messages().last().startsWith("Only a calibration whose refinement converged"));
    QVERIFY(!QFile::exists(w.path(QStringLiteral("logbook.sqlite"))));
}

void VerdictTest::aRecordHoldsWhatWasCalculated() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    ui::TitrationDocument& doc = w.tamo->document();
    // One emf corrected, one point switched, recalculated, nothing saved; then a
    // temperature typed that no calculation has used.
    doc.setEmf(12, doc.titration().points[11].EmfObs + 0.5, "x");
    doc.switchPoint(5);
    w.tamo->Calculate_Click();
    const double e0 = *doc.titration().results.E0;
    doc.setInput(ui::InputBox::Tbox, "20");
    w.dialogs.details = [](ui::RecordDetails& d) {
        d.electrode = QStringLiteral("Glass 7");
        d.comment = QStringLiteral("after cleaning");
        return true;
    };
    w.tamo->AddToLogbook_Click();
    const QString first = w.dialogs.messages().last();
    QVERIFY2(first.startsWith("The calibration was added"), qPrintable(first));
    QVERIFY(!w.dialogs.offeredDetails.last().operatorName.isEmpty());
    // The same again: asked first, and not kept when the answer is No.
    w.dialogs.questionAnswers << false;
    w.tamo->AddToLogbook_Click();
    QVERIFY(w.dialogs.shown.last().text.contains("holds this calibration already, as record 1"));

    const std::vector<io::LogbookEntry> entries = keptFor(w, "glass 7");
    QCOMPARE(entries.size(), std::size_t(1));
    const io::LogbookRecord& r = entries.front().record;
    QCOMPARE(r.temperature, 25.0);
    QCOMPARE(r.E0, e0);
    QVERIFY(r.edited);
    QCOMPARE(r.electrode, std::string("Glass 7"));
    QCOMPARE(r.comment, std::string("after cleaning"));
    QCOMPARE(r.measuredAt.empty(), false);

    // A stopped calculation (no point in use) cannot be kept.
    for (int i = 1; i <= doc.titration().PointCount(); ++i)
        if (doc.titration().points[static_cast<std::size_t>(i - 1)].UsePoint)
            doc.switchPoint(i);
    const int shown = w.dialogs.messages().size();
    w.tamo->Calculate_Click();
    QVERIFY(!doc.calculated());
    w.tamo->AddToLogbook_Click();
    QVERIFY(w.dialogs.messages().size() > shown);
    QCOMPARE(w.dialogs.messages().last(), ui::kNoResultsMessage);
}

void VerdictTest::theSameCalibrationIsRefusedAfterARecalculation() {
    const struct {
        const char* name;
        bool refineGamma;
        std::function<void(Window&)> recalculate;
    } cases[] = {
        {"Calculate", false, [](Window& w) { w.tamo->Calculate_Click(); }},
        {"Enter in the T box", false, [](Window& w) { w.enterIn("Tbox", QStringLiteral("25.0")); }},
        {"Calculate with Gamma refined", true, [](Window& w) { w.tamo->Calculate_Click(); }},
    };
    for (const auto& c : cases) {
        Window w;
        w.start(w.copyExample("acid-with-alkali.txt"));
        core::RecordingSink sink;
        if (c.refineGamma)
            w.tamo->document().setRefineGamma(true, sink);
        w.dialogs.textAnswers << QStringLiteral("glass 7") << QStringLiteral("glass 7");
        w.tamo->AddToLogbook_Click();
        QVERIFY2(w.dialogs.messages().last().startsWith("The calibration was added"), c.name);
        c.recalculate(w);
        w.dialogs.questionAnswers << false;
        w.tamo->AddToLogbook_Click();
        QVERIFY2(w.dialogs.shown.last().kind == QLatin1String("question") &&
                     w.dialogs.shown.last().text.contains("holds this calibration already, as "
                                                          "record 1"),
                 c.name);
        QCOMPARE(keptFor(w, "glass 7").size(), std::size_t(1));
    }
}

void VerdictTest::whatCannotBeKeptIsRefusedBeforeTheDialog() {
    const QString calculateFirst = QStringLiteral("calculate it first");
    const struct {
        const char* name;
        std::function<void(ui::TitrationDocument&, core::MessageSink&)> change;
        QString refusal;
    } cases[] = {
        {"an emf corrected, not calculated",
         [](ui::TitrationDocument& d, core::MessageSink&) {
             d.setEmf(12, d.titration().points[11].EmfObs + 0.5, "x");
         },
         calculateFirst},
        {"a point switched in the grid",
         [](ui::TitrationDocument& d, core::MessageSink&) { d.switchPoint(5); }, calculateFirst},
        {"pKw refined",
         [](ui::TitrationDocument& d, core::MessageSink& sink) { d.setRefinePKw(true, sink); },
         QString::fromLatin1(io::kNotReproducible)},
        {"the acid range alone",
         [](ui::TitrationDocument& d, core::MessageSink& sink) {
             d.setBranch(core::Branch::Acid, sink);
         },
         QString::fromLatin1(io::kNotReproducible)},
    };
    for (const auto& c : cases) {
        Window w;
        w.start(w.copyExample("acid-with-alkali.txt"));
        core::RecordingSink sink;
        c.change(w.tamo->document(), sink);
        w.dialogs.textAnswers << QStringLiteral("glass 7");
        w.tamo->AddToLogbook_Click();
        QVERIFY2(w.dialogs.offeredDetails.isEmpty(), c.name);
        QVERIFY2(w.dialogs.messages().last().contains(c.refusal),
                 qPrintable(w.dialogs.messages().last()));
        QVERIFY(!QFile::exists(w.path(QStringLiteral("logbook.sqlite"))));
    }
}

void VerdictTest::limitsAreReadAsTyped() {
    const std::pair<const char*, std::optional<double>> typed[] = {
        {"1e3", 1000},
        {" 0,9512 ", 0.9512},
        {"+2", 2},
        {"13", 13},
        {"1e", std::nullopt},
        {"1 3", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, value] : typed)
        QVERIFY2(ui::typedLimit(QString::fromLatin1(text)) == value, text);

    ui::LimitsDialog dialog(core::VerdictLimits{});
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    const auto type = [&](const char* box, const char* text) {
        dialog.findChild<QLineEdit*>(QString::fromLatin1(box))->setText(QString::fromLatin1(text));
    };
    type("SlopeFactorMin", "0.9512");
    type("E0Min", "1e3");
    QVERIFY(ok->isEnabled());
    QCOMPARE(dialog.limits().slopeFactorMin, 0.9512);
    QCOMPARE(dialog.limits().e0Min, std::optional<double>(1000));
    QCOMPARE(dialog.limits().e0Max, std::optional<double>());
    for (const auto& [box, text] : {std::pair{"RmsMax", "0"}, std::pair{"SlopeFactorMin", "1.1"},
                                    std::pair{"E0Max", "999"}, std::pair{"ImpurityMin", "x"}}) {
        ui::LimitsDialog fresh(dialog.limits());
        fresh.findChild<QLineEdit*>(QString::fromLatin1(box))->setText(QString::fromLatin1(text));
        QVERIFY2(!fresh.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled(),
                 box);
        QVERIFY(!fresh.findChild<QLabel*>("LimitsProblem")->text().isEmpty());
    }
}

QTEST_MAIN(VerdictTest)
#include "VerdictTest.moc"
