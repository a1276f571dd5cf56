#include "GridDelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ui {

namespace {

/// The cell editor remembers what the arrows do.
class CellEditor : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    bool arrowsLeaveCell() const { return m_arrowsLeaveCell; }
    void toggleArrows() {
        m_arrowsLeaveCell = !m_arrowsLeaveCell;
        showColour();
    }
    void showColour() {
        QPalette colours = palette();
        colours.setColor(QPalette::Base, m_arrowsLeaveCell ? GridDelegate::kArrowsLeaveCell
                                                           : GridDelegate::kArrowsMoveCaret);
        setPalette(colours);
    }

private:
    bool m_arrowsLeaveCell = true;
};

bool isArrow(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

} // namespace

const QColor GridDelegate::kArrowsLeaveCell(0, 255, 255);
const QColor GridDelegate::kArrowsMoveCaret(255, 255, 0);

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex&) const {
    auto* editor = new CellEditor(parent);
    editor->setObjectName(QStringLiteral("EditA"));
    editor->setFrame(false);
    editor->showColour();
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    // The grid line above the cell stays in sight.
    editor->setGeometry(option.rect.adjusted(0, 1, 0, 0));
}

bool GridDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* editor = dynamic_cast<CellEditor*>(watched);
    if (!editor)
        return QStyledItemDelegate::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: return editorKey(editor, static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride:
        // Escape belongs to the editor, not to a shortcut of the window.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
        return false;
    default:
        // Losing the focus stores, as the base delegate does.
        return QStyledItemDelegate::eventFilter(watched, event);
    }
}

bool GridDelegate::editorKey(QLineEdit* editor, const QKeyEvent* key) {
    auto* cell = static_cast<CellEditor*>(editor);
    switch (key->key()) {
    case Qt::Key_F2: cell->toggleArrows(); return true;
    case Qt::Key_Escape:
        // The edit ends and leaves the value and the cell as they were.
        emit closeEditor(editor, NoHint);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
        return true;
    default: break;
    }
    if (!isArrow(key->key()))
        return false;
    if (!cell->arrowsLeaveCell()) {
        // Left and Right move the caret; Up and Down have nowhere to go.
        return key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
    }
    const int arrow = key->key();
    emit commitData(editor);
    emit closeEditor(editor, NoHint);
    emit arrowLeftCell(arrow);
    return true;
}

} // namespace ui
