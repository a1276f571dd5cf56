#pragma once

#include "Dialogs.h"

#include <functional>
#include <utility>

namespace ui {

/// Dialogs for a window nobody answers (a smoke test, a benchmark): file and
/// printer dialogs are cancelled, questions answered No, and what would be
/// shown goes to `tell` (when given) as "title: text".
class UnattendedDialogs : public Dialogs {
public:
    explicit UnattendedDialogs(std::function<void(const QString&)> tell = {})
        : m_tell(std::move(tell)) {}

    QString openFileName(QWidget*, const QString&, const QString&, const QStringList&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QStringList&,
                         QString*) override {
        return {};
    }
    void message(QWidget*, const QString& text, const QString& title) override {
        if (m_tell)
            m_tell(title + QStringLiteral(": ") + text);
    }
    void warning(QWidget* parent, const QString& text, const QString& title) override {
        message(parent, text, title);
    }
    void warningWithDetails(QWidget* parent, const QString& text, const QString&,
                            const QString& title) override {
        message(parent, text, title);
    }
    Answer ask(QWidget*, const QString& text, const QString& title) override {
        if (m_tell)
            m_tell(title + QStringLiteral(": ") + text + QStringLiteral(" (answered No)"));
        return Answer::No;
    }
    bool question(QWidget*, const QString& text, const QString& title) override {
        if (m_tell)
            m_tell(title + QStringLiteral(": ") + text + QStringLiteral(" (answered No)"));
        return false;
    }
    QString textInput(QWidget*, const QString&, const QString&, const QStringList&) override {
        return {};
    }
    bool choosePrinter(QWidget*, QPrinter&, const QString&) override { return false; }
    bool editVerdictLimits(QWidget*, core::VerdictLimits&) override { return false; }
    bool recordDetails(QWidget*, RecordDetails&, const QStringList&) override { return false; }
    void beep() override {}
    bool openWithDesktop(const QString&) override { return false; }

private:
    std::function<void(const QString&)> m_tell;
};

} // namespace ui
