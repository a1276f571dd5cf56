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
#include <algorithm>

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
    m_verdict->setText(
        m_verdict->fontMetrics().elidedText(text, Qt::ElideRight, m_verdict->width()));
    setTextColour(m_verdict, !verdict        ? std::optional<QColor>()
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

/// Whether a point was corrected or switched since the calculation.
bool changedSince(const core::Titration& now, const core::Titration& calculated) {
    return !std::equal(now.points.begin(), now.points.end(), calculated.points.begin(),
                       calculated.points.end(), [](const core::Point& a, const core::Point& b) {
                           return a.Volume == b.Volume && a.EmfObs == b.EmfObs &&
                                  a.UsePoint == b.UsePoint;
                       });
}

/// Why the calculation on show cannot be kept, before anything is asked; empty when it can.
QString refusalOf(const TitrationDocument& document) {
    const CalculatedSnapshot* calculated = document.calculated();
    if (!calculated || !document.verdict())
        return QStringLiteral("Only a calibration whose refinement converged can be kept "
                              "in the logbook: calculate the titration first.");
    if (const std::string refusal = io::recordRefusal(calculated->typed); !refusal.empty())
        return QString::fromStdString(refusal) + QLatin1Char('.');
    if (changedSince(document.titration(), calculated->titration))
        return QStringLiteral("The points were corrected or switched since the titration was "
                              "calculated: calculate it first, so that the logbook keeps the "
                              "results of these points.");
    return {};
}

/// The record of the last calculation with the details the user gave.
std::string recordOf(const TitrationDocument& document, const RecordDetails& details,
                     io::LogbookRecord& record) {
    const CalculatedSnapshot& calculated = *document.calculated();
    const io::RecordContext context{details.electrode.trimmed().toStdString(),
                                    calculated.titration.DataFilePath,
                                    TAMO_VERSION,
                                    details.operatorName.toStdString(),
                                    details.comment.toStdString(),
                                    io::localDateTimeText(details.measuredAt),
                                    calculated.typed,
                                    document.verdictLimits(),
                                    calculated.startPH,
                                    calculated.endPointRatio};
    return io::makeLogbookRecord(calculated.titration, *document.verdict(), context, record);
}

} // namespace

void Tamo::AddToLogbook_Click() {
    if (m_document.state() == WindowState::Calculated && refuseWithoutResults())
        return;
    if (const QString refusal = refusalOf(m_document); !refusal.isEmpty())
        return m_dialogs.warning(this, refusal, kAppTitle);
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
    RecordDetails details;
    details.operatorName =
        m_operatorName.isEmpty() ? QString::fromStdString(io::systemUserName()) : m_operatorName;
    details.measuredAt = fileTime(m_document.calculated()->titration.DataFilePath);
    if (!m_dialogs.recordDetails(this, details, suggestions) ||
        details.electrode.trimmed().isEmpty())
        return;
    if (details.operatorName != m_operatorName) {
        m_operatorName = details.operatorName;
        SaveIni();
    }
    io::LogbookRecord record;
    if (std::string error = recordOf(m_document, details, record); !error.empty())
        return fail(error);
    long long duplicate = 0;
    std::string error = logbook.add(record, io::Logbook::Duplicates::Refuse, &duplicate);
    if (duplicate != 0) {
        if (!m_dialogs.question(this,
                                QStringLiteral("The logbook of electrode \"%1\" holds this "
                                               "calibration already, as record %2. Add it again?")
                                    .arg(QString::fromStdString(record.electrode))
                                    .arg(duplicate),
                                kAppTitle))
            return;
        error = logbook.add(record, io::Logbook::Duplicates::Keep);
    }
    if (!error.empty())
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
