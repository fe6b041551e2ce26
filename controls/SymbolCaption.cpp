#include "controls/SymbolCaption.h"

#include <algorithm>
#include <utility>

#include <QList>
#include <QPainter>
#include <QPolygon>
#include <QtMath>

namespace {

enum class Glyph
{
    None,
    Circle,
    Bars,
    Square,
    Right,
    Left,
    Up,
    Down,
    TwoLeft,
    TwoRight,
    Arrow
};

Glyph webdingsGlyph(QChar c)
{
    static constexpr std::pair<char16_t, Glyph> symbols[] = {
        {u'=', Glyph::Circle}, {u';', Glyph::Bars}, {u'<', Glyph::Square},  {u'4', Glyph::Right},   {u'3', Glyph::Left},
        {u'5', Glyph::Up},     {u'6', Glyph::Down}, {u'9', Glyph::TwoLeft}, {u':', Glyph::TwoRight}};
    for (const auto& [character, glyph] : symbols)
        if (c.unicode() == character)
            return glyph;
    return Glyph::None;
}

void fillTriangle(QPainter& painter, const QRect& r, Glyph direction)
{
    const int l = r.left(), t = r.top(), w = r.width(), h = r.height();
    QPolygon poly;
    switch (direction) {
    case Glyph::Right:
        poly << QPoint(l, t) << QPoint(l + w, t + h / 2) << QPoint(l, t + h);
        break;
    case Glyph::Left:
        poly << QPoint(l + w, t) << QPoint(l, t + h / 2) << QPoint(l + w, t + h);
        break;
    case Glyph::Up:
        poly << QPoint(l, t + h) << QPoint(l + w / 2, t) << QPoint(l + w, t + h);
        break;
    default:
        poly << QPoint(l, t) << QPoint(l + w / 2, t + h) << QPoint(l + w, t);
        break;
    }
    painter.drawPolygon(poly);
}

/// One symbol in the square box of side s at (x, y).
void drawGlyph(QPainter& painter, Glyph glyph, int x, int y, int s)
{
    const int slim = std::max(1, s * 87 / 100); // an equilateral triangle's height
    switch (glyph) {
    case Glyph::Circle:
        painter.drawEllipse(QRect(x, y, s, s));
        break;
    case Glyph::Bars: {
        const int bar = std::max(1, (s + 1) / 3);
        painter.drawRect(QRect(x, y, bar, s));
        painter.drawRect(QRect(x + s - bar, y, bar, s));
        break;
    }
    case Glyph::Square:
        painter.drawRect(QRect(x, y, s, s));
        break;
    case Glyph::Right:
    case Glyph::Left:
        fillTriangle(painter, QRect(x + (s - slim) / 2, y, slim, s), glyph);
        break;
    case Glyph::Up:
    case Glyph::Down:
        fillTriangle(painter, QRect(x, y + (s - slim) / 2, s, slim), glyph);
        break;
    case Glyph::TwoLeft:
    case Glyph::TwoRight: {
        const Glyph dir = glyph == Glyph::TwoLeft ? Glyph::Left : Glyph::Right;
        const int half = std::max(1, s / 2);
        fillTriangle(painter, QRect(x, y, half, s), dir);
        fillTriangle(painter, QRect(x + s - half, y, half, s), dir);
        break;
    }
    case Glyph::Arrow: {
        // A left arrow: head on the left half, shaft a third of the height.
        const int half = std::max(1, s / 2);
        fillTriangle(painter, QRect(x, y, half, s), Glyph::Left);
        const int shaft = std::max(1, s / 3);
        painter.drawRect(QRect(x + half, y + (s - shaft) / 2, s - half, shaft));
        break;
    }
    case Glyph::None:
        break;
    }
}

} // namespace

namespace SymbolCaption {

bool isSymbolFace(const QFont& font)
{
    const QString family = font.family();
    return family.compare(QLatin1String("Webdings"), Qt::CaseInsensitive) == 0 ||
           family.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0;
}

bool draw(QPainter& painter, const QString& caption, const QFont& font, int dpi, QSize size, bool pressed, QRgb color)
{
    const bool webdings = font.family().compare(QLatin1String("Webdings"), Qt::CaseInsensitive) == 0;
    if (!isSymbolFace(font) || caption.isEmpty())
        return false;
    QList<Glyph> glyphs;
    for (const QChar c : caption) {
        const Glyph g = webdings ? webdingsGlyph(c) : (c.unicode() == 231 ? Glyph::Arrow : Glyph::None);
        if (g == Glyph::None)
            return false; // no drawing for it: show the characters as text
        glyphs.append(g);
    }

    // A symbol font's glyphs fill about 85 % of the em; keep 3 px clear of the edges.
    const int width = size.width();
    const int height = size.height();
    const int count = int(glyphs.size());
    const double em = font.pointSizeF() * dpi / 72.0;
    int side = qRound(em * 0.85);
    const int gap = std::max(1, side / 5);
    side = std::min({side, height - 6, (width - 6 - (count - 1) * gap) / count});
    if (side < 1)
        return true;

    const int offset = pressed ? 1 : 0;
    const int total = count * side + (count - 1) * gap;
    int x = (width - total) / 2 + offset;
    const int y = (height - side) / 2 + offset;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(color));
    for (const Glyph g : glyphs) {
        drawGlyph(painter, g, x, y, side);
        x += side + gap;
    }
    painter.restore();
    return true;
}

} // namespace SymbolCaption
