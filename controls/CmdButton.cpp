#include "controls/CmdButton.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QShortcutEvent>
#include <QtMath>

namespace {

constexpr int TwipsPerPixel = 15;

/// Shifts every channel by amount; proportional scales only blue by amount / 192.
QRgb shade(QRgb color, int amount, bool proportional)
{
    const int red = qRed(color) + amount;
    const int green = qGreen(color) + amount;
    // Integer division truncates toward zero, as the colour rules ask.
    const int blue = proportional ? qBlue(color) + (qBlue(color) * amount) / 192 : qBlue(color) + amount;
    return qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
}

QRgb shadeP(QRgb color, int amount)
{
    return shade(color, amount, true);
}

/// Filled rectangle or one-pixel outline; right and bottom edges excluded.
void drawBox(QPainter& painter, int x, int y, int w, int h, QRgb color, bool frame)
{
    if (w <= 0 || h <= 0)
        return;
    const QColor c = QColor::fromRgb(color);
    if (!frame) {
        painter.fillRect(x, y, w, h, c);
        return;
    }
    painter.fillRect(x, y, w, 1, c);
    painter.fillRect(x, y + h - 1, w, 1, c);
    painter.fillRect(x, y, 1, h, c);
    painter.fillRect(x + w - 1, y, 1, h, c);
}

/// Axis-parallel line without its end point (every line of the styles is one).
void drawLine(QPainter& painter, int x1, int y1, int x2, int y2, QRgb color)
{
    const QColor c = QColor::fromRgb(color);
    if (y1 == y2 && x1 != x2)
        painter.fillRect(x2 > x1 ? x1 : x2 + 1, y1, std::abs(x2 - x1), 1, c);
    else if (x1 == x2 && y1 != y2)
        painter.fillRect(x1, y2 > y1 ? y1 : y2 + 1, 1, std::abs(y2 - y1), c);
}

void drawCorners(QPainter& painter, int w, int h, QRgb color)
{
    const QColor c = QColor::fromRgb(color);
    for (const QPoint& p : {QPoint(1, 1), QPoint(1, h - 2), QPoint(w - 2, 1), QPoint(w - 2, h - 2)})
        painter.fillRect(p.x(), p.y(), 1, 1, c);
}

/// Ordinary captions use the platform's sans-serif face at the given size.
QFont textFont(const QFont& font)
{
    QFont result(font);
    result.setFamily(QStringLiteral("Sans Serif"));
    result.setStyleHint(QFont::SansSerif);
    return result;
}

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

int buttonCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

/// The access key of a caption, or a null character when it has none.
QChar accessKey(const QString& caption)
{
    if (caption.size() < 2)
        return {};
    const qsizetype first = caption.indexOf(QLatin1Char('&'));
    if (first < 0 || first == caption.size() - 1)
        return {};
    if (caption.at(first + 1) != QLatin1Char('&'))
        return caption.at(first + 1).toLower();
    const qsizetype next = caption.indexOf(QLatin1Char('&'), first + 2);
    if (next < 0 || next == caption.size() - 1 || caption.at(next + 1) == QLatin1Char('&'))
        return {};
    return caption.at(next + 1).toLower();
}

} // namespace

CmdButton::CmdButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    const QPalette system = QGuiApplication::palette();
    m_backColor = system.color(QPalette::Button).rgb();
    m_foreColor = system.color(QPalette::ButtonText).rgb();
    m_foreOver = qRgb(0, 0, 192);
    buildPalette();
    layoutCaption();
    buildRegion();
}

void CmdButton::setCaption(const QString& caption)
{
    m_caption = caption;
    updateAccessKey();
    layoutCaption();
    paintButton(StateUp, true);
}

void CmdButton::setBackColor(const QColor& color)
{
    m_backColor = color.rgb();
    buildPalette();
    paintButton(m_paintedState, true);
}

void CmdButton::setForeColor(const QColor& color)
{
    m_foreColor = color.rgb();
    buildPalette();
    paintButton(m_paintedState, true);
}

void CmdButton::setForeOver(const QColor& color)
{
    m_foreOver = color.rgb();
    buildPalette();
    paintButton(m_paintedState, true);
}

void CmdButton::setButtonType(int type)
{
    m_buttonType = type;
    if (type == 5)
        setFontBold(true);
    layoutCaption();
    buildRegion();
    paintButton(StateUp, true);
}

void CmdButton::setColorScheme(int scheme)
{
    m_colorScheme = scheme;
    buildPalette();
    paintButton(StateUp, true);
}

void CmdButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    paintButton(m_paintedState, true);
}

QString CmdButton::FontName() const
{
    return font().family();
}

void CmdButton::setFontName(const QString& name)
{
    QFont f = font();
    f.setFamily(name);
    setFont(f);
}

int CmdButton::FontSize() const
{
    return qRound(font().pointSizeF());
}

void CmdButton::setFontSize(double pointSize)
{
    QFont f = font();
    f.setPointSizeF(pointSize);
    setFont(f);
}

bool CmdButton::FontBold() const
{
    return font().bold();
}

void CmdButton::setFontBold(bool bold)
{
    QFont f = font();
    f.setBold(bold);
    setFont(f);
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
    if (m_dirty || m_surface.size() != size())
        render();
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface);
}

void CmdButton::resizeEvent(QResizeEvent*)
{
    layoutCaption();
    buildRegion();
    if (height() > 0)
        paintButton(StateUp, true);
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
        // A disabled widget gets no leave event, so the hover ends here rather than
        // lingering until the button is enabled again.
        if (!isEnabled())
            endHover();
        paintButton(StateUp, true);
        break;
    case QEvent::FontChange:
        layoutCaption();
        paintButton(StateUp, true);
        break;
    case QEvent::PaletteChange:
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
    paintButton(m_paintedState, true);
    QWidget::focusInEvent(event);
}

void CmdButton::focusOutEvent(QFocusEvent* event)
{
    m_hasFocus = false;
    paintButton(m_paintedState, true);
    QWidget::focusOutEvent(event);
}

// Enter and leave events replace polling the pointer position on a 10 ms timer:
// Qt reports the same transitions, including for the corners cut off by the mask.
void CmdButton::enterEvent(QEnterEvent*)
{
    if (isEnabled() && QGuiApplication::mouseButtons() == Qt::NoButton)
        startHover();
}

void CmdButton::leaveEvent(QEvent*)
{
    endHover();
}

void CmdButton::mousePressEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    m_inDoubleClick = false;
    press(button, shiftCode(event->modifiers()), event->position().x(), event->position().y());
}

void CmdButton::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->button());
    if (button == 0) {
        event->ignore();
        return;
    }
    release(button, shiftCode(event->modifiers()), event->position().x(), event->position().y());
    const QPoint at(qFloor(event->position().x()), qFloor(event->position().y()));
    const bool inside = rect().contains(at) && (mask().isEmpty() || mask().contains(at));
    // The second click of a double click does not click again.
    const bool second = m_inDoubleClick;
    m_inDoubleClick = false;
    if (inside && !second)
        click();
}

void CmdButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_lastButton != 1)
        return;
    m_inDoubleClick = true;
    press(1, 1, 1.0, 1.0);
}

void CmdButton::mouseMoveEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->buttons());
    const double x = event->position().x();
    const double y = event->position().y();
    emit MouseMove(button, shiftCode(event->modifiers()), x, y);
    if (button != 0 && button != 1)
        return;
    const bool outside = x < 0 || y < 0 || x > width() || y > height();
    if (outside) {
        // While a press holds the pointer, Qt reports the leave only at release.
        endHover();
        paintButton(StateUp, false);
    } else if (button == 1) {
        paintButton(StateDown, false);
    } else {
        startHover();
    }
}

void CmdButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (event->isAutoRepeat()) {
        if (key == Qt::Key_Space)
            return;
        QWidget::keyPressEvent(event);
        return;
    }
    m_lastKey = key;
    switch (key) {
    case Qt::Key_Space:
        press(1, 1, 1.0, 1.0);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextChild();
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusPreviousChild();
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void CmdButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || m_lastKey != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // Forget the key so that a stray release (focus arriving while Space is held) does not click.
    m_lastKey = 0;
    release(1, 1, 1.0, 1.0);
    m_lastButton = 1;
    click();
}

void CmdButton::press(int button, int shift, double x, double y)
{
    emit MouseDown(button, shift, x, y);
    m_lastButton = button;
    if (button != 2)
        paintButton(StateDown, false);
}

void CmdButton::release(int button, int shift, double x, double y)
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

void CmdButton::startHover()
{
    if (m_isOver)
        return;
    m_isOver = true;
    emit MouseOver();
    paintButton(StateUp, true);
}

void CmdButton::endHover()
{
    if (!m_isOver)
        return;
    m_isOver = false;
    paintButton(StateUp, true);
    emit MouseOut();
}

void CmdButton::buildPalette()
{
    Palette& p = m_palette;
    switch (m_colorScheme) {
    case 2:
        p.face = m_backColor;
        p.light = shade(p.face, 31, false);
        p.highlight = shade(p.face, 47, false);
        p.shadow = shade(p.face, -64, false);
        p.darkShadow = shade(p.face, -192, false);
        p.text = m_foreColor;
        p.hoverText = m_foreOver;
        break;
    case 3:
        p = {qRgb(192, 192, 192), qRgb(223, 223, 223), qRgb(255, 255, 255), qRgb(128, 128, 128),
             qRgb(0, 0, 0),       qRgb(0, 0, 0),       qRgb(0, 0, 0)};
        break;
    case 4: {
        const QPalette container = parentWidget() ? parentWidget()->palette() : palette();
        p.face = container.color(QPalette::Window).rgb();
        p.light = shade(p.face, 31, false);
        p.highlight = shade(p.face, 47, false);
        p.shadow = shade(p.face, -64, false);
        p.darkShadow = shade(p.face, -192, false);
        p.text = container.color(QPalette::WindowText).rgb();
        p.hoverText = p.text;
        break;
    }
    default: {
        const QPalette system = QGuiApplication::palette();
        p.face = system.color(QPalette::Button).rgb();
        p.light = system.color(QPalette::Midlight).rgb();
        p.highlight = system.color(QPalette::Light).rgb();
        p.shadow = system.color(QPalette::Dark).rgb();
        p.darkShadow = system.color(QPalette::Shadow).rgb();
        p.text = system.color(QPalette::ButtonText).rgb();
        p.hoverText = p.text;
        break;
    }
    }
}

void CmdButton::layoutCaption()
{
    const int w = width();
    const int h = height();
    // Measure the wrapped caption from (1, 0) within (w - 2, h - 2), then centre that extent.
    const QFontMetrics metrics(textFont(font()));
    const QRect measured = metrics.boundingRect(QRect(1, 0, std::max(0, w - 3), std::max(0, h - 2)),
                                                Qt::TextWordWrap | Qt::TextShowMnemonic, m_caption);
    const int right = 1 + measured.width();
    const int bottom = measured.height();
    m_captionRect = QRect(1 + (w - right) / 2, (h - bottom) / 2, measured.width(), measured.height());
    m_pressedCaptionRect = m_captionRect.translated(1, 1);
}

void CmdButton::buildRegion()
{
    const int w = width();
    const int h = height();
    QList<QPoint> cut;
    if (m_buttonType == 1) {
        cut = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    } else if (m_buttonType == 3 || m_buttonType == 4) {
        cut = {{0, 0},     {1, 0},     {0, 1},     {w - 2, 0},     {w - 1, 0},     {w - 1, 1},
               {0, h - 1}, {1, h - 1}, {0, h - 2}, {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}};
    } else if (m_buttonType == 5) {
        cut = {{0, h - 1}, {w - 1, 0}};
    }
    if (cut.isEmpty() || w <= 0 || h <= 0) {
        clearMask();
        return;
    }
    QRegion shape(0, 0, w, h);
    for (const QPoint& p : cut)
        shape -= QRegion(p.x(), p.y(), 1, 1);
    setMask(shape);
}

void CmdButton::updateAccessKey()
{
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    const QChar key = accessKey(m_caption);
    if (!key.isNull())
        m_shortcutId = grabShortcut(QKeySequence::mnemonic(QStringLiteral("&") + key));
}

void CmdButton::paintButton(int state, bool force)
{
    if (height() == 0)
        return;
    if (!force && state == m_paintedState && m_caption == m_paintedCaption)
        return;
    m_paintedState = state;
    m_paintedCaption = m_caption;
    // Drawn into the retained surface at the next paint event; everything the look
    // depends on requests a paint here when it changes.
    m_dirty = true;
    update();
}

void CmdButton::render()
{
    m_dirty = false;
    if (m_surface.size() != size())
        m_surface = QImage(size(), QImage::Format_RGB32);
    if (m_surface.isNull())
        return;
    QPainter painter(&m_surface);
    drawBox(painter, 0, 0, width(), height(), m_palette.face, false);
    const QRgb textColor = isEnabled() && m_isOver ? m_palette.hoverText : m_palette.text;
    if (m_buttonType == 3)
        drawStyle3(painter, textColor);
    else if (m_buttonType >= 1 && m_buttonType <= 8)
        drawCaption(painter, isEnabled() && m_paintedState == StateDown, isEnabled() ? textColor : m_palette.shadow);
}

void CmdButton::drawStyle3(QPainter& painter, QRgb textColor)
{
    const int w = width();
    const int h = height();
    const QRgb raised = shadeP(m_palette.face, 48);
    if (!isEnabled()) {
        drawBox(painter, 0, 0, w, h, shadeP(raised, -24), false);
        drawCaption(painter, false, shadeP(raised, -104));
        drawBox(painter, 0, 0, w, h, shadeP(raised, -84), true);
        drawCorners(painter, w, h, shadeP(raised, -72));
        return;
    }
    const bool down = m_paintedState == StateDown;
    const QRgb b = down ? shadeP(raised, -32) : raised;
    const auto line = [&painter](int x1, int y1, int x2, int y2, QRgb color) {
        drawLine(painter, x1, y1, x2, y2, color);
    };

    // Gradient: the amount grows by 25 over the height, rounded half to even.
    const float step = 25.0f / float(h);
    for (int t = 1; t <= h; ++t) {
        const int y = down ? h - t : t;
        line(0, y, w, y, shadeP(b, -int(std::nearbyint(step * float(t)))));
    }
    drawCaption(painter, down, down ? m_palette.text : textColor);
    drawBox(painter, 0, 0, w, h, qRgb(0, 60, 115), true);
    drawCorners(painter, w, h, qRgb(16, 77, 123));

    if (down) {
        line(2, h - 2, w - 2, h - 2, shadeP(b, 16));
        line(1, h - 3, w - 2, h - 3, shadeP(b, 10));
        line(w - 2, 2, w - 2, h - 2, shadeP(b, 5));
        line(w - 3, 3, w - 3, h - 3, b);
        line(2, 1, w - 2, 1, shadeP(b, -32));
        line(1, 2, w - 2, 2, shadeP(b, -24));
        line(1, 2, 1, h - 2, shadeP(b, -32));
        line(2, 2, 2, h - 2, shadeP(b, -22));
    } else if (m_isOver || (m_showFocusRect && m_hasFocus)) {
        // Orange edges under the pointer, blue ones for focus.
        const bool hover = m_isOver;
        drawBox(painter, 1, 2, w - 2, h - 4, hover ? qRgb(255, 178, 49) : qRgb(140, 174, 231), true);
        line(2, h - 2, w - 2, h - 2, hover ? qRgb(231, 150, 0) : qRgb(107, 130, 239));
        line(2, 1, w - 2, 1, hover ? qRgb(255, 243, 206) : qRgb(206, 231, 255));
        line(1, 2, w - 1, 2, hover ? qRgb(255, 219, 140) : qRgb(189, 215, 247));
        const QRgb side = hover ? qRgb(255, 203, 107) : qRgb(181, 209, 240);
        line(2, 3, 2, h - 3, side);
        line(w - 3, 3, w - 3, h - 3, side);
    } else {
        line(2, h - 2, w - 2, h - 2, shadeP(b, -48));
        line(1, h - 3, w - 2, h - 3, shadeP(b, -32));
        line(w - 2, 2, w - 2, h - 2, shadeP(b, -36));
        line(w - 3, 3, w - 3, h - 3, shadeP(b, -24));
        line(2, 1, w - 2, 1, shadeP(b, 16));
        line(1, 2, w - 2, 2, shadeP(b, 10));
        line(1, 2, 1, h - 2, shadeP(b, -5));
        line(2, 3, 2, h - 3, shadeP(b, -10));
    }
}

void CmdButton::drawCaption(QPainter& painter, bool pressed, QRgb color)
{
    if (drawSymbols(painter, pressed, color))
        return;
    painter.setPen(QColor::fromRgb(color));
    painter.setFont(textFont(font()));
    painter.drawText(pressed ? m_pressedCaptionRect : m_captionRect,
                     Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, m_caption);
}

bool CmdButton::drawSymbols(QPainter& painter, bool pressed, QRgb color)
{
    const QString family = font().family();
    const bool webdings = family.compare(QLatin1String("Webdings"), Qt::CaseInsensitive) == 0;
    const bool wingdings = family.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0;
    if ((!webdings && !wingdings) || m_caption.isEmpty())
        return false;
    QList<Glyph> glyphs;
    for (const QChar c : m_caption) {
        const Glyph g = webdings ? webdingsGlyph(c) : (c.unicode() == 231 ? Glyph::Arrow : Glyph::None);
        if (g == Glyph::None)
            return false; // no drawing for it: show the characters as text
        glyphs.append(g);
    }

    // A symbol font's glyphs fill about 85 % of the em; keep 3 px clear of the edges.
    const int count = int(glyphs.size());
    const double em = font().pointSizeF() * logicalDpiY() / 72.0;
    int side = qRound(em * 0.85);
    const int gap = std::max(1, side / 5);
    side = std::min({side, height() - 6, (width() - 6 - (count - 1) * gap) / count});
    if (side < 1)
        return true;

    const int offset = pressed ? 1 : 0;
    const int total = count * side + (count - 1) * gap;
    int x = (width() - total) / 2 + offset;
    const int y = (height() - side) / 2 + offset;
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
