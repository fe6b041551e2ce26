// The built program on a Wayland compositor, as on today's desktops: weston on a private X server,
// whose window takes real pointer and key events.
#include <csignal>

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/WindowUtils.h"
#include "app/frmMain.h"
#include "support/AlsaTestDevice.h"
#include "support/DecodedAudio.h"
#include "support/RecorderProcess.h"
#include "support/TestFiles.h"
#include "support/TestSignal.h"
#include "tagging/ID3tag.h"
#include "tagging/frmName.h"

namespace {

constexpr int kPixel = frmMain::TwipsPerPixel;
const QSize kMainWindow(frmMain::CompactWidth / kPixel - Commands::NominalFrameWidth,
                        frmMain::CompactHeight / kPixel - Commands::NominalFrameHeight);
const QSize kNamingDialog(frmName::ClientWidthTwips / kPixel, frmName::ClientHeightTwips / kPixel);
// CmdStop's centre in the main window: designed at (1980, 1920) twips, 3300 x 930.
const QPoint kStop((1980 + 3300 / 2) / kPixel, (1920 + 930 / 2) / kPixel);

TEST(WaylandEndToEndTest, RecordNameTheRecordingAndEndOnSigterm)
{
    AlsaTestDevice::ensureConfigured();
    AlsaTestDevice::setSignal(TestSignal::stereoSine(120, 1000, 440, 0.5, 0.1));
    QTemporaryDir dir;
    RecorderProcess program(dir.path());
    program.useWayland();
    ASSERT_TRUE(program.start()) << program.diagnostics().toStdString();
    ASSERT_TRUE(program.waitForWindow(kMainWindow)) << program.diagnostics().toStdString();

    ASSERT_TRUE(program.clickRecord()) << program.diagnostics().toStdString();
    const QString recorded = program.saveFolder() + program.recordings().front();
    // Two seconds at 128 kbit/s.
    ASSERT_TRUE(TestFiles::waitUntil([&] { return QFileInfo(recorded).size() >= 32000 || !program.running(); }, 60000));
    program.click(kStop.x(), kStop.y());
    ASSERT_TRUE(program.waitForWindow(kNamingDialog)) << program.diagnostics().toStdString();
    // The title box has the focus, the recorded name selected: the title replaces it.
    program.type(QStringLiteral("Wellen"), QStringLiteral("Return"));
    ASSERT_TRUE(program.waitForWindow(kMainWindow)) << program.diagnostics().toStdString();

    program.signal(SIGTERM);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.diagnostics().toStdString();
    EXPECT_FALSE(QFileInfo::exists(recorded));
    ASSERT_EQ(program.recordings().size(), 1);
    const QString named = program.saveFolder() + program.recordings().front();
    EXPECT_TRUE(named.endsWith(QStringLiteral("Wellen.mp3"))) << named.toStdString();
    ID3tag tag;
    tag.setFileName(named);
    EXPECT_TRUE(tag.HasID3tag());
    EXPECT_EQ(tag.Name(), QStringLiteral("Wellen"));
    const DecodedAudio audio(named);
    ASSERT_TRUE(audio.valid());
    EXPECT_NEAR(audio.frequency(0, 4410, 44100), 1000.0, 15.0);
}

} // namespace
