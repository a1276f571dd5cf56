#pragma once

#include "Twips.h"

#include <QTableView>

class QLineEdit;

namespace ui {

class GridDelegate;
class GridModel;

/// The data grid: a fixed header row, a fixed first column with the point
/// numbers ("point" in the corner) and five columns. It sizes itself to its
/// content within the free space of its container.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    DataGrid(GridModel& model, Twips twips, QWidget* parent = nullptr);

    GridModel& gridModel() const { return m_model; }
    /// Column widths after a refill: the design widths, wider where a column's
    /// texts need it (the point numbers too). The user may widen a column further.
    void applyLayout();
    /// Width: the columns plus 270 twips, at most the container's width less the
    /// grid's left edge and 60 twips. A limit of zero or less changes nothing.
    void FitGridWidth();
    /// Height: the rows plus 270 twips, at most the container's height less the
    /// grid's top edge and 60 twips.
    void FitGridHeight();

    /// The grid's current point (1-based) and column, or 0 for none (the fixed cells).
    int currentPoint() const;
    int currentColumn() const;

    /// Opens the editor on the current cell holding `typed`; Enter ("\r") opens
    /// it holding the cell's text. The caret stands at the end.
    void openEditor(const QString& typed);
    /// The editor open on the current cell, or none.
    QLineEdit* cellEditor() const;
    /// Closes an open editor without storing its text.
    void discardEdit();

signals:
    /// A key the grid does not use for moving (characters, Enter, F2...).
    void keyTyped(QKeyEvent* event);
    void cellDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Twips of the fixed column, of each column and of the allowance for borders.
    static constexpr int kFixedColumnTwips = 420;
    static constexpr int kAllowanceTwips = 270;
    static constexpr int kMarginTwips = 60;
    static constexpr int kRowTwips = 240;

    /// The design width of a column, the minimum.
    static int designTwips(int column);
    /// The pixels a column needs for its widest text, the header's included
    /// (-1: the fixed column of point numbers).
    int contentWidth(int column) const;
    /// The width of column k of the fit (0: the fixed column), twips.
    double fitColumnTwips(int k) const;
    bool fit(bool width);
    /// After an arrow ended an edit: the current cell moves as the arrow moves it.
    void moveAfterEdit(int key);

    GridModel& m_model;
    GridDelegate* m_delegate;
    Twips m_twips;
};

} // namespace ui
