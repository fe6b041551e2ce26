#include "platform/AlsaCaptureDevice.h"

#include <gtest/gtest.h>

namespace {

WaveHeader header(std::uint32_t length, std::uint32_t recorded)
{
    WaveHeader h;
    h.bufferLength = length;
    h.bytesRecorded = recorded;
    return h;
}

} // namespace

// A device without a clock of its own reads only what every waiting stream can take, never nothing.
TEST(AlsaCaptureDevice, ReadsWhatEveryWaitingStreamHasRoomForAndTheRecordingsPeriod)
{
    AlsaCaptureDevice device;
    device.format.blockAlign = 4;
    device.periodFrames = 2205;
    WaveHeader half = header(4000, 2000), full = header(4000, 3998), roomy = header(40000, 0);
    AlsaCaptureDevice::Stream meter, recording, idle;
    device.streams = {&meter, &recording, &idle};

    meter.started = true;
    recording.started = true;
    recording.queue = {&roomy};
    EXPECT_FALSE(device.everyStartedHasBuffer()) << "the started meter has no buffer";
    EXPECT_EQ(device.framesToRead(), 2205u) << "a stream without buffers holds nobody back";
    meter.queue = {&half};
    EXPECT_EQ(device.framesToRead(), 500u);
    meter.queue = {&full};
    EXPECT_EQ(device.framesToRead(), 1u) << "less than a frame of room still reads one";
    meter.queue = {&full, &half};
    EXPECT_EQ(device.framesToRead(), 500u) << "room of every queued buffer counts";
    idle.queue = {&full};
    EXPECT_EQ(device.framesToRead(), 500u) << "a stopped stream does not count";

    EXPECT_EQ(device.wantedPeriodUs(), AlsaCaptureDevice::PeriodUs);
    recording.patienceMs = 99;
    EXPECT_EQ(device.wantedPeriodUs(), AlsaCaptureDevice::PeriodUs);
    recording.patienceMs = 100;
    EXPECT_EQ(device.wantedPeriodUs(), AlsaCaptureDevice::PatientPeriodUs);
    EXPECT_FALSE(device.anyPatientFed());
    recording.fed = true;
    EXPECT_TRUE(device.anyPatientFed()) << "a recording that has had sound must not be restarted";
    recording.started = false;
    EXPECT_EQ(device.wantedPeriodUs(), AlsaCaptureDevice::PeriodUs);
    EXPECT_FALSE(device.anyPatientFed());
}
