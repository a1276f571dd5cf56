#include "DataGrid.h"

#include "GridDelegate.h"
#include "GridModel.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cmath>

namespace ui {

DataGrid::DataGrid(GridModel& model, Twips twips, QWidget* parent)
    : QTableView(parent), m_model(model), m_delegate(new GridDelegate(this)), m_twips(twips) {
    setModel(&model);
    // The editor opens from the keys the window hands on (openEditor), never by itself.
    setItemDelegate(m_delegate);
    connect(m_delegate, &GridDelegate::arrowLeftCell, this, &DataGrid::moveAfterEdit);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
    horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
    verticalHeader()->setDefaultSectionSize(m_twips.px(kRowTwips));
    horizontalHeader()->setFixedHeight(m_twips.px(kRowTwips));
    verticalHeader()->setFixedWidth(m_twips.px(kFixedColumnTwips));
    // The corner shows the caption of the fixed column.
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);
    applyLayout();
}

int DataGrid::designTwips(int column) {
    switch (column) {
    case ColVolume: return 750;
    case ColUse: return 420;
    default: return 795;
    }
}

int DataGrid::contentWidth(int column) const {
    // A header's text with the header's margins.
    const auto header = [this](const QHeaderView* view, const QString& text) {
        return view->fontMetrics().horizontalAdvance(text) +
               2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 2;
    };
    if (column < 0) // the point numbers
        return header(verticalHeader(), QString::number(std::max(m_model.rowCount(), 1)));
    // The longest text of every row (not only those in sight) is the widest:
    // the texts are numbers, and digits are equally wide. The delegate measures it.
    int longestRow = -1;
    qsizetype longest = 0;
    for (int row = 0; row < m_model.rowCount(); ++row)
        if (const qsizetype n = m_model.text(row, column).size(); n > longest)
            longest = n, longestRow = row;
    const int title = header(horizontalHeader(), gridHeader(column));
    if (longestRow < 0)
        return title;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int gridLine = showGrid() ? 1 : 0;
    return std::max(title,
                    itemDelegate()->sizeHint(option, m_model.index(longestRow, column)).width() +
                        gridLine);
}

void DataGrid::applyLayout() {
    for (int c = 0; c < GridColumnCount; ++c)
        setColumnWidth(c, std::max(m_twips.px(designTwips(c)), contentWidth(c)));
    verticalHeader()->setFixedWidth(std::max(m_twips.px(kFixedColumnTwips), contentWidth(-1)));
}

double DataGrid::fitColumnTwips(int k) const {
    return m_twips.twips(k == 0 ? verticalHeader()->width() : columnWidth(k - 1));
}

bool DataGrid::fit(bool width) {
    const QWidget* container = parentWidget();
    if (!container)
        return false;
    const QRect client = container->contentsRect();
    const double limit = std::nearbyint(m_twips.twips(width ? client.width() : client.height()) -
                                        m_twips.twips(width ? x() : y()) - kMarginTwips);
    double total = kAllowanceTwips;
    const int count = width ? GridColumnCount + 1 : m_model.rowCount() + 1;
    for (int k = 0; k < count; ++k) {
        // The fixed column and the header row come first.
        total += width ? fitColumnTwips(k) : kRowTwips;
        if (total > limit) {
            total = limit;
            break;
        }
    }
    if (total <= 0)
        return false; // too small a container: the grid keeps its size
    if (width)
        resize(m_twips.px(total), height());
    else
        resize(this->width(), m_twips.px(total));
    return true;
}

void DataGrid::FitGridWidth() {
    fit(true);
}

void DataGrid::FitGridHeight() {
    fit(false);
}

int DataGrid::currentPoint() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

int DataGrid::currentColumn() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.column() : -1;
}

void DataGrid::openEditor(const QString& typed) {
    const QModelIndex index = currentIndex();
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    if (!edit(index, AllEditTriggers, nullptr))
        return;
    QLineEdit* editor = cellEditor();
    if (!editor)
        return;
    if (typed != QLatin1String("\r") && typed != QLatin1String("\n"))
        editor->setText(typed);
    editor->deselect();
    editor->end(false);
}

QLineEdit* DataGrid::cellEditor() const {
    return state() == EditingState ? qobject_cast<QLineEdit*>(indexWidget(currentIndex())) : nullptr;
}

void DataGrid::discardEdit() {
    if (QLineEdit* editor = cellEditor())
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void DataGrid::moveAfterEdit(int key) {
    CursorAction action = MoveDown;
    switch (key) {
    case Qt::Key_Up: action = MoveUp; break;
    case Qt::Key_Left: action = MoveLeft; break;
    case Qt::Key_Right: action = MoveRight; break;
    default: break;
    }
    const QModelIndex next = moveCursor(action, Qt::NoModifier);
    if (next.isValid())
        setCurrentIndex(next);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        QTableView::keyPressEvent(event);
        return;
    default:
        emit keyTyped(event);
    }
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (currentIndex().isValid())
        emit cellDoubleClicked();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    auto* corner = qobject_cast<QAbstractButton*>(watched);
    if (!corner || event->type() != QEvent::Paint)
        return QTableView::eventFilter(watched, event);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.text = kPointHeader;
    option.textAlignment = Qt::AlignHCenter | Qt::AlignTop;
    option.position = QStyleOptionHeader::OnlyOneSection;
    QPainter painter(corner);
    style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
}

} // namespace ui
