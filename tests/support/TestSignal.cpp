#include "support/TestSignal.h"

#include <cmath>

namespace TestSignal {

QByteArray stereoSine(double seconds, double leftHz, double rightHz, double leftAmplitude, double rightAmplitude)
{
    const qint64 frames = static_cast<qint64>(seconds * 44100);
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(pcm.data());
    const double twoPi = 2.0 * std::acos(-1.0);
    for (qint64 i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double values[2] = {leftAmplitude * std::sin(twoPi * leftHz * t),
                                  rightAmplitude * std::sin(twoPi * rightHz * t)};
        for (double v : values) {
            const auto s = static_cast<qint16>(std::lround(v * 32767.0));
            *out++ = static_cast<unsigned char>(s & 0xff);
            *out++ = static_cast<unsigned char>((s >> 8) & 0xff);
        }
    }
    return pcm;
}

QByteArray numberedFrames(int frames)
{
    QByteArray bytes;
    bytes.reserve(qsizetype{frames} * 4);
    for (int i = 0; i < frames; ++i) {
        const quint16 left = static_cast<quint16>(i & 0xFFFF);
        const quint16 right = static_cast<quint16>((i >> 16) + 1);
        for (quint16 s : {left, right}) {
            bytes.append(static_cast<char>(s & 0xFF));
            bytes.append(static_cast<char>(s >> 8));
        }
    }
    return bytes;
}

std::vector<qint64> frameNumbers(const QByteArray& data)
{
    std::vector<qint64> numbers;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype i = 0; i + 3 < data.size(); i += 4) {
        const int left = bytes[i] | (bytes[i + 1] << 8);
        const int right = bytes[i + 2] | (bytes[i + 3] << 8);
        numbers.push_back(right == 0 ? -1 : (qint64{right - 1} << 16) | left);
    }
    return numbers;
}

qint64 missingFrames(const std::vector<qint64>& numbers)
{
    qint64 missing = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        if (numbers[i] <= numbers[i - 1]) {
            return -1;
        }
        missing += numbers[i] - numbers[i - 1] - 1;
    }
    return missing;
}

} // namespace TestSignal
