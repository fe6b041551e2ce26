#pragma once

#include <vector>

#include <QString>

/// An MP3 file decoded by the real encoder's decoder, with simple measurements.
class DecodedAudio
{
public:
    /// Decodes `mp3Path` with `lame --decode`; valid() is false when that fails.
    explicit DecodedAudio(const QString& mp3Path);

    bool valid() const { return m_valid; }
    int channels() const { return m_channels; }
    int sampleRate() const { return m_rate; }
    qint64 frames() const { return static_cast<qint64>(m_samples.size()) / (m_channels > 0 ? m_channels : 1); }

    /// Frequency in Hz from the zero crossings of one channel over a stretch of frames.
    double frequency(int channel, qint64 firstFrame, qint64 frameCount) const;
    /// RMS level of one channel over a stretch, full scale = 1.
    double rms(int channel, qint64 firstFrame, qint64 frameCount) const;

private:
    bool m_valid = false;
    int m_channels = 0;
    int m_rate = 0;
    std::vector<qint16> m_samples;
};
