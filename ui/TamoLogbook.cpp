// The verdict on the calibration and the electrode logbook.
#include "Dialogs.h"
#include "LogbookWindow.h"
#include "MessageBoxSink.h"
#include "Tamo.h"
#include "TextColour.h"
#include "io/Logbook.h"
#include "io/LogbookRecord.h"

#include <QDateTime>
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

namespace {

/// The time the data file was last modified, or now when it has none.
QDateTime fileTime(const std::string& path) {
    const QDateTime at = QFileInfo(QString::fromStdString(path)).lastModified();
    return at.isValid() ? at : QDateTime::currentDateTime();
}

} // namespace

void Tamo::AddToLogbook_Click() {
    if (m_document.state() == WindowState::Calculated && refuseWithoutResults())
        return;
    const CalculatedSnapshot* calculated = m_document.calculated();
    const std::optional<core::Verdict>& verdict = m_document.verdict();
    if (!calculated || !verdict) {
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
    if (!logbook.warning().empty())
        return fail(logbook.warning());
    std::vector<std::string> names;
    if (std::string error = logbook.electrodeNames(names); !error.empty())
        return fail(error);
    QStringList suggestions;
    for (const std::string& name : names)
        suggestions << QString::fromStdString(name);
    const core::Titration& t = calculated->titration;
    RecordDetails details;
    details.operatorName =
        m_operatorName.isEmpty() ? QString::fromStdString(io::systemUserName()) : m_operatorName;
    details.measuredAt = fileTime(t.DataFilePath);
    if (!m_dialogs.recordDetails(this, details, suggestions) ||
        details.electrode.trimmed().isEmpty())
        return;
    if (details.operatorName != m_operatorName) {
        m_operatorName = details.operatorName;
        SaveIni();
    }
    io::RecordContext context{details.electrode.trimmed().toStdString(),
                              t.DataFilePath,
                              TAMO_VERSION,
                              details.operatorName.toStdString(),
                              details.comment.toStdString(),
                              details.measuredAt.toString(Qt::ISODate).toStdString(),
                              calculated->typed,
                              m_document.verdictLimits(),
                              calculated->startPH,
                              calculated->endPointRatio};
    io::LogbookRecord record;
    if (std::string error = io::makeLogbookRecord(t, *verdict, context, record); !error.empty())
        return fail(error);
    long long duplicate = 0;
    if (std::string error = logbook.findDuplicate(record, duplicate); !error.empty())
        return fail(error);
    if (duplicate != 0 &&
        !m_dialogs.question(this,
                            QStringLiteral("The logbook of electrode \"%1\" holds this calibration "
                                           "already, as record %2. Add it again?")
                                .arg(QString::fromStdString(record.electrode))
                                .arg(duplicate),
                            kAppTitle))
        return;
    if (std::string error = logbook.add(record); !error.empty())
        return fail(error);
    logbook.close();
    if (m_logbookWindow && m_logbookWindow->isVisible())
        m_logbookWindow->reload();
    m_dialogs.message(
        this,
        QStringLiteral("The calibration was added to the logbook of electrode \"%1\".")
            .arg(details.electrode.trimmed()),
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
