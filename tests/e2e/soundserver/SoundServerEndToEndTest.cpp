// Capture through a real sound server, whose clock paces the device like a sound card: what
// cannot be kept is counted, and no stream holds up another. Its own test binary, since ALSA
// reads its configuration once per process.
#include <algorithm>
#include <chrono>
#include <csignal>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/frmMain.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "recorder/modWaveIn.h"
#include "support/CaptureCollector.h"
#include "support/DecodedAudio.h"
#include "support/Mp3File.h"
#include "support/ProcessList.h"
#include "support/ProgramTest.h"
#include "support/SoundServer.h"
#include "support/TestSignal.h"
#include "tagging/frmName.h"

namespace {

using namespace std::chrono_literals;

constexpr qint64 kBytesPerSecond = 176400;

SoundServer& server()
{
    static SoundServer instance;
    return instance;
}

class SoundServerEndToEndTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(server().start()); }
};

TEST_F(SoundServerEndToEndTest, AStreamWithoutRoomLosesWhatTheOtherGetsAndAnOverrunIsCounted)
{
    const WaveFormat format = CaptureCollector::stereo16();
    // The server passes the samples on unchanged, so gaps show in the frame numbers.
    ASSERT_TRUE(server().play(TestSignal::numberedFrames(60 * 44100)));
    std::vector<WaveHeader> buffers = CaptureCollector::buffers(3, 8192, 10);
    CaptureCollector collector;
    AlsaCaptureBackend backend;
    collector.attach(backend);
    CaptureStreamId starved = 0;
    CaptureStreamId fed = 0;
    ASSERT_EQ(backend.open(format, starved), 0);
    ASSERT_EQ(backend.open(format, fed), 0);
    for (WaveHeader& header : buffers) {
        ASSERT_EQ(backend.addBuffer(fed, &header), 0);
    }
    // The starved stream never gets a buffer.
    ASSERT_EQ(backend.start(starved), 0);
    ASSERT_EQ(backend.start(fed), 0);

    qint64 received = 0;
    qint64 lost = 0;
    qint64 starvedLost = 0;
    qint64 missing = 0;
    qint64 previous = -1;
    qint64 outOfOrder = 0;
    bool stalled = false;
    const auto take = [&](const CaptureNotification& done) {
        if (done.stream == starved) {
            EXPECT_EQ(done.flags & WHDR_DONE, 0u);
            starvedLost += static_cast<qint64>(done.lostBytesBefore);
            return;
        }
        received += done.bytesRecorded;
        lost += static_cast<qint64>(done.lostBytesBefore);
        // Rising numbers, after at most some silence before the signal: a frame repeated, out
        // of order or silenced in between is a fault.
        for (qint64 number : TestSignal::frameNumbers(done.data)) {
            if (previous >= 0 && number <= previous) {
                ++outOfOrder;
            } else if (previous >= 0) {
                missing += number - previous - 1;
            }
            previous = std::max(previous, number);
        }
    };
    while (received < 3 * kBytesPerSecond) {
        std::optional<CaptureNotification> done = collector.next();
        ASSERT_TRUE(done.has_value());
        take(*done);
        if (done->stream == fed && (done->flags & WHDR_DONE)) {
            ASSERT_EQ(backend.addBuffer(fed, &buffers[static_cast<std::size_t>(done->user - 10)]), 0);
        }
        if (!stalled && received >= kBytesPerSecond) {
            // The reader is held up three times as long as the device can hold: it overruns.
            collector.stallOnce(1500ms);
            stalled = true;
        }
    }
    ASSERT_EQ(backend.reset(fed), 0);
    ASSERT_EQ(backend.reset(starved), 0);
    for (const CaptureNotification& done : collector.takeAll()) {
        take(done);
    }
    backend.close(fed);
    backend.close(starved);

    // What the overrun lost is counted, frame for frame.
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_GT(missing, 0);
    EXPECT_NEAR(static_cast<double>(lost / 4), static_cast<double>(missing), 2205);
    // The starved stream lost all that the fed one got or lost, reported while it happened,
    // and did not slow the fed one down.
    EXPECT_NEAR(static_cast<double>(starvedLost), static_cast<double>(received + lost), 2 * 8820);
    EXPECT_EQ(static_cast<qint64>(backend.lostFrames()), (starvedLost + lost) / 4);
}

// A recording's stream may wait, the meter's may not. Whichever starts first, the device runs
// with 100 ms periods while the recording does, and the recording misses no frame; the meter
// goes on after it, with 50 ms periods again.
TEST_F(SoundServerEndToEndTest, APatientStreamLosesNothingWhetherItComesFirstOrSecond)
{
    const WaveFormat format = CaptureCollector::stereo16();
    for (const bool patientFirst : {true, false}) {
        SCOPED_TRACE(patientFirst ? "patient first" : "hurried first");
        ASSERT_TRUE(server().play(TestSignal::numberedFrames(60 * 44100)));
        std::vector<WaveHeader> patientBuffers = CaptureCollector::buffers(5, 8820, 100);
        std::vector<WaveHeader> hurriedBuffers = CaptureCollector::buffers(6, 8192, 10);
        CaptureCollector collector;
        AlsaCaptureBackend backend;
        collector.attach(backend);
        CaptureStreamId patient = 0;
        CaptureStreamId hurried = 0;
        ASSERT_EQ(backend.open(format, patient), 0);
        ASSERT_EQ(backend.setPatience(patient, 100), 0);
        ASSERT_EQ(backend.open(format, hurried), 0);
        const auto begin = [&](CaptureStreamId stream, std::vector<WaveHeader>& buffers) {
            for (WaveHeader& header : buffers) {
                ASSERT_EQ(backend.addBuffer(stream, &header), 0);
            }
            ASSERT_EQ(backend.start(stream), 0);
        };
        begin(patientFirst ? patient : hurried, patientFirst ? patientBuffers : hurriedBuffers);

        qint64 firstBytes = 0;
        qint64 patientBytes = 0;
        qint64 hurriedAfterStop = 0;
        std::vector<qint64> numbers;
        bool joined = false;
        bool stopped = false;
        while (hurriedAfterStop < kBytesPerSecond) {
            std::optional<CaptureNotification> done = collector.next();
            ASSERT_TRUE(done.has_value());
            ASSERT_EQ(backend.lostFrames(), 0u);
            const bool isPatient = done->stream == patient;
            std::vector<WaveHeader>& buffers = isPatient ? patientBuffers : hurriedBuffers;
            firstBytes += isPatient == patientFirst ? done->bytesRecorded : 0;
            if (isPatient) {
                patientBytes += done->bytesRecorded;
                for (qint64 number : TestSignal::frameNumbers(done->data)) {
                    if (number >= 0) {
                        numbers.push_back(number);
                    }
                }
            } else {
                hurriedAfterStop += stopped ? done->bytesRecorded : 0;
            }
            if (!(stopped && isPatient)) {
                const std::intptr_t first = isPatient ? 100 : 10;
                ASSERT_EQ(backend.addBuffer(done->stream, &buffers[static_cast<std::size_t>(done->user - first)]), 0);
            }
            if (!joined && firstBytes >= kBytesPerSecond) {
                EXPECT_EQ(backend.periodUs(patient), patientFirst ? 100000u : 50000u);
                begin(patientFirst ? hurried : patient, patientFirst ? hurriedBuffers : patientBuffers);
                joined = true;
            }
            if (!stopped && patientBytes >= 2 * kBytesPerSecond) {
                EXPECT_EQ(backend.periodUs(patient), 100000u);
                ASSERT_EQ(backend.reset(patient), 0);
                stopped = true;
            }
        }
        EXPECT_EQ(backend.periodUs(hurried), 50000u);
        backend.close(hurried);
        backend.close(patient);
        EXPECT_EQ(TestSignal::missingFrames(numbers), 0);
        EXPECT_GE(patientBytes, 2 * kBytesPerSecond);
    }
}

class SoundServerRecordingTest : public ProgramTest
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(server().start()); }
    void SetUp() override
    {
        ProgramTest::SetUp();
        m_encoder = copyEncoder();
        start();
        ASSERT_TRUE(server().play(TestSignal::stereoSine(600, 1000, 440, 0.5, 0.1)));
    }

    QString m_encoder;
};

TEST_F(SoundServerRecordingTest, StalledEncoderThenAFailingDeviceWhilePaused)
{
    EncoderOutput& output = ProgramTest::output();
    modWaveIn& waveIn = m_program->waveIn();
    // Small marks, so the capture side holds its buffers back soon after the encoder stops.
    constexpr qint64 kHighWater = 256 * 1024;
    output.setReadyWatermarks(kHighWater, 64 * 1024);
    click("chkMonitoring");
    click("CmdRecord");
    ASSERT_TRUE(recorded(2));

    // The encoder stalls for ten seconds: longer than its pipe (1 MiB) and the high mark take.
    const QList<qint64> encoders = ProcessList::running(m_encoder);
    ASSERT_EQ(encoders.size(), 1);
    const auto encoder = static_cast<pid_t>(encoders.front());
    ASSERT_EQ(::kill(encoder, SIGSTOP), 0);
    const qint64 pcmAtStall = output.PcmBytes();
    const auto accounted = [&output] { return output.PcmBytes() + output.DroppedBytes(); };
    const qint64 accountedAtStall = accounted();
    QElapsedTimer sinceStall;
    sinceStall.start();
    int meterBuffers = 0;
    for (int last = waveIn.LastMonitorBuffer(); sinceStall.elapsed() < 10000;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (waveIn.LastMonitorBuffer() != last) {
            last = waveIn.LastMonitorBuffer();
            ++meterBuffers;
        }
    }
    const qint64 handedOnDuringStall = output.PcmBytes() - pcmAtStall;
    tick();
    const QString dropped = label("lblDropped");
    const qint64 droppedDuringStall = output.DroppedBytes();
    ASSERT_EQ(::kill(encoder, SIGCONT), 0);

    // Counted and shown while it happens.
    EXPECT_GT(droppedDuringStall, 0);
    EXPECT_TRUE(dropped.endsWith(" s verworfen)")) << dropped.toStdString();
    // Memory stays bounded: the capture side stopped handing on once the backlog was high.
    EXPECT_LE(handedOnDuringStall, kHighWater + EncoderOutput::PipeSize + 6 * 8820 + 64 * 1024);
    // The level display kept getting its buffers, in pairs ten times a second.
    EXPECT_GE(meterBuffers, 50);

    // After the stall the recording goes on.
    const qint64 secondsAtStall = output.SecondsRecorded();
    ASSERT_TRUE(recorded(secondsAtStall + 2));
    // Everything the device delivered since is either in the recording or counted as dropped.
    const double seconds = static_cast<double>(accounted() - accountedAtStall) / kBytesPerSecond;
    EXPECT_NEAR(seconds, static_cast<double>(sinceStall.elapsed()) / 1000.0, 0.5);

    // Paused, with the level display reading on, the sound server goes away.
    click("CmdPause");
    ASSERT_EQ(state(), "- P A U S E -");
    server().kill();
    ASSERT_TRUE(waitFor([&] { return !waveIn.RecordingActive(); }));
    tick();
    ASSERT_TRUE(waitFor([&] { return m_boxes.texts.size() == 1; }, 5000));
    EXPECT_EQ(m_boxes.icons.value(0), QMessageBox::Critical);
    // The error of the failed recovery, not the overrun that revealed it.
    EXPECT_EQ(m_boxes.texts.value(0), QString::fromLocal8Bit(snd_strerror(-EIO)));
    EXPECT_EQ(state(), "Aufnahmebereitschaft");
    EXPECT_FALSE(waveIn.MonitorActive());
    ASSERT_EQ(files().size(), 1);
    const QString first = App().SaveFolder + files().front();
    EXPECT_GT(Mp3File::wholeFrames(first), 0);
    const DecodedAudio audio(first);
    ASSERT_TRUE(audio.valid());
    const qint64 pcmFrames = (output.PcmBytes() - 45) / 4;
    EXPECT_GE(audio.frames(), pcmFrames) << "all that was handed on is in the file";
    EXPECT_LE(audio.frames(), pcmFrames + 2304);

    // The server is back: Record starts a new recording, with the level display off.
    ASSERT_TRUE(server().start());
    ASSERT_TRUE(server().play(TestSignal::stereoSine(600, 1000, 440, 0.5, 0.1)));
    m_clock.setNow(m_clock.now().addSecs(60));
    if (form().findChild<QCheckBox*>(QStringLiteral("chkMonitoring"))->isChecked()) {
        click("chkMonitoring");
    }
    click("CmdRecord");
    ASSERT_TRUE(recorded(1));

    // The server hangs. Stop finishes the file and opens the naming dialog, and the level
    // display's box opens a device and answers clicks, each while the server is still frozen.
    server().freeze(true);
    const qint64 pcmAtFreeze = output.PcmBytes();
    click("CmdStop");
    EXPECT_TRUE(server().frozen()) << "Stop waited for the frozen server";
    ASSERT_EQ(files().size(), 2);
    auto* dialog = form().findChild<frmName*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    for (const bool ticked : {true, false, true}) {
        server().freeze(true);
        click("chkMonitoring");
        EXPECT_TRUE(server().frozen()) << "the level display waited for the frozen server";
        EXPECT_EQ(waveIn.MonitorActive() && !waveIn.MonitorPaused(), ticked);
    }
    server().freeze(false);
    // The device opened meanwhile reads once the server goes on.
    const int newest = waveIn.LastMonitorBuffer();
    EXPECT_TRUE(waitFor([&] { return waveIn.LastMonitorBuffer() != newest; }, 20000));

    const DecodedAudio next(App().SaveFolder + files().back());
    ASSERT_TRUE(next.valid());
    EXPECT_NEAR(next.frequency(0, 4410, 22050), 1000.0, 15.0);
    EXPECT_GE(next.frames(), (pcmAtFreeze - 45) / 4) << "all captured before the freeze is in the file";
    EXPECT_EQ(m_boxes.texts.size(), 1);

    // The program ends, with the level display reading, while the server hangs.
    server().freeze(true);
    m_program.reset();
    EXPECT_TRUE(server().frozen()) << "the program's end waited for the frozen server";
    server().freeze(false);
}

} // namespace
