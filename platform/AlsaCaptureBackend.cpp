#include "platform/AlsaCaptureBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <alsa/asoundlib.h>

namespace {

// About 0.5 s of device buffer so a busy moment does not overrun; periods of one
// recording buffer keep the reader's wake-ups as rare as the buffers themselves.
constexpr unsigned int kBufferTimeUs = 500000;
constexpr unsigned int kPeriodTimeUs = 50000;
// While a stream that can wait (a recording) runs: half the wake-ups, here and in a sound
// server's client thread.
constexpr unsigned int kPatientPeriodUs = 100000;
// A running device delivers every period; one that stays silent this long is asked for its state.
constexpr int kSilentDeviceMs = 1000;
// A started stream of a sound server can be ready before it delivers: the reader then naps
// this long instead of spinning on a poll that returns at once.
constexpr int kNotDeliveringMs = 10;
// How long open() waits for the device, so that a device that is missing is told at once.
constexpr auto kOpenWait = std::chrono::milliseconds(200);
// How long close() waits for the reader to let go of the device.
constexpr auto kReaderExitWait = std::chrono::milliseconds(250);

snd_pcm_format_t alsaFormat(int bitsPerSample)
{
    switch (bitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

int configure(snd_pcm_t* pcm, const WaveFormat& format, unsigned int periodTimeUs, std::uint32_t& periodFrames,
              std::uint32_t& bufferFrames)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(pcm, hw);
    if (err >= 0) {
        err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_format(pcm, hw, alsaFormat(format.bitsPerSample));
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_channels(pcm, hw, format.channels);
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_rate(pcm, hw, format.samplesPerSec, 0);
    }
    if (err < 0) {
        return err;
    }
    unsigned int bufferTime = kBufferTimeUs;
    unsigned int periodTime = periodTimeUs;
    int dir = 0;
    // Near values: a device that cannot do them exactly picks the closest it can.
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, &dir);
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, &dir);
    err = snd_pcm_hw_params(pcm, hw);
    if (err < 0) {
        return err;
    }
    snd_pcm_uframes_t period = 0;
    snd_pcm_hw_params_get_period_size(hw, &period, &dir);
    periodFrames = static_cast<std::uint32_t>(std::max<snd_pcm_uframes_t>(period, 1));
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);
    bufferFrames = static_cast<std::uint32_t>(std::max<snd_pcm_uframes_t>(buffer, periodFrames));
    return 0;
}

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

AlsaCaptureBackend::Device::~Device()
{
    // Last owner: nobody can wake the reader any more.
    if (wakeFd >= 0) {
        ::close(wakeFd);
    }
}

int AlsaCaptureBackend::open(const WaveFormat& format, CaptureStreamId& stream)
{
    stream = 0;
    if (format.formatTag != 1 || format.channels == 0 || format.samplesPerSec == 0 ||
        alsaFormat(format.bitsPerSample) == SND_PCM_FORMAT_UNKNOWN ||
        format.blockAlign != format.channels * format.bitsPerSample / 8) {
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
        opening->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (opening->wakeFd < 0) {
            return -errno;
        }
        opening->pcmName = m_pcmName.toLocal8Bit().toStdString();
        opening->format = format;
        opening->periodUs = kPeriodTimeUs;
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
        wake(*stream->device);
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
    wake(*stream->device);
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
    wake(*stream->device);
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
    wake(*stream->device);
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
    wake(*device);
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
        return QString::fromLocal8Bit(snd_strerror(code));
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
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device.pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    std::uint32_t periodFrames = 0;
    std::uint32_t bufferFrames = 0;
    if (err >= 0) {
        err = configure(pcm, device.format, kPeriodTimeUs, periodFrames, bufferFrames);
    }
    Lock lock(shared->mutex);
    device.pcm = pcm;
    if (err < 0) {
        failDevice(device, err);
    } else {
        device.periodFrames = periodFrames;
        device.bufferFrames = bufferFrames;
        // The file plugin reads as fast as it is asked: it has no clock of its own.
        device.clockless = snd_pcm_type(pcm) == SND_PCM_TYPE_FILE;
        device.opened = true;
    }
    shared->changed.notify_all();
    if (!device.failed && !device.quit) {
        runDevice(device, lock);
    }
    lock.unlock();
    if (pcm) {
        snd_pcm_close(pcm);
    }
    lock.lock();
    device.pcm = nullptr;
    device.exited = true;
    shared->changed.notify_all();
}

void AlsaCaptureBackend::runDevice(Device& device, Lock& lock)
{
    // Only this thread calls into the PCM, always without the lock.
    snd_pcm_t* const pcm = device.pcm;
    const std::size_t frameBytes = device.format.blockAlign;
    std::vector<char> chunk;
    const bool waitsForConsumer = device.clockless && !device.pace;
    const bool paced = device.clockless && device.pace;

    while (!device.quit && !device.failed) {
        if (!anyStarted(device)) {
            const bool drop = device.running;
            device.running = false;
            lock.unlock();
            if (drop) {
                snd_pcm_drop(pcm);
            } else {
                waitForDevice(device, false, -1);
            }
            lock.lock();
            continue;
        }
        // Without a clock of its own, the device would run far ahead of the consumer; it
        // loses nothing by waiting for it.
        if (waitsForConsumer && !everyStartedHasBuffer(device)) {
            device.waitingForBuffer = true;
            lock.unlock();
            waitForDevice(device, false, -1);
            lock.lock();
            device.waitingForBuffer = false;
            continue;
        }
        // Longer periods while a stream that can wait runs, shorter ones again once none does.
        // The device restarts for it, so only before such a stream has had any sound: a
        // recording is never interrupted, a meter misses a few milliseconds.
        const unsigned int wanted = wantedPeriodUs(device);
        if (!device.clockless && wanted != device.periodUs && (!device.running || !anyPatientFed(device))) {
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
            frames = framesToRead(device);
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
                waitForDevice(device, false, timeoutMs);
                lock.lock();
                continue;
            }
        }

        const std::uint64_t read = ++device.reads;
        chunk.resize(std::max<std::size_t>(chunk.size(), static_cast<std::size_t>(frames) * frameBytes));
        lock.unlock();
        // Silence where the device delivers nothing (the file plugin past its input's end).
        std::memset(chunk.data(), device.format.bitsPerSample == 8 ? 0x80 : 0, frames * frameBytes);
        const Wait waited = waitForDevice(device, true, timeoutMs);
        snd_pcm_sframes_t result = -EAGAIN;
        if (waited == Wait::Data || waited == Wait::TimedOut) {
            result = snd_pcm_readi(pcm, chunk.data(), frames);
        }
        const auto readAt = std::chrono::steady_clock::now();
        int recovered = 0;
        if (result < 0 && result != -EAGAIN) {
            recovered = snd_pcm_recover(pcm, static_cast<int>(result), 1);
        } else if (result > 0) {
            device.delivering = true;
        } else if (!device.delivering && (waited == Wait::NotReady || (waited == Wait::Data && result == -EAGAIN))) {
            // Woken with nothing to read: a stream that has started but delivers nothing yet
            // keeps its descriptor ready. Once it delivers, its descriptor wakes only with news.
            waitForDevice(device, false, kNotDeliveringMs);
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
        if (result <= 0 || !anyStarted(device)) {
            continue;
        }
        device.lastRead = readAt;
        distribute(device, chunk.data(), static_cast<std::uint32_t>(result), read);
        device.pacedFrames += static_cast<std::uint64_t>(result);
    }
}

AlsaCaptureBackend::Wait AlsaCaptureBackend::waitForDevice(Device& device, bool withPcm, int timeoutMs)
{
    // Called without the lock: only the reader touches the PCM while it runs.
    pollfd fds[16];
    int count = 0;
    if (withPcm) {
        count = std::max(0, snd_pcm_poll_descriptors(device.pcm, fds, 15));
    }
    fds[count] = pollfd{device.wakeFd, POLLIN, 0};
    int ready = ::poll(fds, static_cast<nfds_t>(count + 1), timeoutMs);
    if (ready < 0 && errno == EINTR) {
        return Wait::Woken;
    }
    if (fds[count].revents & POLLIN) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(device.wakeFd, &value, sizeof value);
        return Wait::Woken;
    }
    if (ready == 0) {
        return Wait::TimedOut;
    }
    // The plugin turns its descriptors' events into the stream's own (and clears them).
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(device.pcm, fds, static_cast<unsigned int>(count), &events) < 0) {
        return Wait::Data;
    }
    return (events & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) ? Wait::Data : Wait::NotReady;
}

void AlsaCaptureBackend::wake(const Device& device)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(device.wakeFd, &one, sizeof one);
}

void AlsaCaptureBackend::reconfigure(Device& device, unsigned int periodUs, Lock& lock)
{
    device.running = false;
    const unsigned int before = device.periodUs;
    lock.unlock();
    // Only a meter can be running here: it misses a few milliseconds.
    snd_pcm_drop(device.pcm);
    std::uint32_t periodFrames = 0;
    std::uint32_t bufferFrames = 0;
    int err = configure(device.pcm, device.format, periodUs, periodFrames, bufferFrames);
    if (err < 0) {
        // Back to what worked before.
        periodUs = before;
        err = configure(device.pcm, device.format, periodUs, periodFrames, bufferFrames);
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
    int err = 0;
    if (snd_pcm_state(device.pcm) != SND_PCM_STATE_PREPARED) {
        err = snd_pcm_prepare(device.pcm);
    }
    if (err >= 0) {
        err = snd_pcm_start(device.pcm);
    }
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

bool AlsaCaptureBackend::anyStarted(const Device& device) const
{
    return std::any_of(device.streams.begin(), device.streams.end(), [](const Stream* s) { return s->started; });
}

bool AlsaCaptureBackend::isPatient(const Stream& stream)
{
    return stream.started && stream.patienceMs >= static_cast<int>(kPatientPeriodUs / 1000);
}

unsigned int AlsaCaptureBackend::wantedPeriodUs(const Device& device)
{
    const bool patient =
        std::any_of(device.streams.begin(), device.streams.end(), [](const Stream* s) { return isPatient(*s); });
    return patient ? kPatientPeriodUs : kPeriodTimeUs;
}

bool AlsaCaptureBackend::anyPatientFed(const Device& device)
{
    return std::any_of(device.streams.begin(), device.streams.end(),
                       [](const Stream* s) { return isPatient(*s) && s->fed; });
}

bool AlsaCaptureBackend::everyStartedHasBuffer(const Device& device) const
{
    return std::all_of(device.streams.begin(), device.streams.end(),
                       [](const Stream* s) { return !s->started || !s->queue.empty(); });
}

std::uint32_t AlsaCaptureBackend::framesToRead(const Device& device) const
{
    // Read no more than every waiting stream can take, so nothing is lost while the
    // consumers keep up; streams without any buffer do not hold the others back.
    std::uint64_t frames = device.periodFrames;
    for (const Stream* s : device.streams) {
        if (!s->started || s->queue.empty()) {
            continue;
        }
        std::uint64_t freeBytes = 0;
        for (const WaveHeader* header : s->queue) {
            freeBytes += header->bufferLength - header->bytesRecorded;
        }
        frames = std::min<std::uint64_t>(frames, std::max<std::uint64_t>(freeBytes / device.format.blockAlign, 1));
    }
    return static_cast<std::uint32_t>(frames);
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
