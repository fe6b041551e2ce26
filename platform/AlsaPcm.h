#pragma once

#include <cstdint>
#include <string>

#include <QString>

#include "recorder/WaveTypes.h"

typedef struct _snd_pcm snd_pcm_t;

/**
 * @brief One ALSA capture PCM (interleaved, non-blocking) and a descriptor that wakes its wait.
 *
 * Every call may wait on the device or the sound server behind it, so one thread makes them all;
 * only wake() is meant for other threads. The descriptor lives as long as the object, the PCM
 * from open() until close() or the end of the object.
 */
class AlsaPcm
{
public:
    /// What ended a wait().
    enum class Wait
    {
        Data,
        NotReady,
        Woken,
        TimedOut
    };

    AlsaPcm();
    ~AlsaPcm();

    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    /// 0, or the negative errno for which the wake descriptor could not be made.
    int wakeError() const { return m_wakeError; }
    /// Whether samples of this width can be captured.
    static bool supports(int bitsPerSample);
    /// ALSA's text for its negative error codes.
    static QString errorText(int code);

    int open(const std::string& name);
    /// Sets the format, about 0.5 s of buffer and periods near periodUs; gives back the sizes the
    /// device chose.
    int configure(const WaveFormat& format, unsigned int periodUs, std::uint32_t& periodFrames,
                  std::uint32_t& bufferFrames);
    void drop();
    /// Prepares the device unless it is prepared, and starts it.
    int start();
    /// Waits for the wake descriptor and, withPcm, for the device; timeoutMs < 0 waits without end.
    Wait wait(bool withPcm, int timeoutMs);
    /// Ends a wait() under way or the next one; from any thread.
    void wake() const;
    /// Frames read, or a negative error code (-EAGAIN: nothing there yet).
    long read(char* data, std::uint32_t frames);
    /// Brings the device back after a read's error; a negative code when it cannot.
    int recover(int error);
    /// Whether the device is the file plugin, which has no clock of its own.
    bool isFile() const;
    void close();

private:
    snd_pcm_t* m_pcm = nullptr;
    int m_wakeFd = -1;
    int m_wakeError = 0;
};
