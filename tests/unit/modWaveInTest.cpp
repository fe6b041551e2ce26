#include <cmath>

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include "fakes/FakeRecordingOutput.h"
#include "fakes/SignalSourceBackend.h"
#include "recorder/modWaveIn.h"

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

class modWaveInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_wave.setErrorReporter([this](const QString& text) { m_reported << text; });
        m_wave.HookMainWindow(true);
    }

    // Hands the posted buffer notifications to the module, as the event loop would.
    static void deliver() { QCoreApplication::sendPostedEvents(); }

    void openStereo() { m_wave.OpenRecording(2, 16, 44100, QStringLiteral("/tmp/rec.mp3")); }

    SignalSourceBackend m_backend;
    FakeRecordingOutput m_output;
    modWaveIn m_wave{m_backend, m_output};
    QStringList m_reported;
};

TEST(modWaveInBufferSize, IsATenthOfASecondOfOneChannelInWholeFrames)
{
    EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(2, 16, 44100), 8820);
    EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(1, 16, 44100), 8820);
    EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(2, 8, 22050), 2204);
    // Ties go to the even neighbour: 1.5 -> 2, 2.5 -> 2.
    EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(1, 8, 15), 2);
    EXPECT_EQ(modWaveIn::ComputeRecordBufferSize(1, 8, 25), 2);
}

TEST_F(modWaveInTest, OpenRecordingOpensOutputStreamAndEncoderInOrder)
{
    openStereo();

    EXPECT_EQ(m_output.calls(), QStringList({"OpenOutputFile", "StartEncoder"}));
    EXPECT_EQ(m_output.fileName(), QStringLiteral("/tmp/rec.mp3"));
    EXPECT_EQ(m_output.avgBytesPerSec(), 176400);
    EXPECT_EQ(m_output.encoderRate(), 44100);
    EXPECT_EQ(m_output.encoderBits(), 16);
    EXPECT_TRUE(m_wave.RecordingActive());
    EXPECT_FALSE(m_wave.RecordingPaused());
    EXPECT_EQ(m_wave.RecordBufferSize(), 8820);
    EXPECT_EQ(m_wave.RecordFormat().blockAlign, 4);
    EXPECT_EQ(m_wave.LastDeviceResult(), MMSYSERR_NOERROR);
    const CaptureStreamId stream = m_backend.lastOpened();
    EXPECT_TRUE(m_backend.isStarted(stream));
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
}

TEST_F(modWaveInTest, RecordedBytesReachTheOutputCompleteAndInOrder)
{
    m_backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();

    // Chunks that do not line up with the buffers; the buffers are re-queued in between.
    for (int i = 0; i < 20; ++i) {
        m_backend.produce(1000);
        deliver();
    }

    const qint64 completeBuffers = 20 * 1000 * 4 / 8820;
    EXPECT_EQ(m_output.written(), counterBytes(0, completeBuffers * 8820));
    EXPECT_EQ(m_backend.lostFrames(), 0);
    EXPECT_EQ(m_backend.queuedCount(m_backend.lastOpened()), 5);
}

TEST_F(modWaveInTest, BuffersAreQueuedAgainOnlyWhenTheirNotificationIsHandled)
{
    m_backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();

    m_backend.produce(6 * kRecordFrames);
    EXPECT_EQ(m_backend.lostFrames(), kRecordFrames);
    EXPECT_TRUE(m_output.written().isEmpty());

    deliver();
    EXPECT_EQ(m_output.written(), counterBytes(0, 5 * 8820));
    EXPECT_EQ(m_backend.queuedCount(m_backend.lastOpened()), 5);
}

TEST_F(modWaveInTest, NotificationWithoutDoneFlagPassesNoDataButReoffersTheBuffers)
{
    openStereo();
    const CaptureStreamId stream = m_backend.lastOpened();
    m_backend.produce(kRecordFrames); // buffer 100 comes back, its notification still pending
    ASSERT_EQ(m_backend.queuedCount(stream), 4);

    CaptureNotification notDone;
    notDone.stream = stream;
    notDone.user = 100;
    notDone.bytesRecorded = 8820;
    notDone.data = QByteArray(8820, 'x');
    m_wave.CaptureWindowProc(notDone);

    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 0);
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
    // The last buffer offered (104) was still queued and is refused.
    EXPECT_EQ(m_wave.LastDeviceResult(), WAVERR_STILLPLAYING);

    // The real notification still writes its data; all five stay queued once.
    deliver();
    EXPECT_EQ(m_output.written().size(), 8820);
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
}

TEST_F(modWaveInTest, BufferReturnedByPauseIsNeverWritten)
{
    m_backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();
    const CaptureStreamId stream = m_backend.lastOpened();

    m_backend.produce(1000);
    m_wave.TogglePause();
    EXPECT_TRUE(m_wave.RecordingPaused());
    EXPECT_FALSE(m_backend.isStarted(stream));
    deliver();
    EXPECT_TRUE(m_output.written().isEmpty());
    m_backend.produce(500); // not recorded while paused

    m_wave.TogglePause();
    EXPECT_FALSE(m_wave.RecordingPaused());
    EXPECT_TRUE(m_backend.isStarted(stream));
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
    m_backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.written(), counterBytes(1500 * 4, 8820));
}

TEST_F(modWaveInTest, BufferReturnedByPauseIsDroppedEvenWhenResumedBeforeItArrives)
{
    openStereo();
    m_backend.produce(1000);
    m_wave.TogglePause();
    m_wave.TogglePause();
    deliver();

    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 0);
}

TEST_F(modWaveInTest, BuffersReturnedByCloseAreNotWrittenAndFallToTheMonitorBranch)
{
    m_wave.OpenMonitor();
    openStereo();
    m_backend.produce(1000);

    m_wave.CloseRecording();
    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.calls().last(), QStringLiteral("FinishOutput"));
    EXPECT_EQ(m_backend.openStreams().size(), 1); // only the monitor is left
    deliver();

    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 0);
    // The reset hands back 101..104 last: the meter sees 94, which is no monitor buffer.
    EXPECT_EQ(m_wave.LastMonitorBuffer(), 94);
    double left = -1;
    double right = -1;
    EXPECT_FALSE(m_wave.GetCurPeak(left, right, false));
}

TEST_F(modWaveInTest, StaleBuffersOfAClosedRecordingDoNotReachTheNextOne)
{
    openStereo();
    m_backend.produce(1000);
    m_wave.CloseRecording();
    openStereo();
    deliver();

    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 0);
}

TEST_F(modWaveInTest, UnhookedNotificationsAreIgnoredAndNotRequeued)
{
    openStereo();
    const CaptureStreamId stream = m_backend.lastOpened();

    // Installing twice installs once: one removal is enough.
    m_wave.HookMainWindow(true);
    m_wave.HookMainWindow(false);
    m_backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 0);
    EXPECT_EQ(m_backend.queuedCount(stream), 4);

    m_wave.HookMainWindow(true);
    m_backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 1);
    // Re-offering every buffer also takes back the one whose notification was ignored.
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
}

TEST_F(modWaveInTest, NotificationsPostedWhileUnhookedButHandledAfterRehookArrive)
{
    openStereo();
    m_wave.HookMainWindow(false);
    m_backend.produce(kRecordFrames);
    m_wave.HookMainWindow(true);
    deliver();

    EXPECT_EQ(m_output.callCount("WriteCapturedData"), 1);
}

TEST_F(modWaveInTest, FailedDeviceOpenIsReportedAndLeavesNoFileBehind)
{
    m_backend.setOpenFailure(-19, QStringLiteral("  No such device  "));
    openStereo();

    EXPECT_EQ(m_reported, QStringList({"No such device"}));
    EXPECT_EQ(m_wave.DeviceErrorText(), QStringLiteral("No such device"));
    EXPECT_EQ(m_wave.LastDeviceResult(), -19);
    EXPECT_TRUE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.calls(), QStringList({"OpenOutputFile"}));

    m_wave.CloseRecording();
    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.calls(), QStringList({"OpenOutputFile", "DiscardRecordingFile"}));

    m_wave.ClearDeviceErrorText();
    EXPECT_TRUE(m_wave.DeviceErrorText().isEmpty());
}

TEST_F(modWaveInTest, FailedMonitorOpenLeavesTheMonitorClosed)
{
    m_backend.setOpenFailure(-16, QStringLiteral("Device or resource busy"));
    m_wave.OpenMonitor();

    EXPECT_EQ(m_reported, QStringList({"Device or resource busy"}));
    EXPECT_FALSE(m_wave.MonitorActive());
    EXPECT_FALSE(m_wave.MonitorOpened());
}

TEST_F(modWaveInTest, OutputFileThatCannotBeOpenedIsReportedAndNoDeviceIsOpened)
{
    m_output.setOpenResult(false);
    openStereo();

    EXPECT_EQ(m_reported.size(), 1);
    EXPECT_EQ(m_backend.openCalls(), 0);
    // Ended at once: the window returns to standby and Record may be tried again.
    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.calls().last(), QStringLiteral("DiscardRecordingFile"));
    m_wave.CloseRecording();
    EXPECT_EQ(m_output.callCount("DiscardRecordingFile"), 1);
}

TEST_F(modWaveInTest, LastOutputThatCannotBeWrittenIsReportedOnceWithWhatEndedTheRecording)
{
    m_output.setFinishFailure(QStringLiteral("Datei voll"));
    openStereo();
    m_wave.CloseRecording();
    m_wave.CloseRecording();
    EXPECT_EQ(m_reported, QStringList({"Datei voll"}));

    m_reported.clear();
    openStereo();
    m_backend.failRunning(-19, QStringLiteral("No such device"));
    deliver();
    EXPECT_EQ(m_reported, QStringList({"No such device\n\nDatei voll"}));

    m_reported.clear();
    openStereo();
    m_output.fireEnded(QStringLiteral("Encoder beendet"));
    EXPECT_EQ(m_reported, QStringList({"Encoder beendet\n\nDatei voll"}));

    // A closed recording is neither paused nor resumed.
    const int opens = m_backend.openCalls();
    m_wave.TogglePause();
    EXPECT_FALSE(m_wave.RecordingPaused());
    EXPECT_EQ(m_backend.openCalls(), opens);
}

TEST_F(modWaveInTest, EncoderThatDoesNotStartClosesTheRecordingAndDiscardsTheFile)
{
    m_output.setStartEncoderResult(false);
    openStereo();

    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.calls(),
              QStringList({"OpenOutputFile", "StartEncoder", "FinishOutput", "DiscardRecordingFile"}));
    EXPECT_TRUE(m_backend.openStreams().isEmpty());
}

TEST_F(modWaveInTest, DeviceFailingWhileRunningEndsBothStreamsAndIsReportedOnce)
{
    m_wave.OpenMonitor();
    openStereo();
    m_backend.produce(kRecordFrames);
    deliver();

    m_backend.failRunning(-19, QStringLiteral("No such device"));
    deliver();

    EXPECT_EQ(m_reported, QStringList({"No such device"}));
    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_output.callCount("FinishOutput"), 1);
    EXPECT_EQ(m_output.callCount("DiscardRecordingFile"), 0);
    EXPECT_FALSE(m_wave.MonitorActive());
    EXPECT_FALSE(m_wave.MonitorOpened());
    EXPECT_TRUE(m_backend.openStreams().isEmpty());

    // The level display can open a new monitor afterwards.
    m_wave.OpenMonitor();
    EXPECT_TRUE(m_wave.MonitorOpened());
    EXPECT_TRUE(m_wave.MonitorActive());
}

TEST_F(modWaveInTest, OutputEndingByItselfClosesTheRecordingOnce)
{
    openStereo();
    m_output.fireEnded(QStringLiteral("Encoder beendet"));

    EXPECT_FALSE(m_wave.RecordingActive());
    EXPECT_EQ(m_reported, QStringList({"Encoder beendet"}));
    EXPECT_EQ(m_output.callCount("FinishOutput"), 1);
    EXPECT_EQ(m_output.callCount("DiscardRecordingFile"), 0);

    m_output.fireEnded(QStringLiteral("again"));
    EXPECT_EQ(m_reported.size(), 1);
}

TEST_F(modWaveInTest, OutputEndingDuringItsOwnFinishIsNotReported)
{
    openStereo();
    m_output.setOnFinishOutput([this] { m_output.fireEnded(QStringLiteral("late")); });
    m_wave.CloseRecording();

    EXPECT_TRUE(m_reported.isEmpty());
    EXPECT_EQ(m_output.callCount("FinishOutput"), 1);
}

TEST_F(modWaveInTest, MonitorBuffersAreRequeuedAndReportedAsLastMonitorBuffer)
{
    m_wave.OpenMonitor();
    const CaptureStreamId monitor = m_backend.lastOpened();
    EXPECT_TRUE(m_wave.MonitorActive());
    EXPECT_EQ(m_backend.formatOf(monitor).avgBytesPerSec, 176400u);

    for (int expected : {0, 1, 2, 0}) {
        m_backend.produce(kMonitorFrames);
        deliver();
        EXPECT_EQ(m_wave.LastMonitorBuffer(), expected);
        EXPECT_EQ(m_backend.queuedCount(monitor), 3);
    }

    m_wave.PauseMonitor();
    EXPECT_FALSE(m_backend.isStarted(monitor));
    m_wave.ResumeMonitor();
    deliver();
    EXPECT_TRUE(m_backend.isStarted(monitor));
    EXPECT_EQ(m_backend.queuedCount(monitor), 3);

    m_wave.CloseMonitor();
    EXPECT_FALSE(m_wave.MonitorOpened());
    EXPECT_TRUE(m_backend.openStreams().isEmpty());
}

TEST_F(modWaveInTest, CloseMonitorWithoutMonitorChangesNothing)
{
    m_wave.CloseMonitor();
    EXPECT_EQ(m_wave.LastDeviceResult(), MMSYSERR_NOERROR);
    EXPECT_FALSE(m_wave.MonitorActive());
}

TEST_F(modWaveInTest, RecordingBufferInTheMonitorBranchGivesNoPeak)
{
    m_wave.OpenMonitor();
    CaptureNotification stray;
    stray.user = 102;
    stray.flags = WHDR_DONE;
    m_wave.CaptureWindowProc(stray);

    EXPECT_EQ(m_wave.LastMonitorBuffer(), 92);
    double left = -1;
    double right = -1;
    EXPECT_FALSE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, -1);
}

TEST_F(modWaveInTest, GetCurPeakReadsTheBufferBeforeTheNewest)
{
    m_wave.OpenMonitor();
    double left = -1;
    double right = -1;
    EXPECT_FALSE(m_wave.GetCurPeak(left, right, false)); // nothing finished yet

    m_backend.setGenerator(SignalSourceBackend::constantFrame({1000, -2000}));
    m_backend.produce(kMonitorFrames); // buffer 0
    deliver();
    EXPECT_FALSE(m_wave.GetCurPeak(left, right, false)); // start-up guard: only buffer 0 so far
    EXPECT_EQ(left, -1);

    m_backend.setGenerator(SignalSourceBackend::constantFrame({3000, -4000}));
    m_backend.produce(kMonitorFrames); // buffer 1
    deliver();
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 1000);
    EXPECT_EQ(right, 2000);

    m_backend.setGenerator(SignalSourceBackend::constantFrame({5000, 6000}));
    m_backend.produce(kMonitorFrames); // buffer 2 -> reads 1
    deliver();
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 3000);
    EXPECT_EQ(right, 4000);

    m_backend.setGenerator(SignalSourceBackend::constantFrame({7000, 8000}));
    m_backend.produce(kMonitorFrames); // buffer 0 again -> reads 2
    deliver();
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 5000);
    EXPECT_EQ(right, 6000);

    // From now on the guard passes, even with buffer 0 newest again.
    m_backend.produce(kMonitorFrames); // 1 -> reads 0
    m_backend.produce(kMonitorFrames); // 2
    m_backend.produce(kMonitorFrames); // 0 -> reads 2
    deliver();
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 7000);
}

TEST_F(modWaveInTest, GetCurPeakLevelsAndSampleRules)
{
    m_wave.OpenMonitor();
    // Left: full scale in the first frame; right: -32768 everywhere but one frame. Frame 50
    // lies beyond the 44 frames that are read.
    m_backend.setGenerator([](const WaveFormat&, qint64, int frames) {
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
    m_backend.produce(kMonitorFrames);
    m_backend.produce(kMonitorFrames);
    deliver();

    double left = 0;
    double right = 0;
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, false));
    EXPECT_EQ(left, 32767);
    EXPECT_EQ(right, 300);
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, true));
    EXPECT_DOUBLE_EQ(left, 0.0);
    EXPECT_NEAR(right, 20.0 * std::log(300.0 / 32767.0), 1e-9);

    m_backend.setGenerator(SignalSourceBackend::constantFrame({0, 0}));
    m_backend.produce(kMonitorFrames);
    m_backend.produce(kMonitorFrames);
    deliver();
    ASSERT_TRUE(m_wave.GetCurPeak(left, right, true));
    EXPECT_EQ(left, -120);
    EXPECT_EQ(right, -120);
}

} // namespace

namespace {

TEST_F(modWaveInTest, BuffersAreHeldWhileTheEncoderIsBehindAndOfferedWhenItCatchesUp)
{
    m_backend.setGenerator(SignalSourceBackend::byteCounter());
    openStereo();
    const CaptureStreamId stream = m_backend.lastOpened();

    m_output.setReady(false);
    m_backend.produce(2 * kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.written(), counterBytes(0, 2 * 8820)) << "what came back is still written";
    EXPECT_EQ(m_backend.queuedCount(stream), 3) << "but the buffers are not offered again";

    m_output.setReady(true);
    deliver();
    EXPECT_EQ(m_backend.queuedCount(stream), 5);
    m_backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.written(), counterBytes(0, 3 * 8820));
}

TEST_F(modWaveInTest, AudioTheDeviceCouldNotPlaceIsCountedAsDropped)
{
    openStereo();
    m_backend.produce(6 * kRecordFrames); // one buffer's worth finds no free buffer
    deliver();
    m_backend.produce(kRecordFrames);
    deliver();
    EXPECT_EQ(m_output.DroppedBytes(), 8820);
}

} // namespace
