#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

class QImage;

/**
 * @brief Colours, caption placement, shape and drawing of the self-drawn button, without a window.
 *
 * Draws with the rules of the classic drawing calls on a QImage: no antialiasing, boxes without their
 * right and bottom edge, lines without their end point. Coordinates are pixels of the button's
 * client area; W and H are its width and height.
 *
 * A surface with a device pixel ratio above 1 is drawn at device resolution: captions and symbols
 * scaled, every edge line the same whole number of device pixels wide (the ratio rounded), so that
 * nothing is a blown-up copy of the 1x picture and no line is wider than its neighbour.
 */
class ButtonPainter
{
public:
    static constexpr int StateUp = 0;
    static constexpr int StateDown = 2;

    struct Palette
    {
        QRgb Face = 0;
        QRgb Light = 0;
        QRgb Highlight = 0;
        QRgb Shadow = 0;
        QRgb DarkShadow = 0;
        QRgb TextColor = 0;
        QRgb HoverTextColor = 0;

        bool operator==(const Palette&) const = default;
    };

    /// What one paint shows besides the palette and the caption's place.
    struct Look
    {
        int buttonType = 3;
        QString caption;
        QFont font;
        /// Dots per inch of the surface; sizes the symbol captions.
        int dpi = 96;
        bool enabled = true;
        bool isOver = false;
        bool hasFocus = false;
        bool showFocusRect = false;
        /// The host shows this button as its default button.
        bool isDefault = false;
        /// The focus came from the keyboard: the focus look shows even where showFocusRect is off.
        bool focusCue = false;
        /// The button's size in pixels; empty: the surface's size.
        QSize size = QSize();
    };

    /**
     * @brief Shifts red, green and blue by amount and clamps each to 0..255.
     *
     * Proportional scales only blue: blue + blue * amount / 192, the division truncated toward zero.
     */
    static QRgb ShadeColor(QRgb color, int amount, bool proportional);

    /**
     * @brief The seven colours of a colour scheme.
     *
     * 1 (and any unknown scheme) the system's button colours from `system`, 2 the button's own
     * colours, 3 fixed greys, 4 the container's background and text colour.
     */
    static Palette BuildPalette(int scheme, QRgb backColor, QRgb foreColor, QRgb foreOver, const QPalette& system,
                                QRgb containerBack, QRgb containerText);

    /// The window shape of a button type: the client rectangle less the corner pixels the type cuts.
    static QRegion BuildRegion(int buttonType, QSize size);

    /// The client rectangle inset by 4 pixels on every side.
    static QRect FocusRect(QSize size);

    const Palette& palette() const { return m_palette; }
    void setPalette(const Palette& palette) { m_palette = palette; }

    /// Measures the word-wrapped caption and centres its extent on the button.
    void LayoutCaption(const QString& caption, const QFont& font, QSize size);
    QRect CaptionRect() const { return m_captionRect; }
    QRect PressedCaptionRect() const { return m_pressedCaptionRect; }

    /**
     * @brief Paints the whole button into surface in state StateUp or StateDown.
     *
     * The surface holds the button's size (look.size) in device pixels at its device pixel ratio. At
     * ratios other than 1 it becomes a picture with alpha whose corners cut by the type's shape are
     * transparent.
     */
    void PaintButton(QImage& surface, int state, const Look& look) const;

    /// The face used for ordinary captions: a designed face ("MS Sans Serif", "Arial", ...) becomes its
    /// Liberation twin, as the windows' other controls draw it; any other face stays as given.
    static QFont CaptionFont(const QFont& font);

private:
    void paint(QImage& surface, int state, const Look& look, qreal ratio) const;

    Palette m_palette;
    QRect m_captionRect;
    QRect m_pressedCaptionRect;
};
