#include "controls/CmdButton.h"

#include <functional>
#include <memory>
#include <utility>

#include <QAccessible>
#include <QCursor>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "controls/FormFile.h"
#include "controls/PropertyBag.h"
#include "controls/SharedFont.h"

namespace {

const QStringList kStoreKeys{"BTYPE", "TX",   "ENAB",  "FONT", "COLTYPE", "FOCUSR",
                             "BCOL",  "FCOL", "FCOLO", "MPTR", "MICON"};

QRgb rgbAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

/// The bounding box of the pixels that match, inside a margin that skips the edges.
QRect bounds(const QImage& image, const std::function<bool(QRgb)>& match, int margin)
{
    QRect found;
    for (int y = margin; y < image.height() - margin; ++y)
        for (int x = margin; x < image.width() - margin; ++x)
            if (match(rgbAt(image, x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

/// The bounding box of the pixels of one colour.
QRect colourBounds(const QImage& image, QRgb colour, int margin)
{
    return bounds(
        image, [colour](QRgb c) { return c == (colour | 0xff000000u); }, margin);
}

/// Every event of a button as a line of text, in order; onKey may change the key code as a host would.
class EventLog
{
public:
    explicit EventLog(CmdButton* b)
    {
        const auto log = [this](const char* name) {
            return [this, name](auto&... args) {
                QStringList parts{QLatin1String(name)};
                (parts.append(QString::number(args)), ...);
                lines << parts.join(QLatin1Char(' '));
                if constexpr (sizeof...(args) == 2) // KeyDown and KeyUp
                    if (onKey)
                        onKey(std::get<0>(std::tie(args...)));
            };
        };
        // clang-format off
        QObject::connect(b, &CmdButton::Click, &m_context, log("Click"));
        QObject::connect(b, &CmdButton::MouseDown, &m_context, log("MouseDown"));
        QObject::connect(b, &CmdButton::MouseMove, &m_context, log("MouseMove"));
        QObject::connect(b, &CmdButton::MouseUp, &m_context, log("MouseUp"));
        QObject::connect(b, &CmdButton::KeyPress, &m_context, log("KeyPress"));
        QObject::connect(b, &CmdButton::KeyDown, &m_context, log("KeyDown"));
        QObject::connect(b, &CmdButton::KeyUp, &m_context, log("KeyUp"));
        QObject::connect(b, &CmdButton::MouseOver, &m_context, log("MouseOver"));
        QObject::connect(b, &CmdButton::MouseOut, &m_context, log("MouseOut"));
        // clang-format on
    }

    qsizetype count(const QString& prefix) const
    {
        return std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); });
    }
    /// The lines without pointer moves.
    QStringList withoutMoves() const { return lines.filter(QRegularExpression(QStringLiteral("^(?!MouseMove)"))); }

    QStringList lines;
    std::function<void(qint16&)> onKey;

private:
    QObject m_context; // ends the connections with the log
};

/// A shown window holding one button set up like the main window's Record button.
class CmdButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_host = std::make_unique<QWidget>();
        m_host->resize(300, 220);
        m_button = new CmdButton(m_host.get());
        m_button->setGeometryTwips(240, 1920, 1560, 930);
        m_button->setFontName(QStringLiteral("Webdings"));
        m_button->setFontSize(36);
        m_button->setFontBold(true);
        m_button->setBackColor(QColor(192, 192, 192));
        m_button->setForeColor(QColor(192, 0, 0));
        m_button->setForeOver(QColor(255, 0, 0));
        m_button->setCaption(QStringLiteral("="));
        // Start with the pointer outside the window whatever the previous test left.
        m_host->move(100, 100);
        QCursor::setPos(QPoint(1, 1));
        m_host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_host.get()));
    }

    QImage look() const { return m_button->grab().toImage(); }
    QPoint centre() const { return m_button->rect().center(); }
    void tickOverTimer() const { QMetaObject::invokeMethod(m_button->findChild<QTimer*>("OverTimer"), "timeout"); }

    std::unique_ptr<QWidget> m_host;
    CmdButton* m_button = nullptr;
};

TEST_F(CmdButtonTest, OnlyTheLeftButtonClicksAndTheRightOneKeepsTheLook)
{
    EventLog log(m_button);
    const QImage up = look();

    QTest::mousePress(m_button, Qt::RightButton, {}, centre());
    EXPECT_EQ(look(), up);
    QTest::mouseRelease(m_button, Qt::RightButton, {}, centre());
    // An access key after a right press does nothing either.
    m_button->setCaption(QStringLiteral("&Go"));
    m_host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    QTest::keyClick(m_host.get(), Qt::Key_G, Qt::AltModifier);
    m_button->setCaption(QStringLiteral("="));

    QTest::mousePress(m_button, Qt::MiddleButton, {}, centre());
    const QImage middleDown = look();
    EXPECT_NE(middleDown, up);
    QTest::mouseRelease(m_button, Qt::MiddleButton, {}, centre());
    EXPECT_EQ(look(), up);
    QTest::mousePress(m_button, Qt::LeftButton, {}, centre());
    EXPECT_EQ(look(), middleDown);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, centre());

    EXPECT_EQ(log.count("Click"), 1);
    EXPECT_EQ(log.count("MouseDown 2 "), 1);
    EXPECT_EQ(log.count("MouseDown 4 "), 1);
}

TEST_F(CmdButtonTest, DraggingOutPopsUpAndReleasingOutsideDoesNotClick)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    const QImage up = look();

    QTest::mousePress(m_button, Qt::LeftButton, {}, centre());
    const QImage down = look();
    EXPECT_NE(down, up);
    // The pressed symbol sits one pixel right and down.
    const QRect upSymbol = colourBounds(up, qRgb(192, 0, 0), 3);
    EXPECT_EQ(colourBounds(down, qRgb(192, 0, 0), 3), upSymbol.translated(1, 1));

    QTest::mouseMove(m_button, QPoint(-20, 10));
    EXPECT_EQ(colourBounds(look(), qRgb(192, 0, 0), 3), upSymbol);
    QTest::mouseMove(m_button, centre());
    EXPECT_EQ(look(), down);
    QTest::mouseMove(m_button, QPoint(m_button->width() + 20, 10));
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(m_button->width() + 20, 10));

    EXPECT_EQ(clicks.count(), 0);

    // A press on the hovered button dragged off ends the hover look at once, not at the release.
    QTest::mouseMove(m_button, centre());
    QTest::mousePress(m_button, Qt::LeftButton, {}, centre());
    QTest::mouseMove(m_button, QPoint(-20, 10));
    EXPECT_EQ(rgbAt(look(), centre().x(), centre().y()), qRgb(192, 0, 0));
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(-20, 10));
}

TEST_F(CmdButtonTest, AClickClicksOnceAndADoubleClickPressesAgainWithoutClicking)
{
    EventLog log(m_button);
    const QImage up = look();

    // What widgets receive for a double click: press, release, double click, release.
    QTest::mouseClick(m_button, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 20));
    QTest::mouseDClick(m_button, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_NE(look(), up);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(30, 20));

    EXPECT_EQ(look(), up);
    EXPECT_EQ(log.withoutMoves(), (QStringList{"MouseDown 1 1 30 20", "MouseUp 1 1 30 20", "Click", "MouseDown 1 1 1 1",
                                               "MouseUp 1 0 30 20"}));
}

TEST_F(CmdButtonTest, SpaceClicksLikeTheLeftButtonUnlessTheHostTakesTheKey)
{
    EventLog log(m_button);
    QTest::keyPress(m_button, Qt::Key_Space);
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(log.lines, (QStringList{"KeyDown 32 0", "MouseDown 1 1 1 1", "KeyPress 32", "KeyUp 32 0",
                                      "MouseUp 1 1 1 1", "Click"}));

    // A release after another key went down does nothing.
    log.lines.clear();
    QTest::keyPress(m_button, Qt::Key_Space);
    QTest::keyPress(m_button, Qt::Key_A);
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(log.count("Click") + log.count("MouseUp"), 0);

    // A right press earlier does not block the keyboard.
    QTest::mouseClick(m_button, Qt::RightButton, {}, centre());
    QTest::keyClick(m_button, Qt::Key_Space);
    EXPECT_EQ(log.count("Click"), 1);

    // Space held while the focus moves on: the press ends in the plain look, and no click follows.
    m_host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    auto* other = new QWidget(m_host.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    other->setFocus();
    const QImage plain = look();
    m_button->setFocus();
    QTest::keyPress(m_button, Qt::Key_Space);
    EXPECT_NE(look(), plain);
    other->setFocus();
    EXPECT_EQ(look(), plain);
    m_button->setFocus();
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(log.count("Click"), 1);

    // A host that zeroes KeyCode in KeyDown takes Space away from the button.
    log.lines.clear();
    log.onKey = [](qint16& code) { code = 0; };
    const QImage up = look();
    QTest::keyPress(m_button, Qt::Key_Space);
    EXPECT_EQ(look(), up);
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(log.lines, (QStringList{"KeyDown 32 0", "KeyPress 32", "KeyUp 32 0"}));

    // A host that turns a left press into a right one keeps it from pressing and clicking.
    QObject::connect(m_button, &CmdButton::MouseDown, [](qint16& button, qint16&, float&, float&) { button = 2; });
    QTest::mousePress(m_button, Qt::LeftButton, {}, centre());
    EXPECT_EQ(look(), up);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, centre());
    EXPECT_EQ(log.count("Click"), 0);
}

TEST_F(CmdButtonTest, ArrowKeysMoveTheFocusLikeTabAndOnlyKeyboardFocusShows)
{
    auto* second = new CmdButton(m_host.get(), QStringLiteral("second"));
    auto* third = new CmdButton(m_host.get(), QStringLiteral("third"));
    second->show();
    third->show();
    m_host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    EventLog log(second);
    const QImage designed = look();
    second->setFocus();

    QTest::keyClick(second, Qt::Key_Right);
    EXPECT_TRUE(third->hasFocus());
    // Style 3's focus edge, though the button does not show focus marks as designed.
    EXPECT_EQ(rgbAt(third->grab().toImage(), third->width() / 2, 1), qRgb(206, 231, 255));
    QTest::keyClick(third, Qt::Key_Up);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Left);
    EXPECT_TRUE(m_button->hasFocus());
    EXPECT_NE(look(), designed);
    QTest::mousePress(m_button, Qt::RightButton, {}, centre());
    EXPECT_EQ(look(), designed) << "the pointer ends the keyboard's mark";
    QTest::mouseRelease(m_button, Qt::RightButton, {}, centre());
    QTest::keyClick(m_button, Qt::Key_Down);
    EXPECT_TRUE(second->hasFocus());
    log.onKey = [](qint16& code) { code = 0; };
    QTest::keyClick(second, Qt::Key_Down);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_EQ(log.count("Click") + log.count("MouseDown"), 0);
}

TEST_F(CmdButtonTest, AccessKeysAndTheNamesAScreenReaderReads)
{
    m_button->setFontName(QStringLiteral("MS Sans Serif"));
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"&Reset", "Reset"}, {"Felder && Co", "Felder & Co"}, {"A && B &Co", "A & B Co"},
        {"&&&x", "&x"}, {"&&&&x", "&&x"}, {"&", ""}, {"Reset&", "Reset"}, {"x", "x"},
        {"a&&b&", "a&b"}, {"", ""}, {"Felder  leeren ", "Felder leeren"}};
    // clang-format on
    for (const auto& [caption, name] : cases) {
        m_button->setCaption(QString::fromUtf8(caption));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(m_button)->text(QAccessible::Name), QString::fromUtf8(name))
            << caption;
    }
    QSignalSpy clicks(m_button, &CmdButton::Click);
    m_host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    m_button->setCaption(QStringLiteral("&Reset"));
    EXPECT_EQ(m_button->AccessKeys(), "r");
    QTest::keyClick(m_host.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    m_button->setCaption(QStringLiteral("A && B &Co"));
    QTest::keyClick(m_host.get(), Qt::Key_R, Qt::AltModifier);
    QTest::keyClick(m_host.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(CmdButtonTest, AScreenReaderFindsAPushButtonByNameAndPressesIt)
{
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(m_button);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "") << "a symbol is no name";
    m_button->setAccessibleName(QStringLiteral("Aufnahme"));
    m_button->setToolTip(QStringLiteral(" R E C "));
    EXPECT_EQ(button->text(QAccessible::Name) + "|" + button->text(QAccessible::Description), "Aufnahme| R E C ");

    // The press action is a click in the middle, with the events a host may act on; none while disabled.
    EventLog log(m_button);
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(log.lines, (QStringList{"MouseDown 1 0 52 31", "MouseUp 1 0 52 31", "Click"}));
    m_button->setEnabled(false);
    EXPECT_FALSE(button->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(log.lines.size(), 3);
}

TEST_F(CmdButtonTest, DisabledButtonIsFlatAndGreyedAndGetsNoInput)
{
    EventLog log(m_button);
    m_button->setEnabled(false);
    const QImage image = look();
    EXPECT_EQ(rgbAt(image, image.width() / 2, image.height() / 2), qRgb(136, 136, 110));
    EXPECT_EQ(rgbAt(image, 4, 4), qRgb(216, 216, 210));
    EXPECT_EQ(rgbAt(image, 4, image.height() - 5), qRgb(216, 216, 210));

    QTest::mouseMove(m_button, centre());
    QTest::mouseClick(m_button, Qt::LeftButton, {}, centre());
    QTest::keyClick(m_button, Qt::Key_Space);
    EXPECT_EQ(log.lines, QStringList());
}

TEST_F(CmdButtonTest, HoverShowsForeOverUntilTheOverTimerFindsThePointerGone)
{
    EventLog log(m_button);
    const QPoint middle = centre();

    QTest::mouseMove(m_button, middle);
    QTest::mouseMove(m_button, middle + QPoint(3, 2));
    tickOverTimer();
    EXPECT_EQ(log.count("MouseOver"), 1);
    EXPECT_EQ(log.count("MouseOut"), 0);
    EXPECT_EQ(rgbAt(look(), middle.x(), middle.y()), qRgb(255, 0, 0));

    // A cut-off corner is outside the button.
    QCursor::setPos(m_button->mapToGlobal(QPoint(0, 0)));
    tickOverTimer();
    EXPECT_EQ(log.count("MouseOut"), 1);
    EXPECT_FALSE(m_button->findChild<QTimer*>("OverTimer")->isActive());
    EXPECT_EQ(rgbAt(look(), middle.x(), middle.y()), qRgb(192, 0, 0));
    // The leave event and further ticks do not report it again.
    QCoreApplication::processEvents();
    tickOverTimer();
    EXPECT_EQ(log.count("MouseOut"), 1);

    // Hidden while hovered (the window goes away for the naming dialog), shown again with the pointer
    // elsewhere: the plain look.
    QTest::mouseMove(m_button, middle);
    m_host->hide();
    QCursor::setPos(QPoint(1, 1));
    m_host->show();
    EXPECT_EQ(log.count("MouseOut"), 2);
    EXPECT_EQ(rgbAt(look(), middle.x(), middle.y()), qRgb(192, 0, 0));
}

TEST_F(CmdButtonTest, RecordSymbolOnTheStyle3Face)
{
    const QImage up = look();
    const int w = up.width();
    const int h = up.height();
    EXPECT_EQ(rgbAt(up, w / 2, h / 2), qRgb(192, 0, 0));
    // Grey 192 raised to 240; row 4 is 2 darker, row 57 is 23 darker with blue scaled.
    EXPECT_EQ(rgbAt(up, 4, 4), qRgb(238, 238, 238));
    EXPECT_EQ(rgbAt(up, w - 5, h - 5), qRgb(217, 217, 212));
    EXPECT_EQ(rgbAt(up, 0, h / 2), qRgb(0, 60, 115));
    EXPECT_EQ(rgbAt(up, 1, 1), qRgb(16, 77, 123));
    // About two thirds of the height, centred.
    const QRect symbol = colourBounds(up, qRgb(192, 0, 0), 3);
    EXPECT_GE(symbol.height(), h / 2);
    EXPECT_LE(symbol.height(), h * 3 / 4);
    EXPECT_LE(std::abs(symbol.left() - (w - 1 - symbol.right())), 1);
}

// CTest runs this under QT_SCALE_FACTOR as well; at 1x the pixel tests above hold instead.
TEST_F(CmdButtonTest, AtTheScreensRatioEdgesAreWholeDevicePixelsAndTheCornersFollowTheShape)
{
    const qreal ratio = m_button->devicePixelRatioF();
    if (ratio == 1.0)
        GTEST_SKIP() << "needs QT_SCALE_FACTOR";
    m_host->setStyleSheet(QStringLiteral("background: magenta"));
    const QRgb frame = qRgb(0, 60, 115), magenta = qRgb(255, 0, 255);
    const int t = qRound(ratio);
    // At an odd place the button starts inside a device pixel; its picture starts where the window's clip does.
    const QPoint at(17, 129);
    m_button->move(at);
    const QImage window = m_host->grab().toImage();
    const auto device = [ratio](QPoint p) { return QPoint(qRound(p.x() * ratio), qRound(p.y() * ratio)); };
    const QRect r(device(at), device(at + QPoint(m_button->width(), m_button->height())) - QPoint(1, 1));
    for (int i = 0; i <= t; ++i)
        EXPECT_TRUE((rgbAt(window, r.center().x(), r.top() + i) == frame) == (i < t) &&
                    (rgbAt(window, r.right() - i, r.center().y()) == frame) == (i < t))
            << i;
    // The cut corners show the window behind, just up to the frame and the corner pixel inside them.
    for (const QPoint corner : {r.topLeft(), r.bottomRight(), r.topLeft() + QPoint(2 * t - 1, 0)})
        EXPECT_EQ(rgbAt(window, corner.x(), corner.y()), magenta);
    EXPECT_EQ(rgbAt(window, r.left() + 2 * t, r.top()), frame);
    EXPECT_EQ(rgbAt(window, r.left() + t, r.top() + t), qRgb(16, 77, 123));
    // No blown-up 1x picture at whole ratios: point-sampling down and up again loses the symbol's finer edge.
    const QImage face = m_button->grab().toImage();
    if (ratio == t) {
        EXPECT_NE(face, face.scaled(face.size() / t).scaled(face.size()));
    }
}

TEST_F(CmdButtonTest, SymbolsStayInsideSmallButtons)
{
    struct Case
    {
        QRect twips;
        const char* font;
        double size;
        QString caption;
    };
    const QList<Case> cases{
        {QRect(75, 2505, 375, 1425), "Webdings", 14.25, QStringLiteral("6")},
        {QRect(8100, 120, 735, 255), "Wingdings", 9.75, QString(2, QChar(231))},
        {QRect(0, 0, 300, 150), "Webdings", 36, QStringLiteral(";")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        m_button->setGeometryTwips(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height());
        m_button->setFontName(QString::fromLatin1(c.font));
        m_button->setFontSize(c.size);
        m_button->setCaption(c.caption);
        const QImage image = look();
        const QRect inner = image.rect().adjusted(3, 3, -3, -3);
        const QRect symbol = colourBounds(image, qRgb(192, 0, 0), 0);
        EXPECT_FALSE(symbol.isEmpty());
        EXPECT_TRUE(inner.contains(symbol))
            << symbol.x() << "," << symbol.y() << " " << symbol.width() << "x" << symbol.height();
    }
}

TEST_F(CmdButtonTest, TextCaptionsAreCentredAndLongOnesWrapWithinTheButton)
{
    m_button->setFontName(QStringLiteral("MS Sans Serif"));
    m_button->setForeColor(QColor(0, 0, 0));
    // The black caption inside the three edge pixels, which are dark themselves.
    const auto text = [this] {
        return bounds(
            look(), [](QRgb c) { return qGray(c) < 60; }, 3);
    };

    m_button->setFontSize(8.25);
    m_button->setCaption(QStringLiteral("Letzte Eintr\u00e4ge laden bitte jetzt"));
    const QRect wrapped = text();
    ASSERT_FALSE(wrapped.isEmpty());
    EXPECT_GT(wrapped.height(), QFontMetrics(m_button->font()).height() * 3 / 2) << "several lines";

    m_button->setFontSize(12);
    m_button->setFontBold(false);
    m_button->setGeometryTwips(120, 2580, 5175, 615);
    m_button->setCaption(QStringLiteral("\u00dc B E R N E H M E N"));
    const QRect centred = text();
    ASSERT_FALSE(centred.isEmpty());
    EXPECT_LE(std::abs(centred.left() - (m_button->width() - 1 - centred.right())), 3);
    // The line is centred, not the ink: the "Ü" has dots above and nothing hangs below.
    EXPECT_LE(std::abs(centred.top() - (m_button->height() - 1 - centred.bottom())), 6);
}

TEST_F(CmdButtonTest, SettingAPropertyHasItsEffectAndMarksItsKey)
{
    m_button->clearPropertyChanged();
    // At run time ForeColor leaves ForeOver alone; in design mode it sets both.
    m_button->setForeColor(QColor(1, 2, 3));
    EXPECT_EQ(m_button->ForeOver(), QColor(255, 0, 0));
    m_button->setAmbientUserMode(false);
    m_button->setForeColor(QColor(4, 5, 6));
    EXPECT_EQ(m_button->ForeOver(), QColor(4, 5, 6));
    EXPECT_TRUE(m_button->isPropertyChanged("fcol"));
    EXPECT_FALSE(m_button->isPropertyChanged("FCOLO"));

    // Two buttons holding one font both follow a change to it; attribute writes mark nothing.
    auto shared = std::make_shared<SharedFont>(QFont(QStringLiteral("MS Sans Serif"), 8));
    auto* other = new CmdButton(m_host.get(), QStringLiteral("other"));
    other->show();
    m_button->setFont(shared);
    other->setFont(shared);
    m_button->setCaption(QStringLiteral("Durchsuchen..."));
    other->setCaption(QStringLiteral("Durchsuchen..."));
    const QImage small = other->grab().toImage();
    m_button->clearPropertyChanged();
    m_button->setFontSize(12);
    EXPECT_EQ(other->FontSize(), 12);
    EXPECT_NE(other->grab().toImage(), small);
    m_button->setButtonType(5);
    EXPECT_TRUE(other->FontBold());
    EXPECT_TRUE(m_button->isPropertyChanged("BTYPE"));
    EXPECT_FALSE(m_button->isPropertyChanged("FONT"));

    // Scheme 4 takes the container's colours and follows them.
    m_button->setButtonType(7);
    m_button->setColorScheme(4);
    QPalette colours = m_host->palette();
    colours.setColor(QPalette::Window, QColor(10, 120, 30));
    m_host->setPalette(colours);
    EXPECT_EQ(rgbAt(look(), 3, 3), qRgb(10, 120, 30));

    // Style 3 marks the default button with the blue edge when it shows focus marks.
    m_button->setButtonType(3);
    m_button->setColorScheme(2);
    m_button->setShowFocusRect(true);
    m_button->setAmbientDisplayAsDefault(true);
    EXPECT_EQ(rgbAt(look(), m_button->width() / 2, 1), qRgb(206, 231, 255));

    m_button->setMousePointer(11);
    EXPECT_EQ(m_button->cursor().shape(), Qt::WaitCursor);
    m_button->setMouseIcon(QPixmap());
    m_button->setMousePointer(99);
    EXPECT_EQ(m_button->cursor().shape(), Qt::WaitCursor) << "no picture: the pointer stays";
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    m_button->setMouseIcon(icon);
    EXPECT_EQ(m_button->cursor().shape(), Qt::BitmapCursor);
    m_button->setEnabled(false);
    for (const char* key : {"BTYPE", "ENAB", "COLTYPE", "FOCUSR", "MPTR", "MICON"})
        EXPECT_TRUE(m_button->isPropertyChanged(key)) << key;
}

/// Every saved property of a button, as one line.
QString describe(const CmdButton& b)
{
    const QImage icon = b.MouseIcon().toImage();
    const QFont font = b.Font()->font();
    // clang-format off
    return QStringLiteral("type %1, '%2', enabled %3, font %4 %5 %6%7%8, scheme %9, focus rect %10, %11 %12 %13, "
                          "pointer %14, icon %15")
        .arg(b.ButtonType()).arg(b.Caption()).arg(b.Enabled()).arg(font.family()).arg(font.pointSizeF())
        .arg(font.bold()).arg(font.italic()).arg(font.underline()).arg(b.ColorScheme()).arg(b.ShowFocusRect())
        .arg(b.BackColor().name(), b.ForeColor().name(), b.ForeOver().name()).arg(b.MousePointer())
        .arg(icon.isNull() ? QStringLiteral("none") : QStringLiteral("%1 %2").arg(icon.width()).arg(icon.pixel(0, 0)));
    // clang-format on
}

TEST(CmdButtonStore, AnEmptyStoreReadsOtherDefaultsThanANewButton)
{
    const QPalette system = QGuiApplication::palette();
    const QString face = system.color(QPalette::Button).name();
    const QString text = system.color(QPalette::ButtonText).name();
    QWidget host;
    host.setFont(QFont(QStringLiteral("MS Sans Serif"), 10));
    const CmdButton fresh(&host, QStringLiteral("CmdButton1"));
    EXPECT_EQ(describe(fresh), QStringLiteral("type 3, 'CmdButton1', enabled 1, font MS Sans Serif 10 000, scheme 2, "
                                              "focus rect 0, %1 %2 #0000c0, pointer 0, icon none")
                                   .arg(face, text));

    CmdButton read(&host, QStringLiteral("CmdButton2"));
    const std::shared_ptr<SharedFont> font = read.Font();
    read.ReadProperties(PropertyBag());
    EXPECT_EQ(describe(read), QStringLiteral("type 2, '', enabled 1, font MS Sans Serif 10 000, scheme 1, "
                                             "focus rect 1, %1 %2 %2, pointer 0, icon none")
                                  .arg(face, text));
    EXPECT_EQ(read.Font(), font) << "a missing font keeps the one the button has";
}

TEST(CmdButtonStore, ASavedButtonRestoresExactly)
{
    QWidget host;
    CmdButton saved(&host);
    saved.setButtonType(6);
    saved.setCaption(QStringLiteral("Ü \"&Neu\""));
    saved.setFontName(QStringLiteral("Liberation Serif"));
    saved.setFontSize(14.25);
    saved.setFontItalic(true);
    saved.setFontUnderline(true);
    saved.setColorScheme(3);
    saved.setShowFocusRect(true);
    saved.setBackColor(QColor(1, 2, 3));
    saved.setForeColor(QColor(4, 5, 6));
    saved.setForeOver(QColor(7, 8, 9));
    saved.setMousePointer(99);
    QPixmap icon(8, 8);
    icon.fill(Qt::blue);
    saved.setMouseIcon(icon);
    saved.setEnabled(false);

    PropertyBag bag;
    saved.WriteProperties(bag);
    EXPECT_EQ(bag.keys(), kStoreKeys);
    const QList<int> types{QMetaType::Int, QMetaType::QString, QMetaType::Bool,   QMetaType::QFont,
                           QMetaType::Int, QMetaType::Bool,    QMetaType::Int,    QMetaType::Int,
                           QMetaType::Int, QMetaType::Short,   QMetaType::QPixmap};
    for (qsizetype i = 0; i < types.size(); ++i)
        EXPECT_EQ(bag.ReadProperty(bag.keys().at(i)).metaType().id(), types.at(i)) << bag.keys().at(i).toStdString();
    EXPECT_EQ(bag.ReadProperty("bcol").toInt(), 1 + 2 * 256 + 3 * 65536);

    // Through the saved form's text and back, with keys in another letter case.
    FormFile form;
    form.setBag(QStringLiteral("CmdNeu"), bag);
    const QString text = form.toText().replace(QLatin1String("FCOLO"), QLatin1String("fColo"));
    const FormFile reread = FormFile::fromText(text);
    EXPECT_EQ(reread.errors(), QStringList());
    CmdButton* restored = CmdButton::Load(reread, QStringLiteral("cmdneu"), &host);
    EXPECT_EQ(describe(*restored), describe(saved));
    EXPECT_EQ(restored->FontSize(), 14);
    EXPECT_NE(restored->Font(), saved.Font());
    EXPECT_EQ(restored->AccessKeys(), "n");
    PropertyBag again;
    restored->WriteProperties(again);
    FormFile second;
    second.setBag(QStringLiteral("CmdNeu"), again);
    EXPECT_EQ(second.toText(), form.toText());

    // An unreadable line loses only its own key.
    const FormFile broken = FormFile::fromText(QStringLiteral("[B]\nBTYPE = 7\nTX = \"open\nFONT = Font(,)\n"));
    EXPECT_EQ(broken.errors().size(), 2);
    EXPECT_EQ(broken.bag("B").keys(), QStringList{"BTYPE"});
}

TEST(CmdButtonStore, TheWindowsFormsHoldTheDesignedButtons)
{
    QWidget host;
    const FormFile main = FormFile::load(QStringLiteral(":/forms/frmMain.frm"));
    const FormFile name = FormFile::load(QStringLiteral(":/forms/frmName.frm"));
    EXPECT_EQ(main.errors() + name.errors(), QStringList());
    EXPECT_EQ(main.names().size() + name.names().size(), 15);
    for (const FormFile* form : {&main, &name})
        for (const QString& button : form->names()) {
            SCOPED_TRACE(button.toStdString());
            EXPECT_EQ(form->bag(button).keys(), QStringList({"Left", "Top", "Width", "Height"}) + kStoreKeys);
            const CmdButton* b = CmdButton::Load(*form, button, &host);
            EXPECT_TRUE(b->ButtonType() == 3 && b->ColorScheme() == 2 && !b->ShowFocusRect() && b->Enabled() &&
                        b->MousePointer() == 0);
        }

    const CmdButton* record = CmdButton::Load(main, QStringLiteral("CmdRecord"), &host);
    EXPECT_EQ(record->geometry(), QRect(16, 128, 104, 62));
    EXPECT_EQ(describe(*record), "type 3, '=', enabled 1, font Webdings 36 100, scheme 2, focus rect 0, #c0c0c0 "
                                 "#c00000 #ff0000, pointer 0, icon none");
    EXPECT_EQ(CmdButton::Load(main, QStringLiteral("CmdRootDir"), &host)->Caption(), QString(2, QChar(231)));
    const CmdButton* accept = CmdButton::Load(name, QStringLiteral("CmdButton2"), &host);
    EXPECT_EQ(accept->geometry(), QRect(8, 172, 345, 41));
    EXPECT_EQ(describe(*accept), "type 3, 'Ü B E R N E H M E N', enabled 1, font MS Sans Serif 12 100, scheme 2, "
                                 "focus rect 0, #e0dfe3 #000000 #0000c0, pointer 0, icon none");
}

} // namespace
