#pragma once

#include "ui/Dialogs.h"

namespace ui {
class Tamo;
}

/// The dialogs of a smoke test: nothing waits for an answer. Messages go to
/// standard error, questions are answered No and file dialogs cancelled.
class SmokeTestDialogs : public ui::Dialogs {
public:
    QString openFileName(QWidget*, const QString&, const QString&, const QStringList&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QStringList&,
                         QString*) override {
        return {};
    }
    void message(QWidget* parent, const QString& text, const QString& title) override;
    bool question(QWidget* parent, const QString& text, const QString& title) override;
    QString textInput(QWidget*, const QString&, const QString&, const QStringList&) override {
        return {};
    }
    bool choosePrinter(QWidget*, QPrinter&, const QString&) override { return false; }
    bool editVerdictLimits(QWidget*, core::VerdictLimits&) override { return false; }
    void beep() override {}
    bool openWithDesktop(const QString&) override { return false; }
};

/// The exit status of `tamo --smoke-test FILE` once the window is shown: 0 when
/// the titration was calculated and the icons can be drawn, 1 otherwise, with
/// the reason on standard error. It proves an installed program complete: the
/// icon resource linked in and Qt's SVG icon engine present.
int smokeTestStatus(ui::Tamo& window);
