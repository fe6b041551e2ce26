#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "recorder/PcmBacklog.h"
#include "recorder/RecordingOutput.h"

/**
 * @brief Output of a recording through the MP3 encoder run as a child process.
 *
 * PCM goes to the encoder's standard input through QProcess's asynchronous write buffer;
 * the encoder's standard output is appended to the output file as it arrives, in whole MP3
 * frames, so the file ends after a complete frame whenever the program stops. A write that
 * fails (disk full) is cut back to the last whole frame and ends the recording.
 *
 * The encoder is replaceable: the PCM handed on is kept until the encoder's frames in the
 * file hold it. An encoder that dies or stops taking input during a recording is replaced by
 * a fresh one, which is handed the kept PCM from where the file's frames end, so its frames
 * follow on; a second failure within the failure window ends the recording. At Stop, an
 * encoder that makes no progress for the stall timeout is replaced once. PCM that even that
 * cannot save is counted in DroppedBytes. Everything runs on the thread that owns the object
 * (the UI thread); FinishOutput lets that thread's events run while it waits.
 */
class EncoderOutput : public QObject, public RecordingOutput
{
    Q_OBJECT

public:
    /// Default cap of the PCM kept for the encoder: about three minutes at 176400 bytes/s.
    static constexpr qint64 DefaultBacklogLimit = 32 * 1024 * 1024;
    /// Default time without progress after which FinishOutput replaces the encoder, in ms.
    static constexpr int DefaultStallTimeoutMs = 2000;
    /// Default time within which a second failure of the encoder ends the recording, in ms.
    static constexpr int DefaultFailureWindowMs = 60000;
    /// Capacity asked for the encoder's pipes (the system's default is 64 KiB).
    static constexpr int PipeSize = 1024 * 1024;
    /// Input samples that a fresh encoder is handed again before the point the file's frames
    /// reach, so the joint overlaps rather than leaves a gap: a whole frame, since where a killed
    /// encoder's last frames end is known only to within a few hundred samples.
    static constexpr int ResumeOverlapSamples = 1152;

    explicit EncoderOutput(QObject* parent = nullptr);
    ~EncoderOutput() override;

    /// The encoder executable; start-up sets the installed encoder's path.
    void setEncoderPath(const QString& path) { m_encoderPath = path; }
    QString encoderPath() const { return m_encoderPath; }

    /// Largest number of PCM bytes kept for the encoder (waiting for it, or not yet in the
    /// file's frames); a buffer that would exceed it is dropped whole and counted in DroppedBytes.
    void setBacklogLimit(qint64 bytes) { m_backlogLimit = bytes; }
    qint64 backlogLimit() const { return m_backlogLimit; }

    /// How long FinishOutput waits for an encoder that takes no input and gives no output.
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    /// A failure of the encoder this soon after the previous one ends the recording.
    void setFailureWindow(int ms) { m_failureWindowMs = ms; }

    /// The encoder's arguments: "-s <kHz> -r --little-endian --bitwidth <bits> -b <kbps> - -".
    /// The rate is written in its shortest decimal form with "." whatever the locale.
    static QStringList EncoderArguments(int samplesPerSec, int bitsPerSample, int cbrBitrate);
    /// The encoder path and its arguments separated by blanks, for display.
    static QString CommandLine(const QString& encoderPath, int samplesPerSec, int bitsPerSample, int cbrBitrate);
    /**
     * @brief Input samples per channel that an encoder's first frames hold for certain.
     *
     * decodedSamples is what those frames decode to, at outputRate; the encoder delays its
     * input by 576 samples and the decoder by 529, and output that may be resampled is
     * converted back to inputRate.
     */
    static qint64 InputSamplesHeld(qint64 decodedSamples, int outputRate, int inputRate);

    bool OpenOutputFile(const QString& fileName, qint64 avgBytesPerSec) override;
    bool StartEncoder(int samplesPerSec, int bitsPerSample) override;
    void WriteCapturedData(const QByteArray& data) override;
    QString FinishOutput() override;
    void DiscardRecordingFile() override;

    qint64 BytesWritten() const override { return m_mp3Bytes; }
    qint64 SecondsRecorded() const override;
    qint64 DroppedBytes() const override { return m_droppedBytes; }
    void CountLostCapture(qint64 bytes) override;
    bool ReadyForData() const override { return !m_waitingForReady; }

    /// Input waiting for the encoder above which the capture side is asked to hold back,
    /// and below which it may go on again. Far under the backlog cap, so nothing is dropped
    /// while the capture side can wait.
    void setReadyWatermarks(qint64 high, qint64 low)
    {
        m_readyHighWater = high;
        m_readyLowWater = low;
    }
    static constexpr qint64 DefaultReadyHighWater = 4 * 1024 * 1024;
    static constexpr qint64 DefaultReadyLowWater = 1024 * 1024;

    /// PCM bytes handed to the encoder, starting at 45.
    qint64 PcmBytes() const { return m_pcmBytes; }
    /// PCM bytes kept for the encoder now.
    qint64 KeptBytes() const { return m_backlog.size(); }
    /// Encoders started for this recording, the first one included.
    int EncoderStarts() const { return m_encoderStarts; }

private:
    QProcess* launchEncoder();
    bool startFreshEncoder();
    void retireEncoder();
    void feedEncoder();
    qint64 unfedBytes() const;
    qint64 heldOffset(int overlapSamples) const;
    qint64 countUnsaved();
    bool waitForEncoder();
    void drainEncoder();
    void appendWholeFrames(const char* data, qint64 size);
    void appendToFile(const char* data, qint64 size);
    void noteFrames(const char* data, qint64 size);
    void onEncoderFailed(const QString& reason);
    void replaceOrEnd(const QString& reason);
    void endRecording(const QString& reason);
    void onBytesWritten();

    QString m_encoderPath;
    qint64 m_backlogLimit = DefaultBacklogLimit;
    int m_stallTimeoutMs = DefaultStallTimeoutMs;
    int m_failureWindowMs = DefaultFailureWindowMs;

    QFile m_file;
    QString m_fileName;
    QProcess* m_process = nullptr;
    QByteArray m_readBuffer;
    // Encoder output read but not yet appended: the beginning of a frame still being written.
    QByteArray m_partialFrame;
    // Why the encoder's last output could not be written during FinishOutput.
    QString m_finishFailure;

    // The PCM kept, and how far the current encoder got: where its input began, how much of
    // the kept PCM it was handed, and what its frames in the file decode to.
    PcmBacklog m_backlog;
    qint64 m_fed = 0;
    qint64 m_encoderStart = 0;
    qint64 m_encoderSamples = 0;
    int m_encoderRate = 0;
    int m_samplesPerSec = 0;
    int m_bitsPerSample = 0;
    int m_blockAlign = 0;
    int m_encoderStarts = 0;
    bool m_writeChannelClosed = false;
    QElapsedTimer m_sinceFailure;
    QElapsedTimer m_sinceProgress;

    qint64 m_avgBytesPerSec = 0;
    qint64 m_pcmBytes = 0;
    qint64 m_mp3Bytes = 0;
    qint64 m_droppedBytes = 0;
    qint64 m_readyHighWater = DefaultReadyHighWater;
    qint64 m_readyLowWater = DefaultReadyLowWater;
    bool m_waitingForReady = false;

    // Counts recordings, so a queued notice about an earlier one is not delivered.
    quint64 m_recordingSerial = 0;
    // Counts encoder processes, so a queued failure of one already replaced is ignored.
    quint64 m_encoderSerial = 0;
    bool m_fileFailed = false;
    bool m_ended = false;
    bool m_finishing = false;
    // A recording is open: from OpenOutputFile until FinishOutput or DiscardRecordingFile.
    bool m_active = false;
};
