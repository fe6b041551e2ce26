#include "controls/ButtonPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "controls/SymbolCaption.h"

namespace {

using Palette = ButtonPainter::Palette;
using Look = ButtonPainter::Look;

QRgb shade(QRgb color, int amount)
{
    return ButtonPainter::ShadeColor(color, amount, false);
}

QRgb shadeP(QRgb color, int amount)
{
    return ButtonPainter::ShadeColor(color, amount, true);
}

/// Logical to device pixels along one axis. Within Zone pixels of either end every logical pixel is
/// Thick device pixels, so the edges are lines of one width; the middle takes what is left over.
class Axis
{
public:
    Axis(int length, int device, int thick) : m_length(length), m_device(device), m_thick(thick)
    {
        m_zone = std::max(0, std::min({Zone, length / 2, device / (2 * thick)}));
    }

    int operator()(int x) const
    {
        if (x <= m_zone)
            return x * m_thick;
        if (x >= m_length - m_zone)
            return m_device - (m_length - x) * m_thick;
        const double middle = double(m_device - 2 * m_zone * m_thick) / double(m_length - 2 * m_zone);
        return m_zone * m_thick + int(std::lround(double(x - m_zone) * middle));
    }

private:
    // The deepest edge detail of the styles (the focus rectangle) lies 4 pixels in.
    static constexpr int Zone = 6;
    int m_length;
    int m_device;
    int m_thick;
    int m_zone = 0;
};

/// The drawing primitives of one paint, with the current text colour.
class Canvas
{
public:
    Canvas(QPainter& painter, const ButtonPainter& owner, const Look& look, QSize size, QSize device, qreal ratio)
        : W(size.width()), H(size.height()), m_thick(std::max(1, qRound(ratio))), m_ratio(ratio), m_device(device),
          m_x(W, device.width(), m_thick), m_y(H, device.height(), m_thick), m_painter(painter), m_owner(owner),
          m_look(look)
    {
    }

    /// Filled rectangle or one-pixel outline from (x, y) to (x + w, y + h), right and bottom edges excluded.
    void box(int x, int y, int w, int h, QRgb color, bool frame)
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

    /// Axis-parallel line without its end point (every line of the styles is one).
    void line(int x1, int y1, int x2, int y2, QRgb color)
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

    void pixel(int x, int y, QRgb color)
    {
        m_painter.fillRect(m_x(x), m_y(y), m_x(x + 1) - m_x(x), m_y(y + 1) - m_y(y), QColor::fromRgb(color));
    }

    void pixels(std::initializer_list<QPoint> points, QRgb color)
    {
        for (const QPoint& p : points)
            pixel(p.x(), p.y(), color);
    }

    /// (1, 1), (1, H - 2), (W - 2, 1) and (W - 2, H - 2).
    void corners(QRgb color) { pixels({{1, 1}, {1, H - 2}, {W - 2, 1}, {W - 2, H - 2}}, color); }

    /// Up to two rings; the top-left corner of a ring in the first colour, the other three in the second.
    void bevel(QRgb c1, QRgb c2, QRgb c3, QRgb c4, int inset, bool outerOnly)
    {
        const int e = std::abs(inset);
        const int x = W - 1 - e;
        const int y = H - 1 - e;
        ring(e, e, x, y, c1, c2);
        if (!outerOnly)
            ring(e + 1, e + 1, x - 1, y - 1, c3, c4);
    }

    /// The caption in the current text colour, in the pressed or the resting place.
    void caption(bool pressed) { captionIn(pressed, text); }

    /// Disabled captions: a light copy below right, the shadow copy in place.
    void emboss()
    {
        captionIn(true, m_owner.palette().Highlight);
        captionIn(false, m_owner.palette().Shadow);
    }

    /// Whether the button shows that it has the focus.
    bool focusShown() const { return m_look.hasFocus && (m_look.showFocusRect || m_look.focusCue); }

    /// The dotted focus rectangle, inverting, when the button has the focus and shows it.
    void focus()
    {
        if (!focusShown())
            return;
        text = m_owner.palette().TextColor;
        const QRect r = ButtonPainter::FocusRect(QSize(W, H));
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

    /// Style 5's focus mark: a frame around the whole caption string.
    void captionFrame()
    {
        if (!focusShown())
            return;
        const QFontMetrics metrics(ButtonPainter::CaptionFont(m_look.font));
        const int tw = metrics.horizontalAdvance(m_look.caption);
        const int th = metrics.height();
        box((W - tw) / 2 - 3, (H - th) / 2 - 1, tw + 6, th + 2, qRgb(153, 153, 204), true);
    }

    const int W;
    const int H;
    QRgb text = 0;

private:
    void ring(int left, int top, int right, int bottom, QRgb first, QRgb second)
    {
        line(left, bottom, left, top, first);          // left column, upward, without the top pixel
        line(left, top, right, top, first);            // top row without the right pixel
        line(right, top, right, bottom, second);       // right column without the bottom pixel
        line(right, bottom, left - 1, bottom, second); // bottom row, leftward, both ends
    }

    void captionIn(bool pressed, QRgb color)
    {
        // Captions and symbols are laid out in pixels and drawn at the device's resolution.
        const bool scaled = m_ratio != 1.0;
        if (scaled) {
            m_painter.save();
            m_painter.translate((m_device.width() - W * m_ratio) / 2, (m_device.height() - H * m_ratio) / 2);
            m_painter.scale(m_ratio, m_ratio);
        }
        const QSize size(W, H);
        if (!SymbolCaption::draw(m_painter, m_look.caption, m_look.font, m_look.dpi, size, pressed, color)) {
            m_painter.setPen(QColor::fromRgb(color));
            m_painter.setFont(ButtonPainter::CaptionFont(m_look.font));
            m_painter.drawText(pressed ? m_owner.PressedCaptionRect() : m_owner.CaptionRect(),
                               Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, m_look.caption);
        }
        if (scaled)
            m_painter.restore();
    }

    const int m_thick;
    const qreal m_ratio;
    const QSize m_device;
    const Axis m_x;
    const Axis m_y;
    QPainter& m_painter;
    const ButtonPainter& m_owner;
    const Look& m_look;
};

// Style 1: raised with outline.
void style1(Canvas& c, const Palette& p, int state, bool enabled)
{
    const bool down = enabled && state == ButtonPainter::StateDown;
    if (!enabled)
        c.emboss();
    else
        c.caption(down);
    if (down)
        c.bevel(p.Shadow, p.Highlight, p.Shadow, p.Highlight, -1, false);
    else
        c.bevel(p.Highlight, p.Shadow, p.Highlight, p.Shadow, -1, false);
    c.box(0, 0, c.W, c.H, p.DarkShadow, true);
    if (enabled)
        c.focus();
}

// Style 2: classic push button, outlined when it is the default button.
void style2(Canvas& c, const Palette& p, const Look& look, int state)
{
    if (!look.enabled) {
        c.emboss();
        c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, 0, false);
    } else if (state == ButtonPainter::StateUp) {
        c.caption(false);
        if (look.showFocusRect && look.isDefault) {
            c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, -1, false);
            c.focus();
            c.box(0, 0, c.W, c.H, p.DarkShadow, true);
        } else {
            c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, 0, false);
            if (look.focusCue)
                c.focus();
        }
    } else {
        c.caption(true);
        if (look.showFocusRect) {
            c.box(0, 0, c.W, c.H, p.DarkShadow, true);
            c.box(1, 1, c.W - 2, c.H - 2, p.Shadow, true);
            c.focus();
        } else {
            c.bevel(p.DarkShadow, p.Highlight, p.Shadow, p.Light, 0, false);
        }
    }
}

// Style 3: vertical gradient with rounded corners; focus and default shown by the edges.
void style3(Canvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.W;
    const int h = c.H;
    const QRgb raised = shadeP(p.Face, 48);
    if (!look.enabled) {
        c.box(0, 0, w, h, shadeP(raised, -24), false);
        c.text = shadeP(raised, -104);
        c.caption(false);
        c.box(0, 0, w, h, shadeP(raised, -84), true);
        c.corners(shadeP(raised, -72));
        return;
    }
    const bool down = state == ButtonPainter::StateDown;
    const QRgb b = down ? shadeP(raised, -32) : raised;

    // The amount grows by 25 over the height, in single precision, rounded half to even.
    const float step = 25.0f / float(h);
    for (int t = 1; t <= h; ++t) {
        const int y = down ? h - t : t;
        c.line(0, y, w, y, shadeP(b, -int(std::nearbyint(step * float(t)))));
    }
    if (down)
        c.text = p.TextColor;
    c.caption(down);
    c.box(0, 0, w, h, qRgb(0, 60, 115), true);
    c.corners(qRgb(16, 77, 123));

    if (down) {
        c.line(2, h - 2, w - 2, h - 2, shadeP(b, 16));
        c.line(1, h - 3, w - 2, h - 3, shadeP(b, 10));
        c.line(w - 2, 2, w - 2, h - 2, shadeP(b, 5));
        c.line(w - 3, 3, w - 3, h - 3, b);
        c.line(2, 1, w - 2, 1, shadeP(b, -32));
        c.line(1, 2, w - 2, 2, shadeP(b, -24));
        c.line(1, 2, 1, h - 2, shadeP(b, -32));
        c.line(2, 2, 2, h - 2, shadeP(b, -22));
    } else if (look.isOver || c.focusShown() || (look.showFocusRect && look.isDefault)) {
        // Orange edges under the pointer, blue ones for focus or default.
        const bool hover = look.isOver;
        c.box(1, 2, w - 2, h - 4, hover ? qRgb(255, 178, 49) : qRgb(140, 174, 231), true);
        c.line(2, h - 2, w - 2, h - 2, hover ? qRgb(231, 150, 0) : qRgb(107, 130, 239));
        c.line(2, 1, w - 2, 1, hover ? qRgb(255, 243, 206) : qRgb(206, 231, 255));
        c.line(1, 2, w - 1, 2, hover ? qRgb(255, 219, 140) : qRgb(189, 215, 247));
        const QRgb side = hover ? qRgb(255, 203, 107) : qRgb(181, 209, 240);
        c.line(2, 3, 2, h - 3, side);
        c.line(w - 3, 3, w - 3, h - 3, side);
    } else {
        c.line(2, h - 2, w - 2, h - 2, shadeP(b, -48));
        c.line(1, h - 3, w - 2, h - 3, shadeP(b, -32));
        c.line(w - 2, 2, w - 2, h - 2, shadeP(b, -36));
        c.line(w - 3, 3, w - 3, h - 3, shadeP(b, -24));
        c.line(2, 1, w - 2, 1, shadeP(b, 16));
        c.line(1, 2, w - 2, 2, shadeP(b, 10));
        c.line(1, 2, 1, h - 2, shadeP(b, -5));
        c.line(2, 3, 2, h - 3, shadeP(b, -10));
    }
}

// Style 4: rounded panel with soft edges; the focus rectangle only for focus from the keyboard.
void style4(Canvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.W;
    const int h = c.H;
    if (look.enabled && state == ButtonPainter::StateDown) {
        const QRgb s16 = shade(p.Shadow, -16);
        const QRgb s32 = shade(p.Shadow, -32);
        const QRgb s64 = shade(p.Shadow, -64);
        c.box(1, 1, w - 2, h - 2, s16, false);
        c.text = p.Light;
        c.caption(true);
        c.box(0, 0, w, h, p.DarkShadow, true);
        c.box(1, 1, w - 2, h - 2, s64, true);
        c.box(2, 2, w - 4, h - 4, s32, true);
        c.pixel(2, 2, s64);
        c.pixel(3, 3, s32);
        c.corners(p.DarkShadow);
        c.line(w - 3, 1, w - 3, h - 3, p.Shadow);
        c.line(1, h - 3, w - 2, h - 3, p.Shadow);
        c.pixel(w - 4, h - 4, p.Shadow);
        c.line(w - 2, 3, w - 2, h - 2, s16);
        c.line(3, h - 2, w - 2, h - 2, s16);
        c.pixels({{w - 2, h - 3}, {w - 3, h - 2}, {2, h - 2}}, s32);
        c.pixels({{2, h - 3}, {1, h - 3}}, s16);
        c.pixel(w - 2, 2, s32);
        c.pixels({{w - 3, 2}, {w - 3, 1}}, s16);
        return;
    }
    c.box(1, 1, w - 2, h - 2, p.Light, false);
    if (look.enabled)
        c.caption(false);
    else
        c.emboss();
    c.box(0, 0, w, h, p.DarkShadow, true);
    c.corners(p.DarkShadow);
    c.pixels({{1, 2}, {2, 1}}, p.Face);
    c.line(3, 2, w - 3, 2, p.Highlight);
    c.line(2, 2, 2, h - 3, p.Highlight);
    c.pixel(3, 3, p.Highlight);
    c.line(w - 3, 1, w - 3, h - 3, p.Face);
    c.line(1, h - 3, w - 3, h - 3, p.Face);
    c.pixel(w - 4, h - 4, p.Face);
    c.line(w - 2, 3, w - 2, h - 2, p.Shadow);
    c.line(3, h - 2, w - 2, h - 2, p.Shadow);
    c.pixel(w - 3, h - 3, p.Shadow);
    c.pixel(2, h - 2, p.Face);
    c.pixel(2, h - 3, p.Light);
    c.pixel(w - 2, 2, p.Face);
    c.pixel(w - 3, 2, p.Light);
    if (look.enabled && look.focusCue)
        c.focus();
}

// Style 5: flat face; the focus mark frames the caption, which never moves.
void style5(Canvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.W;
    const int h = c.H;
    if (!look.enabled) {
        c.text = p.Shadow;
        c.caption(false);
        c.box(0, 0, w, h, p.Shadow, true);
    } else if (state == ButtonPainter::StateUp) {
        c.box(1, 1, w - 1, h - 1, shade(p.Face, 12), false);
        c.caption(false);
        c.box(1, 1, w - 1, h - 1, p.Highlight, true);
        c.box(0, 0, w - 1, h - 1, shade(p.Shadow, -26), true);
        c.pixels({{1, h - 2}, {w - 2, 1}}, shade(p.Shadow, 26));
        c.captionFrame();
    } else {
        c.box(1, 1, w - 2, h - 2, shade(p.Shadow, 16), false);
        c.box(0, 0, w - 1, h - 1, shade(p.Shadow, -26), true);
        c.line(w - 1, 1, w - 1, h, p.Highlight);
        c.line(1, h - 1, w - 1, h - 1, p.Highlight);
        c.caption(false);
        c.captionFrame();
    }
}

// Style 6: soft raised edge.
void style6(Canvas& c, const Palette& p, const Look& look, int state)
{
    const QRgb l = shade(p.Light, 8);
    if (!look.enabled) {
        c.text = p.Shadow;
        c.caption(false);
        c.bevel(l, p.Shadow, l, p.Shadow, 0, false);
        return;
    }
    const bool down = state == ButtonPainter::StateDown;
    c.caption(down);
    if (down)
        c.bevel(p.Shadow, l, p.Shadow, l, 0, false);
    else
        c.bevel(l, p.Shadow, l, p.Shadow, 0, false);
    c.focus();
}

// Styles 7 (thin raised) and 8 (flat, raised only under the pointer).
void style7or8(Canvas& c, const Palette& p, const Look& look, int state)
{
    const bool flat = look.buttonType == 8;
    if (!look.enabled) {
        c.emboss();
        if (flat)
            c.box(0, 0, c.W, c.H, p.Shadow, true);
        else
            c.bevel(p.Highlight, p.Shadow, 0, 0, 0, true);
        return;
    }
    const bool down = state == ButtonPainter::StateDown;
    c.caption(down);
    if (down)
        c.bevel(p.Shadow, p.Highlight, 0, 0, 0, true);
    else if (!flat || look.isOver)
        c.bevel(p.Highlight, p.Shadow, 0, 0, 0, true);
    c.focus();
}

} // namespace

QRgb ButtonPainter::ShadeColor(QRgb color, int amount, bool proportional)
{
    const int red = qRed(color) + amount;
    const int green = qGreen(color) + amount;
    // Integer division truncates toward zero.
    const int blue = proportional ? qBlue(color) + (qBlue(color) * amount) / 192 : qBlue(color) + amount;
    return qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
}

ButtonPainter::Palette ButtonPainter::BuildPalette(int scheme, QRgb backColor, QRgb foreColor, QRgb foreOver,
                                                   const QPalette& system, QRgb containerBack, QRgb containerText)
{
    const auto derived = [](QRgb face, QRgb text, QRgb hoverText) {
        return Palette{face,
                       shade(face, 31),
                       shade(face, 47),
                       shade(face, -64),
                       shade(face, -192),
                       text | 0xff000000u,
                       hoverText | 0xff000000u};
    };
    switch (scheme) {
    case 2:
        return derived(backColor | 0xff000000u, foreColor, foreOver);
    case 3:
        return {qRgb(192, 192, 192), qRgb(223, 223, 223), qRgb(255, 255, 255), qRgb(128, 128, 128),
                qRgb(0, 0, 0),       qRgb(0, 0, 0),       qRgb(0, 0, 0)};
    case 4:
        return derived(containerBack | 0xff000000u, containerText, containerText);
    default: {
        const QRgb text = system.color(QPalette::ButtonText).rgb();
        return {system.color(QPalette::Button).rgb(),
                system.color(QPalette::Midlight).rgb(),
                system.color(QPalette::Light).rgb(),
                system.color(QPalette::Dark).rgb(),
                system.color(QPalette::Shadow).rgb(),
                text,
                text};
    }
    }
}

QRegion ButtonPainter::BuildRegion(int buttonType, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    QRegion shape(0, 0, std::max(0, w), std::max(0, h));
    QList<QPoint> cut;
    if (buttonType == 1) {
        cut = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    } else if (buttonType == 3 || buttonType == 4) {
        cut = {{0, 0},     {1, 0},     {0, 1},     {w - 2, 0},     {w - 1, 0},     {w - 1, 1},
               {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}};
    } else if (buttonType == 5) {
        cut = {{0, h - 1}, {w - 1, 0}};
    }
    for (const QPoint& p : cut)
        shape -= QRegion(p.x(), p.y(), 1, 1);
    return shape;
}

QRect ButtonPainter::FocusRect(QSize size)
{
    return QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4);
}

QFont ButtonPainter::CaptionFont(const QFont& font)
{
    // The designed faces are drawn in their metric twins, as the windows' labels are; any other face as
    // given.
    struct Twin
    {
        QLatin1StringView designed;
        QLatin1StringView twin;
        QFont::StyleHint hint;
    };
    static constexpr Twin twins[] = {
        {QLatin1StringView("MS Sans Serif"), QLatin1StringView("Liberation Sans"), QFont::SansSerif},
        {QLatin1StringView("Microsoft Sans Serif"), QLatin1StringView("Liberation Sans"), QFont::SansSerif},
        {QLatin1StringView("Arial"), QLatin1StringView("Liberation Sans"), QFont::SansSerif},
        {QLatin1StringView("Times New Roman"), QLatin1StringView("Liberation Serif"), QFont::Serif},
        {QLatin1StringView("Courier New"), QLatin1StringView("Liberation Mono"), QFont::Monospace},
        {QLatin1StringView("Fixedsys"), QLatin1StringView("Liberation Mono"), QFont::Monospace},
    };
    QFont result(font);
    for (const Twin& t : twins) {
        if (font.family().compare(t.designed, Qt::CaseInsensitive) == 0) {
            result.setFamily(t.twin);
            result.setStyleHint(t.hint);
        }
    }
    return result;
}

void ButtonPainter::LayoutCaption(const QString& caption, const QFont& font, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    // Measure the wrapped caption from (1, 0) within (w - 2, h - 2), then centre that extent.
    const QFontMetrics metrics(CaptionFont(font));
    const QRect measured = metrics.boundingRect(QRect(1, 0, std::max(0, w - 3), std::max(0, h - 2)),
                                                Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
    const int right = 1 + measured.width();
    const int bottom = measured.height();
    m_captionRect = QRect(1 + (w - right) / 2, (h - bottom) / 2, measured.width(), measured.height());
    m_pressedCaptionRect = m_captionRect.translated(1, 1);
}

void ButtonPainter::PaintButton(QImage& surface, int state, const Look& look) const
{
    if (surface.isNull())
        return;
    const qreal ratio = surface.devicePixelRatio();
    if (ratio == 1.0) {
        paint(surface, state, look, ratio);
        return;
    }
    // Drawn in device pixels. The window system would round a cut corner to other device pixels than
    // the drawing's, so the picture itself leaves the corners the shape cuts transparent.
    QImage device(surface.size(), QImage::Format_RGB32);
    paint(device, state, look, ratio);
    device = device.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QSize size = look.size.isEmpty() ? surface.size() : look.size;
    const QRegion shape = BuildRegion(look.buttonType, size);
    const int thick = std::max(1, qRound(ratio));
    const Axis x(size.width(), device.width(), thick);
    const Axis y(size.height(), device.height(), thick);
    QPainter painter(&device);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const int px : {0, 1, size.width() - 2, size.width() - 1})
        for (const int py : {0, 1, size.height() - 2, size.height() - 1})
            if (QRect(QPoint(), size).contains(px, py) && !shape.contains(QPoint(px, py)))
                painter.fillRect(x(px), y(py), x(px + 1) - x(px), y(py + 1) - y(py), Qt::transparent);
    painter.end();
    device.setDevicePixelRatio(ratio);
    surface = device;
}

void ButtonPainter::paint(QImage& surface, int state, const Look& look, qreal ratio) const
{
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Canvas c(painter, *this, look, look.size.isEmpty() ? surface.size() : look.size, surface.size(), ratio);
    const Palette& p = m_palette;
    c.box(0, 0, c.W, c.H, p.Face, false);
    if (state != StateUp && state != StateDown)
        return;
    c.text = look.isOver ? p.HoverTextColor : p.TextColor;
    switch (look.buttonType) {
    case 1:
        style1(c, p, state, look.enabled);
        break;
    case 2:
        style2(c, p, look, state);
        break;
    case 3:
        style3(c, p, look, state);
        break;
    case 4:
        style4(c, p, look, state);
        break;
    case 5:
        style5(c, p, look, state);
        break;
    case 6:
        style6(c, p, look, state);
        break;
    case 7:
    case 8:
        style7or8(c, p, look, state);
        break;
    default:
        break;
    }
}
