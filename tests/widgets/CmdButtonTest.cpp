#include "controls/CmdButton.h"

#include <memory>

#include <QCursor>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QRgb rgbAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

/// The bounding box of the pixels of one colour, inside a margin that skips the edges.
QRect colourBounds(const QImage& image, QRgb colour, int margin)
{
    QRect bounds;
    for (int y = margin; y < image.height() - margin; ++y)
        for (int x = margin; x < image.width() - margin; ++x)
            if (rgbAt(image, x, y) == (colour | 0xff000000u))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

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

    std::unique_ptr<QWidget> m_host;
    CmdButton* m_button = nullptr;
};

TEST_F(CmdButtonTest, NewButtonDefaultsAndTwipPlacement)
{
    CmdButton fresh;
    EXPECT_EQ(fresh.ButtonType(), 3);
    EXPECT_EQ(fresh.ColorScheme(), 2);
    EXPECT_FALSE(fresh.ShowFocusRect());
    EXPECT_EQ(fresh.ForeOver(), QColor(0, 0, 192));
    EXPECT_EQ(fresh.BackColor(), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_EQ(fresh.ForeColor(), QGuiApplication::palette().color(QPalette::ButtonText));

    EXPECT_EQ(m_button->geometry(), QRect(16, 128, 104, 62));
    EXPECT_EQ(m_button->FontSize(), 36);
    m_button->setFontSize(14.25);
    EXPECT_EQ(m_button->FontSize(), 14);
}

TEST_F(CmdButtonTest, LeftClickClicksOnce)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    QSignalSpy downs(m_button, &CmdButton::MouseDown);
    QSignalSpy ups(m_button, &CmdButton::MouseUp);

    QTest::mouseClick(m_button, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 30));

    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0), (QList<QVariant>{1, 1, 20.0, 30.0}));
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).toInt(), 1);
}

TEST_F(CmdButtonTest, RightButtonNeitherPressesNorClicks)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    QSignalSpy downs(m_button, &CmdButton::MouseDown);
    const QImage up = look();

    QTest::mousePress(m_button, Qt::RightButton, {}, centre());
    EXPECT_EQ(look(), up);
    QTest::mouseRelease(m_button, Qt::RightButton, {}, centre());

    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 2);
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
}

TEST_F(CmdButtonTest, DoubleClickPressesAgainButClicksOnce)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    QSignalSpy downs(m_button, &CmdButton::MouseDown);
    const QImage up = look();

    // What widgets receive for a double click: press, release, double click, release.
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(30, 20));
    QTest::mouseDClick(m_button, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_NE(look(), up);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(30, 20));

    EXPECT_EQ(look(), up);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(downs.count(), 2);
    EXPECT_EQ(downs.at(1), (QList<QVariant>{1, 1, 1.0, 1.0}));
}

TEST_F(CmdButtonTest, SpaceClicksLikeTheLeftButton)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    QSignalSpy downs(m_button, &CmdButton::MouseDown);
    QSignalSpy ups(m_button, &CmdButton::MouseUp);
    const QList<QVariant> atCorner{1, 1, 1.0, 1.0};

    QTest::keyPress(m_button, Qt::Key_Space);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0), atCorner);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(m_button, Qt::Key_Space);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0), atCorner);
    EXPECT_EQ(clicks.count(), 1);

    // A release after another key went down does nothing.
    QTest::keyPress(m_button, Qt::Key_Space);
    QTest::keyPress(m_button, Qt::Key_A);
    QTest::keyRelease(m_button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(ups.count(), 1);

    // A right press earlier does not block the keyboard.
    QTest::mouseClick(m_button, Qt::RightButton, {}, centre());
    QTest::keyClick(m_button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(CmdButtonTest, AccessKeyClicks)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    m_host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    m_button->setFontName(QStringLiteral("MS Sans Serif"));

    m_button->setCaption(QStringLiteral("&Reset"));
    QTest::keyClick(m_host.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);

    // "&&" is a literal ampersand; a later single one still marks a key.
    m_button->setCaption(QStringLiteral("Felder && Co"));
    QTest::keyClick(m_host.get(), Qt::Key_C, Qt::AltModifier);
    QTest::keyClick(m_host.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    m_button->setCaption(QStringLiteral("A && B &Co"));
    QTest::keyClick(m_host.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(CmdButtonTest, DisabledButtonGetsNoInput)
{
    QSignalSpy clicks(m_button, &CmdButton::Click);
    QSignalSpy downs(m_button, &CmdButton::MouseDown);
    QSignalSpy moves(m_button, &CmdButton::MouseMove);
    QSignalSpy overs(m_button, &CmdButton::MouseOver);
    m_button->setEnabled(false);

    QTest::mouseMove(m_button, centre());
    QTest::mouseClick(m_button, Qt::LeftButton, {}, centre());
    QTest::keyClick(m_button, Qt::Key_Space);

    EXPECT_EQ(clicks.count() + downs.count() + moves.count() + overs.count(), 0);
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

TEST_F(CmdButtonTest, DisabledLookIsFlatAndGreyed)
{
    m_button->setEnabled(false);
    const QImage image = look();
    EXPECT_EQ(rgbAt(image, image.width() / 2, image.height() / 2), qRgb(136, 136, 110));
    EXPECT_EQ(rgbAt(image, 4, 4), qRgb(216, 216, 210));
    EXPECT_EQ(rgbAt(image, 4, image.height() - 5), qRgb(216, 216, 210));
}

TEST_F(CmdButtonTest, HoverUsesForeOverUntilThePointerLeaves)
{
    QSignalSpy overs(m_button, &CmdButton::MouseOver);
    QSignalSpy outs(m_button, &CmdButton::MouseOut);
    const QPoint middle = centre();

    QTest::mouseMove(m_button, middle);
    QTest::mouseMove(m_button, middle + QPoint(3, 2));
    EXPECT_EQ(overs.count(), 1);
    EXPECT_EQ(rgbAt(look(), middle.x(), middle.y()), qRgb(255, 0, 0));

    QTest::mouseMove(m_host.get(), QPoint(250, 20));
    EXPECT_EQ(outs.count(), 1);
    EXPECT_EQ(rgbAt(look(), middle.x(), middle.y()), qRgb(192, 0, 0));
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

TEST_F(CmdButtonTest, TextCaptionIsCentred)
{
    m_button->setFontName(QStringLiteral("MS Sans Serif"));
    m_button->setFontSize(12);
    m_button->setFontBold(false);
    m_button->setForeColor(QColor(0, 0, 0));
    m_button->setGeometryTwips(120, 2580, 5175, 615);
    m_button->setCaption(QStringLiteral("\u00dc B E R N E H M E N"));
    const QImage image = look();

    QRect dark;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (qGray(image.pixel(x, y)) < 60)
                dark |= QRect(x, y, 1, 1);
    ASSERT_FALSE(dark.isEmpty());
    EXPECT_LE(std::abs(dark.left() - (image.width() - 1 - dark.right())), 3);
    EXPECT_LE(std::abs(dark.top() - (image.height() - 1 - dark.bottom())), 4);
}

TEST_F(CmdButtonTest, LongCaptionWrapsWithinTheButton)
{
    m_button->setFontName(QStringLiteral("MS Sans Serif"));
    m_button->setFontSize(8.25);
    m_button->setForeColor(QColor(0, 0, 0));
    m_button->setCaption(QStringLiteral("Letzte Eintr\u00e4ge laden bitte jetzt"));
    const QImage image = look();

    QRect dark;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (qGray(image.pixel(x, y)) < 60 && y > 2 && y < image.height() - 3)
                dark |= QRect(x, y, 1, 1);
    ASSERT_FALSE(dark.isEmpty());
    // Several lines, none cut off at the sides.
    EXPECT_GT(dark.height(), QFontMetrics(m_button->font()).height() * 3 / 2);
    EXPECT_GE(dark.left(), 3);
    EXPECT_LE(dark.right(), image.width() - 4);
}

} // namespace
