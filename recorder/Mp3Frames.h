#pragma once

#include <QtGlobal>

/// MPEG audio frame boundaries in the encoder's output, so a file only ever ends after a whole frame.
namespace Mp3Frames {

/// Length in bytes of the frame whose 4-byte header starts at header, or 0 when it is no valid header.
int FrameLength(const unsigned char* header);
/// Samples per channel that the frame decodes to; the header must be valid.
int SamplesPerFrame(const unsigned char* header);
/// Samples per second of the frame; the header must be valid.
int SampleRate(const unsigned char* header);

/// Samples per channel that the whole frames in data decode to; sampleRate gets the last frame's rate.
qint64 DecodedSamples(const char* data, qsizetype size, int& sampleRate);

/**
 * @brief Length of the leading part of data that may be written out now.
 *
 * Whole frames count, and so do bytes that start no frame (they pass as they are). What remains is
 * the beginning of a frame whose end has not arrived yet.
 */
qsizetype CompletePrefix(const char* data, qsizetype size);

/// The largest frame boundary within the first limit bytes of data, which must start at a boundary.
qsizetype BoundaryAtOrBefore(const char* data, qsizetype size, qsizetype limit);

} // namespace Mp3Frames
