#pragma once

#include "plot/PlotGeometry.h"
#include "plot/TrendPlot.h"

#include <QImage>
#include <QWidget>

namespace ui {

/// A trend plot of the logbook window. Like the main window's plots it is drawn
/// once into a picture kept with the widget, and again when the trend or the size changes.
class TrendPlotView : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlotView(QString title, QWidget* parent = nullptr);

    void setTrend(plot::TrendLayout trend);
    const plot::TrendLayout& trend() const { return m_trend; }
    const plot::PlotGeometry& plotGeometry() const { return m_geometry; }
    const QImage& picture() const { return m_picture; }
    /// Draws the trend into the rectangle of a painter (a page, a file's picture).
    void drawOn(QPainter& painter, const QRect& area) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void redraw();
    void draw(plot::Canvas& canvas);

    std::string m_title;
    plot::TrendLayout m_trend;
    plot::PlotGeometry m_geometry;
    QImage m_picture;
};

} // namespace ui
