// Record, Pause and Stop through the real window, a real ALSA device (the file plugin) and
// the real encoder, into real files.
#include <csignal>

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "controls/CmdButton.h"
#include "recorder/EncoderOutput.h"
#include "recorder/RecordingController.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/DecodedAudio.h"
#include "support/ProcessList.h"
#include "support/ProgramTest.h"
#include "support/TestFiles.h"
#include "support/TestSignal.h"
#include "tagging/ID3tag.h"
#include "tagging/frmName.h"

namespace {

const QString kFileName = QStringLiteral("Rec_(2026-12-07)_(23-59-01).mp3");

class RecordingEndToEndTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        AlsaTestDevice::ensureConfigured();
        // Loud 1 kHz on the left, quiet 440 Hz on the right: byte-swapped noise has neither.
        AlsaTestDevice::setSignal(TestSignal::stereoSine(30, 1000, 440, 0.5, 0.1));
    }

    /// Stop, then close the naming dialog by its frame: back to the main window, the file as recorded.
    void stopAndKeep()
    {
        click("CmdStop");
        frmName* dialog = form().findChild<frmName*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(form().isVisible());
        dialog->close();
    }

    QString recordingPath() const { return App().DocumentsFolder + kFileName; }
};

TEST_F(RecordingEndToEndTest, RecordAndStopGiveTheInputAsMp3WhichTheNamingDialogFilesAndTags)
{
    start();
    EXPECT_EQ(form().windowTitle(), "Quernbell Audio Recorder v1.0");
    EXPECT_EQ(form().HeightTwips(), 4680);
    click("CmdRecord");
    ASSERT_TRUE(recorded(3));
    click("CmdStop");
    const qint64 recorded = QFileInfo(recordingPath()).size();
    EXPECT_EQ(recorded, output().BytesWritten());
    frmName* dialog = form().findChild<frmName*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(form().isVisible());
    // The title is typed over the recorded name, which is selected.
    for (const auto& [box, text] : {std::pair{"txtSubDir", "A"},
                                    {"txtYear", "2004"},
                                    {"txtAlbum", "B"},
                                    {"txtNumber", "7"},
                                    {"txtFileName", "T"}}) {
        QTest::keyClicks(dialog->findChild<QLineEdit*>(box), text);
    }
    for (const char* box : {"chkArtistDir", "chkAlbumDir"}) {
        QTest::mouseClick(dialog->findChild<QCheckBox*>(box), Qt::LeftButton);
    }
    auto* accept = dialog->findChild<CmdButton*>("CmdButton2");
    QTest::mouseClick(accept, Qt::LeftButton, Qt::NoModifier, accept->rect().center());

    const QString named = App().DocumentsFolder + "A/2004 - B/A - 07 - T.mp3";
    EXPECT_FALSE(QFile::exists(recordingPath()));
    EXPECT_EQ(QFileInfo(named).size(), recorded + 128);
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_TRUE(form().isVisible());
    auto* dirs = form().findChild<QListWidget*>("lstDirs");
    ASSERT_EQ(dirs->count(), 1) << "the browser is refilled";
    EXPECT_EQ(dirs->item(0)->text(), "A");
    ID3tag tag;
    tag.setFileName(named);
    EXPECT_EQ(QStringList({tag.Artist(), tag.Album(), tag.Name()}), QStringList({"A", "B", "T"}));
    EXPECT_EQ(tag.Year(), 2004);
    EXPECT_EQ(tag.SongNumber(), 7);

    const DecodedAudio audio(named);
    ASSERT_TRUE(audio.valid());
    EXPECT_EQ(audio.channels(), 2);
    EXPECT_EQ(audio.sampleRate(), 44100);
    EXPECT_NEAR(audio.frequency(0, 4410, 44100), 1000.0, 10.0);
    EXPECT_NEAR(audio.frequency(1, 4410, 44100), 440.0, 5.0);
    EXPECT_NEAR(audio.rms(0, 4410, 44100), 0.5 / std::sqrt(2.0), 0.04);
    EXPECT_NEAR(audio.rms(1, 4410, 44100), 0.1 / std::sqrt(2.0), 0.02);
    // Every frame handed to the encoder is in the file: the decoded length is the PCM length
    // plus at most the encoder's delay and one frame of padding.
    const qint64 pcmFrames = (output().PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames);
    EXPECT_LE(audio.frames(), pcmFrames + 1152 + 1152);
    // The tail is the signal, not silence: the last second before the padding still sounds.
    EXPECT_NEAR(audio.frequency(0, pcmFrames - 44100, 40000), 1000.0, 10.0);
}

TEST_F(RecordingEndToEndTest, PauseDropsThePausedSpanAndRecordContinuesTheSameFile)
{
    start();
    // The level display keeps the device running while the recording is paused.
    click("chkMonitoring");
    click("CmdRecord");
    ASSERT_TRUE(recorded(1));
    click("CmdPause");
    EXPECT_EQ(state(), "- P A U S E -");
    const qint64 atPause = output().PcmBytes();
    QTest::qWait(300);
    EXPECT_EQ(output().PcmBytes(), atPause);

    click("CmdRecord");
    EXPECT_TRUE(controller().Recording());
    ASSERT_TRUE(recorded(2));
    stopAndKeep();

    EXPECT_EQ(files(), QStringList{kFileName});
    const DecodedAudio audio(recordingPath());
    ASSERT_TRUE(audio.valid());
    const qint64 pcmFrames = (output().PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames);
    EXPECT_LE(audio.frames(), pcmFrames + 2304);
}

TEST_F(RecordingEndToEndTest, MissingEncoderLeavesNoFileAndReturnsToStandby)
{
    App().EncoderPath = m_dir.filePath("system/missing-encoder");
    start();
    click("CmdRecord");
    ASSERT_TRUE(waitFor([&] { return !controller().Recording(); }));
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_FALSE(QFile::exists(recordingPath()));
    EXPECT_FALSE(controller().SessionActive()) << "ended by itself: Prev, Next and Play work again";

    click("CmdStop");
    EXPECT_TRUE(form().isVisible()) << "Stop does nothing in this state";
}

TEST_F(RecordingEndToEndTest, KilledEncoderAndOneStoppedAtStopAreReplacedAndTheFileHoldsTheWholeRecording)
{
    const QString encoder = copyEncoder();
    start();
    click("CmdRecord");
    ASSERT_TRUE(waitFor([&] { return output().BytesWritten() > 20000; }));

    QList<qint64> encoders = ProcessList::running(encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return output().EncoderStarts() == 2; }));
    // The recording goes on, and nobody needs to be told.
    ASSERT_TRUE(recorded(output().SecondsRecorded() + 2));
    tick();
    EXPECT_TRUE(controller().Recording());
    EXPECT_TRUE(m_boxes.texts.isEmpty());

    // The fresh encoder is stopped, with input still waiting for it, when Stop is clicked.
    encoders = ProcessList::running(encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGSTOP), 0);
    int encodersWhileStopWaits = 0;
    QTimer::singleShot(200, &form(), [&] { encodersWhileStopWaits = output().EncoderStarts(); });
    stopAndKeep();
    EXPECT_EQ(encodersWhileStopWaits, 2) << "the window's events run while Stop waits";
    EXPECT_EQ(output().EncoderStarts(), 3);
    EXPECT_TRUE(m_boxes.texts.isEmpty());
    EXPECT_EQ(output().DroppedBytes(), 0);

    // Decoded, every frame handed on is there, longer by the encoder's delay (576), at each of
    // the two joints by the fresh encoder's and the decoder's (1105) and the overlap (a frame), and
    // by the end's padding.
    const DecodedAudio audio(recordingPath());
    ASSERT_TRUE(audio.valid());
    const qint64 pcmFrames = (output().PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames + 576 + 2 * 1105);
    EXPECT_LT(audio.frames(), pcmFrames + 576 + 2 * 1105 + 2 * EncoderOutput::ResumeOverlapSamples + 2 * 1152);
    EXPECT_NEAR(audio.frequency(0, pcmFrames - 44100, 40000), 1000.0, 10.0);
    EXPECT_EQ(QFileInfo(recordingPath()).size(), output().BytesWritten());
}

TEST_F(RecordingEndToEndTest, AnExistingFileOfTheRecordingsNameIsReplaced)
{
    ASSERT_TRUE(TestFiles::write(recordingPath(), QByteArray(100000, 'J')));
    start();
    click("CmdRecord");
    ASSERT_TRUE(recorded(1));
    stopAndKeep();
    EXPECT_FALSE(TestFiles::read(recordingPath()).startsWith("JJJJ"));
    EXPECT_TRUE(DecodedAudio(recordingPath()).valid());
}

} // namespace
