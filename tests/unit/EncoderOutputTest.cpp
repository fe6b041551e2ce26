#include "recorder/EncoderOutput.h"
#include "support/FileSizeLimit.h"
#include "support/Mp3File.h"
#include "support/TestSignal.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int Rate = 44100;
constexpr qint64 BytesPerSec = 176400;
constexpr int BufferBytes = 8820;
constexpr int WaitMs = 20000;

QString LamePath()
{
    return QStringLiteral(QB_LAME_EXECUTABLE);
}

QString WriteScript(const QString& path, const QString& body)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

/// Stereo 16-bit little-endian sine, both channels alike.
QByteArray SinePcm(double seconds, double frequency, double amplitude)
{
    return TestSignal::stereoSine(seconds, frequency, frequency, amplitude / 32767.0, amplitude / 32767.0);
}

void WriteInBuffers(EncoderOutput& out, const QByteArray& pcm)
{
    for (qsizetype offset = 0; offset < pcm.size(); offset += BufferBytes) {
        out.WriteCapturedData(pcm.mid(offset, BufferBytes));
        QCoreApplication::processEvents();
    }
}

/// Decodes with the real encoder's decoder into interleaved stereo samples.
std::vector<qint16> Decode(const QString& mp3, const QString& raw)
{
    QProcess decoder;
    decoder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    decoder.start(LamePath(), {"--decode", "-t", "--quiet", mp3, raw});
    if (!decoder.waitForFinished(60000) || decoder.exitCode() != 0) {
        return {};
    }
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    std::vector<qint16> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<quint8>(bytes[2 * i]);
        const auto hi = static_cast<quint8>(bytes[2 * i + 1]);
        samples[i] = static_cast<qint16>(static_cast<quint16>(lo | (hi << 8)));
    }
    return samples;
}

struct Counter
{
    int calls = 0;
    QString reason;
};

void CountEnds(EncoderOutput& out, Counter& counter)
{
    out.setEndedHandler([&counter](const QString& reason) {
        ++counter.calls;
        counter.reason = reason;
    });
}

class EncoderOutputTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST(EncoderArgumentsTest, RateIsShortestDecimalWithPointInAnyLocale)
{
    const QLocale savedDefault;
    const std::string savedNumeric = std::setlocale(LC_NUMERIC, nullptr);

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool haveGermanC = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    SCOPED_TRACE(haveGermanC ? "with de_DE.UTF-8 numeric locale" : "de_DE.UTF-8 not installed");

    EXPECT_EQ(EncoderOutput::EncoderArguments(44100, 16, 128).at(1), "44.1");
    EXPECT_EQ(EncoderOutput::EncoderArguments(48000, 16, 128).at(1), "48");
    EXPECT_EQ(EncoderOutput::EncoderArguments(22050, 16, 128).at(1), "22.05");
    EXPECT_EQ(EncoderOutput::EncoderArguments(8000, 16, 128).at(1), "8");
    EXPECT_EQ(EncoderOutput::EncoderArguments(11025, 16, 128).at(1), "11.025");

    EXPECT_EQ(EncoderOutput::CommandLine("/opt/my tools/mkmp3", 44100, 16, 128),
              "/opt/my tools/mkmp3 -s 44.1 -r --little-endian --bitwidth 16 -b 128 - -");
    EXPECT_EQ(EncoderOutput::EncoderArguments(44100, 16, -1).at(7), "-1");

    std::setlocale(LC_NUMERIC, savedNumeric.c_str());
    QLocale::setDefault(savedDefault);
}

TEST_F(EncoderOutputTest, RealEncodeKeepsSignalAndEveryFrame)
{
    const QString mp3 = path("sine.mp3");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);
    out.setEncoderPath(LamePath());
    out.setCbrBitrate(128);
    ASSERT_TRUE(out.OpenOutputFile(mp3, BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));

    const double amplitude = 10000.0;
    const QByteArray pcm = SinePcm(3.0, 1000.0, amplitude);
    WriteInBuffers(out, pcm);
    out.FinishOutput();
    const qint64 bytes = out.BytesWritten();
    out.FinishOutput();
    QTest::qWait(50);
    EXPECT_EQ(out.BytesWritten(), bytes) << "a second finish changes nothing";

    EXPECT_EQ(ends.calls, 0);
    EXPECT_EQ(out.DroppedBytes(), 0);
    EXPECT_EQ(out.PcmBytes(), 45 + pcm.size());
    EXPECT_EQ(out.SecondsRecorded(), 3);
    ASSERT_GT(out.BytesWritten(), 0);
    EXPECT_EQ(out.BytesWritten(), QFileInfo(mp3).size());

    const std::vector<qint16> decoded = Decode(mp3, path("decoded.raw"));
    ASSERT_FALSE(decoded.empty());
    const qint64 inputFrames = pcm.size() / 4;
    const auto decodedFrames = static_cast<qint64>(decoded.size() / 2);
    // Decoded = input + encoder delay + padding; a lost tail would fall short of the input.
    EXPECT_GE(decodedFrames, inputFrames - 1152);
    EXPECT_LE(decodedFrames, inputFrames + 3 * 1152);

    // Measure the left channel away from the edges: byte-swapped input would be loud noise.
    const qint64 from = Rate / 2;
    const qint64 to = qMin<qint64>(decodedFrames, inputFrames) - Rate / 2;
    int crossings = 0;
    double sumSquares = 0.0;
    for (qint64 frame = from; frame < to; ++frame) {
        const qint16 previous = decoded[2 * (frame - 1)];
        const qint16 current = decoded[2 * frame];
        if (previous < 0 && current >= 0) {
            ++crossings;
        }
        sumSquares += double(current) * current;
    }
    const double seconds = double(to - from) / Rate;
    EXPECT_NEAR(crossings / seconds, 1000.0, 10.0);
    EXPECT_NEAR(std::sqrt(sumSquares / double(to - from)), amplitude / std::sqrt(2.0), amplitude * 0.05);
}

TEST_F(EncoderOutputTest, AsksTheCaptureSideToHoldBackWhileTheEncoderIsBehind)
{
    EncoderOutput out;
    out.setEncoderPath(LamePath());
    out.setReadyWatermarks(64 * 1024, 16 * 1024);
    int readyCalls = 0;
    out.setReadyHandler([&] { ++readyCalls; });
    ASSERT_TRUE(out.OpenOutputFile(path("backlog.mp3"), BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));

    // Written without letting the event loop feed the pipe: the backlog passes the high mark.
    const QByteArray pcm = SinePcm(2.0, 1000.0, 8000.0);
    for (qsizetype offset = 0; offset < pcm.size(); offset += BufferBytes) {
        out.WriteCapturedData(pcm.mid(offset, BufferBytes));
    }
    EXPECT_FALSE(out.ReadyForData());
    QTRY_COMPARE_WITH_TIMEOUT(readyCalls, 1, 60000);
    EXPECT_TRUE(out.ReadyForData());
    EXPECT_EQ(out.DroppedBytes(), 0) << "holding back is not dropping";

    out.CountLostCapture(4410);
    EXPECT_EQ(out.DroppedBytes(), 4410) << "gaps of the device are shown with the drops";
    out.FinishOutput();
}

TEST_F(EncoderOutputTest, RecordedTimeReachesOneSecondAfter176355BytesOfPcm)
{
    // The count starts at 45, so the first second shows 45 bytes early.
    EncoderOutput out;
    out.setEncoderPath(LamePath());
    ASSERT_TRUE(out.OpenOutputFile(path("time.mp3"), BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));
    EXPECT_EQ(out.SecondsRecorded(), 0);
    out.WriteCapturedData(QByteArray(176354, '\0'));
    EXPECT_EQ(out.SecondsRecorded(), 0);
    out.WriteCapturedData(QByteArray(1, '\0'));
    EXPECT_EQ(out.SecondsRecorded(), 1);
    out.FinishOutput();
}

TEST_F(EncoderOutputTest, OpenOutputFileReplacesFileAndResetsCounters)
{
    const QString name = path("Rec.mp3");
    {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
    }

    EncoderOutput out;
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    EXPECT_EQ(QFileInfo(name).size(), 0);
    out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    EXPECT_EQ(out.DroppedBytes(), BufferBytes) << "no encoder: counted, not lost silently";
    out.FinishOutput();

    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    EXPECT_EQ(out.PcmBytes(), 45);
    EXPECT_EQ(out.BytesWritten(), 0);
    EXPECT_EQ(out.DroppedBytes(), 0);
    out.FinishOutput();

    EXPECT_FALSE(out.OpenOutputFile(path("no such folder/Rec.mp3"), BytesPerSec));
    EXPECT_FALSE(out.StartEncoder(Rate, 16)) << "no encoder without an open file";
}

TEST_F(EncoderOutputTest, StartFailsForMissingEncoderAndForOneThatEndsAtOnce)
{
    const QString name = path("Rec.mp3");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);

    out.setEncoderPath(path("mkmp3"));
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    EXPECT_FALSE(out.StartEncoder(Rate, 16));
    out.DiscardRecordingFile();
    EXPECT_FALSE(QFile::exists(name));

    out.setEncoderPath(m_dir.path());
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    EXPECT_FALSE(out.StartEncoder(Rate, 16)) << "a folder is no encoder";

    out.setEncoderPath(WriteScript(path("quitter"), "printf 'not an mp3'\nexit 1"));
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    EXPECT_FALSE(out.StartEncoder(Rate, 16));
    EXPECT_EQ(out.BytesWritten(), 0);
    EXPECT_EQ(QFileInfo(name).size(), 0);
    out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    EXPECT_EQ(out.DroppedBytes(), BufferBytes);
    out.FinishOutput();
    out.DiscardRecordingFile();
    EXPECT_FALSE(QFile::exists(name));

    QTest::qWait(50);
    EXPECT_EQ(ends.calls, 0);
}

TEST_F(EncoderOutputTest, EncoderDyingMidRecordingEndsItOnceAndKeepsItsOutput)
{
    const QString name = path("Rec.mp3");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);
    // Blanks in the path: the program is started without a shell.
    out.setEncoderPath(WriteScript(path("my tools/dying encoder"), "head -c 20000 >/dev/null\nprintf abc\nexit 0"));
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));

    for (int i = 0; i < 5; ++i) {
        out.WriteCapturedData(QByteArray(BufferBytes, '\x01'));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ends.calls > 0; }, WaitMs));
    EXPECT_EQ(ends.reason, "Der Encoder wurde unerwartet beendet.");

    const qint64 droppedBefore = out.DroppedBytes();
    out.WriteCapturedData(QByteArray(BufferBytes, '\x01'));
    EXPECT_EQ(out.DroppedBytes(), droppedBefore + BufferBytes);
    QTest::qWait(50);
    out.FinishOutput();
    QTest::qWait(50);
    EXPECT_EQ(ends.calls, 1);

    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "abc");
    EXPECT_EQ(out.BytesWritten(), 3);
}

TEST_F(EncoderOutputTest, StalledEncoderIsCappedAndEndedAfterTheBound)
{
    const QString pidFile = path("pid");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);
    out.setEncoderPath(WriteScript(path("stall"), "echo $$ > '" + pidFile + "'\nexec sleep 60"));
    const qint64 cap = 100000;
    out.setBacklogLimit(cap);
    out.setFinishTimeout(100);
    ASSERT_TRUE(out.OpenOutputFile(path("Rec.mp3"), BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(pidFile).size() > 0; }, WaitMs));

    // More than the pipe and the capped backlog can take together.
    const qint64 total = 200 * BufferBytes;
    WriteInBuffers(out, QByteArray(total, '\0'));
    const qint64 handedOn = out.PcmBytes() - 45;
    EXPECT_GT(out.DroppedBytes(), 0);
    EXPECT_EQ(handedOn + out.DroppedBytes(), total);
    // What the encoder never read: the capped backlog plus what fits into the pipe.
    EXPECT_LE(handedOn, cap + EncoderOutput::PipeSize + 64 * 1024);

    out.FinishOutput();

    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = file.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH) << "encoder still there";
    QTest::qWait(50);
    EXPECT_EQ(ends.calls, 0);
}

TEST_F(EncoderOutputTest, FailedFileWriteEndsRecordingWithReason)
{
    const QString name = path("Rec.mp3");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);
    out.setEncoderPath(LamePath());
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));
    {
        const FileSizeLimit limit(4000);
        WriteInBuffers(out, SinePcm(5.0, 440.0, 8000.0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ends.calls > 0; }, WaitMs));
    }
    EXPECT_TRUE(ends.reason.startsWith("Die Aufnahmedatei kann nicht geschrieben werden: "))
        << ends.reason.toStdString();
    EXPECT_GT(ends.reason.size(), int(std::strlen("Die Aufnahmedatei kann nicht geschrieben werden: ")));

    out.WriteCapturedData(QByteArray(BufferBytes, '\0'));
    out.FinishOutput();
    QTest::qWait(50);
    EXPECT_EQ(ends.calls, 1);
    EXPECT_EQ(out.BytesWritten(), QFileInfo(name).size());
    EXPECT_LE(out.BytesWritten(), 4000);
    EXPECT_GT(out.BytesWritten(), 0);
    EXPECT_TRUE(Mp3File::wholeFrames(name) > 0) << "the write that failed is cut back to the last whole frame";
}

TEST_F(EncoderOutputTest, FileThatFillsDuringStopsDrainIsReportedAndEndsAfterAWholeFrame)
{
    const QString name = path("Rec.mp3");
    EncoderOutput out;
    Counter ends;
    CountEnds(out, ends);
    out.setEncoderPath(LamePath());
    ASSERT_TRUE(out.OpenOutputFile(name, BytesPerSec));
    ASSERT_TRUE(out.StartEncoder(Rate, 16));
    // Handed on faster than the encoder takes it, so most of it is still to come at Stop.
    const QByteArray pcm = SinePcm(20.0, 440.0, 8000.0);
    for (qsizetype offset = 0; offset < pcm.size(); offset += BufferBytes) {
        out.WriteCapturedData(pcm.mid(offset, BufferBytes));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return out.BytesWritten() > 10000; }, WaitMs));
    QString failure;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(out.BytesWritten() + 5000));
        failure = out.FinishOutput();
    }
    EXPECT_TRUE(failure.startsWith("Die Aufnahmedatei kann nicht geschrieben werden: ")) << failure.toStdString();
    QTest::qWait(50);
    EXPECT_EQ(ends.calls, 0) << "told once, by Stop";
    EXPECT_EQ(out.BytesWritten(), QFileInfo(name).size());
    EXPECT_TRUE(Mp3File::wholeFrames(name) > 0);
    EXPECT_FALSE(Decode(name, path("decoded.raw")).empty());
    EXPECT_TRUE(out.FinishOutput().isEmpty());
}

TEST_F(EncoderOutputTest, FinishAndDiscardWithNothingStartedAreHarmless)
{
    EncoderOutput out;
    out.FinishOutput();
    out.FinishOutput();
    out.DiscardRecordingFile();
    EXPECT_EQ(out.BytesWritten(), 0);
    EXPECT_EQ(out.SecondsRecorded(), 0);
}

} // namespace
