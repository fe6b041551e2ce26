#pragma once

#include <QString>

/// The frame structure of an MP3 file as it lies on disk.
namespace Mp3File {

/// Number of MPEG frames when the file is whole frames from its first byte to its last, else -1.
qint64 wholeFrames(const QString& path);

} // namespace Mp3File
