#include "LogbookTableModel.h"

#include "core/Format.h"

#include <QColor>
#include <QDateTime>

namespace ui {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

/// The value to as many places as its deviation's one figure needs, then "± deviation".
QString withDeviation(double value, double sd) {
    const std::string sdText = core::OneFig(sd);
    return qs(core::formatNumber(value, core::formt(sdText)) + " \u00B1 " + sdText);
}

QString reasonsText(const core::Verdict& verdict) {
    return qs(core::verdictText(verdict));
}

const QColor kGrey(160, 160, 160);
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

/// The data file with its checksum; for an import, its source, the profile
/// that read it and where each condition came from.
QString sourceText(const io::LogbookRecord& r) {
    QString text = qs(r.dataFile + "\nSHA-256 " + r.dataSha256);
    if (!r.sourceFile.empty()) {
        text += qs("\nimported from " + r.sourceFile + "\nSHA-256 " + r.sourceSha256);
        const QStringList profile = qs(r.importProfile).split(QLatin1Char('\n'));
        text += QStringLiteral("\nby the import profile\n  ") + profile.mid(0, 6).join("\n  ") +
                (profile.size() > 6 ? QStringLiteral("\n  ...") : QString());
    }
    const char* const conditions[] = {"titrand volume", "electrolyte volume",
                                      "titrand concentration", "titrant concentration"};
    QStringList sources;
    for (std::size_t i = 0; i < r.conditionSource.size(); ++i)
        if (!r.conditionSource[i].empty())
            sources << QStringLiteral("%1 from %2")
                           .arg(QLatin1String(conditions[i]), qs(r.conditionSource[i]));
    if (!sources.isEmpty())
        text += QLatin1Char('\n') + sources.join(QStringLiteral(", "));
    return text;
}

bool isNumberColumn(int column) {
    return column >= LogbookTableModel::E0 && column <= LogbookTableModel::AlkaliConc;
}

} // namespace

QString shortDateTime(const std::string& isoText) {
    const QDateTime at = QDateTime::fromString(qs(isoText), Qt::ISODate);
    return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : qs(isoText);
}

void LogbookTableModel::setEntries(std::vector<io::LogbookEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    m_ruleFlags.assign(m_entries.size(), QString());
    endResetModel();
}

void LogbookTableModel::setRuleFlags(std::vector<QString> flags) {
    flags.resize(m_entries.size());
    m_ruleFlags = std::move(flags);
    if (!m_entries.empty())
        emit dataChanged(index(0, ControlRules), index(rowCount() - 1, ControlRules));
}

int LogbookTableModel::rowOf(long long id) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].record.id == id)
            return static_cast<int>(i);
    return -1;
}

int LogbookTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int LogbookTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString LogbookTableModel::text(int row, int column) const {
    const io::LogbookEntry& e = m_entries[static_cast<std::size_t>(row)];
    const io::LogbookRecord& r = e.record;
    switch (column) {
    case Id:
        return QString::number(r.id);
    case Date:
        return shortDateTime(r.recordedAt);
    case Measured:
        return shortDateTime(r.measuredAt);
    case ControlRules:
        return m_ruleFlags[static_cast<std::size_t>(row)];
    case Operator:
        return qs(r.operatorName);
    case Edited:
        return r.reproducible ? (r.edited ? QStringLiteral("edited") : QStringLiteral("no"))
                              : QString();
    case Comment:
        return qs(r.comment).simplified();
    case Identifier:
        return qs(r.identifier).simplified();
    case E0:
        return withDeviation(r.E0, r.E0sd);
    case Slope:
        return withDeviation(r.slope, r.slopeSd);
    case SlopeFactor:
        return qs(core::formatNumber(r.slopeFactor, "0.0000"));
    case Rms:
        return qs(core::formatNumber(r.rms, "#0.0###"));
    case AcidEndPoint:
        return withDeviation(r.acidEndPoint, r.acidEndPointSd);
    case AlkaliEndPoint:
        return withDeviation(r.alkaliEndPoint, r.alkaliEndPointSd);
    case Impurity:
        return qs(core::formatNumber(r.impurityPercent, "#0.00") + "%");
    case AlkaliConc:
        return withDeviation(r.alkaliConc, r.alkaliConcSd);
    case VerdictColumn:
        return reasonsText(r.verdict);
    case DataFile:
        return qs(r.dataFile);
    case ProgramVersion:
        return qs(r.programVersion);
    case WithdrawalReason:
        return e.withdrawal ? qs(e.withdrawal->reason) : QString();
    default:
        return {};
    }
}

QVariant LogbookTableModel::sortKey(int row, int column) const {
    const io::LogbookRecord& r = m_entries[static_cast<std::size_t>(row)].record;
    switch (column) {
    case Id:
        return r.id;
    case Date:
        return row; // the rows are in date order, whatever the offsets of the dates
    case E0:
        return r.E0;
    case Slope:
        return r.slope;
    case SlopeFactor:
        return r.slopeFactor;
    case Rms:
        return r.rms;
    case AcidEndPoint:
        return r.acidEndPoint;
    case AlkaliEndPoint:
        return r.alkaliEndPoint;
    case Impurity:
        return r.impurityPercent;
    case AlkaliConc:
        return r.alkaliConc;
    default:
        return text(row, column);
    }
}

QVariant LogbookTableModel::foreground(int row, int column) const {
    const io::LogbookEntry& e = m_entries[static_cast<std::size_t>(row)];
    if (e.withdrawn())
        return kGrey;
    if (column == VerdictColumn)
        return e.record.verdict.ok() ? kGreen : kRed;
    if (column == ControlRules)
        return kRed;
    return {};
}

QString LogbookTableModel::toolTip(int row, int column) const {
    const io::LogbookEntry& e = m_entries[static_cast<std::size_t>(row)];
    switch (column) {
    case Identifier:
        return qs(e.record.identifier);
    case DataFile:
        return sourceText(e.record);
    case Date:
        return qs(e.record.recordedAt);
    case E0:
    case Slope:
        if (const std::optional<double>& u = column == E0 ? e.record.uE0 : e.record.uSlope)
            return QStringLiteral("combined standard uncertainty %1 %2")
                .arg(qs(core::OneFig(*u)),
                     column == E0 ? QStringLiteral("mV") : QStringLiteral("mV per pH"));
        break;
    default:
        break;
    }
    if (e.withdrawal)
        return QStringLiteral("withdrawn %1: %2")
            .arg(shortDateTime(e.withdrawal->withdrawnAt), qs(e.withdrawal->reason));
    return column == VerdictColumn ? text(row, column) : QString();
}

QVariant LogbookTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case SortRole:
        return sortKey(index.row(), index.column());
    case Qt::ForegroundRole:
        return foreground(index.row(), index.column());
    case Qt::ToolTipRole:
        return toolTip(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return isNumberColumn(index.column()) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                              : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant LogbookTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const captions[ColumnCount] = {"Id",
                                                      "Entered",
                                                      "Measured",
                                                      "Identifier",
                                                      "E0 /mV",
                                                      "Slope /mV",
                                                      "Slope factor",
                                                      "rms residual /mV",
                                                      "Acid end-point /ml",
                                                      "Alkali end-point /ml",
                                                      "Impurity level",
                                                      "Alkali concentration /mol dm\u207B\u00B3",
                                                      "Verdict",
                                                      "Data file",
                                                      "Control rules",
                                                      "Operator",
                                                      "Points",
                                                      "Comment",
                                                      "Program version",
                                                      "Withdrawn because"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(captions[section])
                                                 : QVariant();
}

} // namespace ui
