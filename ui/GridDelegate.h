#pragma once

#include <QStyledItemDelegate>

class QLineEdit;

namespace ui {

/// Edits the volume and emf cells of the data grid in a frameless line edit
/// ("EditA"). The editor is cyan while the arrows end the edit and leave the
/// cell, yellow after F2, when they move the caret. Enter stores, Escape ends
/// without storing, and losing the focus stores.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    static const QColor kArrowsLeaveCell; ///< cyan
    static const QColor kArrowsMoveCaret; ///< yellow

signals:
    /// An arrow stored the edit and closed the editor: the current cell moves as
    /// the arrow would move it on the grid.
    void arrowLeftCell(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool editorKey(QLineEdit* editor, const QKeyEvent* key);
};

} // namespace ui
