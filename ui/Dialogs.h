#pragma once

#include "core/Verdict.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace ui {

/// The answers of a question that may be cancelled.
enum class Answer { Yes, No, Cancel };
/// What goes with a record kept in the logbook besides the calculation.
struct RecordDetails {
    QString electrode;
    QString operatorName;
    QString comment;
    QDateTime measuredAt; ///< when the titration was measured
};

/// What the window asks of the desktop: file dialogs, message boxes, the beep,
/// the printer dialog and the help viewer. The program uses QtDialogs; tests
/// give their own answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    /// An existing file chosen in an open dialog; empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QStringList& filters) = 0;
    /// A file name chosen in a save dialog (the user was asked before an existing
    /// file is replaced); empty when cancelled. A name typed without an ending
    /// gets the ending of the chosen filter in the dialog, before that question.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QStringList& filters, QString* chosenFilter = nullptr) = 0;
    /// A modal message with an OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& title) = 0;
    /// A modal message with an OK button and the warning icon: something failed.
    virtual void warning(QWidget* parent, const QString& text, const QString& title) = 0;
    /// A warning whose findings, one a line, the user may unfold under it.
    virtual void warningWithDetails(QWidget* parent, const QString& text, const QString& details,
                                    const QString& title) = 0;
    /// A modal question with Yes and No; true for Yes.
    virtual bool question(QWidget* parent, const QString& text, const QString& title) = 0;
    /// A modal question with Yes, No and Cancel.
    virtual Answer ask(QWidget* parent, const QString& text, const QString& title) = 0;
    /// A short line of text (with suggestions the user may pick); empty when cancelled.
    virtual QString textInput(QWidget* parent, const QString& title, const QString& label,
                              const QStringList& suggestions) = 0;
    /// The printer dialog; false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) = 0;
    /// The verdict limits in a settings dialog; false when cancelled.
    virtual bool editVerdictLimits(QWidget* parent, core::VerdictLimits& limits) = 0;
    /// The electrode (one of the names given, or a new one, kept exactly as
    /// typed), the operator, a comment and the measurement time of a record;
    /// false when cancelled.
    virtual bool recordDetails(QWidget* parent, RecordDetails& details,
                               const QStringList& electrodes) = 0;
    virtual void beep() = 0;
    /// Opens a local file with the desktop's viewer; false when none could be started.
    virtual bool openWithDesktop(const QString& path) = 0;
};

/// The ending a file filter names ("svg" of "SVG picture (*.svg)"); empty for "*".
QString filterSuffix(const QString& filter);

/// The desktop's own dialogs.
class QtDialogs : public Dialogs {
public:
    QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QStringList& filters) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QStringList& filters, QString* chosenFilter) override;
    void message(QWidget* parent, const QString& text, const QString& title) override;
    void warning(QWidget* parent, const QString& text, const QString& title) override;
    void warningWithDetails(QWidget* parent, const QString& text, const QString& details,
                            const QString& title) override;
    bool question(QWidget* parent, const QString& text, const QString& title) override;
    Answer ask(QWidget* parent, const QString& text, const QString& title) override;
    QString textInput(QWidget* parent, const QString& title, const QString& label,
                      const QStringList& suggestions) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) override;
    bool editVerdictLimits(QWidget* parent, core::VerdictLimits& limits) override;
    bool recordDetails(QWidget* parent, RecordDetails& details,
                       const QStringList& electrodes) override;
    void beep() override;
    bool openWithDesktop(const QString& path) override;
};

} // namespace ui
