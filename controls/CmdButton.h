#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

class QPainter;

/// The program's self-drawn push button.
///
/// Paints itself completely into a retained image, shows a hover look while
/// the pointer is over it, follows the usual click rules (left button pressed
/// and released inside, or Space) and reports pointer activity to its host.
/// Positions and sizes are pixels unless a name says otherwise. Style 3 (the
/// one every window of the program uses) is drawn in full; the other styles
/// show the face and the caption only for now.
class CmdButton : public QWidget
{
    Q_OBJECT
public:
    explicit CmdButton(QWidget* parent = nullptr);

    /// Caption; "&" marks the access key, "&&" shows one ampersand.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    QColor BackColor() const { return QColor::fromRgb(m_backColor); }
    void setBackColor(const QColor& color);
    QColor ForeColor() const { return QColor::fromRgb(m_foreColor); }
    /// Sets the caption colour; the hover colour ForeOver stays as it is.
    void setForeColor(const QColor& color);
    /// Caption colour while the pointer is over the enabled button.
    QColor ForeOver() const { return QColor::fromRgb(m_foreOver); }
    void setForeOver(const QColor& color);

    /// Drawing style 1 to 8; 5 switches the caption font to bold.
    int ButtonType() const { return m_buttonType; }
    void setButtonType(int type);
    /// Palette source: 1 system, 2 own colours, 3 fixed grey, 4 container.
    int ColorScheme() const { return m_colorScheme; }
    void setColorScheme(int scheme);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);

    /// Face name of the caption font. "Webdings" and "Wingdings" make the
    /// button draw the caption's characters as symbols.
    QString FontName() const;
    void setFontName(const QString& name);
    /// Point size, rounded to an integer on reading.
    int FontSize() const;
    void setFontSize(double pointSize);
    bool FontBold() const;
    void setFontBold(bool bold);

    /// Places the button in twips (15 per pixel).
    void setGeometryTwips(int left, int top, int width, int height);

    /// Repaints in the current state.
    void Refresh();

signals:
    void Click();
    /// Button: 1 left, 2 right, 4 middle. Shift: 1 Shift, 2 Ctrl, 4 Alt.
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    /// Button is the set of buttons held, as a sum of the codes above.
    void MouseMove(int button, int shift, double x, double y);
    void MouseOver();
    void MouseOut();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    static constexpr int StateUp = 0;
    static constexpr int StateDown = 2;

    struct Palette
    {
        QRgb face = 0;
        QRgb light = 0;
        QRgb highlight = 0;
        QRgb shadow = 0;
        QRgb darkShadow = 0;
        QRgb text = 0;
        QRgb hoverText = 0;
    };

    void press(int button, int shift, double x, double y);
    void release(int button, int shift, double x, double y);
    void click();
    void startHover();
    void endHover();
    void buildPalette();
    void layoutCaption();
    void buildRegion();
    void updateAccessKey();
    void paintButton(int state, bool force);
    void render();
    void drawStyle3(QPainter& painter, QRgb textColor);
    void drawCaption(QPainter& painter, bool pressed, QRgb color);
    bool drawSymbols(QPainter& painter, bool pressed, QRgb color);

    QString m_caption;
    QRgb m_backColor = 0;
    QRgb m_foreColor = 0;
    QRgb m_foreOver = 0;
    int m_buttonType = 3;
    int m_colorScheme = 2;
    bool m_showFocusRect = false;
    bool m_hasFocus = false;
    bool m_isOver = false;
    int m_lastButton = 1;
    int m_lastKey = 0;
    bool m_inDoubleClick = false;
    int m_paintedState = StateUp;
    QString m_paintedCaption;
    bool m_dirty = true;
    int m_shortcutId = 0;
    Palette m_palette;
    QRect m_captionRect;
    QRect m_pressedCaptionRect;
    QImage m_surface;
};
