#pragma once

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QString>

#include "recorder/CaptureBackend.h"

/**
 * @brief An in-process capture device that the test drives.
 *
 * Behaves like one shared input device: produce(frames) hands the same stretch of the signal
 * to every started stream, filling its queued buffers in order; each full buffer comes back
 * through the notification handler at once (as a device would post it), and the part of a
 * stretch that finds no queued space is lost (lostFrames()). stop() and reset() return
 * buffers as the interface describes. Everything runs on the caller's thread.
 */
class SignalSourceBackend : public CaptureBackend
{
public:
    /// Returns `frames` frames in `format`, the first being frame `firstFrame` of the signal.
    using Generator = std::function<QByteArray(const WaveFormat& format, qint64 firstFrame, int frames)>;

    SignalSourceBackend();

    int open(const WaveFormat& format, CaptureStreamId& stream) override;
    int addBuffer(CaptureStreamId stream, WaveHeader* header) override;
    int start(CaptureStreamId stream) override;
    int stop(CaptureStreamId stream) override;
    int reset(CaptureStreamId stream) override;
    int close(CaptureStreamId stream) override;
    QString errorText(int code) const override;

    /// The signal (default: silence).
    void setGenerator(Generator generator);
    /// Byte n of the signal (counted from its start) is n mod 251: shows order and gaps.
    static Generator byteCounter();
    /// Every frame is `frame` (one 16-bit sample per channel).
    static Generator constantFrame(const QList<qint16>& frame);

    /// Delivers the next `frames` frames of the signal to every started stream.
    void produce(int frames);

    /// Every following open fails with `code` (non-zero) and errorText(code) gives `text`;
    /// code 0 lets opens succeed again.
    void setOpenFailure(int code, const QString& text);
    /// Ends every open stream as an unplugged device would, reported once with code and text.
    void failRunning(int code, const QString& text);

    QList<CaptureStreamId> openStreams() const;
    CaptureStreamId lastOpened() const { return m_lastOpened; }
    int openCalls() const { return m_openCalls; }
    bool isStarted(CaptureStreamId stream) const;
    int queuedCount(CaptureStreamId stream) const;
    WaveFormat formatOf(CaptureStreamId stream) const;
    qint64 lostFrames() const { return m_lostFrames; }
    /// Frames produced so far (the position in the signal).
    qint64 position() const { return m_position; }

private:
    struct Stream
    {
        WaveFormat format;
        bool started = false;
        int failureCode = 0;
        std::deque<WaveHeader*> queue;
        std::uint64_t lostBytes = 0;
    };

    void finishFront(CaptureStreamId id, Stream& stream);
    Stream* find(CaptureStreamId id);
    const Stream* find(CaptureStreamId id) const;

    Generator m_generator;
    std::map<CaptureStreamId, Stream> m_streams;
    std::map<int, QString> m_errorTexts;
    CaptureStreamId m_nextId = 1;
    CaptureStreamId m_lastOpened = 0;
    int m_openFailure = 0;
    int m_openCalls = 0;
    qint64 m_position = 0;
    qint64 m_lostFrames = 0;
};
