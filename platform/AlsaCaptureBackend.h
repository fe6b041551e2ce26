#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <QString>

#include "platform/AlsaCaptureDevice.h"
#include "recorder/CaptureBackend.h"

/**
 * @brief Capture from an ALSA PCM (interleaved) with one reader thread per open device.
 *
 * Every call that can wait on the device (open, configure, start, drop, recover, read, close)
 * runs on the device's reader thread and never under the lock the calls below take: these
 * only change state and wake the reader, so a frozen sound server cannot hold up their caller.
 * open() waits a moment for the device; one that is not open by then is reported through the
 * failure handler if it fails later. A reader stuck in the device is left behind at close.
 *
 * Streams of the same format share one open PCM, so the recording and the monitor run
 * together even on a device that can be opened only once. The reader sleeps in the device's
 * own wait (poll) and, while a stream is started, reads whatever the device has at the
 * device's pace; each chunk goes to every started stream's queued buffers. A stream that has
 * no room for it misses that part, and an overrun of the device loses what the device
 * captured since the last read: both are counted in lostFrames() and reported with the
 * stream's next buffer (or at once, without WHDR_DONE, when it has none queued), and neither
 * slows the other streams. While a stream that can wait (setPatience) runs, the device runs
 * with longer periods, which wakes the reader half as often, and the other streams get their
 * sound in those steps too. The device restarts for a change of periods only before such a
 * stream has had any sound or once none of them runs. A device without a clock of its own
 * (the file plugin) loses nothing by waiting, so there the reader waits until every
 * started stream has a buffer; with QUERNBELL_PACE_CAPTURE=1 in the environment such a
 * device is read at its nominal rate instead, like a sound card.
 * Error codes are ALSA's negative codes (text: snd_strerror) or those of CaptureBackend.
 */
class AlsaCaptureBackend : public CaptureBackend
{
public:
    explicit AlsaCaptureBackend(QString pcmName = QStringLiteral("default"));
    ~AlsaCaptureBackend() override;

    AlsaCaptureBackend(const AlsaCaptureBackend&) = delete;
    AlsaCaptureBackend& operator=(const AlsaCaptureBackend&) = delete;

    int open(const WaveFormat& format, CaptureStreamId& stream) override;
    int addBuffer(CaptureStreamId stream, WaveHeader* header) override;
    int start(CaptureStreamId stream) override;
    int stop(CaptureStreamId stream) override;
    int reset(CaptureStreamId stream) override;
    int close(CaptureStreamId stream) override;
    QString errorText(int code) const override;
    int setPatience(CaptureStreamId stream, int milliseconds) override;

    /// Frames that started streams missed because no buffer space was queued.
    std::uint64_t lostFrames() const;
    /// Open PCM handles (each with its reader thread).
    int openDeviceCount() const;
    /// Period of the device the stream runs on, in microseconds; 0 for no such stream.
    unsigned int periodUs(CaptureStreamId stream) const;

private:
    using Device = AlsaCaptureDevice;
    using Stream = AlsaCaptureDevice::Stream;
    // The lock and the devices outlive the backend while a reader stuck in the device holds them.
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable changed;
    };
    using Lock = std::unique_lock<std::mutex>;

    void readerLoop(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Device>& device);
    void runDevice(Device& device, Lock& lock);
    void startDevice(Device& device, Lock& lock);
    void reconfigure(Device& device, unsigned int periodUs, Lock& lock);
    void loseForFed(Device& device, std::uint64_t frames);
    void reportGap(Stream& stream);
    void distribute(Device& device, const char* chunk, std::uint32_t frames, std::uint64_t read);
    void finishBuffer(Stream& stream);
    void failDevice(Device& device, int code);
    std::shared_ptr<Device> detach(Stream* stream);
    void retire(const std::shared_ptr<Device>& device);
    Stream* findStream(CaptureStreamId id) const;

    QString m_pcmName;
    bool m_pace = false;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::vector<std::shared_ptr<Device>> m_devices;
    std::map<CaptureStreamId, std::unique_ptr<Stream>> m_streams;
    CaptureStreamId m_nextId = 1;
    std::uint64_t m_lostFrames = 0;
};
