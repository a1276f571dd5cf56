#include "TrendPlotView.h"

#include "Twips.h"
#include "plot/QPainterCanvas.h"

#include <QPainter>

namespace ui {

TrendPlotView::TrendPlotView(QString title, QWidget* parent)
    : QWidget(parent), m_title(title.toStdString()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(280, 170);
}

void TrendPlotView::setTrend(plot::TrendLayout trend) {
    m_trend = std::move(trend);
    redraw();
}

void TrendPlotView::draw(plot::Canvas& canvas) {
    plot::ShowTrend(canvas, m_geometry, m_trend, width(), height(), m_title);
}

void TrendPlotView::redraw() {
    const qreal ratio = devicePixelRatioF();
    QImage picture(QSize(width(), height()) * ratio, QImage::Format_RGB32);
    if (picture.isNull())
        return;
    picture.setDevicePixelRatio(ratio);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::TextAntialiasing);
        plot::QPainterCanvas canvas(painter, QRect(0, 0, width(), height()),
                                    Twips(logicalDpiX()).perPixel());
        draw(canvas);
    }
    m_picture = std::move(picture);
    update();
}

void TrendPlotView::drawOn(QPainter& painter, const QRect& area) const {
    painter.save();
    painter.translate(area.topLeft());
    painter.fillRect(QRect(QPoint(0, 0), area.size()), Qt::white);
    plot::QPainterCanvas canvas(painter, QRect(QPoint(0, 0), area.size()),
                                Twips(painter.device()->logicalDpiX()).perPixel());
    plot::PlotGeometry geometry;
    plot::ShowTrend(canvas, geometry, m_trend, area.width(), area.height(), m_title);
    canvas.flush();
    painter.restore();
}

void TrendPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(0, 0, m_picture);
}

void TrendPlotView::resizeEvent(QResizeEvent*) {
    redraw();
}

} // namespace ui
