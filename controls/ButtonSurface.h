#pragma once

#include <QImage>
#include <QSize>

#include "controls/ButtonPainter.h"

class QWidget;

/**
 * @brief A button widget's picture in device pixels and the window shape that goes with it.
 *
 * The picture is drawn at the widget's device pixel ratio and copied onto the widget pixel for pixel.
 * At a ratio of 1 the window shape cuts the corners of the button type; at other ratios the window
 * system would cut them at other device pixels than the picture's, so the picture leaves them
 * transparent and the widget is painted as not opaque.
 */
class ButtonSurface
{
public:
    explicit ButtonSurface(QWidget& button);

    /// Shapes the widget for buttonType at its current size and device pixel ratio.
    void applyShape(int buttonType);

    /// Draws the picture anew at the widget's current device size and ratio.
    void render(const ButtonPainter& painter, int state, const ButtonPainter::Look& look);

    /**
     * @brief Paints the picture onto the widget, from within its paint event.
     *
     * A shape set for another ratio is set anew and a picture of another device size or ratio drawn
     * anew first (from painter, state and look), as after the widget moved to another screen.
     */
    void paint(const ButtonPainter& painter, int state, const ButtonPainter::Look& look);

private:
    QSize deviceSize() const;

    QWidget& m_button;
    QImage m_image;
    qreal m_shapeRatio = 0.0; // the device pixel ratio the shape was set for
};
