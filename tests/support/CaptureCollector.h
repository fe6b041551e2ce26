#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "recorder/CaptureBackend.h"

/// Collects a backend's notifications from its reader thread; the test thread re-queues the
/// buffers. Declare it before the backend (as the buffers), so it outlives the reader.
class CaptureCollector
{
public:
    void attach(CaptureBackend& backend)
    {
        backend.setNotificationHandler([this](const CaptureNotification& notification) {
            std::unique_lock lock(m_mutex);
            m_pending.push_back(notification);
            m_arrived.notify_all();
            const std::chrono::milliseconds stall = std::exchange(m_stall, std::chrono::milliseconds(0));
            lock.unlock();
            // Holds up the reader thread, as a machine under load might.
            std::this_thread::sleep_for(stall);
        });
    }

    /// The reader is held up once for this long, at the next notification.
    void stallOnce(std::chrono::milliseconds duration)
    {
        std::lock_guard lock(m_mutex);
        m_stall = duration;
    }

    std::optional<CaptureNotification> next()
    {
        std::unique_lock lock(m_mutex);
        // Generous: only a hang should fail here.
        if (!m_arrived.wait_for(lock, std::chrono::seconds(20), [this] { return !m_pending.empty(); })) {
            return std::nullopt;
        }
        CaptureNotification notification = m_pending.front();
        m_pending.pop_front();
        return notification;
    }

    std::vector<CaptureNotification> takeAll()
    {
        std::lock_guard lock(m_mutex);
        std::vector<CaptureNotification> all(m_pending.begin(), m_pending.end());
        m_pending.clear();
        return all;
    }

    /// 16-bit stereo at 44100 Hz, the format of both streams.
    static WaveFormat stereo16()
    {
        WaveFormat format;
        format.channels = 2;
        format.bitsPerSample = 16;
        format.samplesPerSec = 44100;
        format.blockAlign = 4;
        format.avgBytesPerSec = 176400;
        return format;
    }

    /// count buffers of size bytes with user values firstUser, firstUser + 1, ...
    static std::vector<WaveHeader> buffers(int count, int size, std::intptr_t firstUser)
    {
        std::vector<WaveHeader> result(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            result[i].data.assign(static_cast<std::size_t>(size), 0);
            result[i].bufferLength = static_cast<std::uint32_t>(size);
            result[i].user = firstUser + i;
        }
        return result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<CaptureNotification> m_pending;
    std::chrono::milliseconds m_stall{0};
};
