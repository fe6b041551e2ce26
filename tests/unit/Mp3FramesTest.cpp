#include "recorder/Mp3Frames.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

int length(unsigned b1, unsigned b2)
{
    const unsigned char header[4] = {0xFF, static_cast<unsigned char>(b1), static_cast<unsigned char>(b2), 0};
    return Mp3Frames::FrameLength(header);
}

QByteArray frame(int size)
{
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417 bytes, 418 with padding.
    QByteArray bytes(size, '\x11');
    bytes[0] = '\xFF';
    bytes[1] = '\xFB';
    bytes[2] = size == 418 ? '\x92' : '\x90';
    return bytes;
}

TEST(Mp3FramesTest, FrameLengthsOfEveryVersionAndLayerAndInvalidHeaders)
{
    EXPECT_EQ(length(0xFB, 0x90), 417); // MPEG-1 III 128 kbit/s 44.1 kHz
    EXPECT_EQ(length(0xFB, 0x92), 418); // the same with padding
    EXPECT_EQ(length(0xFB, 0xE4), 960); // MPEG-1 III 320 kbit/s 48 kHz
    EXPECT_EQ(length(0xF3, 0x80), 208); // MPEG-2 III 64 kbit/s 22.05 kHz
    EXPECT_EQ(length(0xE3, 0x80), 417); // MPEG-2.5 III 64 kbit/s 11.025 kHz
    EXPECT_EQ(length(0xFD, 0xA4), 576); // MPEG-1 II 192 kbit/s 48 kHz
    EXPECT_EQ(length(0xFF, 0x10), 32);  // MPEG-1 I 32 kbit/s 44.1 kHz
    EXPECT_EQ(length(0xEB, 0x90), 0);   // reserved version
    EXPECT_EQ(length(0xF9, 0x90), 0);   // reserved layer
    EXPECT_EQ(length(0xFB, 0x00), 0);   // free format
    EXPECT_EQ(length(0xFB, 0xF0), 0);   // bad bitrate
    EXPECT_EQ(length(0xFB, 0x9C), 0);   // reserved sample rate
    EXPECT_EQ(length(0x7B, 0x90), 0);   // no sync
}

TEST(Mp3FramesTest, OnlyWholeFramesAndBytesOutsideFramesAreComplete)
{
    const QByteArray two = frame(417) + frame(418);
    EXPECT_EQ(Mp3Frames::CompletePrefix(two.constData(), two.size()), 835);
    const QByteArray cut = two + frame(417).left(200);
    EXPECT_EQ(Mp3Frames::CompletePrefix(cut.constData(), cut.size()), 835);
    const QByteArray header = two + QByteArray("\xFF\xFB", 2);
    EXPECT_EQ(Mp3Frames::CompletePrefix(header.constData(), header.size()), 835);
    // Output that is no MP3 passes as it is.
    const QByteArray junk("abc\x01\x02", 5);
    EXPECT_EQ(Mp3Frames::CompletePrefix(junk.constData(), junk.size()), 5);

    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 834), 417);
    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 835), 835);
    EXPECT_EQ(Mp3Frames::BoundaryAtOrBefore(cut.constData(), cut.size(), 416), 0);
}

} // namespace
