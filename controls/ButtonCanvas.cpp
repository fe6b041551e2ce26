#include "controls/ButtonCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFontMetrics>
#include <QPainter>

#include "controls/SymbolCaption.h"

ButtonCanvas::Axis::Axis(int length, int device, int thick) : m_length(length), m_device(device), m_thick(thick)
{
    m_zone = std::max(0, std::min({Zone, length / 2, device / (2 * thick)}));
}

int ButtonCanvas::Axis::operator()(int x) const
{
    if (x <= m_zone)
        return x * m_thick;
    if (x >= m_length - m_zone)
        return m_device - (m_length - x) * m_thick;
    const double middle = double(m_device - 2 * m_zone * m_thick) / double(m_length - 2 * m_zone);
    return m_zone * m_thick + int(std::lround(double(x - m_zone) * middle));
}

ButtonCanvas::ButtonCanvas(QPainter& painter, const ButtonPainter& owner, const ButtonPainter::Look& look, QSize size,
                           QSize device, qreal ratio)
    : m_width(size.width()), m_height(size.height()), m_thick(std::max(1, qRound(ratio))), m_ratio(ratio),
      m_device(device), m_x(m_width, device.width(), m_thick), m_y(m_height, device.height(), m_thick),
      m_painter(painter), m_owner(owner), m_look(look)
{
}

void ButtonCanvas::box(int x, int y, int w, int h, QRgb color, bool frame)
{
    if (w <= 0 || h <= 0)
        return;
    const QColor c = QColor::fromRgb(color);
    const int left = m_x(x), top = m_y(y), right = m_x(x + w), bottom = m_y(y + h);
    if (!frame) {
        m_painter.fillRect(left, top, right - left, bottom - top, c);
        return;
    }
    const int t = m_thick;
    m_painter.fillRect(left, top, right - left, t, c);
    m_painter.fillRect(left, bottom - t, right - left, t, c);
    m_painter.fillRect(left, top, t, bottom - top, c);
    m_painter.fillRect(right - t, top, t, bottom - top, c);
}

void ButtonCanvas::line(int x1, int y1, int x2, int y2, QRgb color)
{
    const QColor c = QColor::fromRgb(color);
    if (y1 == y2 && x1 != x2) {
        const int from = x2 > x1 ? x1 : x2 + 1;
        const int to = x2 > x1 ? x2 : x1 + 1;
        m_painter.fillRect(m_x(from), m_y(y1), m_x(to) - m_x(from), m_y(y1 + 1) - m_y(y1), c);
    } else if (x1 == x2 && y1 != y2) {
        const int from = y2 > y1 ? y1 : y2 + 1;
        const int to = y2 > y1 ? y2 : y1 + 1;
        m_painter.fillRect(m_x(x1), m_y(from), m_x(x1 + 1) - m_x(x1), m_y(to) - m_y(from), c);
    }
}

void ButtonCanvas::pixel(int x, int y, QRgb color)
{
    m_painter.fillRect(m_x(x), m_y(y), m_x(x + 1) - m_x(x), m_y(y + 1) - m_y(y), QColor::fromRgb(color));
}

void ButtonCanvas::pixels(std::initializer_list<QPoint> points, QRgb color)
{
    for (const QPoint& p : points)
        pixel(p.x(), p.y(), color);
}

void ButtonCanvas::corners(QRgb color)
{
    pixels({{1, 1}, {1, m_height - 2}, {m_width - 2, 1}, {m_width - 2, m_height - 2}}, color);
}

void ButtonCanvas::bevel(QRgb c1, QRgb c2, QRgb c3, QRgb c4, int inset, bool outerOnly)
{
    const int e = std::abs(inset);
    const int x = m_width - 1 - e;
    const int y = m_height - 1 - e;
    ring(e, e, x, y, c1, c2);
    if (!outerOnly)
        ring(e + 1, e + 1, x - 1, y - 1, c3, c4);
}

void ButtonCanvas::emboss()
{
    captionIn(true, m_owner.palette().Highlight);
    captionIn(false, m_owner.palette().Shadow);
}

bool ButtonCanvas::focusShown() const
{
    return m_look.hasFocus && (m_look.showFocusRect || m_look.focusCue);
}

void ButtonCanvas::focus()
{
    if (!focusShown())
        return;
    m_text = m_owner.palette().TextColor;
    const QRect r = ButtonPainter::FocusRect(QSize(m_width, m_height));
    if (r.width() <= 0 || r.height() <= 0)
        return;
    m_painter.save();
    m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const int t = m_thick;
    const int left = m_x(r.left()), top = m_y(r.top()), right = m_x(r.right() + 1), bottom = m_y(r.bottom() + 1);
    // Every other dot, on a pattern fixed to the surface so that the edges meet; each pixel once.
    for (int py = top; py < bottom; ++py) {
        const bool edgeRow = py < top + t || py >= bottom - t;
        for (int px = left; px < right; ++px) {
            if (!edgeRow && px >= left + t && px < right - t)
                px = right - t;
            if ((px / t + py / t) % 2 == 0)
                m_painter.fillRect(px, py, 1, 1, Qt::white);
        }
    }
    m_painter.restore();
}

void ButtonCanvas::captionFrame()
{
    if (!focusShown())
        return;
    const QFontMetrics metrics(ButtonPainter::CaptionFont(m_look.font));
    const int tw = metrics.horizontalAdvance(m_look.caption);
    const int th = metrics.height();
    box((m_width - tw) / 2 - 3, (m_height - th) / 2 - 1, tw + 6, th + 2, qRgb(153, 153, 204), true);
}

void ButtonCanvas::cutCorners(const QRegion& shape)
{
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect button(0, 0, m_width, m_height);
    for (const int px : {0, 1, m_width - 2, m_width - 1})
        for (const int py : {0, 1, m_height - 2, m_height - 1})
            if (button.contains(px, py) && !shape.contains(QPoint(px, py)))
                m_painter.fillRect(m_x(px), m_y(py), m_x(px + 1) - m_x(px), m_y(py + 1) - m_y(py), Qt::transparent);
    m_painter.restore();
}

void ButtonCanvas::ring(int left, int top, int right, int bottom, QRgb first, QRgb second)
{
    line(left, bottom, left, top, first);          // left column, upward, without the top pixel
    line(left, top, right, top, first);            // top row without the right pixel
    line(right, top, right, bottom, second);       // right column without the bottom pixel
    line(right, bottom, left - 1, bottom, second); // bottom row, leftward, both ends
}

void ButtonCanvas::captionIn(bool pressed, QRgb color)
{
    // Captions and symbols are laid out in pixels and drawn at the device's resolution.
    const bool scaled = m_ratio != 1.0;
    if (scaled) {
        m_painter.save();
        m_painter.translate((m_device.width() - m_width * m_ratio) / 2, (m_device.height() - m_height * m_ratio) / 2);
        m_painter.scale(m_ratio, m_ratio);
    }
    const QSize size(m_width, m_height);
    if (!SymbolCaption::draw(m_painter, m_look.caption, m_look.font, m_look.dpi, size, pressed, color)) {
        m_painter.setPen(QColor::fromRgb(color));
        m_painter.setFont(ButtonPainter::CaptionFont(m_look.font));
        m_painter.drawText(pressed ? m_owner.PressedCaptionRect() : m_owner.CaptionRect(),
                           Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, m_look.caption);
    }
    if (scaled)
        m_painter.restore();
}
