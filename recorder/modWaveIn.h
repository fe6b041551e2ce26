#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>

#include "recorder/WaveTypes.h"

class CaptureBackend;
class RecordingOutput;

/**
 * @brief The wave input: the recording stream, the monitor stream that feeds the level
 * meter, and the delivery of finished buffers to the UI thread.
 *
 * Finished buffers reach CaptureWindowProc as queued events on the thread this object lives
 * on, one at a time and in the order the device finished them, while the delivery is hooked
 * (HookMainWindow). Recording buffers go to the RecordingOutput; monitor buffers feed
 * GetCurPeak. Everything here is called on the UI thread.
 */
class modWaveIn : public QObject
{
    Q_OBJECT

public:
    static constexpr int RecordBufferCount = 5;
    static constexpr int MonitorBufferCount = 3;
    static constexpr int MonitorBufferSize = 8192;
    /// How long recording buffers may wait in the device (the monitor's may not wait).
    static constexpr int RecordPatienceMs = 100;
    static constexpr std::intptr_t RecordUserBase = 100;
    static constexpr std::intptr_t MonitorUserBase = 10;

    /// backend and output must outlive this object.
    modWaveIn(CaptureBackend& backend, RecordingOutput& output, QObject* parent = nullptr);
    ~modWaveIn() override;

    /// Connects (true) or disconnects (false) the delivery of finished buffers. A notification
    /// handled while disconnected is ignored, so its buffer is not queued again.
    void HookMainWindow(bool install);

    /// Opens the output file, opens and starts the recording stream, starts the encoder.
    void OpenRecording(int channels, int bitsPerSample, int samplesPerSec, const QString& fileName);
    /// Pauses a running recording stream or resumes a paused one; nothing once it is closed.
    void TogglePause();
    /// Ends the recording: closes the stream, frees its buffers, finishes the output. An output
    /// whose last part could not be written (disk full) is reported.
    void CloseRecording();

    void OpenMonitor();
    void PauseMonitor();
    void ResumeMonitor();
    void ResetMonitor();
    /// Closes the monitor stream; does nothing when none is open.
    void CloseMonitor();

    /// Handles one finished buffer (the hooked delivery calls it; public for tests). Never
    /// re-entered: a call made while another one runs is handled right after it.
    void CaptureWindowProc(const CaptureNotification& notification);

    /// Peaks of the first 88 samples of the monitor buffer finished before the newest one:
    /// raw magnitudes (0..32767) or, with inLevel, meter levels. False when there is none.
    bool GetCurPeak(double& left, double& right, bool inLevel);

    bool RecordingActive() const { return m_recordingActive; }
    bool RecordingPaused() const { return m_recordingPaused; }
    bool MonitorActive() const { return m_monitorActive; }
    bool MonitorPaused() const { return m_monitorPaused; }
    /// A monitor stream handle exists (it was opened and not closed since).
    bool MonitorOpened() const { return m_monitorDevice != 0; }
    int LastMonitorBuffer() const { return m_lastMonitorBuffer; }
    int LastDeviceResult() const { return m_lastDeviceResult; }
    QString DeviceErrorText() const { return m_deviceErrorText; }
    void ClearDeviceErrorText() { m_deviceErrorText.clear(); }
    int RecordBufferSize() const { return m_recordBufferSize; }
    WaveFormat RecordFormat() const { return m_recordFormat; }

    /// Bytes per recording buffer: a tenth of a second of ONE channel, whole frames.
    static int ComputeRecordBufferSize(int channels, int bitsPerSample, int samplesPerSec);

    /// Shows a device or output error to the user (the window installs a message box).
    void setErrorReporter(std::function<void(const QString& text)> reporter);

private:
    void enqueue(std::function<void()> work);
    void offerBuffers(CaptureStreamId stream, std::span<WaveHeader> buffers);
    QString closeRecording();
    void closeStream(CaptureStreamId& stream, std::span<WaveHeader> buffers);
    void offerHeldRecordBuffers();
    void drainPending();
    void deliver(const CaptureNotification& notification, std::uint64_t generation);
    void processNotification(const CaptureNotification& notification, bool currentRecording);
    /// Hands the losses the device reported for recording buffers to the output.
    void countRecordLoss();
    void handleFailure(const std::vector<CaptureStreamId>& streams, const QString& text);
    void handleOutputEnded(const QString& reason);
    void reportOpenFailure();
    void report(const QString& text);

    CaptureBackend& m_backend;
    RecordingOutput& m_output;
    std::function<void(const QString&)> m_reporter;

    CaptureStreamId m_recordDevice = 0;
    CaptureStreamId m_monitorDevice = 0;
    WaveFormat m_recordFormat;
    int m_recordBufferSize = 0;
    std::array<WaveHeader, RecordBufferCount> m_recordBuffers;
    std::array<WaveHeader, MonitorBufferCount> m_monitorBuffers;
    // What each monitor buffer held when it was last handed back; the device may be
    // refilling the buffer itself already.
    std::array<QByteArray, MonitorBufferCount> m_monitorContent;

    bool m_recordingActive = false;
    bool m_recordingPaused = false;
    bool m_recordBuffersHeld = false;
    bool m_recordingOpenFailed = false;
    bool m_recordingHadSound = false;
    bool m_monitorActive = false;
    bool m_monitorPaused = false;
    int m_lastMonitorBuffer = 0;
    int m_lastDeviceResult = 0;
    QString m_deviceErrorText;
    bool m_hooked = false;

    // Raised at every pause, resume, open and close of the recording: a recording buffer
    // handed back before that is dropped even if its notification is handled afterwards.
    std::atomic<std::uint64_t> m_recordGeneration{0};
    // Bytes the device lost before recording buffers, counted when handed back (any thread).
    std::atomic<std::uint64_t> m_recordLoss{0};

    std::deque<std::function<void()>> m_pending;
    bool m_draining = false;
    bool m_closingRecording = false;

    // GetCurPeak's state between calls.
    int m_peakIndex = 0;
    bool m_peakStarted = false;
};
