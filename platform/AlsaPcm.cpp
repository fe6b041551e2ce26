#include "platform/AlsaPcm.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <alsa/asoundlib.h>

namespace {

// About 0.5 s of device buffer so a busy moment does not overrun.
constexpr unsigned int kBufferTimeUs = 500000;

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

} // namespace

AlsaPcm::AlsaPcm() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_wakeFd < 0) {
        m_wakeError = -errno;
    }
}

AlsaPcm::~AlsaPcm()
{
    close();
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

bool AlsaPcm::supports(int bitsPerSample)
{
    return alsaFormat(bitsPerSample) != SND_PCM_FORMAT_UNKNOWN;
}

QString AlsaPcm::errorText(int code)
{
    return QString::fromLocal8Bit(snd_strerror(code));
}

int AlsaPcm::open(const std::string& name)
{
    return snd_pcm_open(&m_pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
}

int AlsaPcm::configure(const WaveFormat& format, unsigned int periodUs, std::uint32_t& periodFrames,
                       std::uint32_t& bufferFrames)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(m_pcm, hw);
    if (err >= 0) {
        err = snd_pcm_hw_params_set_access(m_pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_format(m_pcm, hw, alsaFormat(format.bitsPerSample));
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_channels(m_pcm, hw, format.channels);
    }
    if (err >= 0) {
        err = snd_pcm_hw_params_set_rate(m_pcm, hw, format.samplesPerSec, 0);
    }
    if (err < 0) {
        return err;
    }
    unsigned int bufferTime = kBufferTimeUs;
    unsigned int periodTime = periodUs;
    int dir = 0;
    // Near values: a device that cannot do them exactly picks the closest it can.
    snd_pcm_hw_params_set_buffer_time_near(m_pcm, hw, &bufferTime, &dir);
    snd_pcm_hw_params_set_period_time_near(m_pcm, hw, &periodTime, &dir);
    err = snd_pcm_hw_params(m_pcm, hw);
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

void AlsaPcm::drop()
{
    snd_pcm_drop(m_pcm);
}

int AlsaPcm::start()
{
    int err = 0;
    if (snd_pcm_state(m_pcm) != SND_PCM_STATE_PREPARED) {
        err = snd_pcm_prepare(m_pcm);
    }
    return err < 0 ? err : snd_pcm_start(m_pcm);
}

AlsaPcm::Wait AlsaPcm::wait(bool withPcm, int timeoutMs)
{
    pollfd fds[16];
    int count = 0;
    if (withPcm) {
        count = std::max(0, snd_pcm_poll_descriptors(m_pcm, fds, 15));
    }
    fds[count] = pollfd{m_wakeFd, POLLIN, 0};
    const int ready = ::poll(fds, static_cast<nfds_t>(count + 1), timeoutMs);
    if (ready < 0 && errno == EINTR) {
        return Wait::Woken;
    }
    if (fds[count].revents & POLLIN) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &value, sizeof value);
        return Wait::Woken;
    }
    if (ready == 0) {
        return Wait::TimedOut;
    }
    // The plugin turns its descriptors' events into the stream's own (and clears them).
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(m_pcm, fds, static_cast<unsigned int>(count), &events) < 0) {
        return Wait::Data;
    }
    return (events & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) ? Wait::Data : Wait::NotReady;
}

void AlsaPcm::wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

long AlsaPcm::read(char* data, std::uint32_t frames)
{
    return snd_pcm_readi(m_pcm, data, frames);
}

int AlsaPcm::recover(int error)
{
    return snd_pcm_recover(m_pcm, error, 1);
}

bool AlsaPcm::isFile() const
{
    return snd_pcm_type(m_pcm) == SND_PCM_TYPE_FILE;
}

void AlsaPcm::close()
{
    if (m_pcm) {
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
    }
}
