// The built program, recording in its own process: ended by signals, limited by the system, driven by the
// keyboard alone.
#include <csignal>

#include <sys/resource.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/AlsaTestDevice.h"
#include "support/DecodedAudio.h"
#include "support/Mp3File.h"
#include "support/RecorderProcess.h"
#include "support/TestFiles.h"
#include "support/TestSignal.h"

namespace {

constexpr int kTimeout = 60000;
// lame's delay and padding at the start and the end of a stream, in frames.
constexpr qint64 kEncoderSlack = 2304;

bool waitUntil(const std::function<bool()>& condition)
{
    return TestFiles::waitUntil(condition, kTimeout);
}

using TestFiles::read;

class SignalsEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        AlsaTestDevice::ensureConfigured();
        AlsaTestDevice::setSignal(TestSignal::stereoSine(120, 1000, 440, 0.5, 0.1));
    }

    /// Records until the file holds at least bytes.
    void recordUntil(RecorderProcess& program, qint64 bytes)
    {
        ASSERT_TRUE(program.clickRecord()) << program.diagnostics().toStdString();
        const QString file = program.saveFolder() + program.recordings().last();
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(file).size() >= bytes || !program.running(); }));
        ASSERT_TRUE(program.running());
    }

    QTemporaryDir m_dir;
};

// TERM, INT and HUP finish the recording and write the settings, also while the naming dialog is
// open; KILL cannot, yet leaves whole frames, untouched settings and a lock the next start takes over.
TEST_F(SignalsEndToEndTest, SignalsDuringARecordingLeaveAValidFile)
{
    for (const auto& [signalNumber, naming] :
         {std::pair{SIGTERM, false}, {SIGINT, true}, {SIGHUP, false}, {SIGKILL, false}}) {
        SCOPED_TRACE(strsignal(signalNumber));
        const bool orderly = signalNumber != SIGKILL;
        QTemporaryDir dir;
        RecorderProcess program(dir.path());
        const QByteArray iniBefore = read(program.iniPath());
        ASSERT_TRUE(program.start()) << program.diagnostics().toStdString();
        recordUntil(program, 24000);
        if (naming) {
            program.clickStop();
            ASSERT_TRUE(waitUntil([&] { return program.windows(QStringLiteral("^Aufnahme benennen$")) == 1; }));
        }
        program.signal(signalNumber);
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitStatus(), orderly ? QProcess::NormalExit : QProcess::CrashExit);

        ASSERT_EQ(program.recordings().size(), 1);
        const QString file = program.saveFolder() + program.recordings().front();
        const qint64 frames = Mp3File::wholeFrames(file);
        EXPECT_GT(frames, 0) << "the file ends after its last complete frame";
        const DecodedAudio audio(file);
        ASSERT_TRUE(audio.valid());
        EXPECT_GE(audio.frames(), frames * 1152 - kEncoderSlack);
        const QByteArray ini = read(program.iniPath());
        if (orderly) {
            EXPECT_EQ(program.exitCode(), 0);
            // Finished, not cut: the tone goes on up to the encoder's padding.
            EXPECT_NEAR(audio.frequency(0, audio.frames() - kEncoderSlack - 13230, 13230), 1000.0, 15.0);
            EXPECT_TRUE(ini.contains("Bitrate=3\n") && ini.contains("Browser=0\n")) << ini.toStdString();
            EXPECT_TRUE(ini.contains("SavePath=" + QFile::encodeName(program.saveFolder()) + "\n"));
            continue;
        }
        EXPECT_NEAR(audio.frequency(0, 4410, std::min<qint64>(audio.frames() - 8820, 44100)), 1000.0, 15.0);
        EXPECT_EQ(ini, iniBefore) << "settings are written only by an orderly end";
        ASSERT_TRUE(program.start()) << program.diagnostics().toStdString();
        program.signal(SIGTERM);
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(read(program.iniPath()).contains("Browser=0\n"));
    }
}

// Without a window manager nobody hands out the focus: the windows take it themselves, so Tab, Space,
// typing and Return record, stop, name and accept, twice in a row.
TEST_F(SignalsEndToEndTest, TheKeyboardAloneRecordsAndNamesTwiceWithoutAWindowManager)
{
    RecorderProcess program(m_dir.path());
    ASSERT_TRUE(program.start()) << program.diagnostics().toStdString();
    const QString main = QStringLiteral("Quernbell Audio Recorder v1.0");
    ASSERT_TRUE(waitUntil([&] { return program.focusedWindow() == main; }));
    // From the level display box: Tab to Reset, Tab to Record. The second time the focus is back on Stop.
    for (const auto& [toRecord, title] : {std::pair{"Tab Tab space", "Eins"}, {"shift+Tab space", "Zwei"}}) {
        SCOPED_TRACE(title);
        const qsizetype before = program.recordings().size();
        program.keys(QString::fromLatin1(toRecord));
        ASSERT_TRUE(waitUntil([&] { return program.recordings().size() > before; }));
        const QString file = program.saveFolder() + program.recordings().last();
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(file).size() > 8000; }));
        program.keys(QStringLiteral("Tab space"));
        ASSERT_TRUE(waitUntil([&] { return program.focusedWindow() == "Aufnahme benennen"; }));
        program.type(QString::fromLatin1(title), QStringLiteral("Return"));
        ASSERT_TRUE(waitUntil([&] { return program.focusedWindow() == main; }));
        EXPECT_TRUE(QFileInfo::exists(program.saveFolder() + title + ".mp3"));
    }
    program.signal(SIGTERM);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(program.recordings(), QStringList({"Eins.mp3", "Zwei.mp3"}));
}

TEST_F(SignalsEndToEndTest, AFullDiskEndsTheRecordingTellsOnceAndTheNextOneWorksOnceThereIsRoom)
{
    constexpr rlim_t kLimit = 40000;
    RecorderProcess program(m_dir.path());
    program.setChildSetup([] {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = kLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_TRUE(program.start()) << program.diagnostics().toStdString();
    ASSERT_TRUE(program.clickRecord()) << program.diagnostics().toStdString();
    ASSERT_TRUE(waitUntil([&] { return program.messageBoxes() == 1 || !program.running(); }));
    ASSERT_TRUE(program.running()) << "a file-size limit must not end the program";
    const QString full = program.saveFolder() + program.recordings().front();
    const qint64 fullSize = QFileInfo(full).size();
    EXPECT_LE(fullSize, static_cast<qint64>(kLimit));
    EXPECT_GT(Mp3File::wholeFrames(full), 0);
    EXPECT_TRUE(DecodedAudio(full).valid());

    // Room again; a new second gives the next recording its own name.
    rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(prlimit(static_cast<pid_t>(program.pid()), RLIMIT_FSIZE, &unlimited, nullptr), 0);
    const QTime now = QTime::currentTime();
    ASSERT_TRUE(waitUntil([&] { return QTime::currentTime().second() != now.second(); }));
    recordUntil(program, 2 * static_cast<qint64>(kLimit));
    EXPECT_EQ(program.messageBoxes(), 1) << "told once; " << program.diagnostics().toStdString();
    program.signal(SIGTERM);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0) << "the limit did not end the program";

    ASSERT_EQ(program.recordings().size(), 2) << program.recordings().join(", ").toStdString();
    EXPECT_EQ(QFileInfo(full).size(), fullSize);
    const QString next = program.saveFolder() + program.recordings().back();
    EXPECT_GT(Mp3File::wholeFrames(next), 0);
    EXPECT_TRUE(DecodedAudio(next).valid());
}

} // namespace
