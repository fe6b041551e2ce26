#include "platform/AlsaCaptureDevice.h"

#include <algorithm>

namespace {

bool isPatient(const AlsaCaptureDevice::Stream* stream)
{
    return stream->started && stream->patienceMs >= static_cast<int>(AlsaCaptureDevice::PatientPeriodUs / 1000);
}

} // namespace

bool AlsaCaptureDevice::anyStarted() const
{
    return std::any_of(streams.begin(), streams.end(), [](const Stream* s) { return s->started; });
}

bool AlsaCaptureDevice::everyStartedHasBuffer() const
{
    return std::all_of(streams.begin(), streams.end(),
                       [](const Stream* s) { return !s->started || !s->queue.empty(); });
}

std::uint32_t AlsaCaptureDevice::framesToRead() const
{
    // Nothing is lost while the consumers keep up; streams without any buffer do not hold the
    // others back.
    std::uint64_t frames = periodFrames;
    for (const Stream* s : streams) {
        if (!s->started || s->queue.empty()) {
            continue;
        }
        std::uint64_t freeBytes = 0;
        for (const WaveHeader* header : s->queue) {
            freeBytes += header->bufferLength - header->bytesRecorded;
        }
        frames = std::min<std::uint64_t>(frames, std::max<std::uint64_t>(freeBytes / format.blockAlign, 1));
    }
    return static_cast<std::uint32_t>(frames);
}

unsigned int AlsaCaptureDevice::wantedPeriodUs() const
{
    return std::any_of(streams.begin(), streams.end(), isPatient) ? PatientPeriodUs : PeriodUs;
}

bool AlsaCaptureDevice::anyPatientFed() const
{
    return std::any_of(streams.begin(), streams.end(), [](const Stream* s) { return isPatient(s) && s->fed; });
}
