#pragma once

#include "io/LogbookRecord.h"
#include "plot/TrendPlot.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QPainter;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QSpinBox;
class QTableView;

namespace io {
class Logbook;
}

namespace ui {

class Dialogs;
class LogbookTableModel;
class TrendPlotView;

/// The electrode logbook in a window of its own (not modal): the records of one
/// electrode in a sortable table, withdrawn ones greyed; trend plots of E0 and of
/// the slope factor with their control lines from a baseline, plotted by the time
/// of measurement; a drift warning; each record that breaks a control rule named
/// with the rule; withdrawing a
/// record and exporting the records as CSV. The window reads the file only when
/// it is reloaded or an electrode is chosen, and writes only a withdrawal.
class LogbookWindow : public QWidget {
    Q_OBJECT
public:
    LogbookWindow(Dialogs& dialogs, QString logbookPath, QWidget* parent = nullptr);
    ~LogbookWindow() override;

    /// Reads the logbook afresh and shows the electrode with the latest record.
    /// A missing file is an empty logbook (and is not created); a file the logbook
    /// refuses is named in a message and the window stays empty.
    void reload();
    /// The electrode shown; empty when there is none.
    QString electrode() const;
    const LogbookTableModel& tableModel() const { return *m_model; }

public slots:
    /// Shows the records of the electrode.
    void showElectrode(const QString& name);
    /// Withdraws the record selected in the table, with the reason the user gives.
    void withdrawSelected();
    /// Writes the records shown (all of them, in date order) to a CSV file the user chooses.
    void exportCsv();
    /// The baseline starts at the selected kept record.
    void startBaselineAtSelected();
    /// Writes both trend plots, E0 above the slope factor, to an SVG, PDF or PNG
    /// file the user chooses.
    void saveTrends();
    /// Prints the records shown as a table, then their trend plots on a page of their own.
    void printLogbook();

private:
    void buildLayout();
    void showTrends();
    /// Opens the logbook file for reading and withdrawals, which the window keeps
    /// open until it is reloaded; false when it does not exist or is refused (the
    /// refusal shown in a message). Why it may not be written stays in a line
    /// above the table.
    bool openLogbook();
    /// Why the open logbook may not be written, in a message with what its check
    /// found; once for each such reason.
    void tellWarning();
    void showEntries(std::vector<io::LogbookEntry> entries);
    void updateButtons();
    /// Both trend plots into the area, E0 above the slope factor.
    void drawTrends(QPainter& painter, const QRect& area) const;
    /// The record selected in the table; nullptr when none.
    const io::LogbookEntry* selectedEntry() const;
    void selectRecord(long long id);
    /// Shows the error and empties the window.
    void fail(const std::string& error);

    Dialogs& m_dialogs;
    QString m_path;
    std::unique_ptr<io::Logbook> m_logbook; ///< open from a reload on; none without a file
    QLabel* m_warning = nullptr;
    QComboBox* m_electrodes = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_withdraw = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_saveTrends = nullptr;
    QPushButton* m_print = nullptr;
    LogbookTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    TrendPlotView* m_e0Plot = nullptr;
    TrendPlotView* m_slopeFactorPlot = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_drift = nullptr;
    QLabel* m_rules = nullptr;
    QSpinBox* m_baselineCount = nullptr;
    QPushButton* m_baselineStart = nullptr;
    std::size_t m_baselineFirst = 0; ///< the kept record the baseline starts at
    std::string m_warned;            ///< the warning about the file last shown
};

/// A file name for what the window saves of an electrode ("-logbook.csv",
/// "-trends.svg"): characters a file name cannot hold become "_".
QString electrodeFileName(const QString& electrode, const QString& ending);

/// One value of each record for a trend plot, in the records' order. A record
/// whose date cannot be read is left out.
std::vector<plot::TrendInput> trendInputs(const std::vector<io::LogbookEntry>& entries,
                                          double io::LogbookRecord::*value);

/// The drift warning of the E0 and slope factor trends, one line for each that
/// drifts, saying which way; empty when neither does.
QString driftWarning(const core::TrendSummary& e0, const core::TrendSummary& slopeFactor);

/// What the control lines are: their mean and standard deviation for E0 and the
/// slope factor, and of how many kept records; or that they need two.
QString controlLinesText(const core::TrendSummary& e0, const core::TrendSummary& slopeFactor);

/// For each of the rows, every control rule its record breaks ("E0 beyond 3 sd, 2 of
/// 3 beyond 2 sd on the same side; slope factor 6 in a row rising or falling");
/// empty for a record that breaks none.
std::vector<QString> ruleFlagTexts(const core::TrendSummary& e0,
                                   const core::TrendSummary& slopeFactor, std::size_t rows);

} // namespace ui
