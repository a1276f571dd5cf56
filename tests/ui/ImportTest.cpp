// File, Import: the profile, the preview, the columns chosen by a click, the
// conditions asked for, the profile saved for tamo-calibrate, and the import as
// a new titration that Save data writes as a data file.

#include "WindowFixture.h"
#include "core/Format.h"
#include "io/DataFile.h"
#include "ui/ImportDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QTableWidget>
#include <QTimer>

using namespace uitest;

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void anImportIsPreviewedAndLoadedAsANewTitration();
    void aColumnClickedAndTheProfileSavedReadTheSamePointsInTamoCalibrate();
    void afterAnImportTheWindowAsksAboutTheImportedTitration();
};

namespace {

/// The example's points as a titrator report: index, volume, emf, temperature.
QByteArray titratorReport(const core::Titration& t) {
    QByteArray bytes = "$S PC/LIMS V1\n$S MPL V2\n$S Mode 1\t01\tDET U\tV1.0\n";
    for (std::size_t i = 0; i < t.points.size(); ++i)
        bytes += QByteArray::number(static_cast<int>(i) + 1) + "\t" +
                 QByteArray::fromStdString(core::generalNumberText(t.points[i].Volume)) + "\t" +
                 QByteArray::fromStdString(core::generalNumberText(t.points[i].EmfObs)) +
                 "\t25.0\n";
    return bytes + "$E\n$S EP V1\n2.2694\t152.450\t26.121\n$E\n";
}

/// The first `count` points of the titration as a titrator's export: volume,
/// time, emf, temperature.
QByteArray titratorExport(const core::Titration& t, std::size_t count) {
    QByteArray bytes = "V,t,E,T\n";
    for (std::size_t i = 0; i < count && i < t.points.size(); ++i)
        bytes += QByteArray::fromStdString(core::generalNumberText(t.points[i].Volume)) + "," +
                 QByteArray::number(static_cast<int>(i) * 20) + "," +
                 QByteArray::fromStdString(core::generalNumberText(t.points[i].EmfObs)) + ",25\n";
    return bytes;
}

core::Titration example() {
    core::Titration t;
    core::RecordingSink sink;
    static_cast<void>(
        io::ReadDataFile(uitest::example("acid-with-alkali.txt").toStdString(), t, sink));
    return t;
}

/// Clicks the header of column `column` of the preview and chooses the emf in its menu.
void clickAsEmf(ui::ImportDialog& d, int column) {
    QHeaderView* header = d.sourceTable()->horizontalHeader();
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
               header->height() / 2));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    menu->findChild<QAction*>(QStringLiteral("AsEmf"))->trigger();
    menu->close();
}

QString emfShown(const ui::ImportDialog& d, int row) {
    return d.pointsTable()->item(row, 1)->text();
}

/// Answers the import dialog once it shows, by `answer`.
void whenTheDialogShows(const std::function<void(ui::ImportDialog&)>& answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<ui::ImportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(*dialog);
        if (dialog->isVisible()) // a failed check left it open
            dialog->reject();
    });
}

} // namespace

void ImportTest::anImportIsPreviewedAndLoadedAsANewTitration() {
    core::Titration example;
    core::RecordingSink sink;
    QVERIFY(io::ReadDataFile(uitest::example("acid-with-alkali.txt").toStdString(), example, sink));
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    const core::ResultCaptions classic = w.titration().captions;
    const QString report = w.path(QStringLiteral("report.txt"));
    QVERIFY(writeAll(report, titratorReport(example)));

    w.dialogs.openAnswers << report;
    whenTheDialogShows([&](ui::ImportDialog& d) {
        QVERIFY(d.useProfile(QStringLiteral("pclims")));
        QTableWidget* source = d.sourceTable();
        QCOMPARE(source->horizontalHeaderItem(1)->text(), QStringLiteral("2: amount"));
        QCOMPARE(source->horizontalHeaderItem(2)->text(), QStringLiteral("3: emf"));
        QVERIFY(source->item(2, 1)->background() != source->item(2, 0)->background());
        QCOMPARE(source->verticalHeaderItem(2)->text(), QStringLiteral("4")); // the file's line
        QCOMPARE(d.pointsTable()->rowCount(), example.PointCount());
        QVERIFY(!d.canAccept()); // the report holds no conditions
        const std::array<std::string, 4> conditions{example.v0.text, example.v1.text,
                                                    example.Initial.text, example.Burette.text};
        for (int i = 0; i < 4; ++i)
            d.conditionBox(i)->setText(
                QString::fromStdString(conditions[static_cast<std::size_t>(i)]));
        QVERIFY(d.canAccept());
        d.accept();
    });
    w.find<QAction>("Import")->trigger();

    QVERIFY(w.tamo->windowTitle().startsWith(QStringLiteral("TAMO: imported from ") + report));
    QVERIFY(w.tamo->isWindowModified()); // nothing of an import is in a data file yet
    QCOMPARE(w.titration().PointCount(), example.PointCount());
    QCOMPARE(w.titration().captions, classic);
    QVERIFY(readAll(w.settingsFile()).contains("<importprofile>pclims</importprofile>"));

    // Save data asks for a new file: the report is not a data file.
    const QString saved = w.path(QStringLiteral("imported.txt"));
    w.dialogs.saveAnswers << saved;
    w.find<QAction>("SaveData")->trigger();
    QCOMPARE(w.dialogs.saveTitles.size(), 1);
    QVERIFY(readAll(report).startsWith("$S PC/LIMS"));
    core::Titration written;
    QVERIFY(io::ReadDataFile(saved.toStdString(), written, sink));
    QCOMPARE(written.PointCount(), example.PointCount());
    QCOMPARE(w.tamo->windowTitle(), QStringLiteral("TAMO: data from ") + saved + "[*]");
    QVERIFY(!w.tamo->isWindowModified());

    // The next import starts with the profile used last.
    w.dialogs.openAnswers << report;
    QString offered;
    whenTheDialogShows([&](ui::ImportDialog& d) {
        offered = d.profileName();
        d.reject();
    });
    w.find<QAction>("Import")->trigger();
    QCOMPARE(offered, QStringLiteral("pclims"));
}

void ImportTest::aColumnClickedAndTheProfileSavedReadTheSamePointsInTamoCalibrate() {
    const core::Titration t = example();
    Window w;
    w.start();
    const QString source = w.path(QStringLiteral("export.csv"));
    QVERIFY(writeAll(source, titratorExport(t, t.points.size())));
    w.dialogs.openAnswers << source;
    whenTheDialogShows([&](ui::ImportDialog& d) {
        clickAsEmf(d, 3); // the temperature, first
        QCOMPARE(emfShown(d, 0), QStringLiteral("25"));
        QCOMPARE(d.sourceTable()->horizontalHeaderItem(3)->text(), QStringLiteral("4: emf"));
        clickAsEmf(d, 2);
        QCOMPARE(emfShown(d, 0),
                 QString::fromStdString(core::generalNumberText(t.points[0].EmfObs)));
        for (int i = 0; i < 4; ++i)
            d.conditionBox(i)->setText(QStringLiteral("1"));
        d.accept();
    });
    w.find<QAction>("Import")->trigger();
    QCOMPARE(w.titration().PointCount(), t.PointCount());

    const QString profile = w.path(QStringLiteral("titrator.ini"));
    w.dialogs.saveAnswers << profile;
    w.find<QAction>("SaveImportProfile")->trigger();
    QVERIFY(readAll(profile).contains("emf-column = 3"));
    QVERIFY(readAll(w.settingsFile()).contains("titrator.ini"));

    QProcess calibrate;
    calibrate.start(TAMO_CALIBRATE_EXE, {"--import", profile, "--conditions", "25,25,0.02,-0.1",
                                         "--format", "json", source});
    QVERIFY(calibrate.waitForFinished(60000));
    const QJsonArray points =
        QJsonDocument::fromJson(calibrate.readAllStandardOutput())["points"].toArray();
    QCOMPARE(points.size(), t.PointCount());
    for (int i = 0; i < t.PointCount(); ++i) {
        const core::Point& p = w.titration().points[static_cast<std::size_t>(i)];
        // The JSON gives numbers read from text in their shortest single-precision form.
        QCOMPARE(static_cast<float>(points[i]["volume"].toDouble()), static_cast<float>(p.Volume));
        QCOMPARE(static_cast<float>(points[i]["emf"].toDouble()), static_cast<float>(p.EmfObs));
    }
}

void ImportTest::afterAnImportTheWindowAsksAboutTheImportedTitration() {
    const core::Titration t = example();
    Window w;
    w.start(w.copyExample("acid-with-alkali.txt"));
    QVERIFY(!w.text("Verdict").isEmpty());
    // The acid branch alone: the calculation stops with a message.
    const QString source = w.path(QStringLiteral("acid.csv"));
    QVERIFY(writeAll(source, titratorExport(t, 30)));
    QString title, verdict;
    int rows = -1;
    w.dialogs.onMessage = [&](const QString&) {
        title = w.tamo->windowTitle();
        verdict = w.text("Verdict");
        rows = w.grid()->model()->rowCount();
    };
    w.dialogs.openAnswers << source;
    whenTheDialogShows([](ui::ImportDialog& d) {
        const char* const conditions[] = {"25", "25", "0.02", "-0.1"};
        for (int i = 0; i < 4; ++i)
            d.conditionBox(i)->setText(QString::fromLatin1(conditions[i]));
        d.accept();
    });
    w.find<QAction>("Import")->trigger();
    QVERIFY(title.startsWith(QStringLiteral("TAMO: imported from ") + source));
    QCOMPARE(rows, 30);
    QCOMPARE(verdict, QStringLiteral("not calculated")); // not the verdict of before
    QCOMPARE(w.tamo->document().importOrigin()->conditionSources[0], std::string("typed"));

    // Exit and Open ask of the titration, by its identifier, not of the source.
    const QString question =
        QStringLiteral("Save the imported titration \"acid.csv; imported with profile csv\" as a "
                       "data file?");
    w.dialogs.askAnswers << ui::Answer::Cancel << ui::Answer::Cancel;
    w.find<QAction>("Exit")->trigger();
    w.find<QAction>("LoadData")->trigger();
    QCOMPARE(w.dialogs.shown.last().text, question);
    QCOMPARE(w.dialogs.shown[w.dialogs.shown.size() - 2].text, question);
    QVERIFY(w.tamo->isVisible());
}

QTEST_MAIN(ImportTest)
#include "ImportTest.moc"
