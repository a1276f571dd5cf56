#include "LogbookWindow.h"

#include "Dialogs.h"
#include "LogbookTableModel.h"
#include "MessageBoxSink.h"
#include "ReportPrinter.h"
#include "TextColour.h"
#include "TrendPlotView.h"
#include "core/Format.h"
#include "io/FileAccess.h"
#include "io/Logbook.h"
#include "io/LogbookCsv.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTableView>
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

/// A file name for the electrode's CSV: characters a file name cannot hold become "_".
QString csvFileName(const QString& electrode) {
    QString name = electrode;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return name + QStringLiteral("-logbook.csv");
}

} // namespace

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
        for (const core::RuleFlag& flag : summary.flags) {
            if (flag.index >= rows)
                continue;
            QString& text = texts[flag.index];
            text += (text.isEmpty() ? QString() : QStringLiteral("; ")) + what +
                    QStringLiteral(" ") + qs(core::ruleText(flag.rule));
        }
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

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
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

bool LogbookWindow::openLogbook(io::Logbook& logbook) {
    if (!QFileInfo::exists(m_path))
        return false;
    if (std::string error = logbook.open(m_path.toStdString()); !error.empty()) {
        fail(error);
        return false;
    }
    if (!logbook.warning().empty() && m_warned != logbook.warning()) {
        m_warned = logbook.warning();
        m_dialogs.message(this, qs(m_warned), kAppTitle);
    }
    return true;
}

void LogbookWindow::fail(const std::string& error) {
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
    io::Logbook logbook;
    if (!openLogbook(logbook))
        return;
    std::vector<std::string> names;
    if (std::string error = logbook.electrodeNames(names); !error.empty())
        return fail(error);
    QString latest;
    QDateTime latestAt;
    for (const std::string& name : names) {
        std::vector<io::LogbookEntry> entries;
        if (std::string error = logbook.entries(name, entries); !error.empty())
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
}

QString LogbookWindow::electrode() const {
    return m_electrodes->currentText();
}

void LogbookWindow::showElectrode(const QString& name) {
    m_baselineFirst = 0;
    io::Logbook logbook;
    std::vector<io::LogbookEntry> entries;
    if (name.isEmpty() || !openLogbook(logbook))
        return showEntries({});
    if (std::string error = logbook.entries(name.toStdString(), entries); !error.empty())
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
    io::Logbook logbook;
    if (!openLogbook(logbook))
        return;
    if (std::string error = logbook.withdraw(id, reason.toStdString()); !error.empty()) {
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
                                     QDir(folder).filePath(csvFileName(electrode())),
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

namespace ui {

namespace {

/// The printed table of an electrode's records: one line each, at tab columns.
std::vector<core::PrintLine> logbookLines(const QString& electrode, const QString& path,
                                          const LogbookTableModel& model) {
    const auto item = [](int column, const QString& text) {
        return core::PrintItem{column, text.toStdString()};
    };
    std::vector<core::PrintLine> lines{
        {item(1, QStringLiteral("TAMO: Logbook of electrode \"%1\"").arg(electrode))},
        {item(1, QStringLiteral("Logbook ") + path)},
        {item(1, QStringLiteral("Printed at ") +
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))},
        {item(1, {})},
        {item(1, QStringLiteral("id")), item(7, QStringLiteral("measured")),
         item(25, QStringLiteral("E0 /mV")), item(45, QStringLiteral("slope factor")),
         item(60, QStringLiteral("rms /mV"))}};
    using Model = LogbookTableModel;
    for (int row = 0; row < model.rowCount(); ++row) {
        const io::LogbookEntry& e = model.entries()[static_cast<std::size_t>(row)];
        lines.push_back(
            {item(1, model.text(row, Model::Id)), item(7, model.text(row, Model::Measured)),
             item(25, model.text(row, Model::E0)), item(45, model.text(row, Model::SlopeFactor)),
             item(60, model.text(row, Model::Rms))});
        lines.push_back({item(7, model.text(row, Model::VerdictColumn))});
        if (!model.text(row, Model::ControlRules).isEmpty())
            lines.push_back({item(7, QStringLiteral("control rules: ") +
                                         model.text(row, Model::ControlRules))});
        if (e.withdrawal)
            lines.push_back({item(7, QStringLiteral("withdrawn: ") + qs(e.withdrawal->reason))});
    }
    return lines;
}

const QStringList kTrendFilters{QStringLiteral("SVG picture (*.svg)"),
                                QStringLiteral("PDF document (*.pdf)"),
                                QStringLiteral("PNG image (*.png)")};

/// The bytes of both trend plots in the format of the suffix; empty when they cannot be made.
QByteArray trendBytes(const QString& suffix,
                      const std::function<void(QPainter&, const QRect&)>& draw) {
    const QSize size(1200, 1000);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            draw(painter, QRect(QPoint(0, 0), size));
        }
        image.save(&buffer, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("TAMO logbook trends"));
        QPainter painter(&svg);
        draw(painter, QRect(QPoint(0, 0), size));
    } else {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pdf.setResolution(120);
        QPainter painter(&pdf);
        draw(painter, painter.viewport());
    }
    return bytes;
}

} // namespace

void LogbookWindow::drawTrends(QPainter& painter, const QRect& area) const {
    const int half = area.height() / 2;
    m_e0Plot->drawOn(painter, QRect(area.left(), area.top(), area.width(), half));
    m_slopeFactorPlot->drawOn(
        painter, QRect(area.left(), area.top() + half, area.width(), area.height() - half));
}

void LogbookWindow::saveTrends() {
    if (m_model->entries().empty())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString filter;
    QString path =
        m_dialogs
            .saveFileName(this, QStringLiteral("Save trends"),
                          QDir(folder).filePath(csvFileName(electrode())
                                                    .replace(QStringLiteral("-logbook.csv"),
                                                             QStringLiteral("-trends.svg"))),
                          kTrendFilters, &filter)
            .trimmed();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QLatin1String("pdf"))   ? QStringLiteral(".pdf")
                : filter.contains(QLatin1String("png")) ? QStringLiteral(".png")
                                                        : QStringLiteral(".svg");
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!QStringList{"svg", "pdf", "png"}.contains(suffix)) {
        m_dialogs.message(
            this,
            QStringLiteral("The trend file \"%1\" has an unknown type: use .svg, .pdf "
                           "or .png")
                .arg(path),
            kAppTitle);
        return;
    }
    const QByteArray bytes = trendBytes(
        suffix, [this](QPainter& painter, const QRect& area) { drawTrends(painter, area); });
    const std::string error =
        bytes.isEmpty()
            ? "The trends could not be drawn"
            : io::writeFileAtomically(
                  path.toStdString(),
                  std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!error.empty())
        m_dialogs.message(this, qs(error), kAppTitle);
}

void LogbookWindow::printLogbook() {
    if (m_model->entries().empty())
        return;
    QPrinter printer;
    if (!m_dialogs.choosePrinter(this, printer, QStringLiteral("Print logbook")))
        return;
    std::vector<core::PrintLine> lines = logbookLines(electrode(), m_path, *m_model);
    for (const QString& text : {QString(), m_summary->text(), m_drift->text(), m_rules->text()})
        for (const QString& line : text.split(QLatin1Char('\n')))
            lines.push_back({{1, line.toStdString()}});
    const std::string error =
        printLines(printer, lines, [this](QPainter& painter, const QRectF& page) {
            const QRect area = page.toRect();
            drawTrends(painter, QRect(area.topLeft(),
                                      QSize(area.width(), std::min(area.height(), area.width()))));
        });
    if (!error.empty())
        m_dialogs.message(this,
                          QStringLiteral("The logbook could not be printed: %1.").arg(qs(error)),
                          kAppTitle);
}

} // namespace ui
