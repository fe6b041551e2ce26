#include <chrono>
#include <map>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include "fakes/FakeRecordingOutput.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/modWaveIn.h"
#include "support/AlsaTestDevice.h"
#include "support/CaptureCollector.h"
#include "support/ScopedEnv.h"
#include "support/TestSignal.h"

namespace {

using namespace std::chrono_literals;

int threadCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

/// Queues every buffer on the stream.
void queue(CaptureBackend& backend, CaptureStreamId stream, std::vector<WaveHeader>& buffers)
{
    for (WaveHeader& header : buffers) {
        ASSERT_EQ(backend.addBuffer(stream, &header), 0);
    }
}

class AlsaCaptureBackendTest : public ::testing::Test
{
protected:
    void SetUp() override { AlsaTestDevice::setSignal(TestSignal::numberedFrames(3 * 44100)); }
};

TEST_F(AlsaCaptureBackendTest, TwoStreamsShareOneDeviceAndGetTheSamplesInOrder)
{
    // At a sound card's pace, so that the monitor loses what it has no room for.
    const ScopedEnv paced("QUERNBELL_PACE_CAPTURE", "1");
    std::vector<WaveHeader> recordBuffers = CaptureCollector::buffers(5, 8820, 100);
    std::vector<WaveHeader> monitorBuffers = CaptureCollector::buffers(3, 8192, 10);
    CaptureCollector collector;
    AlsaCaptureBackend backend;
    collector.attach(backend);
    CaptureStreamId recording = 0;
    CaptureStreamId monitor = 0;
    ASSERT_EQ(backend.open(CaptureCollector::stereo16(), recording), 0);
    ASSERT_EQ(backend.open(CaptureCollector::stereo16(), monitor), 0);
    EXPECT_NE(recording, monitor);
    EXPECT_EQ(backend.openDeviceCount(), 1);

    queue(backend, recording, recordBuffers);
    queue(backend, monitor, monitorBuffers);
    EXPECT_EQ(backend.addBuffer(recording, &recordBuffers[0]), WAVERR_STILLPLAYING);
    ASSERT_EQ(backend.start(recording), 0);
    ASSERT_EQ(backend.start(monitor), 0);

    std::map<CaptureStreamId, QByteArray> received;
    std::map<CaptureStreamId, qint64> reportedLost;
    std::vector<WaveHeader*> heldBack;
    const qsizetype wanted = 44100 * 4; // one second each, well inside the signal
    const auto take = [&](const CaptureNotification& done) {
        reportedLost[done.stream] += static_cast<qint64>(done.lostBytesBefore / 4);
        // A loss without a buffer to carry it comes on its own, without data.
        EXPECT_TRUE((done.flags & WHDR_DONE) || (done.stream == monitor && done.data.isEmpty()));
        EXPECT_EQ(done.data.size(), qsizetype{done.bytesRecorded});
        received[done.stream] += done.data;
    };
    while (received[recording].size() < wanted || received[monitor].size() < wanted) {
        std::optional<CaptureNotification> done = collector.next();
        ASSERT_TRUE(done.has_value());
        take(*done);
        if (!(done->flags & WHDR_DONE)) {
            continue;
        }
        auto& pool = done->stream == recording ? recordBuffers : monitorBuffers;
        const std::intptr_t first = done->stream == recording ? 100 : 10;
        WaveHeader* header = &pool[static_cast<std::size_t>(done->user - first)];
        // For half a second the monitor's buffers are held back, as by a busy window.
        const qsizetype recorded = received[recording].size();
        const bool holding = recorded >= wanted / 4 && recorded < 3 * wanted / 4;
        if (done->stream == monitor && holding) {
            heldBack.push_back(header);
            continue;
        }
        for (WaveHeader* back : holding ? std::vector<WaveHeader*>() : std::exchange(heldBack, {})) {
            ASSERT_EQ(backend.addBuffer(monitor, back), 0);
        }
        ASSERT_EQ(backend.addBuffer(done->stream, header), 0);
    }
    EXPECT_EQ(backend.reset(recording), 0);
    EXPECT_EQ(backend.reset(monitor), 0);
    for (const CaptureNotification& done : collector.takeAll()) {
        take(done);
    }
    EXPECT_EQ(backend.close(recording), 0);
    EXPECT_EQ(backend.close(monitor), 0);
    EXPECT_EQ(backend.openDeviceCount(), 0);

    // The first stream started before any read: it gets the signal from its start. A gap in
    // either is exactly what was reported lost; the monitor's shortage cost the recording nothing.
    qint64 missing = 0;
    for (CaptureStreamId stream : {recording, monitor}) {
        const std::vector<qint64> numbers = TestSignal::frameNumbers(received[stream]);
        ASSERT_FALSE(numbers.empty());
        EXPECT_TRUE(stream != recording || numbers.front() == 0) << numbers.front();
        ASSERT_GE(TestSignal::missingFrames(numbers), 0) << "frames out of order";
        EXPECT_EQ(TestSignal::missingFrames(numbers), reportedLost[stream]);
        missing += TestSignal::missingFrames(numbers);
    }
    EXPECT_EQ(reportedLost[recording], 0);
    EXPECT_GT(reportedLost[monitor], 44100 / 10);
    EXPECT_EQ(missing, static_cast<qint64>(backend.lostFrames()));
}

TEST_F(AlsaCaptureBackendTest, UnopenablePcmGivesAlsasErrorCodeAndText)
{
    AlsaCaptureBackend backend(QStringLiteral("hw:99"));
    CaptureStreamId stream = 42;
    const int code = backend.open(CaptureCollector::stereo16(), stream);

    EXPECT_LT(code, 0);
    EXPECT_EQ(stream, 0u);
    EXPECT_EQ(backend.errorText(code), QString::fromLocal8Bit(snd_strerror(code)));
    EXPECT_EQ(backend.openDeviceCount(), 0);
    EXPECT_EQ(backend.start(stream), MMSYSERR_INVALHANDLE);
}

TEST_F(AlsaCaptureBackendTest, StopAndResetHandEveryBufferBackOnceInOrder)
{
    std::vector<WaveHeader> idle = CaptureCollector::buffers(2, 4096, 1);
    std::vector<WaveHeader> big = CaptureCollector::buffers(3, 176400 * 4, 10);
    CaptureCollector collector;
    AlsaCaptureBackend backend;
    collector.attach(backend);
    CaptureStreamId stream = 0;
    ASSERT_EQ(backend.open(CaptureCollector::stereo16(), stream), 0);

    // Not started: stop returns nothing, reset returns every queued buffer empty.
    queue(backend, stream, idle);
    EXPECT_EQ(backend.stop(stream), 0);
    EXPECT_TRUE(collector.takeAll().empty());
    EXPECT_EQ(backend.reset(stream), 0);
    std::vector<CaptureNotification> returned = collector.takeAll();
    ASSERT_EQ(returned.size(), 2u);
    for (std::size_t i = 0; i < returned.size(); ++i) {
        EXPECT_EQ(returned[i].user, static_cast<std::intptr_t>(i + 1));
        EXPECT_EQ(returned[i].flags & WHDR_DONE, WHDR_DONE);
        EXPECT_EQ(returned[i].bytesRecorded, 0u);
    }

    // Running: whatever was captured before the stop comes back exactly once, in order,
    // and the buffers still queued come back through the reset.
    queue(backend, stream, big);
    ASSERT_EQ(backend.start(stream), 0);
    std::optional<CaptureNotification> first = collector.next(); // the first full buffer
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(backend.stop(stream), 0);
    EXPECT_EQ(backend.reset(stream), 0);
    std::vector<CaptureNotification> rest = collector.takeAll();
    rest.insert(rest.begin(), *first);
    ASSERT_EQ(rest.size(), 3u);
    QByteArray all;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        EXPECT_EQ(rest[i].user, static_cast<std::intptr_t>(10 + i));
        EXPECT_EQ(rest[i].flags & WHDR_DONE, WHDR_DONE);
        all += rest[i].data;
    }
    const std::vector<qint64> numbers = TestSignal::frameNumbers(all);
    for (std::size_t i = 0; i < numbers.size() && i < 3 * 44100; ++i) {
        ASSERT_EQ(numbers[i], static_cast<qint64>(i));
    }
    EXPECT_EQ(backend.addBuffer(stream, &big[0]), 0); // handed back, so it can be queued again
    EXPECT_EQ(backend.close(stream), 0);
    EXPECT_EQ(backend.addBuffer(stream, &big[1]), MMSYSERR_INVALHANDLE);
}

TEST_F(AlsaCaptureBackendTest, NoReaderThreadOutlivesTheLastClose)
{
    const int before = threadCount();
    {
        CaptureCollector collector;
        std::vector<WaveHeader> buffers = CaptureCollector::buffers(2, 8820, 100);
        AlsaCaptureBackend backend;
        collector.attach(backend);
        CaptureStreamId a = 0;
        CaptureStreamId b = 0;
        ASSERT_EQ(backend.open(CaptureCollector::stereo16(), a), 0);
        ASSERT_EQ(backend.open(CaptureCollector::stereo16(), b), 0);
        EXPECT_EQ(threadCount(), before + 1);
        ASSERT_EQ(backend.addBuffer(a, &buffers[0]), 0);
        ASSERT_EQ(backend.start(a), 0);
        ASSERT_TRUE(collector.next().has_value());

        EXPECT_EQ(backend.close(a), 0);
        EXPECT_EQ(threadCount(), before + 1); // b still holds the device
        EXPECT_EQ(backend.close(b), 0);
        EXPECT_EQ(threadCount(), before);

        // A stream left open is closed with the backend.
        ASSERT_EQ(backend.open(CaptureCollector::stereo16(), a), 0);
        ASSERT_EQ(backend.addBuffer(a, &buffers[1]), 0);
        ASSERT_EQ(backend.start(a), 0);
    }
    EXPECT_EQ(threadCount(), before);
}

TEST_F(AlsaCaptureBackendTest, CaptureGoesOnAfterAllStreamsWereStopped)
{
    std::vector<WaveHeader> buffers = CaptureCollector::buffers(1, 8820, 100);
    CaptureCollector collector;
    AlsaCaptureBackend backend;
    collector.attach(backend);
    CaptureStreamId stream = 0;
    ASSERT_EQ(backend.open(CaptureCollector::stereo16(), stream), 0);

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(backend.addBuffer(stream, &buffers[0]), 0);
        ASSERT_EQ(backend.start(stream), 0);
        std::optional<CaptureNotification> done = collector.next();
        ASSERT_TRUE(done.has_value());
        EXPECT_EQ(done->bytesRecorded, 8820u);
        const std::vector<qint64> numbers = TestSignal::frameNumbers(done->data);
        // Real signal, not silence: the device was restarted cleanly.
        EXPECT_GE(numbers.front(), 0);
        EXPECT_EQ(numbers.back() - numbers.front(), 2204);
        EXPECT_EQ(backend.stop(stream), 0);
    }
    EXPECT_EQ(backend.close(stream), 0);
}

TEST_F(AlsaCaptureBackendTest, FeedsTheCaptureModuleThroughTheEventLoop)
{
    const ScopedEnv paced("QUERNBELL_PACE_CAPTURE", "1");
    FakeRecordingOutput output;
    AlsaCaptureBackend backend;
    modWaveIn wave(backend, output);
    QStringList reported;
    wave.setErrorReporter([&reported](const QString& text) { reported << text; });
    wave.HookMainWindow(true);
    wave.OpenRecording(2, 16, 44100, QStringLiteral("/tmp/unused.mp3"));
    wave.OpenMonitor();
    ASSERT_TRUE(wave.RecordingActive());
    ASSERT_TRUE(wave.MonitorActive());
    EXPECT_EQ(backend.openDeviceCount(), 1);

    const qsizetype wanted = 44100 * 4;
    ASSERT_TRUE(QTest::qWaitFor([&] { return output.written().size() >= wanted / 4; }, 60000));
    // The encoder falls behind for longer than the recording's buffers hold (0.5 s): they are
    // held back meanwhile.
    output.setReady(false);
    QTest::qWait(800);
    output.setReady(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return output.written().size() >= wanted; }, 60000));
    wave.CloseRecording();
    // The monitor ran alongside: once a buffer other than 0 is the newest, the meter reads.
    ASSERT_TRUE(QTest::qWaitFor([&] { return wave.LastMonitorBuffer() == 1 || wave.LastMonitorBuffer() == 2; }, 60000));
    double left = 0;
    double right = 0;
    EXPECT_TRUE(wave.GetCurPeak(left, right, false));
    wave.CloseMonitor();
    QCoreApplication::processEvents();

    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(backend.openDeviceCount(), 0);
    const std::vector<qint64> numbers = TestSignal::frameNumbers(output.written());
    EXPECT_EQ(numbers.front(), 0);
    const qint64 missing = TestSignal::missingFrames(numbers);
    ASSERT_GE(missing, 0) << "frames out of order";
    // What the recording missed while held back is counted, frame for frame.
    EXPECT_GT(missing, 44100 / 10);
    EXPECT_EQ(missing, output.DroppedBytes() / 4);
    EXPECT_LE(missing, static_cast<qint64>(backend.lostFrames()));
}

} // namespace
