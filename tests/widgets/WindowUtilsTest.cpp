#include "app/WindowUtils.h"

#include <cmath>
#include <utility>

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "support/MessageBoxCatcher.h"

using namespace Commands;

namespace {

class WindowUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedTitle = App().ProgramTitle;
        App().ProgramTitle = QStringLiteral("Quernbell Audio Recorder");
    }
    void TearDown() override { App().ProgramTitle = m_savedTitle; }

    QString m_savedTitle;
};

} // namespace

TEST_F(WindowUtilsTest, ShowMessageShowsAnOkBoxWithTheIconOfItsKindAndNoneForAnUnknownKind)
{
    const QString text = QStringLiteral("Ein Ordner mit diesem Namen existiert bereits.");
    const std::pair<int, QMessageBox::Icon> kinds[] = {{MessageInformation, QMessageBox::Information},
                                                       {MessageWarning, QMessageBox::Warning},
                                                       {MessageError, QMessageBox::Critical},
                                                       {MessageQuestion, QMessageBox::Question},
                                                       {0, QMessageBox::NoIcon},
                                                       {5, QMessageBox::NoIcon},
                                                       {-1, QMessageBox::NoIcon}};
    for (const auto& [kind, icon] : kinds) {
        // An empty caption becomes the program's title, in the box and in the variable.
        for (const QString& given : {QStringLiteral("Ordner"), QString()}) {
            SCOPED_TRACE(QStringLiteral("kind %1, caption '%2'").arg(kind).arg(given).toStdString());
            const MessageBoxCatcher boxes; // closes a box that should not be there, so the test does not hang
            QString caption = given;
            ShowMessage(text, kind, caption);
            const QString title = given.isEmpty() ? App().ProgramTitle : given;
            EXPECT_EQ(caption, title);
            if (icon == QMessageBox::NoIcon) {
                EXPECT_TRUE(boxes.texts.isEmpty());
                continue;
            }
            ASSERT_EQ(boxes.texts, QStringList{text});
            EXPECT_EQ(boxes.icons.value(0), icon);
            EXPECT_EQ(boxes.captions.value(0), title);
            EXPECT_EQ(boxes.buttons.value(0), QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }
}

TEST_F(WindowUtilsTest, CenterFormCentresInTheUpperPartOfTheScreen)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->geometry();

    QWidget window;
    window.resize(200, 100);
    CenterForm(&window);
    // Twips, with the nominal frame of 8 x 30 pixels around the unshown window:
    // top = (height * 15 * 0.85) \ 2 - (130 * 15) \ 2, left = (width * 15) \ 2 - (208 * 15) \ 2.
    const long top = std::lround(area.height() * 15 * 0.85) / 2 - 975;
    const long left = area.width() * 15L / 2 - 1560;
    EXPECT_EQ(window.pos(), QPoint(area.x() + std::lround(left / 15.0), area.y() + std::lround(top / 15.0)));
    EXPECT_EQ(window.size(), QSize(200, 100));

    window.resize(area.width() + 300, area.height() + 300);
    CenterForm(&window);
    EXPECT_EQ(window.pos(), area.topLeft());

    CenterForm(nullptr);
}

TEST_F(WindowUtilsTest, MakeTopmostKeepsPlaceSizeAndVisibility)
{
    QWidget shown;
    shown.setGeometry(40, 50, 220, 120);
    shown.show();
    const QPoint pos = shown.pos();
    MakeTopmost(&shown);
    EXPECT_TRUE(shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(shown.pos(), pos);
    EXPECT_EQ(shown.size(), QSize(220, 120));

    MakeTopmost(&shown);
    EXPECT_TRUE(shown.isVisible());

    QWidget hidden;
    hidden.resize(90, 80);
    MakeTopmost(&hidden);
    EXPECT_TRUE(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_EQ(hidden.size(), QSize(90, 80));

    MakeTopmost(nullptr);
}
