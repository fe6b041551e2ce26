#include "recorder/Mp3Frames.h"

namespace Mp3Frames {

namespace {

// kbit/s by [MPEG-1?][layer 1..3][index]; index 0 (free format) and 15 are invalid.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};
constexpr int kSampleRates[3] = {44100, 48000, 32000};

// Length of the unit starting at offset: a frame, or 1 for a byte outside any frame;
// 0 when a frame starts there whose end lies beyond size.
qsizetype unitLength(const char* data, qsizetype size, qsizetype offset)
{
    if (size - offset < 4) {
        const auto first = static_cast<unsigned char>(data[offset]);
        // Too short to tell: the start of a header waits for more.
        return first == 0xFF ? 0 : 1;
    }
    const int length = FrameLength(reinterpret_cast<const unsigned char*>(data + offset));
    if (length == 0) {
        return 1;
    }
    return length <= size - offset ? length : 0;
}

} // namespace

int FrameLength(const unsigned char* h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) {
        return 0;
    }
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || rateIndex == 3) {
        return 0;
    }
    const int layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    const int kbps = kBitrates[mpeg1 ? 1 : 0][layer - 1][bitrateIndex];
    if (kbps == 0) {
        return 0;
    }
    const int rate = SampleRate(h);
    const int padding = (h[2] >> 1) & 1;
    if (layer == 1) {
        return (12000 * kbps / rate + padding) * 4;
    }
    const int perFrame = (layer == 3 && !mpeg1) ? 72000 : 144000;
    return perFrame * kbps / rate + padding;
}

int SamplesPerFrame(const unsigned char* h)
{
    const bool mpeg1 = ((h[1] >> 3) & 3) == 3;
    const int layer = 4 - ((h[1] >> 1) & 3);
    if (layer == 1) {
        return 384;
    }
    return (layer == 3 && !mpeg1) ? 576 : 1152;
}

int SampleRate(const unsigned char* h)
{
    const int version = (h[1] >> 3) & 3;
    return kSampleRates[(h[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
}

qint64 DecodedSamples(const char* data, qsizetype size, int& sampleRate)
{
    qint64 samples = 0;
    qsizetype offset = 0;
    while (offset < size) {
        const qsizetype length = unitLength(data, size, offset);
        if (length == 0) {
            break;
        }
        if (length > 1) {
            const auto* header = reinterpret_cast<const unsigned char*>(data + offset);
            samples += SamplesPerFrame(header);
            sampleRate = SampleRate(header);
        }
        offset += length;
    }
    return samples;
}

qsizetype CompletePrefix(const char* data, qsizetype size)
{
    qsizetype offset = 0;
    while (offset < size) {
        const qsizetype length = unitLength(data, size, offset);
        if (length == 0) {
            break;
        }
        offset += length;
    }
    return offset;
}

qsizetype BoundaryAtOrBefore(const char* data, qsizetype size, qsizetype limit)
{
    qsizetype offset = 0;
    while (offset < size) {
        const qsizetype length = unitLength(data, size, offset);
        if (length == 0 || offset + length > limit) {
            break;
        }
        offset += length;
    }
    return offset;
}

} // namespace Mp3Frames
