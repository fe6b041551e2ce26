#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include <QString>

#include "recorder/WaveTypes.h"

/**
 * @brief Source of captured sound, modelled on the wave-input calls.
 *
 * A stream is opened on a format, buffers are queued on it, and it is started. Each buffer
 * the device fills comes back exactly once as a CaptureNotification (flags WHDR_DONE) and is
 * no longer queued; the owner queues it again to go on. stop() returns the buffer being
 * filled with what it holds, reset() returns every queued buffer; both stop the stream.
 *
 * Audio a started stream misses because it has no room queued is reported in lostBytesBefore
 * of its next notification; a backend may send that as a notification of its own, without
 * WHDR_DONE and without data, carrying the user value of the stream's last buffer.
 *
 * None of the calls waits on the device: a backend may open it after open() has returned and
 * then report a device that cannot be opened through the failure handler, as one that fails
 * while running.
 *
 * Notifications and failures may be reported from ANY thread, also from inside the calls
 * above; handlers must be quick and must not call back into the backend (post an event).
 * After close() returns, nothing more is reported for that stream, and the backend keeps no
 * pointer to its headers. Every call returns MMSYSERR_NOERROR (0) or an error code.
 */
class CaptureBackend
{
public:
    using NotificationHandler = std::function<void(const CaptureNotification&)>;
    /// A device that failed while running: the streams it ended, the code and its text.
    using FailureHandler =
        std::function<void(const std::vector<CaptureStreamId>& streams, int code, const QString& text)>;

    virtual ~CaptureBackend() = default;

    /// Opens a stream on format; on success stream receives its id (never 0, never reused).
    virtual int open(const WaveFormat& format, CaptureStreamId& stream) = 0;
    /// Queues header (its data must hold bufferLength bytes). WAVERR_STILLPLAYING while queued.
    virtual int addBuffer(CaptureStreamId stream, WaveHeader* header) = 0;
    virtual int start(CaptureStreamId stream) = 0;
    /// Stops capture; the buffer being filled comes back as done with what it holds.
    virtual int stop(CaptureStreamId stream) = 0;
    /// Stops capture and returns every queued buffer as done.
    virtual int reset(CaptureStreamId stream) = 0;
    /// Closes the stream; buffers still queued are dropped without a notification.
    virtual int close(CaptureStreamId stream) = 0;
    /// Text of a result code of this backend.
    virtual QString errorText(int code) const = 0;
    /// How long the stream's owner is content to wait for its buffers: a backend may then
    /// wake less often and hand back several at once. 0 (the default): each as soon as full.
    virtual int setPatience(CaptureStreamId stream, int milliseconds)
    {
        (void)stream;
        (void)milliseconds;
        return MMSYSERR_NOERROR;
    }

    /// Replaces the handler; waits for a handler call in progress, so after
    /// setNotificationHandler({}) no old handler runs any more.
    void setNotificationHandler(NotificationHandler handler)
    {
        std::lock_guard lock(m_handlerMutex);
        m_notificationHandler = std::move(handler);
    }
    void setFailureHandler(FailureHandler handler)
    {
        std::lock_guard lock(m_handlerMutex);
        m_failureHandler = std::move(handler);
    }

protected:
    void notify(const CaptureNotification& notification)
    {
        std::lock_guard lock(m_handlerMutex);
        if (m_notificationHandler) {
            m_notificationHandler(notification);
        }
    }
    void notifyFailure(const std::vector<CaptureStreamId>& streams, int code, const QString& text)
    {
        std::lock_guard lock(m_handlerMutex);
        if (m_failureHandler) {
            m_failureHandler(streams, code, text);
        }
    }

    /// Texts of the codes every backend shares.
    static QString commonErrorText(int code)
    {
        switch (code) {
        case MMSYSERR_NOERROR:
            return QStringLiteral("No error.");
        case MMSYSERR_INVALHANDLE:
            return QStringLiteral("The stream handle is invalid.");
        case MMSYSERR_INVALPARAM:
            return QStringLiteral("An invalid parameter was passed.");
        case WAVERR_STILLPLAYING:
            return QStringLiteral("The buffer is still queued.");
        default:
            return QStringLiteral("Unknown error %1.").arg(code);
        }
    }

private:
    std::mutex m_handlerMutex;
    NotificationHandler m_notificationHandler;
    FailureHandler m_failureHandler;
};
