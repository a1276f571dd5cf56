#pragma once

#include "plot/PlotGeometry.h"
#include "plot/PlotKind.h"
#include "plot/PointMarks.h"

#include <QImage>
#include <QWidget>

namespace ui {

class TitrationDocument;

/// A plot area of the window: the data plot or the residual plot beneath it.
/// The plot is drawn once into a picture kept with the widget, which every paint
/// shows; it is drawn again when the titration, the view or the size changes.
/// Each drawing ends with the cursor line at the current point; cursor moves
/// then toggle that line by exclusive or.
class PlotView : public QWidget {
    Q_OBJECT
public:
    PlotView(TitrationDocument& document, plot::PlotKind kind, QWidget* parent = nullptr);

    plot::PlotKind kind() const { return m_kind; }
    /// Draws the plot of the document's view afresh (clears the picture first).
    void redraw();
    /// Toggles the cursor line at point k (drawing it twice removes it).
    void toggleCursorLine(int k);
    /// Draws the coloured mark of point ip (data plot only).
    void showSelected(int ip);
    /// The device x of point k on this plot, as the cursor places it.
    std::optional<int> pointX(int k) const;

    const plot::PlotGeometry& plotGeometry() const { return m_geometry; }
    plot::PlotGeometry& plotGeometry() { return m_geometry; }
    const QImage& picture() const { return m_picture; }
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
    TitrationDocument& m_document;
    plot::PlotKind m_kind;
    plot::PlotGeometry m_geometry;
    plot::CursorSpan m_cursorSpan;
    QImage m_picture;
};

} // namespace ui
