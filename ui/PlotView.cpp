#include "PlotView.h"

#include "TitrationDocument.h"
#include "Twips.h"
#include "plot/DataPlot.h"
#include "plot/QPainterCanvas.h"
#include "plot/ResidualPlot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

PlotView::PlotView(TitrationDocument& document, plot::PlotKind kind, QWidget* parent)
    : QWidget(parent), m_document(document), m_kind(kind) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&document, &TitrationDocument::resultsChanged, this, &PlotView::redrawShown);
    connect(&document, &TitrationDocument::displayModeChanged, this, &PlotView::redrawShown);
    connect(&document, &TitrationDocument::cursorMoved, this, qOverload<>(&QWidget::update));
    if (kind == plot::PlotKind::Data)
        connect(&document, &TitrationDocument::pointSwitched, this, &PlotView::showSelected);
}

void PlotView::redrawShown() {
    if (!isHidden())
        redraw();
}

void PlotView::redraw() {
    const qreal ratio = devicePixelRatioF();
    QImage picture(QSize(width(), height()) * ratio, QImage::Format_RGB32);
    if (picture.isNull())
        return;
    picture.setDevicePixelRatio(ratio);
    const core::Titration& t = m_document.titration();
    const plot::DisplayMode mode = m_document.displayMode();
    const plot::ScreenDrawing screen{m_kind == plot::PlotKind::Data, 0};
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::TextAntialiasing);
        plot::QPainterCanvas canvas(painter, QRect(0, 0, width(), height()),
                                    Twips(logicalDpiX()).perPixel());
        if (m_kind == plot::PlotKind::Data)
            m_cursorSpan = plot::ShowData(canvas, m_geometry, t, mode, 1, width(), height(), screen);
        else
            m_cursorSpan =
                plot::ShowResids(canvas, m_geometry, t, mode, 1, width(), height(), screen);
    }
    m_picture = std::move(picture);
    update();
}

std::optional<int> PlotView::pointX(int k) const {
    return plot::iz(m_geometry, m_document.titration(), m_document.displayMode(), k);
}

void PlotView::drawCursor(QPainter& painter) const {
    const int k = m_document.cursorPoint();
    if (m_picture.isNull() || k < 1 || k > m_document.titration().PointCount())
        return;
    plot::QPainterCanvas canvas(painter, QRect(0, 0, width(), height()));
    plot::drawCursorLine(canvas, pointX(k), m_cursorSpan);
}

QImage PlotView::shownImage() const {
    QImage shown = m_picture;
    if (!shown.isNull()) {
        QPainter painter(&shown);
        drawCursor(painter);
    }
    return shown;
}

void PlotView::showSelected(int ip) {
    if (m_picture.isNull())
        return;
    QPainter painter(&m_picture);
    plot::QPainterCanvas canvas(painter, QRect(0, 0, width(), height()));
    plot::ShowSelected(canvas, m_geometry, m_document.titration(), m_document.displayMode(), ip);
    update();
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.drawImage(0, 0, m_picture);
    drawCursor(painter);
}

void PlotView::resizeEvent(QResizeEvent*) {
    if (isDrawn())
        redraw();
}

void PlotView::keyPressEvent(QKeyEvent* event) {
    emit keyPressed(event);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    emit mousePressed(event);
}

} // namespace ui
