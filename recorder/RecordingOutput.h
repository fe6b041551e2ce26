#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

/**
 * @brief The output side of a recording: the output file and the encoder process.
 *
 * The capture module drives it in this order for one recording:
 * OpenOutputFile, StartEncoder, WriteCapturedData for every finished buffer,
 * then FinishOutput (and DiscardRecordingFile where the file must not stay).
 * The counters keep their values after FinishOutput so the window can go on showing them.
 */
class RecordingOutput
{
public:
    virtual ~RecordingOutput() = default;

    /// Deletes an existing file of that name and opens a new, empty one.
    /// Sets PcmBytes to 45 and Mp3Bytes to 0. Returns false when the file cannot be opened.
    virtual bool OpenOutputFile(const QString& fileName, qint64 avgBytesPerSec) = 0;

    /// Starts the encoder for the open file. Returns false when it is missing, cannot be
    /// started or ends at once; the caller then closes the recording and discards the file.
    virtual bool StartEncoder(int samplesPerSec, int bitsPerSample) = 0;

    /// Hands one finished buffer of PCM to the encoder and appends encoder output to the file.
    /// Never blocks the user interface.
    virtual void WriteCapturedData(const QByteArray& data) = 0;

    /// Ends the output: the encoder gets the end of its input, everything it still produces
    /// is appended, then the file is closed. The thread's events may run while it waits (a
    /// stuck encoder is replaced meanwhile); the caller must not let them start or end a
    /// recording. Returns why not all of the recording reached the file (the disk is full,
    /// no encoder could finish it), or "".
    virtual QString FinishOutput() = 0;

    /// Closes the output file and deletes it.
    virtual void DiscardRecordingFile() = 0;

    /// The constant bitrate in kbit/s for the next encoder start (-1 is passed on unchanged).
    void setCbrBitrate(int kbps) { m_cbrBitrate = kbps; }
    int CbrBitrate() const { return m_cbrBitrate; }

    /// MP3 bytes appended to the file so far.
    virtual qint64 BytesWritten() const = 0;
    /// PCM bytes handed on (starting at 45) divided by the average bytes per second, truncated.
    virtual qint64 SecondsRecorded() const = 0;
    /// PCM bytes that had to be dropped because the encoder fell behind, plus those the
    /// capture side reported lost through CountLostCapture.
    virtual qint64 DroppedBytes() const = 0;
    /// Counts PCM the device could not deliver (no buffer was free), so it is shown, not lost silently.
    virtual void CountLostCapture(qint64 bytes) = 0;

    /// False while the encoder has so much input waiting that the capture side should hold
    /// its buffers back; the ready handler is called once it can take more again.
    virtual bool ReadyForData() const { return true; }
    void setReadyHandler(std::function<void()> handler) { m_readyHandler = std::move(handler); }

    /// Called (on the UI thread, from the event loop) when the output ends by itself while a
    /// recording runs: the encoder died or the file could not be written. The text says why.
    void setEndedHandler(std::function<void(const QString& reason)> handler) { m_endedHandler = std::move(handler); }

protected:
    void notifyEnded(const QString& reason)
    {
        if (m_endedHandler) {
            m_endedHandler(reason);
        }
    }
    void notifyReady()
    {
        if (m_readyHandler) {
            m_readyHandler();
        }
    }

private:
    std::function<void(const QString&)> m_endedHandler;
    std::function<void()> m_readyHandler;
    int m_cbrBitrate = 128;
};
