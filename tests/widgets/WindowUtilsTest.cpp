#include "app/WindowUtils.h"

#include <cmath>
#include <memory>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"

using namespace Commands;

namespace {

struct SeenBox
{
    bool shown = false;
    bool stop = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

/// Polls for the modal box ShowMessage opens, records it and presses OK; gives up after a while.
void watchForBox(const std::shared_ptr<SeenBox>& seen, int attemptsLeft = 300)
{
    QTimer::singleShot(10, [seen, attemptsLeft] {
        if (seen->stop) {
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (attemptsLeft > 0) {
                watchForBox(seen, attemptsLeft - 1);
            }
            return;
        }
        seen->shown = true;
        seen->icon = box->icon();
        seen->caption = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
}

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

TEST_F(WindowUtilsTest, ShowMessageUsesTheIconOfEachKind)
{
    const std::pair<int, QMessageBox::Icon> kinds[] = {
        {MessageInformation, QMessageBox::Information},
        {MessageWarning, QMessageBox::Warning},
        {MessageError, QMessageBox::Critical},
        {MessageQuestion, QMessageBox::Question},
    };
    for (const auto& [kind, icon] : kinds) {
        auto seen = std::make_shared<SeenBox>();
        watchForBox(seen);
        QString caption = QStringLiteral("Ordner");
        ShowMessage(QStringLiteral("Ein Ordner mit diesem Namen existiert bereits."), kind, caption);
        seen->stop = true;
        ASSERT_TRUE(seen->shown) << "kind " << kind;
        EXPECT_EQ(seen->icon, icon) << "kind " << kind;
        EXPECT_EQ(seen->caption, QStringLiteral("Ordner"));
        EXPECT_EQ(seen->text, QStringLiteral("Ein Ordner mit diesem Namen existiert bereits."));
        EXPECT_EQ(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(caption, QStringLiteral("Ordner"));
    }
}

TEST_F(WindowUtilsTest, ShowMessageWithEmptyCaptionUsesAndReturnsTheProgramTitle)
{
    auto seen = std::make_shared<SeenBox>();
    watchForBox(seen);
    QString caption;
    ShowMessage(QStringLiteral("Hinweis"), MessageInformation, caption);
    seen->stop = true;
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, QStringLiteral("Quernbell Audio Recorder"));
    EXPECT_EQ(caption, QStringLiteral("Quernbell Audio Recorder"));
}

TEST_F(WindowUtilsTest, ShowMessageOfAnUnknownKindShowsNothing)
{
    for (const int kind : {0, 5, -1}) {
        // Should a box appear after all, the watcher closes it so the test fails instead of hanging.
        auto seen = std::make_shared<SeenBox>();
        watchForBox(seen);
        QString caption;
        ShowMessage(QStringLiteral("nichts"), kind, caption);
        seen->stop = true;
        EXPECT_FALSE(seen->shown) << "kind " << kind;
        EXPECT_EQ(caption, QStringLiteral("Quernbell Audio Recorder"));
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
