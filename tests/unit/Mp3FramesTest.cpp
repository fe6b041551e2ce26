#include "recorder/Mp3Frames.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

TEST(Mp3FramesTest, FrameLengthsOfEveryVersionAndLayerAndInvalidHeaders)
{
    const std::tuple<unsigned, unsigned, int> headers[] = {
        {0xFB, 0x90, 417}, {0xFB, 0x92, 418}, // MPEG-1 III 128 kbit/s 44.1 kHz, then with padding
        {0xFB, 0xE4, 960}, {0xF3, 0x80, 208}, // MPEG-1 III 320 kbit/s 48 kHz; MPEG-2 III 64 kbit/s 22.05 kHz
        {0xE3, 0x80, 417}, {0xFD, 0xA4, 576}, // MPEG-2.5 III 64 kbit/s 11.025 kHz; MPEG-1 II 192 kbit/s 48 kHz
        {0xFF, 0x10, 32},                     // MPEG-1 I 32 kbit/s 44.1 kHz
        {0xEB, 0x90, 0},   {0xF9, 0x90, 0},   // reserved version, reserved layer
        {0xFB, 0x00, 0},   {0xFB, 0xF0, 0},   // free format, bad bitrate
        {0xFB, 0x9C, 0},                      // reserved sample rate
    };
    for (const auto& [b1, b2, length] : headers) {
        const unsigned char header[4] = {0xFF, static_cast<unsigned char>(b1), static_cast<unsigned char>(b2), 0};
        EXPECT_EQ(Mp3Frames::FrameLength(header), length) << std::hex << b1 << " " << b2;
    }
    const unsigned char noSync[4] = {0x7F, 0xFB, 0x90, 0};
    EXPECT_EQ(Mp3Frames::FrameLength(noSync), 0);
}

TEST(Mp3FramesTest, OnlyWholeFramesAndBytesOutsideFramesAreComplete)
{
    QByteArray frames =
        QByteArray("\xFF\xFB\x90", 3) + QByteArray(414, 'x') + QByteArray("\xFF\xFB\x92", 3) + QByteArray(415, 'x');
    EXPECT_EQ(Mp3Frames::CompletePrefix(frames.constData(), frames.size()), 835);
    const QByteArray cut = frames + frames.left(200);
    EXPECT_EQ(Mp3Frames::CompletePrefix(cut.constData(), cut.size()), 835);
    EXPECT_EQ(Mp3Frames::CompletePrefix(cut.constData(), 837), 835) << "a header's first bytes wait";
    // Output that is no MP3 passes as it is.
    EXPECT_EQ(Mp3Frames::CompletePrefix("abc\x01\x02", 5), 5);
    int rate = 0;
    const QByteArray mixed = "ab" + frames + "c" + frames.left(200);
    EXPECT_EQ(Mp3Frames::DecodedSamples(mixed.constData(), mixed.size(), rate), 2 * 1152) << "whole frames only";
    EXPECT_EQ(rate, 44100);

    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 834), 417);
    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 835), 835);
    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 416), 0);
}

} // namespace
