// Faults between and during recordings, through the real window, ALSA's file plugin and the
// real encoder: the user is told once, the window returns to a state it can go on from, and
// no half-made file stays behind.
#include <csignal>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
#include "support/Mp3File.h"
#include "support/NoFileOverride.h"
#include "support/ProcessList.h"
#include "support/TestApp.h"
#include "support/TestSignal.h"
#include "tagging/frmName.h"

namespace {

constexpr int kTimeout = 120000;

class ReliabilityEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        AlsaTestDevice::ensureConfigured();
        AlsaTestDevice::setSignal(TestSignal::stereoSine(60, 1000, 440, 0.5, 0.1));
        TestApp::init(m_dir.path());
        m_encoder = m_dir.filePath("system/mkmp3");
        ASSERT_TRUE(QFile::copy(QStringLiteral(QB_LAME_EXECUTABLE), m_encoder));
        App().EncoderPath = m_encoder;
        m_program = std::make_unique<Program>(std::make_unique<AlsaCaptureBackend>(), m_clock);
    }

    void click(const char* name)
    {
        auto* button = m_program->form().findChild<CmdButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
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
        if (auto* dialog = m_program->form().findChild<frmName*>()) {
            dialog->close();
        }
    }

    /// One tick of the window's timer, which notices a recording that ended by itself.
    void tick() { QMetaObject::invokeMethod(m_program->form().findChild<QTimer*>("tmrTimer"), "timeout"); }
    QString state() { return m_program->form().findChild<QLabel*>("lblState")->text(); }
    QStringList files() const { return QDir(App().SaveFolder).entryList(QDir::Files, QDir::Name); }
    RecordingController& controller() { return m_program->form().controller(); }

    QTemporaryDir m_dir;
    QString m_encoder;
    FixedDateClock m_clock;
    MessageBoxCatcher m_boxes;
    std::unique_ptr<Program> m_program;
};

TEST_F(ReliabilityEndToEndTest, SaveFolderGoneOrReadOnlyAndEncoderDyingWhilePausedEachEndCleanly)
{
    const QString folder = App().SaveFolder;
    record();
    QTRY_VERIFY_WITH_TIMEOUT(m_program->output().SecondsRecorded() >= 1, kTimeout);
    stop();
    ASSERT_EQ(files().size(), 1);

    // The folder vanishes between recordings: Record is refused, once, and nothing is left.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    record();
    tick();
    QTRY_COMPARE(m_boxes.texts.size(), 1);
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
    QTRY_COMPARE(m_boxes.texts.size(), 2);
    EXPECT_FALSE(controller().Recording());
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_TRUE(files().isEmpty());

    // Writable again: recording works; the encoder dies while it is paused.
    record();
    QTRY_VERIFY_WITH_TIMEOUT(m_program->output().BytesWritten() > 20000, kTimeout);
    click("CmdPause");
    ASSERT_EQ(state(), "- P A U S E -");
    const QList<qint64> encoders = ProcessList::running(m_encoder);
    ASSERT_EQ(encoders.size(), 1);
    ASSERT_EQ(::kill(static_cast<pid_t>(encoders.front()), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_program->waveIn().RecordingActive(), kTimeout);
    tick();
    QTRY_COMPARE(m_boxes.texts.size(), 3);
    EXPECT_EQ(m_boxes.texts.value(2), "Der Encoder wurde unerwartet beendet.");
    EXPECT_EQ(state(), "Aufnahmebereitschaft") << "standby, not a pause of a closed recording";
    EXPECT_FALSE(controller().Paused());
    ASSERT_EQ(files().size(), 1);
    const QString died = App().SaveFolder + files().front();
    EXPECT_GT(Mp3File::wholeFrames(died), 0);
    EXPECT_TRUE(DecodedAudio(died).valid());

    // Record starts a new recording, which works.
    record();
    EXPECT_TRUE(controller().Recording());
    QTRY_VERIFY_WITH_TIMEOUT(m_program->output().SecondsRecorded() >= 1, kTimeout);
    stop();
    EXPECT_EQ(files().size(), 2);
    EXPECT_TRUE(DecodedAudio(App().SaveFolder + files().back()).valid());
    EXPECT_EQ(m_boxes.texts.size(), 3);
}

} // namespace
