// Draws the main window with the level shown and the browser pane and settings panel open, as the README shows it.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "fakes/FixedDateClock.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/PeakMeterPanel.h"
#include "support/AlsaTestDevice.h"
#include "support/TestApp.h"
#include "support/TestSignal.h"

namespace {

TEST(MainWindowPicture, LevelShownWithTheBrowserAndTheSettingsOpen)
{
    QTemporaryDir dir;
    AlsaTestDevice::ensureConfigured();
    AlsaTestDevice::setSignal(TestSignal::stereoSine(60, 1000, 1000, 0.4, 0.15));
    TestApp::init(dir.path());
    for (const char* name : {"Konzert 2026-11-28.mp3", "Probe.mp3", "Interview.wav"}) {
        QFile file(App().DocumentsFolder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir(App().DocumentsFolder).mkpath("Chor");
    QDir(App().DocumentsFolder).mkpath("Proben");
    FixedDateClock clock;
    Program program(std::make_unique<AlsaCaptureBackend>(), clock);
    frmMain& form = program.form();
    form.CmdBrowser_Click();
    form.CmdSettings_Click();
    form.findChild<QListWidget*>("lstFiles")->setCurrentRow(1);

    QTest::mouseClick(form.findChild<QCheckBox*>("chkMonitoring"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.meterPanel().picPeakLeft()->width() > 100, 60000);
    QTest::qWait(100);

    const QImage picture = form.grab().toImage();
    EXPECT_EQ(picture.width(), form.width());
    const QString target = qEnvironmentVariable("QB_PICTURE_PATH", QStringLiteral("main-window.png"));
    EXPECT_TRUE(picture.save(target)) << target.toStdString();
}

} // namespace
