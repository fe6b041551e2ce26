#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "recorder/RecordingOutput.h"

/**
 * @brief Output of a recording through the MP3 encoder run as a child process.
 *
 * PCM goes to the encoder's standard input through QProcess's asynchronous write buffer;
 * the encoder's standard output is appended to the output file as it arrives, in whole MP3
 * frames, so the file ends after a complete frame whenever the program stops. A write that
 * fails (disk full) is cut back to the last whole frame and ends the recording. Everything
 * runs on the thread that owns the object (the UI thread); nothing here blocks it except
 * the bounded wait of FinishOutput.
 */
class EncoderOutput : public QObject, public RecordingOutput
{
    Q_OBJECT

public:
    /// Default cap of the PCM waiting for the encoder: about three minutes at 176400 bytes/s.
    static constexpr qint64 DefaultBacklogLimit = 32 * 1024 * 1024;
    /// Default base of FinishOutput's wait for the encoder to exit, in milliseconds.
    static constexpr int DefaultFinishTimeoutMs = 10000;
    /// Capacity asked for the encoder's pipes (the system's default is 64 KiB).
    static constexpr int PipeSize = 1024 * 1024;

    explicit EncoderOutput(QObject* parent = nullptr);
    ~EncoderOutput() override;

    /// The encoder executable; start-up sets the installed encoder's path.
    void setEncoderPath(const QString& path) { m_encoderPath = path; }
    QString encoderPath() const { return m_encoderPath; }

    /// Largest number of PCM bytes that may wait for the encoder; a buffer that would
    /// exceed it is dropped whole and counted in DroppedBytes.
    void setBacklogLimit(qint64 bytes) { m_backlogLimit = bytes; }
    qint64 backlogLimit() const { return m_backlogLimit; }

    /// Base of FinishOutput's wait for the encoder to exit; the time for the remaining
    /// backlog at the recording's byte rate is added to it.
    void setFinishTimeout(int ms) { m_finishTimeoutMs = ms; }
    int finishTimeout() const { return m_finishTimeoutMs; }

    /// The encoder's arguments: "-s <kHz> -r --little-endian --bitwidth <bits> -b <kbps> - -".
    /// The rate is written in its shortest decimal form with "." whatever the locale.
    static QStringList EncoderArguments(int samplesPerSec, int bitsPerSample, int cbrBitrate);
    /// The encoder path and its arguments separated by blanks, for display.
    static QString CommandLine(const QString& encoderPath, int samplesPerSec, int bitsPerSample, int cbrBitrate);

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

private:
    void drainEncoder();
    void appendWholeFrames(const char* data, qint64 size);
    void appendToFile(const char* data, qint64 size);
    void onEncoderFinished();
    void onEncoderError(QProcess::ProcessError error);
    void endRecording(const QString& reason);
    void releaseEncoder();
    void onBytesWritten();

    QString m_encoderPath;
    qint64 m_backlogLimit = DefaultBacklogLimit;
    int m_finishTimeoutMs = DefaultFinishTimeoutMs;

    QFile m_file;
    QString m_fileName;
    QProcess* m_process = nullptr;
    QByteArray m_readBuffer;
    // Encoder output read but not yet appended: the beginning of a frame still being written.
    QByteArray m_partialFrame;
    // Why the encoder's last output could not be written during FinishOutput.
    QString m_finishFailure;

    qint64 m_avgBytesPerSec = 0;
    qint64 m_pcmBytes = 0;
    qint64 m_mp3Bytes = 0;
    qint64 m_droppedBytes = 0;
    qint64 m_readyHighWater = DefaultReadyHighWater;
    qint64 m_readyLowWater = DefaultReadyLowWater;
    bool m_waitingForReady = false;

    // Counts recordings, so a queued notice about an earlier one is not delivered.
    quint64 m_recordingSerial = 0;
    bool m_inputClosed = false;
    bool m_fileFailed = false;
    bool m_ended = false;
    bool m_finishing = false;
    // A recording is open: from OpenOutputFile until FinishOutput or DiscardRecordingFile.
    bool m_active = false;
};
