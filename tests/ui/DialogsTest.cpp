// The desktop's dialogs as the window uses them, answered by the test through
// their widgets.

#include "ui/Dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

/// Runs `act` on the first top-level widget of type T once it is shown (a modal dialog).
template <typename T> void whenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
                timer->deleteLater();
                timer->stop();
                act(dialog);
                return;
            }
    });
    timer->start(20);
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void aNameWithoutEndingIsAskedAboutWithItsEnding();
    void failuresShowTheWarningIcon();
};

void DialogsTest::aNameWithoutEndingIsAskedAboutWithItsEnding() {
    QTemporaryDir folder;
    QFile existing(folder.filePath(QStringLiteral("run2.txt")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    ui::QtDialogs dialogs;
    QString suffix, overwriteQuestion;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        suffix = dialog->defaultSuffix();
        whenShown<QMessageBox>([&](QMessageBox* box) {
            overwriteQuestion = box->text();
            box->reject(); // No: not replaced
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("run2"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const QString chosen = dialogs.saveFileName(nullptr, QStringLiteral("Save"), folder.path(),
                                                {QStringLiteral("TAMO data (*.txt)")}, nullptr);
    QCOMPARE(suffix, QStringLiteral("txt"));
    QVERIFY2(overwriteQuestion.contains(QStringLiteral("run2.txt")), qPrintable(overwriteQuestion));
    QCOMPARE(chosen, QString()); // not replaced: cancelled

    QCOMPARE(ui::filterSuffix(QStringLiteral("PDF document (*.pdf)")), QStringLiteral("pdf"));
    QCOMPARE(ui::filterSuffix(QStringLiteral("All files (*)")), QString());
}

void DialogsTest::failuresShowTheWarningIcon() {
    ui::QtDialogs dialogs;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        box->accept();
    });
    dialogs.warning(nullptr, QStringLiteral("The file cannot be read"), QStringLiteral("TAMO"));
    QCOMPARE(icon, QMessageBox::Warning);
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
