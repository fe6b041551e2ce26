#include "controls/CmdButton.h"

#include <utility>

#include <QAccessible>
#include <QCursor>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <QtMath>

#include "app/Cp1252.h"
#include "controls/ButtonHover.h"
#include "controls/ButtonRules.h"
#include "controls/CmdButtonAccessible.h"
#include "controls/FormFile.h"
#include "controls/PropertyBag.h"
#include "controls/SharedFont.h"

using namespace ButtonRules;

namespace {

constexpr int TwipsPerPixel = 15;

QPalette systemColors()
{
    return QGuiApplication::palette();
}

} // namespace

CmdButton::CmdButton(QWidget* parent, const QString& name) : QWidget(parent)
{
    CmdButtonAccessible::install();
    setObjectName(name);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_hover = new ButtonHover(this);
    connect(m_hover, &ButtonHover::started, this, &CmdButton::hoverStarted);
    connect(m_hover, &ButtonHover::ended, this, &CmdButton::hoverEnded);

    // Creation: the (still unset) scheme gives the system colours.
    buildPalette();

    // A new button: the defaults in their order.
    const QPalette system = systemColors();
    m_showFocusRect = false;
    m_caption = name;
    attachFont(std::make_shared<SharedFont>(QWidget::font())); // the host's font at creation
    m_buttonType = 3;
    m_colorScheme = 2;
    m_backColor = system.color(QPalette::Button).rgb();
    m_foreColor = system.color(QPalette::ButtonText).rgb();
    m_foreOver = qRgb(0, 0, 192);
    buildPalette();
    updateAccessKey();
    resizeStep();
}

CmdButton::~CmdButton()
{
    disconnect(m_fontConnection);
}

CmdButton* CmdButton::Load(const FormFile& form, const QString& name, QWidget* parent)
{
    auto* button = new CmdButton(parent, name);
    if (!form.contains(name)) {
        qWarning("CmdButton: the form has no button %s", qPrintable(name));
        return button;
    }
    const PropertyBag bag = form.bag(name);
    button->ReadProperties(bag);
    const QRect twips = button->geometry();
    button->setGeometryTwips(bag.ReadProperty(QStringLiteral("Left"), twips.x() * TwipsPerPixel).toInt(),
                             bag.ReadProperty(QStringLiteral("Top"), twips.y() * TwipsPerPixel).toInt(),
                             bag.ReadProperty(QStringLiteral("Width"), twips.width() * TwipsPerPixel).toInt(),
                             bag.ReadProperty(QStringLiteral("Height"), twips.height() * TwipsPerPixel).toInt());
    return button;
}

void CmdButton::setCaption(const QString& caption)
{
    m_caption = caption;
    updateAccessKey();
    layoutCaption();
    paintButton(StateUp, true);
    markChanged("TX");
    // A text caption may be the button's accessible name.
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void CmdButton::setBackColor(const QColor& color)
{
    m_backColor = color.rgb();
    buildPalette();
    paintButton(m_paintedState, true);
    markChanged("BCOL");
}

void CmdButton::setForeColor(const QColor& color)
{
    m_foreColor = color.rgb();
    // A designer picking the caption colour gets the same colour under the pointer.
    if (!m_userMode)
        m_foreOver = m_foreColor;
    buildPalette();
    paintButton(m_paintedState, true);
    markChanged("FCOL");
}

void CmdButton::setForeOver(const QColor& color)
{
    m_foreOver = color.rgb();
    buildPalette();
    paintButton(m_paintedState, true);
    markChanged("FCOLO");
}

void CmdButton::setButtonType(int type)
{
    m_buttonType = type;
    if (type == 5)
        m_font->setBold(true);
    resizeStep();
    markChanged("BTYPE");
}

void CmdButton::setColorScheme(int scheme)
{
    m_colorScheme = scheme;
    buildPalette();
    paintButton(StateUp, true);
    markChanged("COLTYPE");
}

void CmdButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    paintButton(m_paintedState, true);
    markChanged("FOCUSR");
}

void CmdButton::setFont(const std::shared_ptr<SharedFont>& font)
{
    if (!font)
        return;
    attachFont(font);
    layoutCaption();
    paintButton(StateUp, true);
    markChanged("FONT");
}

void CmdButton::setMousePointer(qint16 pointer)
{
    m_mousePointer = pointer;
    applyPointer();
    markChanged("MPTR");
}

void CmdButton::setMouseIcon(const QPixmap& icon)
{
    m_mouseIcon = icon;
    applyPointer();
    markChanged("MICON");
}

void CmdButton::setGeometryTwips(int left, int top, int width, int height)
{
    const auto px = [](int twips) { return qRound(double(twips) / TwipsPerPixel); };
    setGeometry(px(left), px(top), px(width), px(height));
}

void CmdButton::Refresh()
{
    paintButton(m_paintedState, true);
}

void CmdButton::Press()
{
    if (!isEnabled())
        return;
    const float x = float(width()) / 2;
    const float y = float(height()) / 2;
    press(1, 0, x, y);
    release(1, 0, x, y);
    click();
}

void CmdButton::ReadProperties(const PropertyBag& bag)
{
    const QPalette system = systemColors();
    const auto read = [&bag](const char* key, const QVariant& defaultValue) {
        return bag.ReadProperty(QLatin1String(key), defaultValue);
    };
    m_buttonType = read("BTYPE", 2).toInt();
    m_caption = read("TX", QString()).toString();
    const bool enabled = read("ENAB", true).toBool();
    const QVariant font = read("FONT", QVariant());
    if (font.metaType().id() == QMetaType::QFont)
        attachFont(std::make_shared<SharedFont>(font.value<QFont>()));
    m_colorScheme = read("COLTYPE", 1).toInt();
    m_showFocusRect = read("FOCUSR", true).toBool();
    m_backColor = unpacked(read("BCOL", packed(system.color(QPalette::Button).rgb())).toInt());
    m_foreColor = unpacked(read("FCOL", packed(system.color(QPalette::ButtonText).rgb())).toInt());
    m_foreOver = unpacked(read("FCOLO", packed(system.color(QPalette::ButtonText).rgb())).toInt());
    m_mousePointer = qint16(read("MPTR", 0).toInt());
    m_mouseIcon = read("MICON", QPixmap()).value<QPixmap>();

    m_ownEnabled = enabled; // restoring is no change of the setting
    setEnabled(enabled);
    applyPointer();
    buildPalette();
    updateAccessKey();
    // The shape and the caption's place follow the type and font just read; this paints up.
    resizeStep();
}

void CmdButton::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("BTYPE"), qint32(m_buttonType));
    bag.WriteProperty(QStringLiteral("TX"), m_caption);
    bag.WriteProperty(QStringLiteral("ENAB"), Enabled());
    bag.WriteProperty(QStringLiteral("FONT"), m_font->font());
    bag.WriteProperty(QStringLiteral("COLTYPE"), qint32(m_colorScheme));
    bag.WriteProperty(QStringLiteral("FOCUSR"), m_showFocusRect);
    bag.WriteProperty(QStringLiteral("BCOL"), packed(m_backColor));
    bag.WriteProperty(QStringLiteral("FCOL"), packed(m_foreColor));
    bag.WriteProperty(QStringLiteral("FCOLO"), packed(m_foreOver));
    bag.WriteProperty(QStringLiteral("MPTR"), QVariant::fromValue(m_mousePointer));
    bag.WriteProperty(QStringLiteral("MICON"), m_mouseIcon);
}

bool CmdButton::isPropertyChanged(const QString& key) const
{
    return m_changed.contains(key.toUpper());
}

void CmdButton::setAmbientDisplayAsDefault(bool isDefault)
{
    if (isDefault == m_displayAsDefault)
        return;
    m_displayAsDefault = isDefault;
    // Styles 2 and 3 mark the default button; show the change at once.
    paintButton(m_paintedState, true);
}

bool CmdButton::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut && m_shortcutId != 0 &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == m_shortcutId) {
        click();
        return true;
    }
    return QWidget::event(event);
}

void CmdButton::paintEvent(QPaintEvent*)
{
    m_surface.paint(m_painter, m_paintedState, look());
}

void CmdButton::resizeEvent(QResizeEvent*)
{
    resizeStep();
}

void CmdButton::showEvent(QShowEvent*)
{
    layoutCaption();
    paintButton(StateUp, true);
}

void CmdButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        paintButton(StateUp, true);
        if (Enabled() != m_ownEnabled) {
            m_ownEnabled = Enabled();
            markChanged("ENAB");
        }
        break;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        // The container's colours under scheme 4; the system's under scheme 1.
        if (m_colorScheme != 2 && m_colorScheme != 3) {
            buildPalette();
            paintButton(m_paintedState, true);
        }
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CmdButton::focusInEvent(QFocusEvent* event)
{
    m_hasFocus = true;
    // Arrow keys move the focus as Tab does; a click or a window coming back shows no mark.
    const Qt::FocusReason reason = event->reason();
    m_focusCue = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    paintButton(m_paintedState, true);
    QWidget::focusInEvent(event);
}

void CmdButton::focusOutEvent(QFocusEvent* event)
{
    m_hasFocus = false;
    m_focusCue = false;
    if (m_lastKey == VkSpace) {
        // Space held while the focus went elsewhere: its release will not come here, so the press
        // ends now, without a click.
        m_lastKey = 0;
        release(1, 1, 1.0f, 1.0f);
    }
    paintButton(m_paintedState, true);
    QWidget::focusOutEvent(event);
}

void CmdButton::hideEvent(QHideEvent* event)
{
    // No leave event comes for a hidden button; shown again, it must not keep the hover look.
    m_hover->end();
    QWidget::hideEvent(event);
}

// Where the platform knows the pointer's position only over the program's own windows (Wayland), the
// hover's timer would never see it leave the window; the leave event ends the hover there.
void CmdButton::leaveEvent(QEvent*)
{
    m_hover->end();
}

void CmdButton::mousePressEvent(QMouseEvent* event)
{
    const qint16 button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    m_inDoubleClick = false;
    if (std::exchange(m_focusCue, false))
        paintButton(m_paintedState, true);
    press(button, shiftCode(event->modifiers()), float(event->position().x()), float(event->position().y()));
}

void CmdButton::mouseReleaseEvent(QMouseEvent* event)
{
    const qint16 button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    release(button, shiftCode(event->modifiers()), float(event->position().x()), float(event->position().y()));
    const QPoint at(qFloor(event->position().x()), qFloor(event->position().y()));
    const bool inside = ButtonPainter::BuildRegion(m_buttonType, size()).contains(at);
    // The second click of a double click does not click again.
    const bool second = m_inDoubleClick;
    m_inDoubleClick = false;
    if (inside && !second)
        click();
}

void CmdButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        // Other buttons press as often as they are pressed.
        mousePressEvent(event);
        return;
    }
    m_inDoubleClick = true;
    if (m_lastButton == 1)
        press(1, 1, 1.0f, 1.0f);
}

void CmdButton::mouseMoveEvent(QMouseEvent* event)
{
    qint16 button = buttonCode(event->buttons());
    qint16 shift = shiftCode(event->modifiers());
    float x = float(event->position().x());
    float y = float(event->position().y());
    emit MouseMove(button, shift, x, y);
    if (button != 0 && button != 1)
        return;
    const bool outside = x < 0 || y < 0 || x > width() || y > height();
    if (outside) {
        paintButton(StateUp, false);
        // Dragged off: the pointer has left, the press goes on.
        m_hover->end();
    } else if (button == 1)
        paintButton(StateDown, false);
    else
        m_hover->moved();
}

void CmdButton::keyPressEvent(QKeyEvent* event)
{
    qint16 code = keyCode(event->key());
    qint16 shift = shiftCode(event->modifiers());
    emit KeyDown(code, shift);
    if (code >= 0 && code <= 255)
        m_lastKey = quint8(code);
    switch (code) {
    case VkSpace:
        press(1, 1, 1.0f, 1.0f);
        break;
    case VkRight:
    case VkDown:
        focusNextChild();
        break;
    case VkLeft:
    case VkUp:
        focusPreviousChild();
        break;
    default:
        // Enter, Esc and the rest go on to the window, which may have its own use for them.
        event->ignore();
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty()) {
        qint16 ascii = qint16(quint8(Cp1252::encode(text.left(1)).at(0)));
        emit KeyPress(ascii);
    }
}

void CmdButton::keyReleaseEvent(QKeyEvent* event)
{
    // Held keys repeat as presses only.
    if (event->isAutoRepeat())
        return;
    qint16 code = keyCode(event->key());
    qint16 shift = shiftCode(event->modifiers());
    emit KeyUp(code, shift);
    if (code != VkSpace || m_lastKey != VkSpace) {
        event->ignore();
        return;
    }
    // Forget the key so that a stray release (focus arriving while Space is held) does not click.
    m_lastKey = 0;
    release(1, 1, 1.0f, 1.0f);
    m_lastButton = 1;
    click();
}

void CmdButton::press(qint16 button, qint16 shift, float x, float y)
{
    emit MouseDown(button, shift, x, y);
    m_lastButton = button;
    if (button != 2)
        paintButton(StateDown, false);
}

void CmdButton::release(qint16 button, qint16 shift, float x, float y)
{
    emit MouseUp(button, shift, x, y);
    if (button != 2)
        paintButton(StateUp, false);
}

void CmdButton::click()
{
    if (m_lastButton != 1 || !isEnabled())
        return;
    paintButton(StateUp, false);
    // Show the button up before the host's handler runs, which may take a while.
    repaint();
    emit Click();
}

void CmdButton::hoverStarted()
{
    emit MouseOver();
    paintButton(StateUp, true);
}

void CmdButton::hoverEnded()
{
    paintButton(StateUp, true);
    emit MouseOut();
}

void CmdButton::resizeStep()
{
    layoutCaption();
    m_surface.applyShape(m_buttonType);
    if (height() > 0)
        paintButton(StateUp, true);
}

void CmdButton::fontChanged()
{
    QWidget::setFont(m_font->font());
    layoutCaption();
    paintButton(StateUp, true);
}

void CmdButton::attachFont(const std::shared_ptr<SharedFont>& font)
{
    disconnect(m_fontConnection);
    m_font = font;
    m_fontConnection = connect(m_font.get(), &SharedFont::changed, this, &CmdButton::fontChanged);
    QWidget::setFont(m_font->font());
}

void CmdButton::buildPalette()
{
    const QWidget* container = parentWidget() ? parentWidget() : this;
    const QPalette colors = container->palette();
    m_painter.setPalette(ButtonPainter::BuildPalette(m_colorScheme, m_backColor, m_foreColor, m_foreOver,
                                                     systemColors(), colors.color(QPalette::Window).rgb(),
                                                     colors.color(QPalette::WindowText).rgb()));
}

void CmdButton::layoutCaption()
{
    m_painter.LayoutCaption(m_caption, m_font->font(), size());
}

void CmdButton::updateAccessKey()
{
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    const QChar key = accessKey(m_caption);
    m_accessKey = key.isNull() ? QString() : QString(key);
    if (!key.isNull())
        m_shortcutId = grabShortcut(QKeySequence::mnemonic(QStringLiteral("&") + key));
}

void CmdButton::applyPointer()
{
    if (m_mousePointer == PointerCustom) {
        // A picture that cannot be a pointer leaves the pointer as it is.
        if (!m_mouseIcon.isNull())
            setCursor(QCursor(m_mouseIcon));
    } else if (m_mousePointer == 0) {
        unsetCursor();
    } else {
        setCursor(pointerShape(m_mousePointer));
    }
}

void CmdButton::paintButton(int state, bool force)
{
    if (height() == 0)
        return;
    if (!force && state == m_paintedState && m_caption == m_paintedCaption)
        return;
    m_paintedState = state;
    m_paintedCaption = m_caption;
    m_surface.render(m_painter, m_paintedState, look());
    update();
}

ButtonPainter::Look CmdButton::look() const
{
    ButtonPainter::Look look{m_buttonType,      m_caption,  m_font->font(),  logicalDpiY(),     isEnabled(),
                             m_hover->isOver(), m_hasFocus, m_showFocusRect, m_displayAsDefault};
    look.focusCue = m_focusCue;
    look.size = size();
    return look;
}
