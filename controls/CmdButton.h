#pragma once

#include <memory>

#include <QColor>
#include <QMetaObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QWidget>

#include "controls/ButtonPainter.h"
#include "controls/ButtonSurface.h"
#include "controls/SharedFont.h"

class ButtonHover;
class FormFile;
class PropertyBag;

/**
 * @brief The program's self-drawn push button.
 *
 * Paints itself completely into a retained image (ButtonPainter), in one of eight styles and four
 * colour schemes, shows a hover look while the pointer is over it, follows the usual click rules and
 * reports pointer and key activity to its host. Its design-time settings are saved to and restored
 * from a PropertyBag under eleven short keys. Positions and sizes are pixels unless a name says
 * otherwise.
 *
 * The mouse and key signals pass their arguments by reference: a handler connected directly (the
 * default for objects of one thread) may change them, and the button then acts on the changed values,
 * so that setting KeyCode to 0 in KeyDown suppresses the button's own Space and arrow handling.
 */
class CmdButton : public QWidget
{
    Q_OBJECT
public:
    /// A newly placed button; its caption is its name, as a designer names a new control.
    explicit CmdButton(QWidget* parent = nullptr, const QString& name = QString());
    ~CmdButton() override;

    /**
     * @brief Creates the button `name` of a saved form: its place ("Left", "Top", "Width", "Height" in
     * twips) and its stored properties. A name the form lacks gives a new button of that name.
     */
    static CmdButton* Load(const FormFile& form, const QString& name, QWidget* parent);

    /// Caption; "&" marks the access key, "&&" shows one ampersand.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    QColor BackColor() const { return QColor::fromRgb(m_backColor); }
    void setBackColor(const QColor& color);
    QColor ForeColor() const { return QColor::fromRgb(m_foreColor); }
    /// Sets the caption colour; in design mode (see setAmbientUserMode) ForeOver as well.
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
    /// The button's own enabled setting (QWidget::setEnabled sets it); its container may still disable it.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }

    /// The caption font object, shared with whoever assigned it: a change to it relays every holder out.
    std::shared_ptr<SharedFont> Font() const { return m_font; }
    void setFont(const std::shared_ptr<SharedFont>& font);
    /// Face name of the caption font. "Webdings" and "Wingdings" make the
    /// button draw the caption's characters as symbols.
    QString FontName() const { return m_font->Name(); }
    void setFontName(const QString& name) { m_font->setName(name); }
    /// Point size, rounded to an integer on reading.
    int FontSize() const { return qRound(m_font->Size()); }
    void setFontSize(double pointSize) { m_font->setSize(pointSize); }
    bool FontBold() const { return m_font->Bold(); }
    void setFontBold(bool bold) { m_font->setBold(bold); }
    bool FontItalic() const { return m_font->Italic(); }
    void setFontItalic(bool italic) { m_font->setItalic(italic); }
    bool FontUnderline() const { return m_font->Underline(); }
    void setFontUnderline(bool underline) { m_font->setUnderline(underline); }

    /// Pointer shape code: 0 default, 1 arrow, 2 cross, 3 I-beam, 4 icon, 5 size all, 6 size NE-SW,
    /// 7 size N-S, 8 size NW-SE, 9 size W-E, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and
    /// hourglass, 14 arrow and question mark, 15 size all, 99 MouseIcon. Other codes show the default.
    qint16 MousePointer() const { return m_mousePointer; }
    void setMousePointer(qint16 pointer);
    /// The custom pointer shown under MousePointer 99; a picture that cannot be shown is ignored.
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);

    /// The access key the caption registers (lower case), empty when it has none.
    QString AccessKeys() const { return m_accessKey; }

    /// Places the button in twips (15 per pixel).
    void setGeometryTwips(int left, int top, int width, int height);

    /// Repaints in the current state.
    void Refresh();

    /// Presses and releases the button as a left click in its middle does (MouseDown, MouseUp, Click);
    /// assistive technology's press action comes here.
    void Press();

    /// Restores saved settings; keys that are missing read as their defaults (not a new button's values).
    void ReadProperties(const PropertyBag& bag);
    /// Saves all eleven settings, whatever their values.
    void WriteProperties(PropertyBag& bag) const;
    /// Whether a property setter marked the key ("BTYPE", "TX", ...) changed since the last clear.
    bool isPropertyChanged(const QString& key) const;
    void clearPropertyChanged() { m_changed.clear(); }

    /// The host's user mode: true at run time (the default), false while a designer edits the window.
    bool AmbientUserMode() const { return m_userMode; }
    void setAmbientUserMode(bool userMode) { m_userMode = userMode; }
    /// The host shows this button as its default button (styles 2 and 3 mark it when ShowFocusRect is on).
    bool AmbientDisplayAsDefault() const { return m_displayAsDefault; }
    void setAmbientDisplayAsDefault(bool isDefault);

signals:
    void Click();
    /// Button: 1 left, 2 right, 4 middle. Shift: 1 Shift, 2 Ctrl, 4 Alt.
    void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);
    /// Button is the set of buttons held, as a sum of the codes above.
    void MouseMove(qint16& Button, qint16& Shift, float& X, float& Y);
    void MouseUp(qint16& Button, qint16& Shift, float& X, float& Y);
    /// The character in Windows-1252.
    void KeyPress(qint16& KeyAscii);
    /// KeyCode: the key's virtual-key code (32 Space, 37 to 40 Left, Up, Right, Down, 65 to 90 letters ...).
    void KeyDown(qint16& KeyCode, qint16& Shift);
    void KeyUp(qint16& KeyCode, qint16& Shift);
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
    void hideEvent(QHideEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    static constexpr int StateUp = ButtonPainter::StateUp;
    static constexpr int StateDown = ButtonPainter::StateDown;

    void press(qint16 button, qint16 shift, float x, float y);
    void release(qint16 button, qint16 shift, float x, float y);
    void click();
    void hoverStarted();
    void hoverEnded();
    void resizeStep();
    void fontChanged();
    void attachFont(const std::shared_ptr<SharedFont>& font);
    void buildPalette();
    void layoutCaption();
    void updateAccessKey();
    void applyPointer();
    void paintButton(int state, bool force);
    ButtonPainter::Look look() const;
    void markChanged(const char* key) { m_changed.insert(QLatin1String(key)); }

    QString m_caption;
    QRgb m_backColor = 0;
    QRgb m_foreColor = 0;
    QRgb m_foreOver = 0;
    int m_buttonType = 3;
    int m_colorScheme = 0;
    bool m_showFocusRect = false;
    bool m_hasFocus = false;
    bool m_focusCue = false; // the focus came from the keyboard: show it whatever ShowFocusRect says
    qint16 m_lastButton = 1;
    quint8 m_lastKey = 0;
    bool m_inDoubleClick = false;
    bool m_ownEnabled = true;
    int m_paintedState = StateUp;
    QString m_paintedCaption;
    qint16 m_mousePointer = 0;
    QPixmap m_mouseIcon;
    std::shared_ptr<SharedFont> m_font;
    QMetaObject::Connection m_fontConnection;
    bool m_userMode = true;
    bool m_displayAsDefault = false;
    QString m_accessKey;
    int m_shortcutId = 0;
    QSet<QString> m_changed;
    ButtonPainter m_painter;
    ButtonSurface m_surface{*this};
    ButtonHover* m_hover = nullptr;
};
