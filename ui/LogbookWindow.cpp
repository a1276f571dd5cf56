#include "LogbookWindow.h"

#include "Dialogs.h"
#include "LogbookTableModel.h"
#include "MessageBoxSink.h"
#include "TextColour.h"
#include "TrendPlotView.h"
#include "core/Format.h"
#include "io/FileAccess.h"
#include "io/Logbook.h"
#include "io/LogbookCsv.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QDateTime dateOf(const io::LogbookRecord& r) {
    return QDateTime::fromString(qs(r.recordedAt), Qt::ISODate);
}

/// When the titration was measured; the time of entry for a record that does not say.
QDateTime measuredOf(const io::LogbookRecord& r) {
    const QDateTime measured = QDateTime::fromString(qs(r.measuredAt), Qt::ISODate);
    return measured.isValid() ? measured : dateOf(r);
}

/// "mean 400.1 mV, sd 0.3 mV": the mean to the places of the deviation's one figure.
QString meanAndSd(const core::ControlLines& lines, const QString& unit) {
    const std::string sd = core::OneFig(lines.sd);
    return QStringLiteral("mean %1%3, sd %2%3")
        .arg(qs(core::formatNumber(lines.mean, core::formt(sd))), qs(sd), unit);
}

} // namespace

QString electrodeFileName(const QString& electrode, const QString& ending) {
    QString name = electrode;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return name + ending;
}

std::vector<plot::TrendInput> trendInputs(const std::vector<io::LogbookEntry>& entries,
                                          double io::LogbookRecord::*value) {
    std::vector<plot::TrendInput> inputs;
    inputs.reserve(entries.size());
    for (const io::LogbookEntry& e : entries) {
        const QDateTime at = measuredOf(e.record);
        if (at.isValid())
            inputs.push_back(
                {at.toSecsSinceEpoch(), at.offsetFromUtc(), e.record.*value, e.withdrawn()});
    }
    return inputs;
}

QString driftWarning(const core::TrendSummary& e0, const core::TrendSummary& slopeFactor) {
    QStringList lines;
    const auto add = [&](const QString& what, core::Drift drift) {
        if (drift != core::Drift::None)
            lines << QStringLiteral("Drift: %1 %2 by more than one standard deviation at each of "
                                    "the last three kept records.")
                         .arg(what, drift == core::Drift::Up ? QStringLiteral("rose")
                                                             : QStringLiteral("fell"));
    };
    add(QStringLiteral("E0"), e0.drift);
    add(QStringLiteral("the slope factor"), slopeFactor.drift);
    return lines.join(QLatin1Char('\n'));
}

QString controlLinesText(const core::TrendSummary& e0, const core::TrendSummary& slopeFactor) {
    if (!e0.lines || !slopeFactor.lines)
        return QStringLiteral("Control lines need at least two kept records in the baseline.");
    return QStringLiteral("Control lines (mean \u00B1 3 sd) of %1 kept records of the baseline: "
                          "E0 %2; slope factor %3.")
        .arg(e0.lines->count)
        .arg(meanAndSd(*e0.lines, QStringLiteral(" mV")), meanAndSd(*slopeFactor.lines, {}));
}

std::vector<QString> ruleFlagTexts(const core::TrendSummary& e0,
                                   const core::TrendSummary& slopeFactor, std::size_t rows) {
    std::vector<QString> texts(rows);
    const auto add = [&](const QString& what, const core::TrendSummary& summary) {
        std::vector<QStringList> rules(rows);
        for (const core::RuleFlag& flag : summary.flags)
            if (flag.index < rows)
                rules[flag.index] << qs(core::ruleText(flag.rule));
        for (std::size_t i = 0; i < rows; ++i)
            if (!rules[i].isEmpty())
                texts[i] += (texts[i].isEmpty() ? QString() : QStringLiteral("; ")) + what +
                            QLatin1Char(' ') + rules[i].join(QStringLiteral(", "));
    };
    add(QStringLiteral("E0"), e0);
    add(QStringLiteral("slope factor"), slopeFactor);
    return texts;
}

LogbookWindow::LogbookWindow(Dialogs& dialogs, QString logbookPath, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_path(std::move(logbookPath)) {
    setObjectName(QStringLiteral("LogbookWindow"));
    setWindowTitle(QStringLiteral("TAMO: Logbook"));
    buildLayout();
    resize(900, 640);
}

LogbookWindow::~LogbookWindow() = default;

void LogbookWindow::buildLayout() {
    m_electrodes = new QComboBox(this);
    m_electrodes->setObjectName(QStringLiteral("Electrode"));
    m_electrodes->setMinimumContentsLength(20);
    m_electrodes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* electrodeLabel = new QLabel(QStringLiteral("&Electrode:"), this);
    electrodeLabel->setBuddy(m_electrodes);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("RecordCount"));
    m_withdraw = new QPushButton(QStringLiteral("&Withdraw..."), this);
    m_withdraw->setObjectName(QStringLiteral("Withdraw"));
    m_withdraw->setToolTip(QStringLiteral("Withdraw the selected record, with a reason; it stays "
                                          "in the logbook, greyed, and leaves the control lines"));
    m_export = new QPushButton(QStringLiteral("E&xport CSV..."), this);
    m_export->setObjectName(QStringLiteral("ExportCsv"));
    m_export->setToolTip(QStringLiteral("Save the records of this electrode as a CSV file"));

    m_baselineCount = new QSpinBox(this);
    m_baselineCount->setObjectName(QStringLiteral("BaselineCount"));
    m_baselineCount->setRange(2, 1000);
    m_baselineCount->setValue(static_cast<int>(core::kBaselineCount));
    m_baselineCount->setPrefix(QStringLiteral("Baseline: "));
    m_baselineCount->setSuffix(QStringLiteral(" kept records"));
    m_baselineCount->setToolTip(QStringLiteral("How many kept records the control lines are "
                                               "made of; later records are judged against them"));
    m_baselineStart = new QPushButton(QStringLiteral("Baseline &from selected"), this);
    m_baselineStart->setObjectName(QStringLiteral("BaselineFromSelected"));
    m_baselineStart->setToolTip(QStringLiteral("Start the baseline at the selected record "
                                               "instead of the first kept one"));

    m_saveTrends = new QPushButton(QStringLiteral("Save &Trends..."), this);
    m_saveTrends->setObjectName(QStringLiteral("SaveTrends"));
    m_saveTrends->setToolTip(QStringLiteral("Save both trend plots as SVG, PDF or PNG"));
    m_print = new QPushButton(QStringLiteral("&Print..."), this);
    m_print->setObjectName(QStringLiteral("PrintLogbook"));
    m_print->setToolTip(
        QStringLiteral("Print the records of this electrode and their trend plots"));

    auto* top = new QHBoxLayout;
    top->addWidget(electrodeLabel);
    top->addWidget(m_electrodes);
    top->addSpacing(12);
    top->addWidget(m_count);
    top->addStretch();
    top->addWidget(m_baselineCount);
    top->addWidget(m_baselineStart);
    top->addWidget(m_withdraw);
    top->addWidget(m_export);
    top->addWidget(m_saveTrends);
    top->addWidget(m_print);

    m_model = new LogbookTableModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(LogbookTableModel::SortRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("LogbookTable"));
    m_table->setModel(m_proxy);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(LogbookTableModel::Date, Qt::DescendingOrder);

    m_e0Plot = new TrendPlotView(QStringLiteral("E0 /mV"), this);
    m_e0Plot->setObjectName(QStringLiteral("E0Trend"));
    m_slopeFactorPlot = new TrendPlotView(QStringLiteral("slope factor"), this);
    m_slopeFactorPlot->setObjectName(QStringLiteral("SlopeFactorTrend"));
    auto* plots = new QWidget(this);
    auto* plotRow = new QHBoxLayout(plots);
    plotRow->setContentsMargins(0, 0, 0, 0);
    plotRow->addWidget(m_e0Plot);
    plotRow->addWidget(m_slopeFactorPlot);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_table);
    splitter->addWidget(plots);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("TrendSummary"));
    m_drift = new QLabel(this);
    m_drift->setObjectName(QStringLiteral("DriftWarning"));
    setTextColour(m_drift, QColor(255, 0, 0));
    m_rules = new QLabel(this);
    m_rules->setObjectName(QStringLiteral("RuleFlags"));
    m_rules->setWordWrap(true);
    setTextColour(m_rules, QColor(255, 0, 0));

    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("LogbookWarning"));
    m_warning->setWordWrap(true);
    setTextColour(m_warning, QColor(255, 0, 0));
    m_warning->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_warning);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_drift);
    layout->addWidget(m_rules);

    connect(m_electrodes, &QComboBox::currentTextChanged, this, &LogbookWindow::showElectrode);
    connect(m_withdraw, &QPushButton::clicked, this, &LogbookWindow::withdrawSelected);
    connect(m_export, &QPushButton::clicked, this, &LogbookWindow::exportCsv);
    connect(m_saveTrends, &QPushButton::clicked, this, &LogbookWindow::saveTrends);
    connect(m_print, &QPushButton::clicked, this, &LogbookWindow::printLogbook);
    connect(m_baselineCount, &QSpinBox::valueChanged, this, &LogbookWindow::showTrends);
    connect(m_baselineStart, &QPushButton::clicked, this, &LogbookWindow::startBaselineAtSelected);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LogbookWindow::updateButtons);
    showEntries({});
}

bool LogbookWindow::openLogbook() {
    m_logbook.reset();
    m_warning->hide();
    if (!QFileInfo::exists(m_path))
        return false;
    auto logbook = std::make_unique<io::Logbook>();
    if (std::string error = logbook->open(m_path.toStdString()); !error.empty()) {
        fail(error);
        return false;
    }
    m_warning->setText(qs(logbook->warning()));
    m_warning->setVisible(!logbook->warning().empty());
    m_logbook = std::move(logbook);
    return true;
}

void LogbookWindow::tellWarning() {
    const std::string warning = m_logbook ? m_logbook->warning() : std::string();
    if (warning.empty() || warning == m_warned)
        return;
    m_warned = warning;
    QStringList findings;
    for (const std::string& line : m_logbook->damage())
        findings << qs(line);
    if (findings.isEmpty())
        m_dialogs.message(this, qs(warning), kAppTitle);
    else
        m_dialogs.warningWithDetails(this, qs(warning), findings.join(QLatin1Char('\n')),
                                     kAppTitle);
}

void LogbookWindow::fail(const std::string& error) {
    m_logbook.reset();
    {
        const QSignalBlocker block(m_electrodes);
        m_electrodes->clear();
    }
    showEntries({});
    m_dialogs.warning(this, qs(error), kAppTitle);
}

void LogbookWindow::reload() {
    {
        const QSignalBlocker block(m_electrodes);
        m_electrodes->clear();
    }
    showEntries({});
    if (!openLogbook())
        return;
    std::vector<std::string> names;
    if (std::string error = m_logbook->electrodeNames(names); !error.empty())
        return fail(error);
    QString latest;
    QDateTime latestAt;
    for (const std::string& name : names) {
        std::vector<io::LogbookEntry> entries;
        if (std::string error = m_logbook->entries(name, entries); !error.empty())
            return fail(error);
        const QDateTime at = entries.empty() ? QDateTime() : dateOf(entries.back().record);
        if (latest.isEmpty() || (at.isValid() && (!latestAt.isValid() || at > latestAt))) {
            latest = qs(name);
            latestAt = at;
        }
    }
    {
        const QSignalBlocker block(m_electrodes);
        for (const std::string& name : names)
            m_electrodes->addItem(qs(name));
        m_electrodes->setCurrentIndex(m_electrodes->findText(latest));
    }
    showElectrode(latest);
    // Once the window shows the records that can be read, over them.
    QTimer::singleShot(0, this, &LogbookWindow::tellWarning);
}

QString LogbookWindow::electrode() const {
    return m_electrodes->currentText();
}

void LogbookWindow::showElectrode(const QString& name) {
    m_baselineFirst = 0;
    std::vector<io::LogbookEntry> entries;
    if (name.isEmpty() || !m_logbook)
        return showEntries({});
    if (std::string error = m_logbook->entries(name.toStdString(), entries); !error.empty())
        return fail(error);
    showEntries(std::move(entries));
}

void LogbookWindow::showEntries(std::vector<io::LogbookEntry> entries) {
    const auto withdrawn = std::count_if(entries.begin(), entries.end(),
                                         [](const io::LogbookEntry& e) { return e.withdrawn(); });
    m_count->setText(
        entries.size() == 1
            ? QStringLiteral("1 record, %1 withdrawn").arg(withdrawn)
            : QStringLiteral("%1 records, %2 withdrawn").arg(entries.size()).arg(withdrawn));
    m_model->setEntries(std::move(entries));
    m_table->resizeColumnsToContents();
    showTrends();
    updateButtons();
}

void LogbookWindow::showTrends() {
    const std::vector<io::LogbookEntry>& entries = m_model->entries();
    const core::Baseline baseline{m_baselineFirst,
                                  static_cast<std::size_t>(m_baselineCount->value())};
    m_e0Plot->setTrend(plot::layoutTrend(trendInputs(entries, &io::LogbookRecord::E0), baseline));
    m_slopeFactorPlot->setTrend(
        plot::layoutTrend(trendInputs(entries, &io::LogbookRecord::slopeFactor), baseline));
    const core::TrendSummary& e0 = m_e0Plot->trend().summary;
    const core::TrendSummary& slopeFactor = m_slopeFactorPlot->trend().summary;
    m_summary->setText(entries.empty() ? QString() : controlLinesText(e0, slopeFactor));
    m_drift->setText(driftWarning(e0, slopeFactor));
    m_drift->setVisible(!m_drift->text().isEmpty());
    const std::vector<QString> flags = ruleFlagTexts(e0, slopeFactor, entries.size());
    m_model->setRuleFlags(flags);
    QStringList lines;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (!flags[i].isEmpty())
            lines << QStringLiteral("Record %1 (measured %2): %3")
                         .arg(entries[i].record.id)
                         .arg(
                             shortDateTime(
                                 measuredOf(entries[i].record).toString(Qt::ISODate).toStdString()),
                             flags[i]);
    m_rules->setText(lines.join(QLatin1Char('\n')));
    m_rules->setVisible(!lines.isEmpty());
}

void LogbookWindow::startBaselineAtSelected() {
    const io::LogbookEntry* selected = selectedEntry();
    if (!selected || selected->withdrawn())
        return;
    std::size_t kept = 0;
    for (const io::LogbookEntry& e : m_model->entries()) {
        if (&e == selected)
            break;
        kept += e.withdrawn() ? 0 : 1;
    }
    m_baselineFirst = kept;
    showTrends();
}

void LogbookWindow::updateButtons() {
    const io::LogbookEntry* entry = selectedEntry();
    m_withdraw->setEnabled(entry && !entry->withdrawn());
    m_baselineStart->setEnabled(entry && !entry->withdrawn());
    m_export->setEnabled(!m_model->entries().empty());
    m_saveTrends->setEnabled(!m_model->entries().empty());
    m_print->setEnabled(!m_model->entries().empty());
}

const io::LogbookEntry* LogbookWindow::selectedEntry() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return nullptr;
    const int row = m_proxy->mapToSource(rows.front()).row();
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    return &m_model->entries()[static_cast<std::size_t>(row)];
}

void LogbookWindow::selectRecord(long long id) {
    const int row = m_model->rowOf(id);
    if (row >= 0)
        m_table->selectRow(m_proxy->mapFromSource(m_model->index(row, 0)).row());
}

void LogbookWindow::withdrawSelected() {
    const io::LogbookEntry* entry = selectedEntry();
    if (!entry || entry->withdrawn())
        return;
    const long long id = entry->record.id;
    const QString reason =
        m_dialogs
            .textInput(this, QStringLiteral("Withdraw record"),
                       QStringLiteral("Why is the calibration of %1 withdrawn? The record stays "
                                      "in the logbook, greyed, and no longer counts in the "
                                      "control lines.\nReason:")
                           .arg(shortDateTime(entry->record.recordedAt)),
                       {})
            .trimmed();
    if (reason.isEmpty())
        return;
    if (!m_logbook)
        return;
    if (std::string error = m_logbook->withdraw(id, reason.toStdString()); !error.empty()) {
        m_dialogs.warning(this, qs(error), kAppTitle);
        return;
    }
    showElectrode(electrode());
    selectRecord(id);
}

void LogbookWindow::exportCsv() {
    const std::vector<io::LogbookEntry>& entries = m_model->entries();
    if (entries.empty())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = m_dialogs
                       .saveFileName(this, QStringLiteral("Export logbook"),
                                     QDir(folder).filePath(electrodeFileName(
                                         electrode(), QStringLiteral("-logbook.csv"))),
                                     {QStringLiteral("CSV file (*.csv)")})
                       .trimmed();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (std::string error = io::writeLogbookCsv(path.toStdString(), entries); !error.empty())
        m_dialogs.warning(this, qs(error), kAppTitle);
}

} // namespace ui
