#include "platform/AlsaCaptureBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <pthread.h>

namespace {

// A running device delivers every period; one that stays silent this long is asked for its state.
constexpr int kSilentDeviceMs = 1000;
// A started stream of a sound server can be ready before it delivers: the reader then naps
// this long instead of spinning on a poll that returns at once.
constexpr int kNotDeliveringMs = 10;
// How long open() waits for the device, so that a device that is missing is told at once.
constexpr auto kOpenWait = std::chrono::milliseconds(200);
// How long close() waits for the reader to let go of the device.
constexpr auto kReaderExitWait = std::chrono::milliseconds(250);

std::uint64_t framesIn(std::chrono::steady_clock::duration elapsed, std::uint32_t rate)
{
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    return us > 0 ? static_cast<std::uint64_t>(us) * rate / 1000000 : 0;
}

} // namespace

AlsaCaptureBackend::AlsaCaptureBackend(QString pcmName)
    : m_pcmName(std::move(pcmName)), m_pace(qEnvironmentVariable("QUERNBELL_PACE_CAPTURE") == QLatin1String("1"))
{
}

AlsaCaptureBackend::~AlsaCaptureBackend()
{
    std::vector<CaptureStreamId> ids;
    {
        std::lock_guard lock(m_shared->mutex);
        for (const auto& [id, stream] : m_streams) {
            ids.push_back(id);
        }
    }
    for (CaptureStreamId id : ids) {
        close(id);
    }
}

int AlsaCaptureBackend::open(const WaveFormat& format, CaptureStreamId& stream)
{
    stream = 0;
    if (format.formatTag != 1 || format.channels == 0 || format.samplesPerSec == 0 ||
        !AlsaPcm::supports(format.bitsPerSample) || format.blockAlign != format.channels * format.bitsPerSample / 8) {
        return MMSYSERR_INVALPARAM;
    }

    Lock lock(m_shared->mutex);
    Device* device = nullptr;
    for (const auto& candidate : m_devices) {
        const WaveFormat& f = candidate->format;
        if (!candidate->failed && f.channels == format.channels && f.samplesPerSec == format.samplesPerSec &&
            f.bitsPerSample == format.bitsPerSample) {
            device = candidate.get();
            break;
        }
    }
    std::shared_ptr<Device> opening;
    if (!device) {
        opening = std::make_shared<Device>();
        if (opening->pcm.wakeError() != 0) {
            return opening->pcm.wakeError();
        }
        opening->pcmName = m_pcmName.toLocal8Bit().toStdString();
        opening->format = format;
        opening->periodUs = Device::PeriodUs;
        opening->pace = m_pace;
        m_devices.push_back(opening);
        device = opening.get();
    }

    auto owned = std::make_unique<Stream>();
    Stream* created = owned.get();
    owned->id = m_nextId++;
    owned->device = device;
    device->streams.push_back(created);
    m_streams.emplace(owned->id, std::move(owned));
    if (opening) {
        // The reader opens the device, so a sound server that does not answer holds up no caller.
        opening->reader = std::thread([this, shared = m_shared, opening] { readerLoop(shared, opening); });
        // Named, so that a profile or top tells the capture's own time apart.
        pthread_setname_np(opening->reader.native_handle(), "qb-capture");
        m_shared->changed.wait_for(lock, kOpenWait, [&] { return opening->opened || opening->failed; });
        opening->openAnswered = true;
        if (opening->failed) {
            const int code = opening->failureCode;
            detach(created);
            lock.unlock();
            retire(opening);
            return code;
        }
    }
    stream = created->id;
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::addBuffer(CaptureStreamId id, WaveHeader* header)
{
    std::lock_guard lock(m_shared->mutex);
    Stream* stream = findStream(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!header || header->bufferLength == 0 || header->data.size() < header->bufferLength) {
        return MMSYSERR_INVALPARAM;
    }
    if (header->flags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
    header->bytesRecorded = 0;
    stream->queue.push_back(header);
    stream->lastUser = header->user;
    // Only a reader that waits for room needs to hear of it.
    if (stream->device->waitingForBuffer) {
        stream->device->pcm.wake();
    }
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::start(CaptureStreamId id)
{
    std::lock_guard lock(m_shared->mutex);
    Stream* stream = findStream(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (stream->device->failed) {
        return stream->device->failureCode;
    }
    stream->started = true;
    stream->fed = false;
    // A read under way holds sound from before the start.
    stream->startedAfterRead = stream->device->reads;
    stream->device->pcm.wake();
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::setPatience(CaptureStreamId id, int milliseconds)
{
    std::lock_guard lock(m_shared->mutex);
    Stream* stream = findStream(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    stream->patienceMs = std::max(milliseconds, 0);
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::stop(CaptureStreamId id)
{
    std::lock_guard lock(m_shared->mutex);
    Stream* stream = findStream(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (stream->started && !stream->queue.empty()) {
        finishBuffer(*stream);
    }
    stream->started = false;
    stream->device->pcm.wake();
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::reset(CaptureStreamId id)
{
    std::lock_guard lock(m_shared->mutex);
    Stream* stream = findStream(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    stream->started = false;
    while (!stream->queue.empty()) {
        finishBuffer(*stream);
    }
    stream->device->pcm.wake();
    return MMSYSERR_NOERROR;
}

int AlsaCaptureBackend::close(CaptureStreamId id)
{
    std::shared_ptr<Device> retired;
    {
        std::lock_guard lock(m_shared->mutex);
        Stream* stream = findStream(id);
        if (!stream) {
            return MMSYSERR_INVALHANDLE;
        }
        for (WaveHeader* header : stream->queue) {
            header->flags &= ~WHDR_INQUEUE;
        }
        retired = detach(stream);
    }
    if (retired) {
        retire(retired);
    }
    return MMSYSERR_NOERROR;
}

std::shared_ptr<AlsaCaptureBackend::Device> AlsaCaptureBackend::detach(Stream* stream)
{
    Device* device = stream->device;
    std::erase(device->streams, stream);
    m_streams.erase(stream->id);
    device->pcm.wake();
    if (!device->streams.empty()) {
        return nullptr;
    }
    device->quit = true;
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [device](const auto& candidate) { return candidate.get() == device; });
    std::shared_ptr<Device> retired = std::move(*it);
    m_devices.erase(it);
    return retired;
}

void AlsaCaptureBackend::retire(const std::shared_ptr<Device>& device)
{
    Lock lock(m_shared->mutex);
    const bool exited = m_shared->changed.wait_for(lock, kReaderExitWait, [&] { return device->exited; });
    lock.unlock();
    if (exited) {
        device->reader.join();
    } else {
        // The reader is stuck in the device (a frozen sound server). Waiting for it would freeze
        // the caller, the program's exit included; it owns the device and the lock it shares,
        // touches nothing else once it sees it is done, and closes the device when it gets free.
        device->reader.detach();
    }
}

QString AlsaCaptureBackend::errorText(int code) const
{
    if (code < 0) {
        return AlsaPcm::errorText(code);
    }
    return commonErrorText(code);
}

std::uint64_t AlsaCaptureBackend::lostFrames() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_lostFrames;
}

int AlsaCaptureBackend::openDeviceCount() const
{
    std::lock_guard lock(m_shared->mutex);
    return static_cast<int>(m_devices.size());
}

unsigned int AlsaCaptureBackend::periodUs(CaptureStreamId id) const
{
    std::lock_guard lock(m_shared->mutex);
    const Stream* stream = findStream(id);
    return stream ? stream->device->periodUs : 0;
}

void AlsaCaptureBackend::readerLoop(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Device>& owned)
{
    // The backend may be gone once device.quit is set: from then on only the device and the
    // shared lock are touched.
    Device& device = *owned;
    int err = device.pcm.open(device.pcmName);
    std::uint32_t periodFrames = 0;
    std::uint32_t bufferFrames = 0;
    if (err >= 0) {
        err = device.pcm.configure(device.format, Device::PeriodUs, periodFrames, bufferFrames);
    }
    Lock lock(shared->mutex);
    if (err < 0) {
        failDevice(device, err);
    } else {
        device.periodFrames = periodFrames;
        device.bufferFrames = bufferFrames;
        // The file plugin reads as fast as it is asked: it has no clock of its own.
        device.clockless = device.pcm.isFile();
        device.opened = true;
    }
    shared->changed.notify_all();
    if (!device.failed && !device.quit) {
        runDevice(device, lock);
    }
    lock.unlock();
    device.pcm.close();
    lock.lock();
    device.exited = true;
    shared->changed.notify_all();
}

void AlsaCaptureBackend::runDevice(Device& device, Lock& lock)
{
    // Only this thread calls into the PCM, always without the lock.
    AlsaPcm& pcm = device.pcm;
    const std::size_t frameBytes = device.format.blockAlign;
    std::vector<char> chunk;
    const bool waitsForConsumer = device.clockless && !device.pace;
    const bool paced = device.clockless && device.pace;

    while (!device.quit && !device.failed) {
        if (!device.anyStarted()) {
            const bool drop = device.running;
            device.running = false;
            lock.unlock();
            if (drop) {
                pcm.drop();
            } else {
                pcm.wait(false, -1);
            }
            lock.lock();
            continue;
        }
        // Without a clock of its own, the device would run far ahead of the consumer; it
        // loses nothing by waiting for it.
        if (waitsForConsumer && !device.everyStartedHasBuffer()) {
            device.waitingForBuffer = true;
            lock.unlock();
            pcm.wait(false, -1);
            lock.lock();
            device.waitingForBuffer = false;
            continue;
        }
        // Longer periods while a stream that can wait runs, shorter ones again once none does.
        // The device restarts for it, so only before such a stream has had any sound: a
        // recording is never interrupted, a meter misses a few milliseconds.
        const unsigned int wanted = device.wantedPeriodUs();
        if (!device.clockless && wanted != device.periodUs && (!device.running || !device.anyPatientFed())) {
            reconfigure(device, wanted, lock);
            continue;
        }
        if (!device.running) {
            startDevice(device, lock);
            continue;
        }
        std::uint32_t frames = device.bufferFrames;
        int timeoutMs = kSilentDeviceMs;
        if (waitsForConsumer) {
            frames = device.framesToRead();
        } else if (paced) {
            // Deliver no faster than a sound card would.
            frames = device.periodFrames;
            const auto due = device.pacedStart +
                             std::chrono::microseconds(device.pacedFrames * 1000000 / device.format.samplesPerSec);
            const auto now = std::chrono::steady_clock::now();
            if (now < due) {
                timeoutMs =
                    static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1);
                lock.unlock();
                pcm.wait(false, timeoutMs);
                lock.lock();
                continue;
            }
        }

        const std::uint64_t read = ++device.reads;
        chunk.resize(std::max<std::size_t>(chunk.size(), static_cast<std::size_t>(frames) * frameBytes));
        lock.unlock();
        // Silence where the device delivers nothing (the file plugin past its input's end).
        std::memset(chunk.data(), device.format.bitsPerSample == 8 ? 0x80 : 0, frames * frameBytes);
        const AlsaPcm::Wait waited = pcm.wait(true, timeoutMs);
        long result = -EAGAIN;
        if (waited == AlsaPcm::Wait::Data || waited == AlsaPcm::Wait::TimedOut) {
            result = pcm.read(chunk.data(), frames);
        }
        const auto readAt = std::chrono::steady_clock::now();
        int recovered = 0;
        if (result < 0 && result != -EAGAIN) {
            recovered = pcm.recover(static_cast<int>(result));
        } else if (result > 0) {
            device.delivering = true;
        } else if (!device.delivering &&
                   (waited == AlsaPcm::Wait::NotReady || (waited == AlsaPcm::Wait::Data && result == -EAGAIN))) {
            // Woken with nothing to read: a stream that has started but delivers nothing yet
            // keeps its descriptor ready. Once it delivers, its descriptor wakes only with news.
            pcm.wait(false, kNotDeliveringMs);
        }
        lock.lock();

        if (device.quit) {
            break;
        }
        if (result < 0 && result != -EAGAIN) {
            if ((result == -EPIPE || result == -ESTRPIPE) && !device.gap) {
                // The device stopped with its buffer full; restarting discards what it held.
                device.gap = true;
                device.gapSince = device.lastRead;
            }
            if (recovered < 0) {
                // The recovery's own error says more (a server gone: I/O error, not broken pipe).
                failDevice(device, recovered);
                break;
            }
            // Recovered into the prepared state: start again on the next round.
            device.running = false;
            continue;
        }
        if (result <= 0 || !device.anyStarted()) {
            continue;
        }
        device.lastRead = readAt;
        distribute(device, chunk.data(), static_cast<std::uint32_t>(result), read);
        device.pacedFrames += static_cast<std::uint64_t>(result);
    }
}

void AlsaCaptureBackend::reconfigure(Device& device, unsigned int periodUs, Lock& lock)
{
    device.running = false;
    const unsigned int before = device.periodUs;
    lock.unlock();
    // Only a meter can be running here: it misses a few milliseconds.
    device.pcm.drop();
    std::uint32_t periodFrames = 0;
    std::uint32_t bufferFrames = 0;
    int err = device.pcm.configure(device.format, periodUs, periodFrames, bufferFrames);
    if (err < 0) {
        // Back to what worked before.
        periodUs = before;
        err = device.pcm.configure(device.format, periodUs, periodFrames, bufferFrames);
    }
    lock.lock();
    if (device.quit) {
        return;
    }
    if (err < 0) {
        failDevice(device, err);
        return;
    }
    device.periodUs = periodUs;
    device.periodFrames = periodFrames;
    device.bufferFrames = bufferFrames;
}

void AlsaCaptureBackend::startDevice(Device& device, Lock& lock)
{
    lock.unlock();
    const int err = device.pcm.start();
    const auto startedAt = std::chrono::steady_clock::now();
    lock.lock();
    if (device.quit) {
        return;
    }
    if (err < 0) {
        failDevice(device, err);
        return;
    }
    if (device.gap) {
        // Everything from the last read before the overrun up to this restart is gone.
        device.gap = false;
        loseForFed(device, framesIn(startedAt - device.gapSince, device.format.samplesPerSec));
    }
    device.running = true;
    device.delivering = false;
    device.lastRead = startedAt;
    device.pacedStart = startedAt;
    device.pacedFrames = 0;
}

void AlsaCaptureBackend::loseForFed(Device& device, std::uint64_t frames)
{
    // A stream started since had nothing to lose yet.
    for (Stream* stream : device.streams) {
        if (stream->started && stream->fed) {
            m_lostFrames += frames;
            stream->lostBytes += frames * device.format.blockAlign;
            reportGap(*stream);
        }
    }
}
void AlsaCaptureBackend::reportGap(Stream& stream)
{
    // With a buffer queued, the loss goes out with it; without one the owner hears of it now,
    // so it is shown while it happens, not once the stream gets buffers again.
    if (stream.lostBytes == 0 || !stream.queue.empty()) {
        return;
    }
    CaptureNotification notification;
    notification.stream = stream.id;
    notification.user = stream.lastUser;
    notification.lostBytesBefore = stream.lostBytes;
    stream.lostBytes = 0;
    notify(notification);
}

void AlsaCaptureBackend::distribute(Device& device, const char* chunk, std::uint32_t frames, std::uint64_t read)
{
    const std::size_t bytes = static_cast<std::size_t>(frames) * device.format.blockAlign;
    for (Stream* stream : device.streams) {
        // A stream started while this was read gets the next read: this one holds sound from before.
        if (!stream->started || stream->startedAfterRead >= read) {
            continue;
        }
        stream->fed = true;
        std::size_t offset = 0;
        while (offset < bytes && !stream->queue.empty()) {
            WaveHeader* header = stream->queue.front();
            const std::size_t take =
                std::min<std::size_t>(bytes - offset, header->bufferLength - header->bytesRecorded);
            std::memcpy(header->data.data() + header->bytesRecorded, chunk + offset, take);
            header->bytesRecorded += static_cast<std::uint32_t>(take);
            offset += take;
            if (header->bytesRecorded >= header->bufferLength) {
                finishBuffer(*stream);
            }
        }
        if (offset < bytes) {
            // No room queued: this stream misses the rest; the others are not held back.
            m_lostFrames += (bytes - offset) / device.format.blockAlign;
            stream->lostBytes += bytes - offset;
            reportGap(*stream);
        }
    }
}

void AlsaCaptureBackend::finishBuffer(Stream& stream)
{
    WaveHeader* header = stream.queue.front();
    stream.queue.pop_front();
    header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    CaptureNotification notification;
    notification.stream = stream.id;
    notification.user = header->user;
    notification.flags = header->flags;
    notification.bytesRecorded = header->bytesRecorded;
    notification.data = QByteArray(header->data.data(), static_cast<qsizetype>(header->bytesRecorded));
    notification.lostBytesBefore = stream.lostBytes;
    stream.lostBytes = 0;
    notify(notification);
}

void AlsaCaptureBackend::failDevice(Device& device, int code)
{
    device.failed = true;
    device.failureCode = code;
    device.running = false;
    std::vector<CaptureStreamId> ended;
    for (Stream* stream : device.streams) {
        stream->started = false;
        ended.push_back(stream->id);
    }
    // open() gives a failure it still waits for as its own result.
    if (device.openAnswered && !device.quit) {
        notifyFailure(ended, code, errorText(code));
    }
}

AlsaCaptureBackend::Stream* AlsaCaptureBackend::findStream(CaptureStreamId id) const
{
    auto it = m_streams.find(id);
    return it == m_streams.end() ? nullptr : it->second.get();
}
