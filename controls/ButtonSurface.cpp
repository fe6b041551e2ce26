#include "controls/ButtonSurface.h"

#include <QPainter>
#include <QRegion>
#include <QWidget>

ButtonSurface::ButtonSurface(QWidget& button) : m_button(button) {}

void ButtonSurface::applyShape(int buttonType)
{
    m_shapeRatio = m_button.devicePixelRatioF();
    const QRegion shape = ButtonPainter::BuildRegion(buttonType, m_button.size());
    if (shape == QRegion(m_button.rect()) || m_button.width() <= 0 || m_button.height() <= 0 || m_shapeRatio != 1.0)
        m_button.clearMask();
    else
        m_button.setMask(shape);
    m_button.setAttribute(Qt::WA_OpaquePaintEvent, m_shapeRatio == 1.0);
}

void ButtonSurface::render(const ButtonPainter& painter, int state, const ButtonPainter::Look& look)
{
    const qreal ratio = m_button.devicePixelRatioF();
    const QSize device = deviceSize();
    if (m_image.size() != device || m_image.devicePixelRatio() != ratio) {
        m_image = QImage(device, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(ratio);
    }
    painter.PaintButton(m_image, state, look);
}

void ButtonSurface::paint(const ButtonPainter& painter, int state, const ButtonPainter::Look& look)
{
    const qreal ratio = m_button.devicePixelRatioF();
    if (m_shapeRatio != ratio)
        applyShape(look.buttonType);
    if (m_image.size() != deviceSize() || m_image.devicePixelRatio() != ratio)
        render(painter, state, look);
    QPainter onto(&m_button);
    // At fractional ratios the button may start inside a device pixel; the image goes where the
    // window system's clip of the button starts, so that it is copied pixel for pixel.
    const QPointF origin = onto.deviceTransform().map(QPointF(0, 0));
    const QPointF snap(qRound(origin.x()) - origin.x(), qRound(origin.y()) - origin.y());
    onto.drawImage(snap / m_image.devicePixelRatio(), m_image);
}

QSize ButtonSurface::deviceSize() const
{
    const qreal ratio = m_button.devicePixelRatioF();
    if (ratio == 1.0)
        return m_button.size();
    // The window system rounds the button's edges in the window to device pixels; so does the image.
    const QPoint at = m_button.mapTo(m_button.window(), QPoint(0, 0));
    const auto span = [ratio](int from, int length) { return qRound((from + length) * ratio) - qRound(from * ratio); };
    return QSize(span(at.x(), m_button.width()), span(at.y(), m_button.height()));
}
