// The bitrate and a new save folder chosen through the windows, then a real recording.
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "recorder/EncoderOutput.h"
#include "support/AlsaTestDevice.h"
#include "support/ProgramTest.h"
#include "support/TestSignal.h"
#include "support/WhenShown.h"

namespace {

void clickIn(QWidget* dialog, const char* name)
{
    QTest::mouseClick(dialog->findChild<QWidget*>(name), Qt::LeftButton, {}, QPoint(5, 5));
}

class SettingsPanelEndToEndTest : public ProgramTest
{
};

TEST_F(SettingsPanelEndToEndTest, ABitrateAndAFolderMadeInTheDialogTakeTheNextRecording)
{
    AlsaTestDevice::setSignal(TestSignal::stereoSine(30, 1000, 440, 0.5, 0.1));
    start();
    auto* path = form().findChild<QLineEdit*>("Text1");

    // Cancelled: the text shown becomes the save folder. The window stays usable meanwhile,
    // and a second click opens no second dialog.
    path->setText(m_dir.path() + "/getippt");
    click("CmdSettings");
    whenShown("frmDirSelect", [this](QWidget* dialog) {
        click("cmdBrowse");
        click("CmdSettings");
        click("CmdSettings");
        clickIn(dialog, "Command2");
    });
    click("cmdBrowse");
    EXPECT_EQ(App().SaveFolder, m_dir.path() + "/getippt/");
    EXPECT_EQ(form().CurrentFolder(), App().SaveFolder);
    EXPECT_EQ(path->text(), App().SaveFolder);
    ASSERT_TRUE(form().SettingsOpen());
    path->setText(App().DocumentsFolder);

    // From 192 down to 128.
    QTest::keyClick(form().findChild<QComboBox*>("cmbkBits"), Qt::Key_Down);
    QTest::keyClick(form().findChild<QComboBox*>("cmbkBits"), Qt::Key_Down);
    whenShown("frmDirSelect", [](QWidget* dialog) {
        clickIn(dialog, "Command3");
        // The typed name replaces the selected "Neuer Ordner"; "/" and "." cannot be typed.
        QTest::keyClicks(dialog->findChild<QLineEdit*>("Text1"), "Kon/zer.te");
        QTest::keyClick(dialog->findChild<QLineEdit*>("Text1"), Qt::Key_Return);
        // The new folder is open and the focus on OK: a second Enter takes it.
        EXPECT_EQ(dialog->focusWidget(), dialog->findChild<QWidget*>("Command1"));
        QTest::keyClick(dialog->findChild<QWidget*>("Command1"), Qt::Key_Return);
    });
    click("cmdBrowse");
    ASSERT_EQ(App().SaveFolder, App().DocumentsFolder + "Konzerte/");

    click("CmdRecord");
    ASSERT_TRUE(recorded(3));
    click("CmdStop");

    // 128 kbit/s are 16000 bytes a second, give or take the encoder's first and last frames.
    const double seconds = (output().PcmBytes() - 45) / 176400.0;
    const qint64 size = QFileInfo(App().SaveFolder + "Rec_(2026-12-07)_(23-59-01).mp3").size();
    EXPECT_NEAR(size, 16000 * seconds, 2000) << seconds << " s";
}

} // namespace
