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

} // namespace TestSignal
