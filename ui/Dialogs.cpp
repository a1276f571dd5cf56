#include "Dialogs.h"

#include "LimitsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

namespace ui {

QString QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QStringList& filters) {
    return QFileDialog::getOpenFileName(parent, title, folder, filters.join(QStringLiteral(";;")));
}

QString filterSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QStringList& filters, QString* chosenFilter) {
    QFileDialog dialog(parent, title, folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    // The ending is added by the dialog, so that it asks about the file really written.
    const auto followFilter = [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filterSuffix(filter));
    };
    followFilter(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

void QtDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void QtDialogs::warningWithDetails(QWidget* parent, const QString& text, const QString& details,
                                   const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
}

void QtDialogs::warning(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

Answer QtDialogs::ask(QWidget* parent, const QString& text, const QString& title) {
    switch (QMessageBox::question(parent, title, text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool QtDialogs::question(QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

QString QtDialogs::textInput(QWidget* parent, const QString& title, const QString& label,
                             const QStringList& suggestions) {
    bool ok = false;
    const QString text = QInputDialog::getItem(parent, title, label, suggestions, 0, true, &ok);
    return ok ? text.trimmed() : QString();
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::editVerdictLimits(QWidget* parent, core::VerdictLimits& limits) {
    LimitsDialog dialog(limits, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    limits = dialog.limits();
    return true;
}

bool QtDialogs::recordDetails(QWidget* parent, RecordDetails& details,
                              const QStringList& electrodes) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Add to Logbook"));
    auto* electrode = new QComboBox;
    electrode->setEditable(true);
    electrode->addItems(electrodes);
    // A name is kept as typed: no completion, no change of letter case.
    electrode->setCompleter(nullptr);
    electrode->setInsertPolicy(QComboBox::NoInsert);
    electrode->setCurrentText(details.electrode);
    auto* operatorName = new QLineEdit(details.operatorName);
    auto* comment = new QLineEdit(details.comment);
    auto* measuredAt = new QDateTimeEdit(details.measuredAt);
    measuredAt->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    measuredAt->setCalendarPopup(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto check = [=] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!electrode->currentText().trimmed().isEmpty());
    };
    QObject::connect(electrode, &QComboBox::currentTextChanged, &dialog, check);
    check();
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Electrode:"), electrode);
    form->addRow(QStringLiteral("&Operator:"), operatorName);
    form->addRow(QStringLiteral("&Comment:"), comment);
    form->addRow(QStringLiteral("&Measured at:"), measuredAt);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    details = {electrode->currentText().trimmed(), operatorName->text().trimmed(),
               comment->text().trimmed(), measuredAt->dateTime()};
    return true;
}

void QtDialogs::beep() {
    QApplication::beep();
}

bool QtDialogs::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace ui
