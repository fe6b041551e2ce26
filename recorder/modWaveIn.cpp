#include "recorder/modWaveIn.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include <QDir>
#include <QMetaObject>
#include <QtGlobal>

#include "recorder/CaptureBackend.h"
#include "recorder/Decibels.h"
#include "recorder/RecordingOutput.h"

namespace {

// numerator / denominator rounded to the nearest integer, ties to even.
std::int64_t divideRoundHalfEven(std::int64_t numerator, std::int64_t denominator)
{
    std::int64_t quotient = numerator / denominator;
    const std::int64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && (quotient & 1) != 0)) {
        ++quotient;
    }
    return quotient;
}

WaveFormat pcmFormat(int channels, int bitsPerSample, int samplesPerSec)
{
    WaveFormat format;
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(channels);
    format.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
    format.samplesPerSec = static_cast<std::uint32_t>(samplesPerSec);
    format.blockAlign = static_cast<std::uint16_t>(divideRoundHalfEven(std::int64_t{channels} * bitsPerSample, 8));
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    return format;
}

void allocate(WaveHeader& header, int size, std::intptr_t user)
{
    header.data.assign(static_cast<std::size_t>(std::max(size, 0)), 0);
    header.bufferLength = static_cast<std::uint32_t>(std::max(size, 0));
    header.bytesRecorded = 0;
    header.user = user;
    header.flags = 0;
    header.loops = 0;
}

void release(WaveHeader& header)
{
    header = WaveHeader();
}

} // namespace

modWaveIn::modWaveIn(CaptureBackend& backend, RecordingOutput& output, QObject* parent)
    : QObject(parent), m_backend(backend), m_output(output)
{
    // The backend may call from its reader thread: hop onto this object's thread. The
    // generation is read now, when the device hands the buffer back.
    m_backend.setNotificationHandler([this](const CaptureNotification& notification) {
        const std::uint64_t generation = m_recordGeneration.load();
        // A loss belongs to the recording even when its buffer comes back through Pause or Stop,
        // whose data is not written: kept apart so it is counted before the output is finished.
        if (notification.user >= RecordUserBase && notification.lostBytesBefore > 0) {
            m_recordLoss += notification.lostBytesBefore;
        }
        QMetaObject::invokeMethod(
            this, [this, notification, generation] { deliver(notification, generation); }, Qt::QueuedConnection);
    });
    m_backend.setFailureHandler([this](const std::vector<CaptureStreamId>& streams, int, const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, streams, text] { enqueue([this, streams, text] { handleFailure(streams, text); }); },
            Qt::QueuedConnection);
    });
    m_output.setEndedHandler([this](const QString& reason) { enqueue([this, reason] { handleOutputEnded(reason); }); });
    m_output.setReadyHandler([this] { enqueue([this] { offerHeldRecordBuffers(); }); });
}

modWaveIn::~modWaveIn()
{
    m_backend.setNotificationHandler({});
    m_backend.setFailureHandler({});
    m_output.setEndedHandler({});
    m_output.setReadyHandler({});
    for (CaptureStreamId* stream : {&m_recordDevice, &m_monitorDevice}) {
        if (*stream != 0) {
            m_backend.close(*stream);
            *stream = 0;
        }
    }
}

void modWaveIn::HookMainWindow(bool install)
{
    m_hooked = install;
}

void modWaveIn::OpenRecording(int channels, int bitsPerSample, int samplesPerSec, const QString& fileName)
{
    // A second open would orphan the running stream and reallocate buffers it still holds.
    if (m_recordingActive) {
        CloseRecording();
    }
    ++m_recordGeneration;
    m_recordLoss = 0;
    m_recordingActive = true;
    m_recordingPaused = false;
    m_recordingOpenFailed = false;
    m_recordingHadSound = false;

    const WaveFormat format = pcmFormat(channels, bitsPerSample, samplesPerSec);
    const bool fileOpened = m_output.OpenOutputFile(fileName, format.avgBytesPerSec);
    m_recordFormat = format;
    m_recordBufferSize = ComputeRecordBufferSize(channels, bitsPerSample, samplesPerSec);
    if (!fileOpened) {
        // Recording into nowhere would look like success: the recording ends at once, so the
        // window returns to standby and Record can be tried again once the folder is there.
        m_recordingOpenFailed = true;
        m_deviceErrorText =
            QStringLiteral("Die Aufnahmedatei kann nicht angelegt werden:\n%1").arg(QDir::toNativeSeparators(fileName));
        closeRecording();
        report(m_deviceErrorText);
        return;
    }

    CaptureStreamId stream = 0;
    m_lastDeviceResult = m_backend.open(m_recordFormat, stream);
    if (m_lastDeviceResult != MMSYSERR_NOERROR) {
        m_recordingOpenFailed = true;
        reportOpenFailure();
        return;
    }
    m_recordDevice = stream;
    // The encoder needs the sound in time, not at once: a reader that wakes less costs less.
    m_backend.setPatience(m_recordDevice, RecordPatienceMs);
    for (int i = 0; i < RecordBufferCount; ++i) {
        allocate(m_recordBuffers[i], m_recordBufferSize, RecordUserBase + i);
    }
    offerBuffers(m_recordDevice, m_recordBuffers);
    m_lastDeviceResult = m_backend.start(m_recordDevice);

    if (!m_output.StartEncoder(samplesPerSec, bitsPerSample)) {
        CloseRecording();
        m_output.DiscardRecordingFile();
    }
}

void modWaveIn::offerBuffers(CaptureStreamId stream, std::span<WaveHeader> buffers)
{
    // The device takes back the buffers it returned and refuses those it still holds.
    for (WaveHeader& header : buffers) {
        m_lastDeviceResult = m_backend.addBuffer(stream, &header);
    }
}

void modWaveIn::closeStream(CaptureStreamId& stream, std::span<WaveHeader> buffers)
{
    m_lastDeviceResult = m_backend.stop(stream);
    m_lastDeviceResult = m_backend.reset(stream);
    // Closed before the buffers go, so the backend can hold no pointer to them.
    m_lastDeviceResult = m_backend.close(stream);
    for (WaveHeader& header : buffers) {
        release(header);
    }
    stream = 0;
}

void modWaveIn::offerHeldRecordBuffers()
{
    if (!m_recordBuffersHeld) {
        return;
    }
    m_recordBuffersHeld = false;
    if (m_recordingActive && !m_recordingPaused && m_recordDevice != 0) {
        offerBuffers(m_recordDevice, m_recordBuffers);
    }
}

void modWaveIn::TogglePause()
{
    // A recording that ended by itself has no stream left to pause or resume.
    if (!m_recordingActive) {
        return;
    }
    ++m_recordGeneration;
    m_recordBuffersHeld = false;
    m_recordingPaused = !m_recordingPaused;
    if (m_recordingPaused) {
        m_lastDeviceResult = m_backend.stop(m_recordDevice);
        countRecordLoss();
        return;
    }
    offerBuffers(m_recordDevice, m_recordBuffers);
    m_lastDeviceResult = m_backend.start(m_recordDevice);
}

void modWaveIn::CloseRecording()
{
    const QString failure = closeRecording();
    if (!failure.isEmpty()) {
        report(failure);
    }
}

QString modWaveIn::closeRecording()
{
    if (!m_recordingActive || m_closingRecording) {
        return QString();
    }
    m_closingRecording = true;
    m_recordBuffersHeld = false;
    if (m_recordDevice != 0) {
        closeStream(m_recordDevice, m_recordBuffers);
    }
    countRecordLoss();
    m_recordingActive = false;
    ++m_recordGeneration;
    QString failure;
    if (m_recordingOpenFailed) {
        // Nothing was ever recorded into it.
        m_output.DiscardRecordingFile();
    } else {
        failure = m_output.FinishOutput();
    }
    m_closingRecording = false;
    return failure;
}

void modWaveIn::OpenMonitor()
{
    if (m_monitorDevice != 0) {
        return;
    }
    WaveFormat format = pcmFormat(2, 16, 44100);
    CaptureStreamId stream = 0;
    m_lastDeviceResult = m_backend.open(format, stream);
    if (m_lastDeviceResult != MMSYSERR_NOERROR) {
        reportOpenFailure();
        return;
    }
    m_monitorDevice = stream;
    for (int i = 0; i < MonitorBufferCount; ++i) {
        allocate(m_monitorBuffers[i], MonitorBufferSize, MonitorUserBase + i);
        m_monitorContent[i].clear();
    }
    offerBuffers(m_monitorDevice, m_monitorBuffers);
    m_monitorActive = true;
    // A monitor reopened after a failure must not stay silent because it was paused then.
    m_monitorPaused = false;
    m_lastDeviceResult = m_backend.start(m_monitorDevice);
}

void modWaveIn::PauseMonitor()
{
    m_monitorPaused = true;
    m_lastDeviceResult = m_backend.stop(m_monitorDevice);
}

void modWaveIn::ResumeMonitor()
{
    m_monitorPaused = false;
    offerBuffers(m_monitorDevice, m_monitorBuffers);
    m_lastDeviceResult = m_backend.reset(m_monitorDevice);
    m_lastDeviceResult = m_backend.start(m_monitorDevice);
}

void modWaveIn::ResetMonitor()
{
    m_lastDeviceResult = m_backend.reset(m_monitorDevice);
}

void modWaveIn::CloseMonitor()
{
    if (m_monitorDevice == 0) {
        return;
    }
    m_monitorActive = false;
    closeStream(m_monitorDevice, m_monitorBuffers);
}

void modWaveIn::CaptureWindowProc(const CaptureNotification& notification)
{
    enqueue([this, notification] { processNotification(notification, true); });
}

bool modWaveIn::GetCurPeak(double& left, double& right, bool inLevel)
{
    if (m_peakIndex != m_lastMonitorBuffer && !m_peakStarted) {
        m_peakStarted = true;
    } else if (!m_peakStarted && m_peakIndex == 0) {
        return false;
    }
    const int index = m_lastMonitorBuffer == 0 ? 2 : m_lastMonitorBuffer - 1;
    m_peakIndex = index;
    if (index < 0 || index >= MonitorBufferCount) {
        return false;
    }

    constexpr int kSamples = 88;
    const QByteArray& content = m_monitorContent[index];
    const int available = std::min<int>(kSamples, static_cast<int>(content.size() / 2));
    int peakLeft = 0;
    int peakRight = 0;
    for (int i = 0; i < available; ++i) {
        const auto low = static_cast<unsigned char>(content[2 * i]);
        const auto high = static_cast<unsigned char>(content[2 * i + 1]);
        const int sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
        if (sample == -32768) {
            continue;
        }
        int& peak = (i % 2 == 0) ? peakLeft : peakRight;
        peak = std::max(peak, std::abs(sample));
    }
    left = peakLeft;
    right = peakRight;
    if (inLevel) {
        left = Decibels::PeakToDb(left);
        right = Decibels::PeakToDb(right);
    }
    return true;
}

int modWaveIn::ComputeRecordBufferSize(int channels, int bitsPerSample, int samplesPerSec)
{
    // A tenth of bitsPerSample * samplesPerSec / 8, in exact integers.
    const std::int64_t tenth = divideRoundHalfEven(std::int64_t{bitsPerSample} * samplesPerSec, 80);
    const std::int64_t blockAlign = divideRoundHalfEven(std::int64_t{channels} * bitsPerSample, 8);
    if (blockAlign <= 0) {
        return static_cast<int>(tenth);
    }
    return static_cast<int>(tenth - tenth % blockAlign);
}

void modWaveIn::setErrorReporter(std::function<void(const QString& text)> reporter)
{
    m_reporter = std::move(reporter);
}

void modWaveIn::enqueue(std::function<void()> work)
{
    m_pending.push_back(std::move(work));
    drainPending();
}

void modWaveIn::drainPending()
{
    // Work that arrives while one item runs (a nested event loop, a handler firing from
    // inside the output) waits for it, so the order is kept and nothing is re-entered.
    if (m_draining) {
        return;
    }
    m_draining = true;
    while (!m_pending.empty()) {
        std::function<void()> work = std::move(m_pending.front());
        m_pending.pop_front();
        work();
    }
    m_draining = false;
}

void modWaveIn::deliver(const CaptureNotification& notification, std::uint64_t generation)
{
    enqueue([this, notification, generation] {
        if (notification.bytesRecorded > 0 && notification.user >= RecordUserBase &&
            generation == m_recordGeneration.load()) {
            m_recordingHadSound = true;
        }
        // Unhooked, the window's own procedure would get the message and ignore it.
        if (m_hooked) {
            processNotification(notification, generation == m_recordGeneration.load());
        }
    });
}

void modWaveIn::processNotification(const CaptureNotification& notification, bool currentRecording)
{
    try {
        if (notification.user - RecordUserBase >= 0 && m_recordingActive && !m_recordingPaused && currentRecording) {
            countRecordLoss();
            if (notification.flags & WHDR_DONE) {
                m_output.WriteCapturedData(notification.data.left(notification.bytesRecorded));
            }
            if (!m_output.ReadyForData()) {
                // The encoder is far behind: hold the buffers until it has caught up, rather
                // than let its backlog grow without bound.
                m_recordBuffersHeld = true;
            } else {
                offerBuffers(m_recordDevice, m_recordBuffers);
            }
        } else if (m_monitorActive && !m_monitorPaused) {
            if (notification.flags & WHDR_DONE) {
                m_lastMonitorBuffer = static_cast<int>(notification.user - MonitorUserBase);
                if (m_lastMonitorBuffer >= 0 && m_lastMonitorBuffer < MonitorBufferCount) {
                    m_monitorContent[m_lastMonitorBuffer] = notification.data.left(notification.bytesRecorded);
                }
            }
            // In turn from the newest: buffers that finish in pairs keep their order in the
            // queue, so the one before the newest is the one finished before it.
            const bool own = m_lastMonitorBuffer >= 0 && m_lastMonitorBuffer < MonitorBufferCount;
            const auto newest = static_cast<std::size_t>(own ? m_lastMonitorBuffer : 0);
            offerBuffers(m_monitorDevice, std::span(m_monitorBuffers).subspan(newest));
            offerBuffers(m_monitorDevice, std::span(m_monitorBuffers).first(newest));
        }
    } catch (const std::exception& error) {
        m_deviceErrorText = QString::fromLocal8Bit(error.what());
    } catch (...) {
        m_deviceErrorText = QStringLiteral("Unbekannter Fehler");
    }
}

void modWaveIn::countRecordLoss()
{
    const std::uint64_t lost = m_recordLoss.exchange(0);
    if (lost > 0 && m_recordingActive) {
        m_output.CountLostCapture(static_cast<qint64>(lost));
    }
}

void modWaveIn::handleFailure(const std::vector<CaptureStreamId>& streams, const QString& text)
{
    bool ended = false;
    QString finishFailure;
    for (CaptureStreamId stream : streams) {
        if (stream == 0) {
            continue;
        }
        if (stream == m_recordDevice && m_recordingActive) {
            // What was recorded so far stays in the file; a device that never delivered (it
            // could not be opened after all) leaves no file, as one that fails to open at once.
            m_recordingOpenFailed = m_recordingOpenFailed || !m_recordingHadSound;
            finishFailure = closeRecording();
            ended = true;
        } else if (stream == m_monitorDevice) {
            // Closed, so ticking the level display again opens a new one.
            CloseMonitor();
            ended = true;
        }
    }
    if (ended) {
        m_deviceErrorText = text.trimmed();
        // One message for the whole event.
        report(finishFailure.isEmpty() ? m_deviceErrorText
                                       : m_deviceErrorText + QStringLiteral("\n\n") + finishFailure);
    }
}

void modWaveIn::handleOutputEnded(const QString& reason)
{
    // Ending during our own close is no news to the user.
    if (!m_recordingActive || m_closingRecording) {
        return;
    }
    const QString failure = closeRecording();
    report(failure.isEmpty() ? reason : reason + QStringLiteral("\n\n") + failure);
}

void modWaveIn::reportOpenFailure()
{
    m_deviceErrorText = m_backend.errorText(m_lastDeviceResult).trimmed();
    report(m_deviceErrorText);
}

void modWaveIn::report(const QString& text)
{
    if (m_reporter) {
        m_reporter(text);
    }
}
