#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

/// Identifies an open capture stream; 0 means "no stream".
using CaptureStreamId = std::uint64_t;

/// Result codes of the capture calls (0 is success). Backends may return their own
/// negative codes as well; CaptureBackend::errorText turns any of them into text.
inline constexpr int MMSYSERR_NOERROR = 0;
inline constexpr int MMSYSERR_INVALHANDLE = 5;
inline constexpr int MMSYSERR_INVALPARAM = 11;
/// The buffer is still queued on a stream.
inline constexpr int WAVERR_STILLPLAYING = 33;

/// Flags of WaveHeader::flags.
inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_BEGINLOOP = 0x04;
inline constexpr std::uint32_t WHDR_ENDLOOP = 0x08;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

/// PCM format of a capture stream.
struct WaveFormat
{
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

/**
 * @brief One capture buffer. Its storage is allocated once by the owner and reused.
 *
 * While the buffer is queued (WHDR_INQUEUE) it belongs to the backend, which fills data,
 * bytesRecorded and flags under its own lock; the owner must not touch it then and learns
 * about its content through the CaptureNotification instead.
 */
struct WaveHeader
{
    std::vector<char> data;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::intptr_t user = 0;
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;
};

/// A buffer the device has finished, as it reaches the owner of the stream.
struct CaptureNotification
{
    CaptureStreamId stream = 0;
    std::intptr_t user = 0;
    std::uint32_t flags = 0;
    std::uint32_t bytesRecorded = 0;
    /// Copy of the recorded bytes, taken when the device finished the buffer.
    QByteArray data;
    /// Bytes the device had for this stream but could not place since its previous
    /// notification (no buffer was queued, or the device overran): a gap in the stream.
    std::uint64_t lostBytesBefore = 0;
};
