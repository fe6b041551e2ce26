#pragma once

#include <initializer_list>

#include <QPoint>
#include <QRegion>
#include <QSize>

#include "controls/ButtonPainter.h"

class QPainter;

/**
 * @brief The drawing primitives of one paint of the self-drawn button, with the current text colour.
 *
 * Coordinates are the button's logical pixels; the canvas maps them to the device pixels of the surface
 * so that every edge line is the same whole number of device pixels wide. Boxes leave out their right
 * and bottom edge, lines their end point.
 */
class ButtonCanvas
{
public:
    /// Paints with painter on a surface of device pixels for a button of size pixels at ratio.
    ButtonCanvas(QPainter& painter, const ButtonPainter& owner, const ButtonPainter::Look& look, QSize size,
                 QSize device, qreal ratio);

    int width() const { return m_width; }
    int height() const { return m_height; }
    /// The colour of the captions drawn from now on.
    void setTextColor(QRgb color) { m_text = color; }

    /// Filled rectangle or one-pixel outline from (x, y) to (x + w, y + h), right and bottom edges excluded.
    void box(int x, int y, int w, int h, QRgb color, bool frame);
    /// Axis-parallel line without its end point (every line of the styles is one).
    void line(int x1, int y1, int x2, int y2, QRgb color);
    void pixel(int x, int y, QRgb color);
    void pixels(std::initializer_list<QPoint> points, QRgb color);
    /// (1, 1), (1, H - 2), (W - 2, 1) and (W - 2, H - 2).
    void corners(QRgb color);
    /// Up to two rings; the top-left corner of a ring in the first colour, the other three in the second.
    void bevel(QRgb c1, QRgb c2, QRgb c3, QRgb c4, int inset, bool outerOnly);

    /// The caption in the current text colour, in the pressed or the resting place.
    void caption(bool pressed) { captionIn(pressed, m_text); }
    /// Disabled captions: a light copy below right, the shadow copy in place.
    void emboss();

    /// Whether the button shows that it has the focus.
    bool focusShown() const;
    /// The dotted focus rectangle, inverting, when the button has the focus and shows it.
    void focus();
    /// Style 5's focus mark: a frame around the whole caption string.
    void captionFrame();

    /// Makes the pixels near the corners that shape leaves out transparent (the surface must have alpha).
    void cutCorners(const QRegion& shape);

private:
    /// Logical to device pixels along one axis. Within Zone pixels of either end every logical pixel is
    /// Thick device pixels, so the edges are lines of one width; the middle takes what is left over.
    class Axis
    {
    public:
        Axis(int length, int device, int thick);
        int operator()(int x) const;

    private:
        // The deepest edge detail of the styles (the focus rectangle) lies 4 pixels in.
        static constexpr int Zone = 6;
        int m_length;
        int m_device;
        int m_thick;
        int m_zone = 0;
    };

    void ring(int left, int top, int right, int bottom, QRgb first, QRgb second);
    void captionIn(bool pressed, QRgb color);

    const int m_width;
    const int m_height;
    QRgb m_text = 0;
    const int m_thick;
    const qreal m_ratio;
    const QSize m_device;
    const Axis m_x;
    const Axis m_y;
    QPainter& m_painter;
    const ButtonPainter& m_owner;
    const ButtonPainter::Look& m_look;
};
