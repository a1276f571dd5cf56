// File, Import: the profile, the preview, the conditions asked for, and the
// import as a new titration that Save data writes as a data file.

#include "WindowFixture.h"
#include "core/Format.h"
#include "io/DataFile.h"
#include "ui/ImportDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QTimer>

using namespace uitest;

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void anImportIsPreviewedAndLoadedAsANewTitration();
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

QTEST_MAIN(ImportTest)
#include "ImportTest.moc"
