#include "controls/ButtonPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "controls/ButtonCanvas.h"

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

// Style 1: raised with outline.
void style1(ButtonCanvas& c, const Palette& p, int state, bool enabled)
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
    c.box(0, 0, c.width(), c.height(), p.DarkShadow, true);
    if (enabled)
        c.focus();
}

// Style 2: classic push button, outlined when it is the default button.
void style2(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    if (!look.enabled) {
        c.emboss();
        c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, 0, false);
    } else if (state == ButtonPainter::StateUp) {
        c.caption(false);
        if (look.showFocusRect && look.isDefault) {
            c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, -1, false);
            c.focus();
            c.box(0, 0, c.width(), c.height(), p.DarkShadow, true);
        } else {
            c.bevel(p.Highlight, p.DarkShadow, p.Light, p.Shadow, 0, false);
            if (look.focusCue)
                c.focus();
        }
    } else {
        c.caption(true);
        if (look.showFocusRect) {
            c.box(0, 0, c.width(), c.height(), p.DarkShadow, true);
            c.box(1, 1, c.width() - 2, c.height() - 2, p.Shadow, true);
            c.focus();
        } else {
            c.bevel(p.DarkShadow, p.Highlight, p.Shadow, p.Light, 0, false);
        }
    }
}

// Style 3: vertical gradient with rounded corners; focus and default shown by the edges.
void style3(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.width();
    const int h = c.height();
    const QRgb raised = shadeP(p.Face, 48);
    if (!look.enabled) {
        c.box(0, 0, w, h, shadeP(raised, -24), false);
        c.setTextColor(shadeP(raised, -104));
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
        c.setTextColor(p.TextColor);
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
void style4(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.width();
    const int h = c.height();
    if (look.enabled && state == ButtonPainter::StateDown) {
        const QRgb s16 = shade(p.Shadow, -16);
        const QRgb s32 = shade(p.Shadow, -32);
        const QRgb s64 = shade(p.Shadow, -64);
        c.box(1, 1, w - 2, h - 2, s16, false);
        c.setTextColor(p.Light);
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
void style5(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    const int w = c.width();
    const int h = c.height();
    if (!look.enabled) {
        c.setTextColor(p.Shadow);
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
void style6(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    const QRgb l = shade(p.Light, 8);
    if (!look.enabled) {
        c.setTextColor(p.Shadow);
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
void style7or8(ButtonCanvas& c, const Palette& p, const Look& look, int state)
{
    const bool flat = look.buttonType == 8;
    if (!look.enabled) {
        c.emboss();
        if (flat)
            c.box(0, 0, c.width(), c.height(), p.Shadow, true);
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
    QPainter painter(&device);
    ButtonCanvas(painter, *this, look, size, device.size(), ratio).cutCorners(shape);
    painter.end();
    device.setDevicePixelRatio(ratio);
    surface = device;
}

void ButtonPainter::paint(QImage& surface, int state, const Look& look, qreal ratio) const
{
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::Antialiasing, false);
    ButtonCanvas c(painter, *this, look, look.size.isEmpty() ? surface.size() : look.size, surface.size(), ratio);
    const Palette& p = m_palette;
    c.box(0, 0, c.width(), c.height(), p.Face, false);
    if (state != StateUp && state != StateDown)
        return;
    c.setTextColor(look.isOver ? p.HoverTextColor : p.TextColor);
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
