#include "recorder/modWaveIn.h"

#include <cmath>
#include <functional>
#include <tuple>

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include "fakes/FakeRecordingOutput.h"
#include "fakes/SignalSourceBackend.h"

namespace {

constexpr int kRecordFrames = 2205; // one 8820-byte recording buffer at 2/16/44100
constexpr int kMonitorFrames = 2048;

QByteArray counterBytes(qint64 from, qint64 count)
{
    QByteArray bytes(count, '\0');
    for (qint64 i = 0; i < count; ++i) {
        bytes[i] = static_cast<char>((from + i) % 251);
    }
    return bytes;
}

/// Hands the posted buffer notifications to the module, as the event loop would.
void deliver()
{
    QCoreApplication::sendPostedEvents();
}

/// The capture module, hooked, over a signal source and an output that records its calls.
struct Rig
{
    Rig()
    {
        wave.setErrorReporter([this](const QString& text) { reported << text; });
        wave.HookMainWindow(true);
    }
    void openStereo() { wave.OpenRecording(2, 16, 44100, QStringLiteral("/tmp/rec.mp3")); }

    SignalSourceBackend backend;
    FakeRecordingOutput output;
    modWaveIn wave{backend, output};
    QStringList reported;
};

class modWaveInTest : public ::testing::Test, protected Rig
{
};

TEST(modWaveInBufferSize, IsATenthOfASecondOfOneChannelInWholeFrames)
{
    // Ties go to the even neighbour: 1.5 -> 2, 2.5 -> 2.
    for (const auto& [channels, bits, rate, size] :
         {std::tuple{2, 16, 44100, 8820}, {1, 16, 44100, 8820}, {2, 8, 22050, 2204}, {1, 8, 15, 2}, {1, 8, 25, 2}}) {
        EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(channels, bits, rate), size)
            << channels << "/" << bits << "/" << rate;
    }
}

TEST_F(modWaveInTest, OpenRecordingOpensOutputStreamAndEncoderInOrder)
{
    openStereo();

    EXPECT_EQ(output.calls(), QStringList({"OpenOutputFile", "StartEncoder"}));
    EXPECT_EQ(output.fileName(), QStringLiteral("/tmp/rec.mp3"));
    EXPECT_EQ(output.avgBytesPerSec(), 176400);
    EXPECT_EQ(output.encoderRate(), 44100);
    EXPECT_EQ(output.encoderBits(), 16);
    EXPECT_TRUE(wave.RecordingActive());
    EXPECT_FALSE(wave.RecordingPaused());
    EXPECT_EQ(wave.RecordBufferSize(), 8820);
    EXPECT_EQ(wave.RecordFormat().blockAlign, 4);
    EXPECT_EQ(wave.LastDeviceResult(), MMSYSERR_NOERROR);
    EXPECT_TRUE(backend.isStarted(backend.lastOpened()));
    EXPECT_EQ(backend.queuedCount(backend.lastOpened()), 5);
}

TEST_F(modWaveInTest, RecordedBytesReachTheOutputCompleteAndInOrder)
{
    backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();

    // Chunks that do not line up with the buffers; the buffers are re-queued in between.
    for (int i = 0; i < 20; ++i) {
        backend.produce(1000);
        deliver();
    }

    const qint64 completeBuffers = 20 * 1000 * 4 / 8820;
    EXPECT_EQ(output.written(), counterBytes(0, completeBuffers * 8820));
    EXPECT_EQ(backend.lostFrames(), 0);
    EXPECT_EQ(backend.queuedCount(backend.lastOpened()), 5);
}

TEST_F(modWaveInTest, BuffersAreQueuedAgainOnlyWhenTheirNotificationIsHandled)
{
    backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();

    backend.produce(6 * kRecordFrames);
    EXPECT_EQ(backend.lostFrames(), kRecordFrames);
    EXPECT_TRUE(output.written().isEmpty());

    deliver();
    EXPECT_EQ(output.written(), counterBytes(0, 5 * 8820));
    EXPECT_EQ(backend.queuedCount(backend.lastOpened()), 5);
    // The buffer's worth that found no free buffer is counted as dropped with the next one.
    backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(output.DroppedBytes(), 8820);
}

TEST_F(modWaveInTest, NotificationWithoutDoneFlagPassesNoDataButReoffersTheBuffers)
{
    openStereo();
    const CaptureStreamId stream = backend.lastOpened();
    backend.produce(kRecordFrames); // buffer 100 comes back, its notification still pending
    ASSERT_EQ(backend.queuedCount(stream), 4);

    CaptureNotification notDone;
    notDone.stream = stream;
    notDone.user = 100;
    notDone.bytesRecorded = 8820;
    notDone.data = QByteArray(8820, 'x');
    wave.CaptureWindowProc(notDone);

    EXPECT_EQ(output.callCount("WriteCapturedData"), 0);
    EXPECT_EQ(backend.queuedCount(stream), 5);
    // The last buffer offered (104) was still queued and is refused.
    EXPECT_EQ(wave.LastDeviceResult(), WAVERR_STILLPLAYING);

    // The real notification still writes its data; all five stay queued once.
    deliver();
    EXPECT_EQ(output.written().size(), 8820);
    EXPECT_EQ(backend.queuedCount(stream), 5);
}

TEST_F(modWaveInTest, BufferReturnedByPauseIsNeverWritten)
{
    backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();
    const CaptureStreamId stream = backend.lastOpened();

    backend.produce(1000);
    wave.TogglePause();
    EXPECT_TRUE(wave.RecordingPaused());
    EXPECT_FALSE(backend.isStarted(stream));
    deliver();
    EXPECT_TRUE(output.written().isEmpty());
    backend.produce(500); // not recorded while paused

    wave.TogglePause();
    EXPECT_FALSE(wave.RecordingPaused());
    EXPECT_TRUE(backend.isStarted(stream));
    EXPECT_EQ(backend.queuedCount(stream), 5);
    backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(output.written(), counterBytes(1500 * 4, 8820));
}

// The device reports a loss with the next buffer it hands back; Pause and Stop hand one back whose
// data is not written, yet the loss before it was the recording's.
TEST(modWaveInLoss, CarriedByTheBufferThatPauseOrStopHandsBackIsCounted)
{
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "pause");
        Rig rig;
        rig.openStereo();
        rig.backend.produce(modWaveIn::RecordBufferCount * kRecordFrames + 100);
        deliver();
        rig.backend.produce(10);
        stop ? rig.wave.CloseRecording() : rig.wave.TogglePause();
        EXPECT_EQ(rig.output.DroppedBytes(), 400) << "counted before the output is finished";
        deliver();
        EXPECT_EQ(rig.output.DroppedBytes(), 400);
    }
}

TEST(modWaveInPendingBuffers, AreWrittenOnlyIfTheyBelongToTheRunningRecordingWhenTheDeviceHandedThemBack)
{
    const std::tuple<const char*, std::function<void(Rig&)>, int> cases[] = {
        {"returned by a pause, resumed before it arrives",
         [](Rig& r) {
             r.backend.produce(1000);
             r.wave.TogglePause();
             r.wave.TogglePause();
         },
         0},
        {"returned by a close, a new recording opened before it arrives",
         [](Rig& r) {
             r.backend.produce(1000);
             r.wave.CloseRecording();
             r.openStereo();
         },
         0},
        {"posted while unhooked, handled once hooked again",
         [](Rig& r) {
             r.wave.HookMainWindow(false);
             r.backend.produce(kRecordFrames);
             r.wave.HookMainWindow(true);
         },
         1},
    };
    for (const auto& [what, act, writes] : cases) {
        Rig rig;
        rig.openStereo();
        act(rig);
        deliver();
        EXPECT_EQ(rig.output.callCount("WriteCapturedData"), writes) << what;
    }
}

TEST_F(modWaveInTest, BuffersReturnedByCloseAreNotWrittenAndFallToTheMonitorBranch)
{
    wave.OpenMonitor();
    openStereo();
    backend.produce(1000);

    wave.CloseRecording();
    EXPECT_FALSE(wave.RecordingActive());
    EXPECT_EQ(output.calls().last(), QStringLiteral("FinishOutput"));
    EXPECT_EQ(backend.openStreams().size(), 1); // only the monitor is left
    deliver();

    EXPECT_EQ(output.callCount("WriteCapturedData"), 0);
    // The reset hands back 101..104 last: the meter sees 94, which is no monitor buffer.
    EXPECT_EQ(wave.LastMonitorBuffer(), 94);
    double left = -1;
    double right = -1;
    EXPECT_FALSE(wave.GetCurPeak(left, right, false));
}

TEST_F(modWaveInTest, UnhookedNotificationsAreIgnoredAndNotRequeued)
{
    openStereo();
    const CaptureStreamId stream = backend.lastOpened();

    // Installing twice installs once: one removal is enough.
    wave.HookMainWindow(true);
    wave.HookMainWindow(false);
    backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(output.callCount("WriteCapturedData"), 0);
    EXPECT_EQ(backend.queuedCount(stream), 4);

    wave.HookMainWindow(true);
    backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(output.callCount("WriteCapturedData"), 1);
    // Re-offering every buffer also takes back the one whose notification was ignored.
    EXPECT_EQ(backend.queuedCount(stream), 5);
}

// Every part that can fail to open: the one message, what the output was asked to do before and
// after Stop, and no stream left open.
TEST(modWaveInOpenFailures, AreReportedOnceAndLeaveNoStreamOrFileBehind)
{
    const QStringList openedOnly{"OpenOutputFile"};
    const QStringList discarded{"OpenOutputFile", "DiscardRecordingFile"};
    const QStringList startedAndDiscarded{"OpenOutputFile", "StartEncoder", "DiscardRecordingFile"};
    const QStringList finishedAndDiscarded{"OpenOutputFile", "StartEncoder", "FinishOutput", "DiscardRecordingFile"};
    const struct
    {
        const char* what;
        std::function<void(Rig&)> fail;
        bool monitor; // the monitor is opened instead of a recording
        QString told;
        int result; // LastDeviceResult
        int deviceOpens;
        QStringList calls; // of the output, before and after Stop
        QStringList callsAfterStop;
        bool late = false; // fails once the open has returned, before any sound
    } cases[] = {
        {"recording device", [](Rig& r) { r.backend.setOpenFailure(-19, QStringLiteral("  No such device  ")); }, false,
         "No such device", -19, 1, openedOnly, discarded},
        {"monitor device",
         [](Rig& r) { r.backend.setOpenFailure(-16, QStringLiteral("Device or resource busy")); },
         true,
         "Device or resource busy",
         -16,
         1,
         {},
         {}},
        // Ended at once: the window returns to standby and Record may be tried again.
        {"output file", [](Rig& r) { r.output.setOpenResult(false); }, false,
         "Die Aufnahmedatei kann nicht angelegt werden:\n/tmp/rec.mp3", 0, 0, discarded, discarded},
        {"encoder", [](Rig& r) { r.output.setStartEncoderResult(false); }, false, "", 0, 1, finishedAndDiscarded,
         finishedAndDiscarded},
        // A device that answers late: the recording ends at once, and nothing was ever recorded.
        {"recording device, late", [](Rig& r) { r.backend.failRunning(-19, QStringLiteral("No such device")); }, false,
         "No such device", 0, 1, startedAndDiscarded, startedAndDiscarded, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        if (!c.late) {
            c.fail(rig);
        }
        c.monitor ? rig.wave.OpenMonitor() : rig.openStereo();
        if (c.late) {
            c.fail(rig);
            deliver();
        }
        EXPECT_EQ(rig.reported, c.told.isEmpty() ? QStringList() : QStringList{c.told});
        EXPECT_EQ(rig.wave.DeviceErrorText(), c.told);
        EXPECT_EQ(rig.wave.LastDeviceResult(), c.result);
        EXPECT_EQ(rig.backend.openCalls(), c.deviceOpens);
        EXPECT_EQ(rig.output.calls(), c.calls);
        // A recording whose device failed stays open until Stop, which then discards its file.
        EXPECT_EQ(rig.wave.RecordingActive(), c.result == -19);
        EXPECT_FALSE(rig.wave.MonitorActive() || rig.wave.MonitorOpened());
        EXPECT_TRUE(rig.backend.openStreams().isEmpty());

        rig.wave.CloseRecording();
        EXPECT_FALSE(rig.wave.RecordingActive());
        EXPECT_EQ(rig.output.calls(), c.callsAfterStop);
        EXPECT_EQ(rig.reported.size(), c.told.isEmpty() ? 0 : 1);
        rig.wave.ClearDeviceErrorText();
        EXPECT_TRUE(rig.wave.DeviceErrorText().isEmpty());
    }
}

TEST_F(modWaveInTest, LastOutputThatCannotBeWrittenIsReportedOnceWithWhatEndedTheRecording)
{
    output.setFinishFailure(QStringLiteral("Datei voll"));
    openStereo();
    wave.CloseRecording();
    wave.CloseRecording();
    EXPECT_EQ(reported, QStringList({"Datei voll"}));

    reported.clear();
    openStereo();
    backend.produce(kRecordFrames);
    deliver();
    backend.failRunning(-19, QStringLiteral("No such device"));
    deliver();
    EXPECT_EQ(reported, QStringList({"No such device\n\nDatei voll"}));

    reported.clear();
    openStereo();
    output.fireEnded(QStringLiteral("Encoder beendet"));
    EXPECT_EQ(reported, QStringList({"Encoder beendet\n\nDatei voll"}));

    // A closed recording is neither paused nor resumed.
    const int opens = backend.openCalls();
    wave.TogglePause();
    EXPECT_FALSE(wave.RecordingPaused());
    EXPECT_EQ(backend.openCalls(), opens);
}

TEST_F(modWaveInTest, DeviceFailingWhileRunningEndsBothStreamsAndIsReportedOnce)
{
    wave.OpenMonitor();
    openStereo();
    backend.produce(kRecordFrames);
    deliver();

    backend.failRunning(-19, QStringLiteral("No such device"));
    deliver();

    EXPECT_EQ(reported, QStringList({"No such device"}));
    EXPECT_FALSE(wave.RecordingActive());
    EXPECT_EQ(output.callCount("FinishOutput"), 1);
    EXPECT_EQ(output.callCount("DiscardRecordingFile"), 0);
    EXPECT_FALSE(wave.MonitorActive());
    EXPECT_FALSE(wave.MonitorOpened());
    EXPECT_TRUE(backend.openStreams().isEmpty());

    // The level display can open a new monitor afterwards.
    wave.OpenMonitor();
    EXPECT_TRUE(wave.MonitorOpened());
    EXPECT_TRUE(wave.MonitorActive());
}

TEST_F(modWaveInTest, OutputEndingByItselfClosesTheRecordingOnceAndAnEndDuringItsOwnFinishIsNoNews)
{
    output.setOnFinishOutput([this] { output.fireEnded(QStringLiteral("late")); });
    openStereo();
    wave.CloseRecording();
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(output.callCount("FinishOutput"), 1);

    openStereo();
    output.fireEnded(QStringLiteral("Encoder beendet"));
    EXPECT_FALSE(wave.RecordingActive());
    EXPECT_EQ(reported, QStringList({"Encoder beendet"}));
    EXPECT_EQ(output.callCount("FinishOutput"), 2);
    EXPECT_EQ(output.callCount("DiscardRecordingFile"), 0);

    output.fireEnded(QStringLiteral("again"));
    EXPECT_EQ(reported.size(), 1);
}

TEST_F(modWaveInTest, MonitorBuffersAreRequeuedAndReportedAsLastMonitorBuffer)
{
    // Closing a monitor that is not there changes nothing.
    wave.CloseMonitor();
    EXPECT_EQ(wave.LastDeviceResult(), MMSYSERR_NOERROR);
    EXPECT_FALSE(wave.MonitorActive());

    wave.OpenMonitor();
    const CaptureStreamId monitor = backend.lastOpened();
    EXPECT_TRUE(wave.MonitorActive());
    EXPECT_EQ(backend.formatOf(monitor).avgBytesPerSec, 176400u);

    for (int expected : {0, 1, 2, 0}) {
        backend.produce(kMonitorFrames);
        deliver();
        EXPECT_EQ(wave.LastMonitorBuffer(), expected);
        EXPECT_EQ(backend.queuedCount(monitor), 3);
    }
    // Buffers that finish in pairs, beside one partly filled, still come back in turn.
    for (int round = 1; round <= 6; ++round) {
        backend.produce(kMonitorFrames * 3 / 2);
        deliver();
        EXPECT_EQ(wave.LastMonitorBuffer(), (3 + round * 3 / 2) % 3) << round;
    }

    wave.PauseMonitor();
    EXPECT_FALSE(backend.isStarted(monitor));
    wave.ResumeMonitor();
    deliver();
    EXPECT_TRUE(backend.isStarted(monitor));
    EXPECT_EQ(backend.queuedCount(monitor), 3);

    wave.CloseMonitor();
    EXPECT_FALSE(wave.MonitorOpened());
    EXPECT_TRUE(backend.openStreams().isEmpty());
}

TEST_F(modWaveInTest, RecordingBufferInTheMonitorBranchGivesNoPeak)
{
    wave.OpenMonitor();
    CaptureNotification stray;
    stray.user = 102;
    stray.flags = WHDR_DONE;
    wave.CaptureWindowProc(stray);

    EXPECT_EQ(wave.LastMonitorBuffer(), 92);
    double left = -1;
    double right = -1;
    EXPECT_FALSE(wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, -1);
}

TEST_F(modWaveInTest, GetCurPeakReadsTheBufferBeforeTheNewest)
{
    wave.OpenMonitor();
    double left = -1;
    double right = -1;
    EXPECT_FALSE(wave.GetCurPeak(left, right, false)); // nothing finished yet

    // Each step fills the next monitor buffer with one frame, over and over.
    const std::tuple<QList<qint16>, bool, double, double> steps[] = {
        {{1000, -2000}, false, -1, -1},    // buffer 0: start-up guard, nothing to read yet
        {{3000, -4000}, true, 1000, 2000}, // buffer 1: reads 0
        {{5000, 6000}, true, 3000, 4000},  // buffer 2: reads 1
        {{7000, 8000}, true, 5000, 6000},  // buffer 0 again: reads 2
    };
    for (int step = 0; const auto& [frame, reads, peakLeft, peakRight] : steps) {
        backend.setGenerator(SignalSourceBackend::constantFrame(frame));
        backend.produce(kMonitorFrames);
        deliver();
        EXPECT_EQ(wave.GetCurPeak(left, right, false), reads) << "step " << step;
        EXPECT_EQ(left, peakLeft) << "step " << step;
        EXPECT_EQ(right, peakRight) << "step " << step++;
    }

    // From now on the guard passes, even with buffer 0 newest again.
    backend.produce(kMonitorFrames); // 1 -> reads 0
    backend.produce(kMonitorFrames); // 2
    backend.produce(kMonitorFrames); // 0 -> reads 2
    deliver();
    ASSERT_TRUE(wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 7000);
}

TEST_F(modWaveInTest, GetCurPeakLevelsAndSampleRules)
{
    wave.OpenMonitor();
    // Left: full scale in the first frame; right: -32768 everywhere but one frame. Frame 50
    // lies beyond the 44 frames that are read.
    backend.setGenerator([](const WaveFormat&, qint64, int frames) {
        QByteArray bytes;
        for (int f = 0; f < frames; ++f) {
            const qint16 l = f == 0 ? 32767 : (f == 50 ? 1 : -100);
            const qint16 r = f == 3 ? 300 : (f == 50 ? 30000 : -32768);
            for (qint16 s : {l, r}) {
                bytes.append(static_cast<char>(s & 0xFF));
                bytes.append(static_cast<char>((s >> 8) & 0xFF));
            }
        }
        return bytes;
    });
    backend.produce(kMonitorFrames);
    backend.produce(kMonitorFrames);
    deliver();

    double left = 0;
    double right = 0;
    ASSERT_TRUE(wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 32767);
    EXPECT_EQ(right, 300);
    ASSERT_TRUE(wave.GetCurPeak(left, right, true));
    EXPECT_DOUBLE_EQ(left, 0.0);
    EXPECT_NEAR(right, 20.0 * std::log(300.0 / 32767.0), 1e-9);

    backend.setGenerator(SignalSourceBackend::constantFrame({0, 0}));
    backend.produce(kMonitorFrames);
    backend.produce(kMonitorFrames);
    deliver();
    ASSERT_TRUE(wave.GetCurPeak(left, right, true));
    EXPECT_EQ(left, -120);
    EXPECT_EQ(right, -120);
}

TEST_F(modWaveInTest, BuffersAreHeldWhileTheEncoderIsBehindAndOfferedWhenItCatchesUp)
{
    backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();
    const CaptureStreamId stream = backend.lastOpened();

    output.setReady(false);
    backend.produce(2 * kRecordFrames);
    deliver();
    EXPECT_EQ(output.written(), counterBytes(0, 2 * 8820)) << "what came back is still written";
    EXPECT_EQ(backend.queuedCount(stream), 3) << "but the buffers are not offered again";

    output.setReady(true);
    deliver();
    EXPECT_EQ(backend.queuedCount(stream), 5);
    backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(output.written(), counterBytes(0, 3 * 8820));
}

} // namespace
