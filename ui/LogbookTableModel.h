#pragma once

#include "io/LogbookRecord.h"

#include <QAbstractTableModel>
#include <vector>

namespace ui {

/// The records of one electrode as a table, one row per record in date order.
/// Numbers are shown as the results frames show them; withdrawn records are greyed.
/// SortRole gives what a column sorts by: the number itself, the row for the date.
class LogbookTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Id,
        Date,
        Measured,
        Identifier,
        E0,
        Slope,
        SlopeFactor,
        Rms,
        AcidEndPoint,
        AlkaliEndPoint,
        Impurity,
        AlkaliConc,
        VerdictColumn,
        DataFile,
        ControlRules,
        Operator,
        Edited,
        Comment,
        ProgramVersion,
        WithdrawalReason,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<io::LogbookEntry> entries);
    /// The control rules each row's record breaks, one text per row.
    void setRuleFlags(std::vector<QString> flags);
    const std::vector<io::LogbookEntry>& entries() const { return m_entries; }
    /// The row of the record with the id; -1 when it is not shown.
    int rowOf(long long id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    /// The text of a cell, as the table shows it.
    QString text(int row, int column) const;

private:
    QVariant sortKey(int row, int column) const;
    QVariant foreground(int row, int column) const;
    QString toolTip(int row, int column) const;

    std::vector<io::LogbookEntry> m_entries;
    std::vector<QString> m_ruleFlags;
};

/// "2024-05-02 09:41" for "2024-05-02T09:41:07+02:00": the date and time as the
/// record gives them, in its own offset. The text itself when it is no such date.
QString shortDateTime(const std::string& isoText);

} // namespace ui
