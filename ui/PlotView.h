#pragma once

#include "plot/PlotExport.h"
#include "plot/PlotGeometry.h"
#include "plot/PointMarks.h"

#include <QImage>
#include <QWidget>

namespace ui {

class TitrationDocument;

/// A plot area of the window: the data plot or the residual plot beneath it.
/// The plot is drawn once into a picture kept with the widget; it is drawn
/// again when the document's results, view or titration change, or the size
/// does. Every paint shows the picture with the cursor line of the document's
/// current point over it, so a cursor move only repaints.
class PlotView : public QWidget {
    Q_OBJECT
public:
    PlotView(TitrationDocument& document, plot::PlotKind kind, QWidget* parent = nullptr);

    plot::PlotKind kind() const { return m_kind; }
    /// Draws the plot of the document's view afresh (clears the picture first).
    void redraw();
    /// The device x of point k on this plot, as the cursor places it.
    std::optional<int> pointX(int k) const;

    const plot::PlotGeometry& plotGeometry() const { return m_geometry; }
    plot::PlotGeometry& plotGeometry() { return m_geometry; }
    /// The drawn plot without the cursor line.
    const QImage& picture() const { return m_picture; }
    /// What the widget shows: the picture with the cursor line over it.
    QImage shownImage() const;
    bool isDrawn() const { return !m_picture.isNull(); }

signals:
    void keyPressed(QKeyEvent* event);
    void mousePressed(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    /// Redraws when the plot is on show (or about to be).
    void redrawShown();
    /// Draws the coloured mark of point ip into the picture (data plot only).
    void showSelected(int ip);
    void drawCursor(QPainter& painter) const;

    TitrationDocument& m_document;
    plot::PlotKind m_kind;
    plot::PlotGeometry m_geometry;
    plot::CursorSpan m_cursorSpan;
    QImage m_picture;
};

} // namespace ui
