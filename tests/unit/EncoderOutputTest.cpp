#include "recorder/EncoderOutput.h"
#include "support/DecodedAudio.h"
#include "support/FileSizeLimit.h"
#include "support/Mp3File.h"
#include "support/TestFiles.h"
#include "support/TestSignal.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int Rate = 44100;
constexpr qint64 BytesPerSec = 176400;
constexpr int BufferBytes = 8820;
constexpr int WaitMs = 20000;
const QString Lame = QStringLiteral(QB_LAME_EXECUTABLE);
const QString CannotWrite = QStringLiteral("Die Aufnahmedatei kann nicht geschrieben werden: ");

/// Stereo 16-bit little-endian sine, both channels alike; amplitude of full scale 32767.
QByteArray SinePcm(double seconds, double frequency, double amplitude)
{
    return TestSignal::stereoSine(seconds, frequency, frequency, amplitude / 32767.0, amplitude / 32767.0);
}

class EncoderOutputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_out.setEndedHandler([this](const QString& reason) { m_ends << reason; });
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString recording() const { return path(QStringLiteral("Rec.mp3")); }

    /// Opens the recording (which must work) and starts the encoder at encoder.
    bool start(const QString& encoder = Lame)
    {
        m_out.setEncoderPath(encoder);
        EXPECT_TRUE(m_out.OpenOutputFile(recording(), BytesPerSec));
        return m_out.StartEncoder(Rate, 16);
    }

    /// Hands pcm on in capture-sized buffers, letting the event loop feed the pipe in between or not.
    void writeInBuffers(const QByteArray& pcm, bool letEventsRun = true)
    {
        for (qsizetype offset = 0; offset < pcm.size(); offset += BufferBytes) {
            m_out.WriteCapturedData(pcm.mid(offset, BufferBytes));
            if (letEventsRun) {
                QCoreApplication::processEvents();
            }
        }
    }

    /// A shell script in the test folder, for an encoder that misbehaves.
    QString script(const QString& name, const QString& body) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        TestFiles::write(file, ("#!/bin/sh\n" + body + "\n").toUtf8());
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    }

    QTemporaryDir m_dir;
    EncoderOutput m_out;
    QStringList m_ends; // reasons given by the ended handler
};

TEST(EncoderArgumentsTest, RateIsShortestDecimalWithPointInAnyLocale)
{
    const QLocale savedDefault;
    const std::string savedNumeric = std::setlocale(LC_NUMERIC, nullptr);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool haveGermanC = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    SCOPED_TRACE(haveGermanC ? "with de_DE.UTF-8 numeric locale" : "de_DE.UTF-8 not installed");

    for (const auto& [rate, kHz] :
         {std::pair{44100, "44.1"}, {48000, "48"}, {22050, "22.05"}, {8000, "8"}, {11025, "11.025"}}) {
        EXPECT_EQ(EncoderOutput::EncoderArguments(rate, 16, 128).at(1), kHz) << rate;
    }
    EXPECT_EQ(EncoderOutput::CommandLine("/opt/my tools/mkmp3", 44100, 16, 128),
              "/opt/my tools/mkmp3 -s 44.1 -r --little-endian --bitwidth 16 -b 128 - -");
    EXPECT_EQ(EncoderOutput::EncoderArguments(44100, 16, -1).at(7), "-1");

    std::setlocale(LC_NUMERIC, savedNumeric.c_str());
    QLocale::setDefault(savedDefault);
}

TEST_F(EncoderOutputTest, RealEncodeKeepsSignalAndEveryFrame)
{
    m_out.setCbrBitrate(128);
    ASSERT_TRUE(start());
    const double amplitude = 10000.0;
    const QByteArray pcm = SinePcm(3.0, 1000.0, amplitude);
    writeInBuffers(pcm);
    m_out.FinishOutput();
    const qint64 bytes = m_out.BytesWritten();
    m_out.FinishOutput();
    QTest::qWait(50);
    EXPECT_EQ(m_out.BytesWritten(), bytes) << "a second finish changes nothing";

    EXPECT_TRUE(m_ends.isEmpty());
    EXPECT_EQ(m_out.DroppedBytes(), 0);
    EXPECT_EQ(m_out.PcmBytes(), 45 + pcm.size());
    EXPECT_EQ(m_out.SecondsRecorded(), 3);
    ASSERT_GT(m_out.BytesWritten(), 0);
    EXPECT_EQ(m_out.BytesWritten(), QFileInfo(recording()).size());

    const DecodedAudio audio(recording());
    ASSERT_TRUE(audio.valid());
    const qint64 inputFrames = pcm.size() / 4;
    // Decoded = input + encoder delay + padding; a lost tail would fall short of the input.
    EXPECT_GE(audio.frames(), inputFrames - 1152);
    EXPECT_LE(audio.frames(), inputFrames + 3 * 1152);
    // Measured away from the edges: byte-swapped input would be loud noise.
    const qint64 stretch = qMin(audio.frames(), inputFrames) - Rate;
    EXPECT_NEAR(audio.frequency(0, Rate / 2, stretch), 1000.0, 10.0);
    EXPECT_NEAR(audio.rms(0, Rate / 2, stretch), amplitude / 32768.0 / std::sqrt(2.0), amplitude / 32768.0 * 0.05);
}

TEST_F(EncoderOutputTest, AsksTheCaptureSideToHoldBackWhileTheEncoderIsBehind)
{
    m_out.setReadyWatermarks(64 * 1024, 16 * 1024);
    int readyCalls = 0;
    m_out.setReadyHandler([&] { ++readyCalls; });
    ASSERT_TRUE(start());

    // Written without letting the event loop feed the pipe: the backlog passes the high mark.
    writeInBuffers(SinePcm(2.0, 1000.0, 8000.0), false);
    EXPECT_FALSE(m_out.ReadyForData());
    ASSERT_TRUE(QTest::qWaitFor([&] { return readyCalls == 1; }, 60000));
    EXPECT_TRUE(m_out.ReadyForData());
    EXPECT_EQ(m_out.DroppedBytes(), 0) << "holding back is not dropping";

    m_out.CountLostCapture(4410);
    EXPECT_EQ(m_out.DroppedBytes(), 4410) << "gaps of the device are shown with the drops";
    m_out.FinishOutput();
}

TEST_F(EncoderOutputTest, RecordedTimeReachesOneSecondAfter176355BytesOfPcm)
{
    // The count starts at 45, so the first second shows 45 bytes early.
    ASSERT_TRUE(start());
    EXPECT_EQ(m_out.SecondsRecorded(), 0);
    m_out.WriteCapturedData(QByteArray(176354, '\0'));
    EXPECT_EQ(m_out.SecondsRecorded(), 0);
    m_out.WriteCapturedData(QByteArray(1, '\0'));
    EXPECT_EQ(m_out.SecondsRecorded(), 1);
    m_out.FinishOutput();
}

TEST_F(EncoderOutputTest, FinishAndDiscardBeforeAnyFileAreHarmlessAndOpenReplacesTheFile)
{
    m_out.FinishOutput();
    m_out.FinishOutput();
    m_out.DiscardRecordingFile();
    EXPECT_EQ(m_out.BytesWritten(), 0);
    EXPECT_EQ(m_out.SecondsRecorded(), 0);

    ASSERT_TRUE(TestFiles::write(recording(), QByteArray(5000, 'x')));
    ASSERT_TRUE(m_out.OpenOutputFile(recording(), BytesPerSec));
    EXPECT_EQ(QFileInfo(recording()).size(), 0);
    m_out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    EXPECT_EQ(m_out.DroppedBytes(), BufferBytes) << "no encoder: counted, not lost silently";
    m_out.FinishOutput();

    ASSERT_TRUE(m_out.OpenOutputFile(recording(), BytesPerSec));
    EXPECT_EQ(m_out.PcmBytes(), 45);
    EXPECT_EQ(m_out.BytesWritten(), 0);
    EXPECT_EQ(m_out.DroppedBytes(), 0);
    m_out.FinishOutput();

    EXPECT_FALSE(m_out.OpenOutputFile(path("no such folder/Rec.mp3"), BytesPerSec));
    EXPECT_FALSE(m_out.StartEncoder(Rate, 16)) << "no encoder without an open file";
}

TEST_F(EncoderOutputTest, StartFailsForMissingEncoderAndForOneThatEndsAtOnce)
{
    EXPECT_FALSE(start(path("mkmp3")));
    m_out.DiscardRecordingFile();
    EXPECT_FALSE(QFile::exists(recording()));

    EXPECT_FALSE(start(m_dir.path())) << "a folder is no encoder";

    EXPECT_FALSE(start(script("quitter", "printf 'not an mp3'\nexit 1")));
    EXPECT_EQ(m_out.BytesWritten(), 0);
    EXPECT_EQ(QFileInfo(recording()).size(), 0);
    m_out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    EXPECT_EQ(m_out.DroppedBytes(), BufferBytes);
    m_out.FinishOutput();
    m_out.DiscardRecordingFile();
    EXPECT_FALSE(QFile::exists(recording()));

    QTest::qWait(50);
    EXPECT_TRUE(m_ends.isEmpty());
}

enum class Fault
{
    ClosesItsInput,
    Killed,
    KilledTwice,
    StoppedWhileRecording,
    StoppedAtStop
};

TEST_F(EncoderOutputTest, AFailingEncoderIsReplacedAndOnlyWhatCannotBeSavedIsCountedAndTold)
{
    const struct
    {
        const char* name;
        Fault fault;
        int failureWindowMs;
        bool freshOnesFail; // encoders started after the fault end at once
        bool ends;          // the recording ends by itself, told once
        bool finishFails;   // Stop tells what could not be saved
        bool drops;
    } cases[] = {
        {"closes its input", Fault::ClosesItsInput, 60000, false, false, false, false},
        {"killed while recording", Fault::Killed, 60000, false, false, false, false},
        {"killed twice within the window", Fault::KilledTwice, 60000, false, true, false, true},
        {"killed twice, the window passed", Fault::KilledTwice, 0, false, false, false, false},
        {"killed, no fresh one starts", Fault::Killed, 60000, true, true, false, true},
        {"stopped while recording: capped", Fault::StoppedWhileRecording, 60000, false, false, false, true},
        {"stopped at Stop", Fault::StoppedAtStop, 60000, false, false, false, false},
        {"stopped at Stop, no fresh one starts", Fault::StoppedAtStop, 60000, true, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_ends.clear();
        QDir(path("run")).removeRecursively();
        const QString pids = path("run/pids");
        const QString broken = path("run/broken");
        // Blanks in the path: the program is started without a shell.
        const QString encoder =
            script("run/my encoder", QStringLiteral("echo $$ >> '%1'\n[ -e '%2' ] && exit 3\n"
                                                    "[ %3 ] && [ $(wc -l < '%1') -eq 1 ] && exec sleep 60 <&-\n"
                                                    "exec '%4' \"$@\"")
                                         .arg(pids, broken, c.fault == Fault::ClosesItsInput ? "1" : "", Lame));
        const auto signalEncoder = [&](int run, int signal) {
            if (c.freshOnesFail) {
                TestFiles::write(broken, "");
            }
            const pid_t pid = TestFiles::read(pids).split('\n').value(run - 1).toInt();
            ASSERT_TRUE(pid > 0 && ::kill(pid, signal) == 0);
        };
        const auto waitForFresh = [&](int run) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_out.EncoderStarts() > run || !m_ends.isEmpty(); }, WaitMs));
        };
        m_out.setFailureWindow(c.failureWindowMs);
        m_out.setStallTimeout(500);
        m_out.setBacklogLimit(c.fault == Fault::StoppedWhileRecording ? 300000 : EncoderOutput::DefaultBacklogLimit);
        ASSERT_TRUE(start(encoder));

        const QByteArray pcm = SinePcm(12.0, 1000.0, 8000.0);
        const qsizetype third = pcm.size() / 3 / BufferBytes * BufferBytes;
        writeInBuffers(pcm.left(third));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_out.EncoderStarts() > 1 || m_out.BytesWritten() > 20000; }, WaitMs));
        qsizetype handedOn = third;
        qint64 droppedWhileStopped = 0;
        if (c.fault == Fault::ClosesItsInput) {
            waitForFresh(1);
        } else if (c.fault == Fault::Killed || c.fault == Fault::KilledTwice) {
            signalEncoder(1, SIGKILL);
            waitForFresh(1);
        }
        if (c.fault == Fault::KilledTwice) {
            QTest::qWait(10);
            writeInBuffers(pcm.mid(handedOn, third));
            handedOn += third;
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_out.KeptBytes() < 500000; }, WaitMs));
            signalEncoder(2, SIGKILL);
            waitForFresh(2);
        } else if (c.fault == Fault::StoppedWhileRecording) {
            signalEncoder(1, SIGSTOP);
            writeInBuffers(pcm.mid(handedOn, third));
            handedOn += third;
            EXPECT_LE(m_out.KeptBytes(), 300000);
            signalEncoder(1, SIGCONT);
            m_out.setBacklogLimit(EncoderOutput::DefaultBacklogLimit);
            droppedWhileStopped = m_out.DroppedBytes();
        }
        // Faster than the encoder takes it where it is stopped at Stop: much is still to come then.
        writeInBuffers(pcm.mid(handedOn), c.fault != Fault::StoppedAtStop);
        if (c.fault == Fault::StoppedAtStop) {
            signalEncoder(1, SIGSTOP);
        }
        const QString failure = m_out.FinishOutput();
        QTest::qWait(50);

        EXPECT_EQ(m_ends, c.ends ? QStringList{"Der Encoder wurde unerwartet beendet."} : QStringList{});
        EXPECT_EQ(failure.isEmpty(), !c.finishFails) << failure.toStdString();
        EXPECT_EQ(m_out.DroppedBytes() > 0, c.drops);
        if (c.fault == Fault::StoppedWhileRecording) {
            EXPECT_EQ(m_out.DroppedBytes(), droppedWhileStopped) << "nothing lost once it goes on";
        }
        // Whatever is not counted as dropped is in the file. Decoded, it is longer by the first
        // encoder's delay (576 samples), at each joint by the fresh encoder's and the decoder's
        // (1105) and the overlap, and by the end's padding, a frame at most.
        const qint64 saved = (pcm.size() - m_out.DroppedBytes()) / 4;
        const int joints = m_out.EncoderStarts() - (c.fault == Fault::ClosesItsInput ? 2 : 1);
        const DecodedAudio audio(recording());
        ASSERT_TRUE(audio.valid());
        EXPECT_GE(audio.frames(), saved + 576 + joints * 1105);
        EXPECT_LT(audio.frames(),
                  saved + 576 + joints * (1105 + EncoderOutput::ResumeOverlapSamples) + (1 + joints) * 1152);
        EXPECT_NEAR(audio.frequency(0, saved - Rate / 2, Rate / 2), 1000.0, 10.0) << "the end is the signal";
    }
}

TEST_F(EncoderOutputTest, FailedFileWriteEndsRecordingWithReason)
{
    ASSERT_TRUE(start());
    {
        const FileSizeLimit limit(4000);
        writeInBuffers(SinePcm(5.0, 440.0, 8000.0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_ends.isEmpty(); }, WaitMs));
    }
    EXPECT_TRUE(m_ends.value(0).startsWith(CannotWrite)) << m_ends.value(0).toStdString();
    EXPECT_GT(m_ends.value(0).size(), CannotWrite.size());

    m_out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    m_out.FinishOutput();
    QTest::qWait(50);
    EXPECT_EQ(m_ends.size(), 1);
    EXPECT_EQ(m_out.BytesWritten(), QFileInfo(recording()).size());
    EXPECT_LE(m_out.BytesWritten(), 4000);
    EXPECT_GT(m_out.BytesWritten(), 0);
    EXPECT_GT(Mp3File::wholeFrames(recording()), 0) << "the write that failed is cut back to the last whole frame";
}

TEST_F(EncoderOutputTest, FileThatFillsDuringStopsDrainIsReportedAndEndsAfterAWholeFrame)
{
    ASSERT_TRUE(start());
    // Handed on faster than the encoder takes it, so most of it is still to come at Stop.
    writeInBuffers(SinePcm(20.0, 440.0, 8000.0), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_out.BytesWritten() > 10000; }, WaitMs));
    QString failure;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(m_out.BytesWritten() + 5000));
        failure = m_out.FinishOutput();
    }
    EXPECT_TRUE(failure.startsWith(CannotWrite)) << failure.toStdString();
    QTest::qWait(50);
    EXPECT_TRUE(m_ends.isEmpty()) << "told once, by Stop";
    EXPECT_EQ(m_out.BytesWritten(), QFileInfo(recording()).size());
    EXPECT_GT(Mp3File::wholeFrames(recording()), 0);
    EXPECT_TRUE(DecodedAudio(recording()).valid());
    EXPECT_TRUE(m_out.FinishOutput().isEmpty());
}

} // namespace
