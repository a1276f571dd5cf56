#include "Dialogs.h"

#include "LimitsDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace ui {

QString QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QStringList& filters) {
    return QFileDialog::getOpenFileName(parent, title, folder, filters.join(QStringLiteral(";;")));
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QStringList& filters, QString* chosenFilter) {
    return QFileDialog::getSaveFileName(parent, title, folder, filters.join(QStringLiteral(";;")),
                                        chosenFilter);
}

void QtDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
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

void QtDialogs::beep() {
    QApplication::beep();
}

bool QtDialogs::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace ui
