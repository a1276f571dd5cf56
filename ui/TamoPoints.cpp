// Working with points: the cursor on the plots and editing in the data grid.
#include "DataGrid.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "PlotView.h"
#include "Tamo.h"

#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <optional>

namespace ui {

namespace {

/// The modifier state as a sum: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) + (modifiers & Qt::ControlModifier ? 2 : 0) +
           (modifiers & Qt::AltModifier ? 4 : 0);
}

constexpr int kEnter = 13;
constexpr int kSpace = 32;
constexpr int kLeft = 37;
constexpr int kRight = 39;

int keyCode(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kEnter;
    case Qt::Key_Space: return kSpace;
    case Qt::Key_Left: return kLeft;
    case Qt::Key_Right: return kRight;
    default: return 0;
    }
}

/// What a key pressed on the grid types: "\r" for Enter, an empty text for
/// Backspace and Delete (an editor opened empty), the printable characters as
/// they are; none for Escape, shortcuts and the other control keys.
std::optional<QString> gridKeyText(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return QString();
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                                          [](QChar c) { return c.isPrint(); });
    return printable ? std::optional<QString>(text) : std::nullopt;
}

} // namespace

// ---- The point cursor ----

void Tamo::connectPointViews() {
    for (PlotView* view : {m_dataPlot, m_residualPlot}) {
        connect(view, &PlotView::keyPressed, this, [this](QKeyEvent* event) {
            DataPlot_KeyDown(keyCode(event), shiftState(event->modifiers()));
        });
        connect(view, &PlotView::mousePressed, this,
                [this](QMouseEvent* event) { DataPlot_MouseDown(event->position().x()); });
    }
    connect(m_grid, &DataGrid::keyTyped, this, [this](QKeyEvent* event) {
        if (const std::optional<QString> typed = gridKeyText(event))
            DataGrid_KeyPress(*typed);
    });
    connect(m_grid, &DataGrid::cellDoubleClicked, this, &Tamo::DataGrid_DblClick);
}

void Tamo::followCursor(int k) {
    CursorData(k);
    // The grid keeps the current point's row in sight.
    if (m_grid->isVisible() && k >= 1 && k <= m_gridModel->rowCount())
        m_grid->scrollTo(m_gridModel->index(k - 1, 0));
}

void Tamo::DataPlot_KeyDown(int key, int shift) {
    const int n = m_document.titration().PointCount();
    const int k = m_document.cursorPoint();
    if (k < 1 || k > n)
        return;
    switch (key) {
    case kLeft:
        if (k > shift + 1)
            m_document.setCursorPoint(k - 1 - shift);
        break;
    case kRight:
        if (k < n - shift)
            m_document.setCursorPoint(k + 1 + shift);
        break;
    case kEnter:
    case kSpace: {
        CalculationMessages sink(*this);
        m_document.switchPointAndCalculate(k, sink);
        break;
    }
    default: break;
    }
}

void Tamo::DataPlot_MouseDown(double x) {
    const int n = m_document.titration().PointCount();
    int k = m_document.cursorPoint();
    if (k < 1 || k > n)
        return;
    const long X = std::lrint(x);
    const auto at = [this](int point) { return m_dataPlot->pointX(point); };
    if (const auto xk = at(k); xk && *xk > X) {
        while (k > 1 && at(k) && X < *at(k))
            --k;
    } else if (xk && *xk < X) {
        while (k < n && at(k) && X > *at(k))
            ++k;
    }
    m_document.setCursorPoint(k);
}

// ---- Editing in the grid ----

void Tamo::DataGrid_KeyPress(const QString& typed) {
    const int point = m_grid->currentPoint();
    if (point < 1)
        return;
    switch (m_grid->currentColumn()) {
    case ColVolume:
    case ColEmfObs: m_grid->openEditor(typed); break;
    case ColEmfCalc:
    case ColPHCalc: m_dialogs.beep(); break;
    case ColUse:
        if (typed.isEmpty())
            break; // Backspace and Delete have nothing to clear here
        m_document.switchPoint(point); // the data plot marks it anew
        break;
    default: break;
    }
}

void Tamo::DataGrid_DblClick() {
    DataGrid_KeyPress(QStringLiteral("\r"));
}

} // namespace ui
