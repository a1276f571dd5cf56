#include "GridModel.h"

#include "TitrationDocument.h"
#include "core/ElectrodeModel.h"
#include "core/Format.h"
#include "core/MessageSink.h"
#include "core/NumberEntry.h"

namespace ui {

QString gridHeader(int column) {
    switch (column) {
    case ColVolume: return QStringLiteral("vol");
    case ColEmfObs: return QStringLiteral("emf (obs)");
    case ColEmfCalc: return QStringLiteral("emf (calc)");
    case ColPHCalc: return QStringLiteral("pH (calc)");
    case ColUse: return QStringLiteral("use");
    default: return {};
    }
}

GridModel::GridModel(TitrationDocument& document, std::unique_ptr<core::MessageSink> messages,
                     QObject* parent)
    : QAbstractTableModel(parent), m_document(document), m_messages(std::move(messages)) {}

GridModel::~GridModel() = default;

void GridModel::refill() {
    beginResetModel();
    const core::Titration& t = m_document.titration();
    m_rows = t.PointCount();
    m_calculatedEmf.clear();
    if (m_document.hasCurrentResults()) {
        const core::ElectrodeModel model = core::electrodeModel(t);
        m_calculatedEmf.reserve(t.points.size());
        for (const core::Point& p : t.points)
            m_calculatedEmf.push_back(core::Ycalc(model, p.Volume));
    }
    endResetModel();
}

void GridModel::refreshRow(int point) {
    if (point >= 1 && point <= m_rows)
        emit dataChanged(index(point - 1, 0), index(point - 1, GridColumnCount - 1));
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GridColumnCount;
}

QString GridModel::text(int row, int column) const {
    const core::Titration& t = m_document.titration();
    if (row < 0 || row >= m_rows || row >= t.PointCount())
        return {};
    const auto i = static_cast<std::size_t>(row);
    const core::Point& p = t.points[i];
    switch (column) {
    case ColVolume:
        return QString::fromStdString(p.volumeText.empty() ? core::generalNumberText(p.Volume)
                                                           : p.volumeText);
    case ColEmfObs:
        return QString::fromStdString(p.emfText.empty() ? core::formatNumber(p.EmfObs, "#0.00")
                                                        : p.emfText);
    case ColEmfCalc:
        return i < m_calculatedEmf.size()
                   ? QString::fromStdString(core::formatNumber(m_calculatedEmf[i], "#0.00"))
                   : QString();
    case ColPHCalc: return QString::fromStdString(core::formatNumber(p.PointPH, "0.000"));
    case ColUse: return p.UsePoint ? QString() : QStringLiteral("x");
    default: return {};
    }
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    // The tip shows a text that a narrowed column cuts.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::EditRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignTop));
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole)
        return orientation == Qt::Horizontal ? QVariant(gridHeader(section))
                                             : QVariant(QString::number(section + 1));
    if (role == Qt::TextAlignmentRole) {
        const bool left = orientation == Qt::Horizontal && section == ColUse;
        return QVariant::fromValue(Qt::Alignment((left ? Qt::AlignLeft : Qt::AlignHCenter) |
                                                 Qt::AlignTop));
    }
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const bool typed = index.column() == ColVolume || index.column() == ColEmfObs;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (typed ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || index.row() >= m_rows)
        return false;
    const std::string text = value.toString().toStdString();
    const std::string typed = value.toString().trimmed().toStdString();
    if (typed.empty())
        return false; // nothing typed: the value stays
    if (!core::hasNumber(typed)) {
        // Refused: the cell keeps its value and its text.
        m_messages->message(std::string(core::kInvalidNumberMessage));
        return false;
    }
    const double number = core::TextToNumber(text, *m_messages);
    const int point = index.row() + 1;
    if (index.column() == ColVolume)
        m_document.setVolume(point, number, text);
    else
        m_document.setEmf(point, number, text);
    return true; // the document's change repaints the row
}

} // namespace ui
