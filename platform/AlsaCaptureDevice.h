#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "platform/AlsaPcm.h"
#include "recorder/CaptureBackend.h"

/**
 * @brief One open capture PCM, shared by the streams of its format, with its reader thread.
 *
 * The capture backend's lock guards every field, except where a comment says otherwise; the
 * queries below are made under it.
 */
struct AlsaCaptureDevice
{
    /// A stream opened on the device, with the buffers its owner queued.
    struct Stream
    {
        CaptureStreamId id = 0;
        AlsaCaptureDevice* device = nullptr;
        bool started = false;
        std::deque<WaveHeader*> queue;
        std::uint64_t lostBytes = 0;
        std::intptr_t lastUser = 0;
        int patienceMs = 0;
        // Has had sound since it was last started.
        bool fed = false;
        // Reads the device had begun when the stream was started: it gets none of those.
        std::uint64_t startedAfterRead = 0;
    };

    /// Periods of one recording buffer keep the reader's wake-ups as rare as the buffers themselves.
    static constexpr unsigned int PeriodUs = 50000;
    /// While a stream that can wait (a recording) runs: half the wake-ups, here and in a sound
    /// server's client thread.
    static constexpr unsigned int PatientPeriodUs = 100000;

    bool anyStarted() const;
    bool everyStartedHasBuffer() const;
    /// What a device without a clock of its own may read now: no more than every waiting stream
    /// can take.
    std::uint32_t framesToRead() const;
    /// The period the started streams call for.
    unsigned int wantedPeriodUs() const;
    /// Whether a stream that can wait has had sound: the device must not restart under it.
    bool anyPatientFed() const;

    std::string pcmName;
    // Called by the reader only, except wake().
    AlsaPcm pcm;
    WaveFormat format;
    unsigned int periodUs = 0;
    std::uint32_t periodFrames = 0;
    std::uint32_t bufferFrames = 0;
    std::vector<Stream*> streams;
    std::thread reader;
    bool opened = false;
    // open() no longer waits: a failure from now on goes to the failure handler.
    bool openAnswered = false;
    bool quit = false;
    bool exited = false;
    bool running = false;
    // Has delivered since it was last started (the reader's own; read without the lock).
    bool delivering = false;
    bool failed = false;
    int failureCode = 0;
    bool clockless = false;
    bool pace = false;
    bool waitingForBuffer = false;
    std::uint64_t reads = 0;
    // An overrun: what the device captured from this moment until it runs again is lost.
    bool gap = false;
    std::chrono::steady_clock::time_point gapSince;
    // When the device's buffer was last emptied: what it captured since is lost in an overrun.
    std::chrono::steady_clock::time_point lastRead;
    std::chrono::steady_clock::time_point pacedStart;
    std::uint64_t pacedFrames = 0;
};
