#include "support/Mp3File.h"

#include <QFile>

#include "recorder/Mp3Frames.h"

namespace Mp3File {

qint64 wholeFrames(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray bytes = file.readAll();
    qint64 frames = 0;
    qsizetype offset = 0;
    while (offset + 4 <= bytes.size()) {
        const int length = Mp3Frames::FrameLength(reinterpret_cast<const unsigned char*>(bytes.constData() + offset));
        if (length == 0) {
            return -1;
        }
        offset += length;
        ++frames;
    }
    return offset == bytes.size() ? frames : -1;
}

} // namespace Mp3File
