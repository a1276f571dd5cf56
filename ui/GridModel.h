#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <vector>

namespace core {
class MessageSink;
}

namespace ui {

class TitrationDocument;

/// The columns of the data grid after its fixed first column (the point number).
enum GridColumn { ColVolume = 0, ColEmfObs, ColEmfCalc, ColPHCalc, ColUse, GridColumnCount };

/// The data grid's table: one row per point. The volume and the observed emf
/// show the text typed in the grid until the next refill, the use column
/// follows the point's flag, and the calculated emf is the one worked out at
/// the last refill (a corrected volume does not change it until the next
/// calculation). No widget item is made per cell. The volume and the observed
/// emf are edited: a typed text is stored in the titration, a text with no
/// number is refused with a message and an empty one changes nothing.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// The messages of a refused entry go to `messages`.
    GridModel(TitrationDocument& document, std::unique_ptr<core::MessageSink> messages,
              QObject* parent = nullptr);
    ~GridModel() override;

    /// Rebuilds the whole table from the titration.
    void refill();
    /// Repaints one point's row after a switch or a correction.
    void refreshRow(int point);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    /// The text of a cell as the grid shows it.
    QString text(int row, int column) const;

private:
    TitrationDocument& m_document;
    std::unique_ptr<core::MessageSink> m_messages;
    int m_rows = 0;
    std::vector<double> m_calculatedEmf; ///< at the last refill; empty without results
};

/// The captions of the header row: "point" over the fixed column, then the columns.
QString gridHeader(int column);
inline const QString kPointHeader = QStringLiteral("point");

} // namespace ui
