// Draws the main window with the level shown and the browser pane and settings panel open, as the README shows it.
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "recorder/PeakMeterPanel.h"
#include "support/AlsaTestDevice.h"
#include "support/ProgramTest.h"
#include "support/TestFiles.h"
#include "support/TestSignal.h"

namespace {

class MainWindowPicture : public ProgramTest
{
};

TEST_F(MainWindowPicture, LevelShownWithTheBrowserAndTheSettingsOpen)
{
    AlsaTestDevice::ensureConfigured();
    AlsaTestDevice::setSignal(TestSignal::stereoSine(60, 1000, 1000, 0.4, 0.15));
    for (const char* name : {"Konzert 2026-11-28.mp3", "Probe.mp3", "Interview.wav"}) {
        ASSERT_TRUE(TestFiles::write(App().DocumentsFolder + name));
    }
    QDir(App().DocumentsFolder).mkpath("Chor");
    QDir(App().DocumentsFolder).mkpath("Proben");
    start();
    form().CmdBrowser_Click();
    form().CmdSettings_Click();
    form().findChild<QListWidget*>("lstFiles")->setCurrentRow(1);

    click("chkMonitoring");
    ASSERT_TRUE(waitFor([&] { return form().meterPanel().picPeakLeft()->width() > 100; }, 60000));
    QTest::qWait(100);

    const QImage picture = form().grab().toImage();
    EXPECT_EQ(picture.width(), form().width());
    const QString target = qEnvironmentVariable("QB_PICTURE_PATH", QStringLiteral("main-window.png"));
    EXPECT_TRUE(picture.save(target)) << target.toStdString();
}

} // namespace
