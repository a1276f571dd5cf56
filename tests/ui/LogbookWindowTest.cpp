// The logbook window: the records of an electrode in a table, withdrawing one, the trend
// plots with their control lines and the drift warning, the CSV export, a foreign file,
// and the Results menu item that opens the window.

#include "ui/LogbookWindow.h"

#include "LogbookFiles.h"
#include "SampleRecord.h"
#include "WindowFixture.h"
#include "core/Locale.h"
#include "io/Logbook.h"
#include "ui/LogbookTableModel.h"
#include "ui/TrendPlotView.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTimeZone>

using namespace uitest;
using Model = ui::LogbookTableModel;

namespace {

/// Noon of the day after 2026-01-05, at an offset of whole hours.
QDateTime day(int d, int hour = 12, int offsetHours = 1) {
    return QDateTime(QDate(2026, 1, 5).addDays(d), QTime(hour, 0), QTimeZone(offsetHours * 3600));
}

io::LogbookRecord record(const QDateTime& at, double e0, double slopeFactor = 1,
                         const std::string& electrode = "glass 7") {
    io::LogbookRecord r = logbooktest::sampleRecord(at.date().day(), electrode);
    r.recordedAt = at.toString(Qt::ISODate).toStdString();
    if (r.reproducible)
        r.measuredAt = r.recordedAt;
    r.E0 = e0;
    r.slopeFactor = slopeFactor;
    r.identifier = "run " + at.toString(Qt::ISODate).toStdString();
    r.dataFile = "/data/" + r.identifier + ".txt";
    return r;
}

/// Records a week apart with these E0 and slope factors (1 where none is given).
std::vector<io::LogbookRecord> weekly(const std::vector<double>& e0,
                                      const std::vector<double>& slopeFactor = {}) {
    std::vector<io::LogbookRecord> records;
    for (std::size_t i = 0; i < e0.size(); ++i)
        records.push_back(record(day(7 * static_cast<int>(i)), e0[i],
                                 i < slopeFactor.size() ? slopeFactor[i] : 1));
    return records;
}

/// A scratch logbook and a logbook window on it, its dialogs answered by a script.
struct Fixture {
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::LogbookWindow> window;

    QString path() const { return folder.filePath(QStringLiteral("logbook.sqlite")); }

    /// Adds the records, alike or not; the ids they get, in order.
    std::vector<long long> add(std::vector<io::LogbookRecord> records) {
        io::Logbook logbook;
        std::vector<long long> ids;
        if (!logbook.open(path().toStdString()).empty())
            return ids;
        for (io::LogbookRecord& r : records)
            if (logbook.add(r, io::Logbook::Duplicates::Keep).empty())
                ids.push_back(r.id);
        return ids;
    }

    std::vector<io::LogbookEntry> entries(const std::string& electrode = "glass 7") const {
        io::Logbook logbook;
        std::vector<io::LogbookEntry> found;
        if (logbook.open(path().toStdString()).empty()) {
            const std::string error = logbook.entries(electrode, found);
            if (!error.empty())
                QTest::qFail(error.c_str(), __FILE__, __LINE__);
        }
        return found;
    }

    ui::LogbookWindow& open() {
        window = std::make_unique<ui::LogbookWindow>(dialogs, path());
        window->reload();
        window->show();
        QApplication::processEvents();
        return *window;
    }

    template <typename T> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QTableView* table() const { return find<QTableView>("LogbookTable"); }
    /// The text of a cell as the table shows it, in its present order.
    QString cell(int row, int column) const {
        return table()->model()->index(row, column).data().toString();
    }
    QColor colour(int row, int column) const {
        return table()->model()->index(row, column).data(Qt::ForegroundRole).value<QColor>();
    }
    ui::TrendPlotView* e0Plot() const { return find<ui::TrendPlotView>("E0Trend"); }
    void clickHeader(int column) const {
        QHeaderView* header = table()->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                   header->height() / 2));
    }
    /// Selects the row showing the record with the id.
    void select(long long id) const {
        const ui::LogbookTableModel& model = window->tableModel();
        auto* proxy = qobject_cast<QAbstractProxyModel*>(table()->model());
        table()->selectRow(proxy->mapFromSource(model.index(model.rowOf(id), 0)).row());
    }
};

const QColor kGrey(160, 160, 160);

/// How many pixels of the picture's row y, across the data area, have the colour.
int pixelsInRow(const ui::TrendPlotView& plot, int y, QColor colour) {
    const plot::PlotGeometry& g = plot.plotGeometry();
    int count = 0;
    for (int x = g.PlotLeft; x <= g.PlotRight; ++x)
        count += plot.picture().pixelColor(x, y) == colour;
    return count;
}

} // namespace

class LogbookWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theTableShowsTheElectrodeWithTheLatestRecord();
    void aHeaderClickSortsByTheValueNotTheText();
    void withdrawingAsksForAReasonAndKeepsTheRecord();
    void theDriftWarningFollowsTheLastThreeKeptRecords();
    void theExportWritesACsvFileThatReadsBack();
    void aForeignFileIsRefusedAndAMissingOneIsEmpty();
    void theMenuItemOpensOneLogbookWindow();
    void recordsThatBreakARuleAreNamed();
    void theTrendsAreSavedAndTheLogbookPrinted();
    void aDamagedLogbookShowsTheRecordsThatCanBeRead();
};

void LogbookWindowTest::theTableShowsTheElectrodeWithTheLatestRecord() {
    const core::ScopedDecimalSeparator comma(',');
    Fixture f;
    io::LogbookRecord latest = record(day(30), 401.234, 0.99871, "b 2");
    latest.E0sd = 0.0234;
    f.add({record(day(0), 399, 1, "A 1"), record(day(10), 400, 1, "b 2"),
           record(day(20), 402, 1, "A 1"), latest, record(day(40, 12, -5), 398, 1, "c 3")});
    f.open();
    auto* electrodes = f.find<QComboBox>("Electrode");
    QCOMPARE(electrodes->count(), 3);
    QCOMPARE(electrodes->itemText(0), QStringLiteral("A 1"));
    QCOMPARE(f.window->electrode(), QStringLiteral("c 3"));
    QCOMPARE(f.table()->model()->rowCount(), 1);

    electrodes->setCurrentText(QStringLiteral("b 2"));
    QCOMPARE(f.table()->model()->rowCount(), 2);
    // Newest first; numbers as the results frames show them, with the locale's separator.
    QCOMPARE(f.cell(0, Model::Date), QStringLiteral("2026-02-04 12:00"));
    QCOMPARE(f.cell(0, Model::E0), QStringLiteral("401,23 \u00B1 0,02"));
    QCOMPARE(f.cell(0, Model::SlopeFactor), QStringLiteral("0,9987"));
    QCOMPARE(f.cell(1, Model::Date), QStringLiteral("2026-01-15 12:00"));
    QCOMPARE(f.find<QLabel>("RecordCount")->text(), QStringLiteral("2 records, 0 withdrawn"));
    QCOMPARE(f.e0Plot()->trend().marks.size(), std::size_t(2));
}

void LogbookWindowTest::aHeaderClickSortsByTheValueNotTheText() {
    Fixture f;
    // 23:00 at UTC-5 is later than 01:00 the next day at UTC+1, though its text sorts first.
    f.add({record(day(0, 23, -5), 95), record(day(1, 1, 1), -20), record(day(2), 400),
           record(day(3), 1000)});
    f.open();
    const struct {
        int column;
        QStringList ascending;
    } cases[] = {
        {Model::E0, {"-20", "95", "400", "1000"}},
        {Model::Date, {"-20", "95", "400", "1000"}}, // by the moment, not the text
    };
    for (const auto& c : cases) {
        for (int click = 0; click < 2; ++click) {
            f.clickHeader(c.column);
            QCOMPARE(f.table()->horizontalHeader()->sortIndicatorSection(), c.column);
            QStringList shown;
            for (int row = 0; row < 4; ++row)
                shown << f.cell(row, Model::E0).section(QLatin1Char(' '), 0, 0).section('.', 0, 0);
            QStringList expected = c.ascending;
            if (f.table()->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder)
                std::reverse(expected.begin(), expected.end());
            QCOMPARE(shown, expected);
        }
    }
}

void LogbookWindowTest::withdrawingAsksForAReasonAndKeepsTheRecord() {
    Fixture f;
    const std::vector<double> e0 = {400.1, 399.9, 400.3, 460, 400.0, 399.7};
    const std::vector<long long> ids = f.add(weekly(e0));
    QCOMPARE(ids.size(), e0.size());
    f.open();
    auto* withdraw = f.find<QPushButton>("Withdraw");
    QVERIFY(!withdraw->isEnabled()); // nothing selected

    // No reason: nothing is withdrawn. A reason: the record stays, greyed, with it.
    f.select(ids[3]);
    f.dialogs.textAnswers << QStringLiteral("  ") << QStringLiteral("wrong titrant");
    QTest::mouseClick(withdraw, Qt::LeftButton);
    QVERIFY(!f.entries()[3].withdrawn());
    QTest::mouseClick(withdraw, Qt::LeftButton);
    const std::vector<io::LogbookEntry> entries = f.entries();
    QCOMPARE(entries.size(), e0.size());
    QCOMPARE(entries[3].withdrawal.value_or(io::Withdrawal{}).reason, std::string("wrong titrant"));
    QVERIFY(f.dialogs.messages().isEmpty());

    const int row = f.table()->selectionModel()->selectedRows().value(0).row();
    QCOMPARE(f.table()->model()->rowCount(), static_cast<int>(e0.size()));
    QCOMPARE(f.cell(row, Model::WithdrawalReason), QStringLiteral("wrong titrant"));
    QCOMPARE(f.colour(row, Model::E0), kGrey);
    QVERIFY(f.colour(row == 0 ? 1 : 0, Model::E0) != kGrey);
    QVERIFY(!withdraw->isEnabled()); // a record is withdrawn once

    // The control lines are those of the five kept records, and the picture has them.
    std::vector<core::TrendPoint> kept;
    for (std::size_t i = 0; i < e0.size(); ++i)
        if (i != 3)
            kept.push_back({e0[i], false});
    const core::ControlLines lines = core::controlLines(kept).value();
    QCOMPARE(f.e0Plot()->trend().summary.lines, std::optional(lines));
    const plot::PlotGeometry& g = f.e0Plot()->plotGeometry();
    const int width = g.PlotRight - g.PlotLeft + 1;
    const std::pair<double, QColor> drawn[] = {{lines.mean, QColor(0, 128, 0)},
                                               {lines.lower(), QColor(255, 0, 0)},
                                               {lines.upper(), QColor(255, 0, 0)}};
    for (const auto& [value, colour] : drawn)
        QVERIFY(pixelsInRow(*f.e0Plot(), *g.YPix(value), colour) > width * 9 / 10);
}

void LogbookWindowTest::theDriftWarningFollowsTheLastThreeKeptRecords() {
    // Fourteen steady records first: the rises count in the standard deviation they are
    // measured against, and with few records before them they cannot exceed it.
    const std::vector<double> steady = {400,   400.2, 399.9, 400.1, 400, 399.8, 400.1,
                                        400.2, 399.9, 400,   400.1, 400, 399.9, 400.2};
    const auto then = [](std::vector<double> v, std::initializer_list<double> tail) {
        v.insert(v.end(), tail);
        return v;
    };
    const QString rise = "Drift: E0 rose by more than one standard deviation at each of the last "
                         "three kept records.";
    const struct {
        const char* name;
        std::vector<double> e0, slopeFactor;
        int withdrawn; ///< index of a withdrawn record, or -1
        QString warning;
    } cases[] = {
        {"steady", then(steady, {400.1, 400, 399.9}), {}, -1, {}},
        {"E0 rising", then(steady, {405, 410, 415}), {}, -1, rise},
        {"E0 rising, slope factor falling", then(steady, {405, 410, 415}),
         then(std::vector<double>(14, 1.0), {0.98, 0.96, 0.94}), -1,
         rise + "\nDrift: the slope factor fell by more than one standard deviation at each of "
                "the last three kept records."},
        {"the last rise withdrawn", then(steady, {399.9, 405, 410, 415}), {}, 17, {}},
    };
    for (const auto& c : cases) {
        Fixture f;
        const std::vector<long long> ids = f.add(weekly(c.e0, c.slopeFactor));
        if (c.withdrawn >= 0) {
            io::Logbook logbook;
            QCOMPARE(logbook.open(f.path().toStdString()), std::string());
            QCOMPARE(logbook.withdraw(ids[static_cast<std::size_t>(c.withdrawn)], "spilt"),
                     std::string());
        }
        f.open();
        QVERIFY2(f.find<QLabel>("DriftWarning")->text() == c.warning, c.name);
        QCOMPARE(f.find<QLabel>("DriftWarning")->isVisible(), !c.warning.isEmpty());
    }
}

void LogbookWindowTest::theExportWritesACsvFileThatReadsBack() {
    const struct {
        char separator;
        const char* answer;
        const char* written;
        QString fieldSeparator;
        QString value;
    } cases[] = {
        {',', "records", "records.csv", ";", "400,5"},
        {'.', "records.txt", "records.txt", ",", "400.5"},
    };
    for (const auto& c : cases) {
        const core::ScopedDecimalSeparator separator(c.separator);
        Fixture f;
        f.add({record(day(0), 400.5), record(day(1), 401.25)});
        f.open();
        f.dialogs.saveAnswers << f.folder.filePath(QString::fromLatin1(c.answer));
        QTest::mouseClick(f.find<QPushButton>("ExportCsv"), Qt::LeftButton);
        QCOMPARE(f.dialogs.messages(), QStringList());
        const QStringList lines = QString::fromUtf8(readAll(f.folder.filePath(c.written)))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("id") + c.fieldSeparator + "date"));
        const qsizetype e0Column = lines[0].split(c.fieldSeparator).indexOf("E0");
        QCOMPARE(lines[1].split(c.fieldSeparator).value(e0Column), c.value);
    }

    // A file that cannot be written: the reason in a message.
    Fixture f;
    f.add({record(day(0), 400.5)});
    f.open();
    f.dialogs.saveAnswers << f.folder.filePath(QStringLiteral("no folder/records.csv"));
    f.window->exportCsv();
    QCOMPARE(f.dialogs.messages().size(), 1);
    QVERIFY(f.dialogs.messages().first().contains(QStringLiteral("records.csv")));
}

void LogbookWindowTest::aForeignFileIsRefusedAndAMissingOneIsEmpty() {
    const struct {
        const char* name;
        QByteArray content; ///< empty: no file
        QString message;
    } cases[] = {
        {"foreign", "not a logbook, just text", "is not a TAMO logbook"},
        {"missing", {}, {}},
    };
    for (const auto& c : cases) {
        Fixture f;
        if (!c.content.isEmpty())
            QVERIFY(writeAll(f.path(), c.content));
        f.open();
        QCOMPARE(f.dialogs.messages().size(), c.message.isEmpty() ? 0 : 1);
        if (!c.message.isEmpty())
            QVERIFY2(f.dialogs.messages().first().contains(c.message), c.name);
        QCOMPARE(f.find<QComboBox>("Electrode")->count(), 0);
        QCOMPARE(f.table()->model()->rowCount(), 0);
        QVERIFY(!f.find<QPushButton>("ExportCsv")->isEnabled());
        QCOMPARE(readAll(f.path()), c.content); // left as it was, or not made
        QCOMPARE(QFile::exists(f.path()), !c.content.isEmpty());
    }
}

void LogbookWindowTest::theMenuItemOpensOneLogbookWindow() {
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    w.dialogs.textAnswers << QStringLiteral("glass 7");
    w.find<QAction>("AddToLogbook")->trigger();
    w.find<QAction>("Logbook")->trigger();
    auto* window = w.tamo->findChild<ui::LogbookWindow*>();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    QCOMPARE(window->electrode(), QStringLiteral("glass 7"));
    QCOMPARE(window->tableModel().rowCount(), 1);

    // Opened again: the same window, the logbook read afresh. The same calibration
    // again is added only when the user says so.
    w.dialogs.textAnswers << QStringLiteral("glass 7");
    w.dialogs.questionAnswers << true;
    w.tamo->AddToLogbook_Click();
    window->close();
    w.find<QAction>("Logbook")->trigger();
    QCOMPARE(w.tamo->findChildren<ui::LogbookWindow*>().size(), 1);
    QVERIFY(window->isVisible());
    QCOMPARE(window->tableModel().rowCount(), 2);
}

void LogbookWindowTest::recordsThatBreakARuleAreNamed() {
    // Twelve steady records, then eleven rising by 1.5 to 2.5 mV each.
    std::vector<double> e0;
    for (int i = 0; i < 12; ++i)
        e0.push_back(400 + (i % 3 - 1) * 0.3);
    for (int i = 0; i < 11; ++i)
        e0.push_back(e0.back() + 1.5 + (i % 3) * 0.5);
    Fixture f;
    const std::vector<long long> ids = f.add(weekly(e0));
    f.open();
    const QStringList lines = f.find<QLabel>("RuleFlags")->text().split('\n');
    QCOMPARE(lines.size(), 11);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Record %1 (measured ").arg(ids[12])),
             qPrintable(lines.first()));
    QVERIFY(lines.first().endsWith("E0 beyond 3 sd"));
    // Every rule a record breaks, not only the first.
    const QString all = QStringLiteral(
        "E0 beyond 3 sd, 2 of 3 beyond 2 sd on the same side, 6 in a row rising or falling");
    QVERIFY2(lines.last().endsWith(": " + all), qPrintable(lines.last()));
    const Model& model = f.window->tableModel();
    QCOMPARE(model.text(11, Model::ControlRules), QString());
    QCOMPARE(model.text(22, Model::ControlRules), all);
    QCOMPARE(model.text(22, Model::Id), QString::number(ids[22]));

    // A baseline of all the records takes the rise in: fewer records stand out.
    f.find<QSpinBox>("BaselineCount")->setValue(23);
    QVERIFY(f.find<QLabel>("RuleFlags")->text().split('\n').size() < 11);
}

void LogbookWindowTest::theTrendsAreSavedAndTheLogbookPrinted() {
    Fixture f;
    const std::vector<long long> ids =
        f.add(weekly({400, 400.2, 399.9, 400.1, 400, 399.8, 400.1, 400.2, 399.9, 400, 409}));
    f.open();
    const std::pair<const char*, QByteArray> files[] = {
        {"trends.svg", "<?xml"}, {"trends.png", "\x89PNG"}, {"trends.pdf", "%PDF"}};
    for (const auto& [name, start] : files) {
        f.dialogs.saveAnswers << f.folder.filePath(QString::fromLatin1(name));
        QTest::mouseClick(f.find<QPushButton>("SaveTrends"), Qt::LeftButton);
        QVERIFY2(readAll(f.folder.filePath(QString::fromLatin1(name))).startsWith(start), name);
    }
    const QString pdf = f.folder.filePath(QStringLiteral("logbook.pdf"));
    f.dialogs.printer = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    };
    QTest::mouseClick(f.find<QPushButton>("PrintLogbook"), Qt::LeftButton);
    QVERIFY(f.dialogs.messages().isEmpty());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains("TAMO: Logbook of electrode \"glass 7\""), qPrintable(printed));
    QVERIFY(
        printed.contains(QRegularExpression(QStringLiteral("\\n\\s*%1\\s+2026-").arg(ids[10]))));
    QVERIFY(printed.contains("E0 beyond 3 sd"));
    QVERIFY(printed.contains("days since 2026-01-05")); // the trend plots' page
}

void LogbookWindowTest::aDamagedLogbookShowsTheRecordsThatCanBeRead() {
    Fixture f;
    std::vector<double> e0(29);
    for (std::size_t i = 0; i < e0.size(); ++i)
        e0[i] = 400 + 0.1 * static_cast<double>(i % 4);
    QCOMPARE(f.add(weekly(e0)).size(), e0.size());
    QVERIFY(logbooktest::damagePointTable(f.path().toStdString()));
    f.open();
    // One warning naming the file and what cannot be read, SQLite's findings beneath it.
    QCOMPARE(f.dialogs.shown.size(), 1);
    const QString warning = f.dialogs.shown[0].text;
    const QRegularExpressionMatch counted =
        QRegularExpression(QStringLiteral("^The logbook \"%1\" is damaged: (\\d+) of 29 records "
                                          "cannot be read, and nothing is written to it$")
                               .arg(QRegularExpression::escape(f.path())))
            .match(warning);
    QVERIFY2(counted.hasMatch(), qPrintable(warning));
    const int unreadable = counted.captured(1).toInt();
    QVERIFY(unreadable >= 1 && unreadable < 29);
    QCOMPARE(f.dialogs.warningDetails.size(), 1);
    QVERIFY(!f.dialogs.warningDetails[0].isEmpty());
    QCOMPARE(f.find<QLabel>("LogbookWarning")->text(), warning);
    QVERIFY(f.find<QLabel>("LogbookWarning")->isVisible());
    QCOMPARE(f.table()->model()->rowCount(), 29 - unreadable);

    // Nothing is written to it; the warning is not shown again.
    f.select(f.window->tableModel().entries().front().record.id);
    f.dialogs.textAnswers << QStringLiteral("cracked");
    QTest::mouseClick(f.find<QPushButton>("Withdraw"), Qt::LeftButton);
    QCOMPARE(f.dialogs.messages().last(), warning);
    f.window->reload();
    QCOMPARE(f.dialogs.shown.size(), 2);
}

QTEST_MAIN(LogbookWindowTest)
#include "LogbookWindowTest.moc"
