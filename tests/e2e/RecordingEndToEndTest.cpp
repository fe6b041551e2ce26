// Record, Pause and Stop through the real window, a real ALSA device (the file plugin) and
// the real encoder, into real files.
#include <QCheckBox>
#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "controls/CmdButton.h"
#include "fakes/FixedDateClock.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "recorder/RecordingController.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/DecodedAudio.h"
#include "support/MessageBoxCatcher.h"
#include "support/ProcessList.h"
#include "support/TestApp.h"
#include "support/TestSignal.h"
#include "tagging/ID3tag.h"
#include "tagging/frmName.h"

namespace {

constexpr int kTimeout = 120000;
const QString kFileName = QStringLiteral("Rec_(2026-12-07)_(23-59-01).mp3");

class RecordingEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        AlsaTestDevice::ensureConfigured();
        // Loud 1 kHz on the left, quiet 440 Hz on the right: byte-swapped noise has neither.
        AlsaTestDevice::setSignal(TestSignal::stereoSine(30, 1000, 440, 0.5, 0.1));
        TestApp::init(m_dir.path());
    }

    void start()
    {
        m_program = std::make_unique<Program>(std::make_unique<AlsaCaptureBackend>(), m_clock);
        QCoreApplication::processEvents();
    }

    void click(const char* name)
    {
        auto* button = m_program->form().findChild<CmdButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }

    void recordUntil(qint64 seconds)
    {
        auto& output = m_program->output();
        QTRY_VERIFY_WITH_TIMEOUT(output.SecondsRecorded() >= seconds, kTimeout);
    }

    /// Stop, then close the naming dialog by its frame: back to the main window, the file as recorded.
    void stopAndKeep()
    {
        click("CmdStop");
        frmName* dialog = m_program->form().findChild<frmName*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(m_program->form().isVisible());
        dialog->close();
    }

    QString recordingPath() const { return App().DocumentsFolder + kFileName; }
    RecordingController& controller() { return m_program->form().controller(); }
    QString state() { return m_program->form().findChild<QLabel*>("lblState")->text(); }

    QTemporaryDir m_dir;
    FixedDateClock m_clock;
    std::unique_ptr<Program> m_program;
    MessageBoxCatcher m_boxes;
};

TEST_F(RecordingEndToEndTest, RecordAndStopGiveTheInputAsMp3WithNothingLostAtTheEnd)
{
    start();
    EXPECT_EQ(m_program->form().windowTitle(), "Quernbell Audio Recorder v1.0");
    EXPECT_EQ(m_program->form().HeightTwips(), 4680);
    click("CmdRecord");
    recordUntil(3);
    stopAndKeep();

    const EncoderOutput& output = m_program->output();
    ASSERT_TRUE(QFile::exists(recordingPath()));
    EXPECT_EQ(QFileInfo(recordingPath()).size(), output.BytesWritten());
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_TRUE(m_program->form().isVisible());

    const DecodedAudio audio(recordingPath());
    ASSERT_TRUE(audio.valid());
    EXPECT_EQ(audio.channels(), 2);
    EXPECT_EQ(audio.sampleRate(), 44100);
    EXPECT_NEAR(audio.frequency(0, 4410, 44100), 1000.0, 10.0);
    EXPECT_NEAR(audio.frequency(1, 4410, 44100), 440.0, 5.0);
    EXPECT_NEAR(audio.rms(0, 4410, 44100), 0.5 / std::sqrt(2.0), 0.04);
    EXPECT_NEAR(audio.rms(1, 4410, 44100), 0.1 / std::sqrt(2.0), 0.02);

    // Every frame handed to the encoder is in the file: the decoded length is the PCM length
    // plus at most the encoder's delay and one frame of padding.
    const qint64 pcmFrames = (output.PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames);
    EXPECT_LE(audio.frames(), pcmFrames + 1152 + 1152);
    // The tail is the signal, not silence: the last second before the padding still sounds.
    EXPECT_NEAR(audio.frequency(0, pcmFrames - 44100, 40000), 1000.0, 10.0);
}

TEST_F(RecordingEndToEndTest, PauseDropsThePausedSpanAndRecordContinuesTheSameFile)
{
    start();
    // The level display keeps the device running while the recording is paused.
    QTest::mouseClick(m_program->form().findChild<QCheckBox*>("chkMonitoring"), Qt::LeftButton);
    click("CmdRecord");
    recordUntil(1);
    click("CmdPause");
    EXPECT_EQ(state(), "- P A U S E -");
    const qint64 atPause = m_program->output().PcmBytes();
    QTest::qWait(300);
    EXPECT_EQ(m_program->output().PcmBytes(), atPause);

    click("CmdRecord");
    EXPECT_TRUE(controller().Recording());
    recordUntil(2);
    stopAndKeep();

    const QStringList files = QDir(App().DocumentsFolder).entryList(QDir::Files);
    EXPECT_EQ(files, QStringList{kFileName});
    const DecodedAudio audio(recordingPath());
    ASSERT_TRUE(audio.valid());
    const qint64 pcmFrames = (m_program->output().PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames);
    EXPECT_LE(audio.frames(), pcmFrames + 2304);
}

TEST_F(RecordingEndToEndTest, MissingEncoderLeavesNoFileAndReturnsToStandby)
{
    App().EncoderPath = m_dir.filePath("system/missing-encoder");
    start();
    click("CmdRecord");
    QTRY_VERIFY_WITH_TIMEOUT(!controller().Recording(), kTimeout);
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_FALSE(QFile::exists(recordingPath()));
    EXPECT_TRUE(controller().SessionActive()) << "ended by itself";

    click("CmdStop");
    EXPECT_TRUE(controller().SessionActive()) << "Stop does nothing in this state";
}

TEST_F(RecordingEndToEndTest, KilledEncoderEndsTheRecordingAndKeepsWhatWasWritten)
{
    const QString encoder = m_dir.filePath("system/mkmp3");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QB_LAME_EXECUTABLE), encoder));
    App().EncoderPath = encoder;
    start();
    click("CmdRecord");
    QTRY_VERIFY_WITH_TIMEOUT(m_program->output().BytesWritten() > 20000, kTimeout);

    // Kill the encoder process that runs from our copy.
    const QList<qint64> encoders = ProcessList::running(encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGKILL), 0);

    QTRY_VERIFY_WITH_TIMEOUT(!m_program->waveIn().RecordingActive(), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!controller().Recording(), kTimeout);
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_EQ(m_boxes.texts.size(), 1) << "the user is told once";

    const DecodedAudio audio(recordingPath());
    ASSERT_TRUE(audio.valid());
    EXPECT_GT(audio.frames(), 4410);
    EXPECT_NEAR(audio.frequency(0, 1000, std::min<qint64>(audio.frames() - 2000, 44100)), 1000.0, 15.0);
    EXPECT_EQ(QFileInfo(recordingPath()).size(), m_program->output().BytesWritten());
}

TEST_F(RecordingEndToEndTest, AnExistingFileOfTheRecordingsNameIsReplaced)
{
    {
        QFile old(recordingPath());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'J'));
    }
    start();
    click("CmdRecord");
    recordUntil(1);
    stopAndKeep();
    QFile file(recordingPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.read(4).startsWith("JJJJ"));
    EXPECT_TRUE(DecodedAudio(recordingPath()).valid());
}

TEST_F(RecordingEndToEndTest, StopOpensTheNamingDialogThatFilesAndTagsTheRecording)
{
    start();
    click("CmdRecord");
    recordUntil(2);
    click("CmdStop");
    const qint64 recorded = QFileInfo(recordingPath()).size();
    frmName* dialog = m_program->form().findChild<frmName*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(m_program->form().isVisible());
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
    const DecodedAudio audio(named);
    ASSERT_TRUE(audio.valid());
    EXPECT_NEAR(audio.frequency(0, 4410, 44100), 1000.0, 10.0);
    ID3tag tag;
    tag.setFileName(named);
    EXPECT_EQ(QStringList({tag.Artist(), tag.Album(), tag.Name()}), QStringList({"A", "B", "T"}));
    EXPECT_EQ(tag.Year(), 2004);
    EXPECT_EQ(tag.SongNumber(), 7);

    EXPECT_TRUE(m_program->form().isVisible());
    auto* dirs = m_program->form().findChild<QListWidget*>("lstDirs");
    ASSERT_EQ(dirs->count(), 1) << "the browser is refilled";
    EXPECT_EQ(dirs->item(0)->text(), "A");
}

} // namespace
