#include "support/DecodedAudio.h"

#include <cmath>
#include <cstring>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {
quint32 le32(const char* p)
{
    return static_cast<quint8>(p[0]) | static_cast<quint8>(p[1]) << 8 | static_cast<quint8>(p[2]) << 16 |
           static_cast<quint32>(static_cast<quint8>(p[3])) << 24;
}
} // namespace

DecodedAudio::DecodedAudio(const QString& mp3Path)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("decoded.wav"));
    QProcess lame;
    lame.setProcessChannelMode(QProcess::MergedChannels);
    lame.start(QStringLiteral(QB_LAME_EXECUTABLE),
               {QStringLiteral("--quiet"), QStringLiteral("--decode"), mp3Path, wav});
    if (!lame.waitForFinished(120000) || lame.exitCode() != 0) {
        return;
    }
    QFile file(wav);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return;
    }
    // Walk the chunks: "fmt " gives the layout, "data" the samples.
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const quint32 size = le32(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt " && size >= 16) {
            m_channels = static_cast<quint8>(bytes[body + 2]) | static_cast<quint8>(bytes[body + 3]) << 8;
            m_rate = static_cast<int>(le32(bytes.constData() + body + 4));
        } else if (id == "data") {
            const qsizetype available = std::min<qsizetype>(size, bytes.size() - body);
            m_samples.resize(static_cast<size_t>(available / 2));
            std::memcpy(m_samples.data(), bytes.constData() + body, m_samples.size() * 2);
            m_valid = m_channels > 0;
            return;
        }
        pos = body + size + (size & 1);
    }
}

double DecodedAudio::frequency(int channel, qint64 firstFrame, qint64 frameCount) const
{
    qint64 crossings = 0;
    const qint64 last = std::min(frames(), firstFrame + frameCount);
    for (qint64 f = firstFrame + 1; f < last; ++f) {
        const qint16 a = m_samples[static_cast<size_t>((f - 1) * m_channels + channel)];
        const qint16 b = m_samples[static_cast<size_t>(f * m_channels + channel)];
        if ((a < 0 && b >= 0) || (a >= 0 && b < 0)) {
            ++crossings;
        }
    }
    const double seconds = static_cast<double>(last - firstFrame) / m_rate;
    return seconds > 0 ? crossings / 2.0 / seconds : 0.0;
}

double DecodedAudio::rms(int channel, qint64 firstFrame, qint64 frameCount) const
{
    double sum = 0;
    qint64 n = 0;
    const qint64 last = std::min(frames(), firstFrame + frameCount);
    for (qint64 f = firstFrame; f < last; ++f) {
        const double v = m_samples[static_cast<size_t>(f * m_channels + channel)] / 32768.0;
        sum += v * v;
        ++n;
    }
    return n > 0 ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}
