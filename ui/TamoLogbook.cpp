// The verdict on the calibration and the electrode logbook.
#include "Dialogs.h"
#include "LogbookWindow.h"
#include "MessageBoxSink.h"
#include "Tamo.h"
#include "TextColour.h"
#include "io/Logbook.h"
#include "io/LogbookRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace ui {

void Tamo::showVerdict() {
    const std::optional<core::Verdict>& verdict = m_document.verdict();
    // After a stopped calculation the frame says so instead of the verdict before.
    const bool stopped =
        m_document.state() == WindowState::Calculated && !m_document.hasCurrentResults();
    const QString text = verdict   ? QString::fromStdString(core::verdictText(*verdict))
                         : stopped ? QStringLiteral("not calculated")
                                   : QString();
    m_verdict->setToolTip(text);
    m_verdict->setText(m_verdict->fontMetrics().elidedText(text, Qt::ElideRight, m_verdict->width()));
    setTextColour(m_verdict, !verdict       ? std::optional<QColor>()
                             : verdict->ok() ? QColor(0, 128, 0)
                                             : QColor(255, 0, 0));
}

void Tamo::Settings_Click() {
    core::VerdictLimits limits = m_document.verdictLimits();
    if (!m_dialogs.editVerdictLimits(this, limits))
        return;
    m_document.setVerdictLimits(limits);
    SaveIni();
}

void Tamo::AddToLogbook_Click() {
    if (m_document.state() == WindowState::Calculated && refuseWithoutResults())
        return;
    const std::optional<core::Verdict>& verdict = m_document.verdict();
    if (!verdict) {
        m_dialogs.warning(
            this,
            QStringLiteral("Only a calibration whose refinement converged can be kept "
                           "in the logbook: calculate the titration first."),
            kAppTitle);
        return;
    }
    const auto fail = [this](const std::string& error) {
        m_dialogs.warning(this, QString::fromStdString(error), kAppTitle);
    };
    QDir().mkpath(QFileInfo(m_settings.logbook).absolutePath());
    io::Logbook logbook;
    if (std::string error = logbook.open(m_settings.logbook.toStdString()); !error.empty())
        return fail(error);
    std::vector<std::string> names;
    if (std::string error = logbook.electrodeNames(names); !error.empty())
        return fail(error);
    QStringList suggestions;
    for (const std::string& name : names)
        suggestions << QString::fromStdString(name);
    const QString electrode = m_dialogs.textInput(this, QStringLiteral("Add to Logbook"),
                                                  QStringLiteral("Electrode:"), suggestions);
    if (electrode.trimmed().isEmpty())
        return;
    const core::Titration& t = m_document.titration();
    io::LogbookRecord record;
    if (std::string error = io::makeLogbookRecord(t, *verdict, electrode.trimmed().toStdString(),
                                                  t.DataFilePath, TAMO_VERSION, record);
        !error.empty())
        return fail(error);
    if (std::string error = logbook.add(record); !error.empty())
        return fail(error);
    m_dialogs.message(this,
                      QStringLiteral("The calibration was added to the logbook of electrode \"%1\".")
                          .arg(electrode.trimmed()),
                      kAppTitle);
}

void Tamo::Logbook_Click() {
    if (!m_logbookWindow)
        m_logbookWindow = new LogbookWindow(m_dialogs, m_settings.logbook, this);
    m_logbookWindow->reload();
    m_logbookWindow->show();
    m_logbookWindow->raise();
    m_logbookWindow->activateWindow();
}

} // namespace ui
