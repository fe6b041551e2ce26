// Faults between and during recordings, through the real window, ALSA's file plugin and the
// real encoder: the user is told once, the window returns to a state it can go on from, and
// no half-made file stays behind.
#include <csignal>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "recorder/EncoderOutput.h"
#include "recorder/RecordingController.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/DecodedAudio.h"
#include "support/Mp3File.h"
#include "support/NoFileOverride.h"
#include "support/ProcessList.h"
#include "support/ProgramTest.h"
#include "support/TestSignal.h"
#include "tagging/frmName.h"

namespace {

class ReliabilityEndToEndTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        AlsaTestDevice::ensureConfigured();
        AlsaTestDevice::setSignal(TestSignal::stereoSine(60, 1000, 440, 0.5, 0.1));
        m_encoder = copyEncoder();
        start();
    }

    /// Record, one minute after the previous recording, so each gets a name of its own.
    void record()
    {
        m_clock.setNow(m_clock.now().addSecs(60));
        click("CmdRecord");
    }

    /// Stop, and close the naming dialog by its frame: the recording stays as recorded.
    void stop()
    {
        click("CmdStop");
        if (auto* dialog = form().findChild<frmName*>()) {
            dialog->close();
        }
    }

    /// Waits until the user has been told count times in all.
    bool told(int count)
    {
        return waitFor([&] { return m_boxes.texts.size() >= count; }, 5000) && m_boxes.texts.size() == count;
    }

    QString m_encoder;
};

TEST_F(ReliabilityEndToEndTest, SaveFolderGoneOrReadOnlyAndEncoderDyingWhilePausedEachEndCleanly)
{
    const QString folder = App().SaveFolder;
    record();
    ASSERT_TRUE(recorded(1));
    stop();
    ASSERT_EQ(files().size(), 1);

    // The folder vanishes between recordings: Record is refused, once, and nothing is left.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    record();
    tick();
    ASSERT_TRUE(told(1));
    EXPECT_TRUE(m_boxes.texts.value(0).startsWith("Die Aufnahmedatei kann nicht angelegt werden:"));
    EXPECT_FALSE(m_program->waveIn().RecordingActive());
    EXPECT_FALSE(controller().Recording());
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_FALSE(QDir(folder).exists());

    // Read-only: the same.
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    {
        const NoFileOverride permissionsHold;
        record();
        tick();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(told(2));
    EXPECT_FALSE(controller().Recording());
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_TRUE(files().isEmpty());

    // Writable again: recording works; the encoder dies while it is paused. A fresh one takes
    // over and the recording goes on; the next one dies within the minute, which ends it.
    record();
    ASSERT_TRUE(waitFor([&] { return output().BytesWritten() > 20000; }));
    click("CmdPause");
    ASSERT_EQ(state(), "- P A U S E -");
    QList<qint64> encoders = ProcessList::running(m_encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return output().EncoderStarts() == 2; }));
    tick();
    EXPECT_EQ(state(), "- P A U S E -");
    EXPECT_EQ(m_boxes.texts.size(), 2);
    const qint64 bytesAtReplacement = output().BytesWritten();
    click("CmdRecord");
    ASSERT_TRUE(waitFor([&] { return output().BytesWritten() > bytesAtReplacement + 20000; }));
    EXPECT_EQ(output().DroppedBytes(), 0);

    encoders = ProcessList::running(m_encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return !m_program->waveIn().RecordingActive(); }));
    tick();
    ASSERT_TRUE(told(3));
    EXPECT_EQ(m_boxes.texts.value(2), "Der Encoder wurde unerwartet beendet.");
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_FALSE(controller().Paused());
    // What the dead encoder had not put into the file is counted and shown.
    EXPECT_GT(output().DroppedBytes(), 0);
    EXPECT_TRUE(label("lblDropped").endsWith(" s verworfen)")) << label("lblDropped").toStdString();
    ASSERT_EQ(files().size(), 1);
    const QString died = App().SaveFolder + files().front();
    EXPECT_GT(Mp3File::wholeFrames(died), 0);
    const DecodedAudio audio(died);
    ASSERT_TRUE(audio.valid());
    EXPECT_GE(audio.frames(), (output().PcmBytes() - 45 - output().DroppedBytes()) / 4 + 576 + 1105);

    // Record starts a new recording, which works.
    record();
    EXPECT_TRUE(controller().Recording());
    ASSERT_TRUE(recorded(1));
    stop();
    EXPECT_EQ(files().size(), 2);
    EXPECT_TRUE(DecodedAudio(App().SaveFolder + files().back()).valid());
    EXPECT_EQ(m_boxes.texts.size(), 3);
}

} // namespace
