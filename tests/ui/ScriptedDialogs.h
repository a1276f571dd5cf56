#pragma once

// Answers the window's dialogs from a script and records what was shown.

#include "ui/Dialogs.h"

#include <QFileInfo>
#include <QList>
#include <QPrinter>
#include <QStringList>
#include <functional>
#include <optional>

namespace uitest {

struct Shown {
    QString kind; ///< "message", "warning", "question" or "ask"
    QString text;
    QString title;
};

class ScriptedDialogs : public ui::Dialogs {
public:
    QStringList openAnswers; ///< one per open dialog, in order; none left: cancelled
    QStringList saveAnswers; ///< one per save dialog
    QList<bool> questionAnswers;
    QList<ui::Answer> askAnswers; ///< Yes / No / Cancel questions; none left: No
    QStringList textAnswers;
    /// Sets up the printer when the printer dialog is confirmed; none: cancelled.
    std::function<void(QPrinter&)> printer;
    std::optional<core::VerdictLimits> newLimits; ///< the settings dialog's answer; none: cancelled
    /// Looks at the window while a message is shown.
    std::function<void(const QString&)> onMessage;

    QList<Shown> shown;
    QStringList openTitles, saveTitles, openFolders;
    QStringList openedWithDesktop;
    QString printerTitle;
    int beeps = 0;

    QStringList messages() const {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == QLatin1String("message") || s.kind == QLatin1String("warning"))
                texts << s.text;
        return texts;
    }

    QString openFileName(QWidget*, const QString& title, const QString& folder,
                         const QStringList&) override {
        openTitles << title;
        openFolders << folder;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    /// As the desktop's dialog: a name without an ending gets the first filter's.
    QString saveFileName(QWidget*, const QString& title, const QString&, const QStringList& filters,
                         QString* chosenFilter) override {
        saveTitles << title;
        if (saveAnswers.isEmpty())
            return {};
        QString answer = saveAnswers.takeFirst();
        const QString filter = filters.isEmpty() ? QString() : filters.first();
        if (QFileInfo(answer).suffix().isEmpty() && !ui::filterSuffix(filter).isEmpty())
            answer += QLatin1Char('.') + ui::filterSuffix(filter);
        if (chosenFilter)
            *chosenFilter = filter;
        return answer;
    }
    void message(QWidget*, const QString& text, const QString& title) override {
        show(QStringLiteral("message"), text, title);
    }
    void warning(QWidget*, const QString& text, const QString& title) override {
        show(QStringLiteral("warning"), text, title);
    }
    QStringList warningDetails; ///< the details of each warning that had them
    void warningWithDetails(QWidget*, const QString& text, const QString& details,
                            const QString& title) override {
        warningDetails << details;
        show(QStringLiteral("warning"), text, title);
    }
    ui::Answer ask(QWidget*, const QString& text, const QString& title) override {
        shown.append({QStringLiteral("ask"), text, title});
        return askAnswers.isEmpty() ? ui::Answer::No : askAnswers.takeFirst();
    }
    bool question(QWidget*, const QString& text, const QString& title) override {
        shown.append({QStringLiteral("question"), text, title});
        return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
    }
    QString textInput(QWidget*, const QString&, const QString&, const QStringList&) override {
        return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    }
    bool choosePrinter(QWidget*, QPrinter& p, const QString& title) override {
        printerTitle = title;
        if (!printer)
            return false;
        printer(p);
        return true;
    }
    bool editVerdictLimits(QWidget*, core::VerdictLimits& limits) override {
        if (!newLimits)
            return false;
        limits = *newLimits;
        return true;
    }
    /// The record dialog: its electrode is the next text answer (none: cancelled)
    /// unless `details` answers it; what it was offered is kept.
    std::function<bool(ui::RecordDetails&)> details;
    QList<ui::RecordDetails> offeredDetails;
    bool recordDetails(QWidget*, ui::RecordDetails& d, const QStringList&) override {
        offeredDetails << d;
        if (details)
            return details(d);
        if (textAnswers.isEmpty())
            return false;
        d.electrode = textAnswers.takeFirst().trimmed();
        return !d.electrode.isEmpty();
    }
    void beep() override { ++beeps; }
    bool openWithDesktop(const QString& path) override {
        openedWithDesktop << path;
        return true;
    }

private:
    void show(const QString& kind, const QString& text, const QString& title) {
        shown.append({kind, text, title});
        if (onMessage)
            onMessage(text);
    }
};

} // namespace uitest
