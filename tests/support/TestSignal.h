#pragma once

#include <vector>

#include <QByteArray>

/// Raw 16-bit little-endian stereo test signals at 44100 Hz.
namespace TestSignal {

/// A sine on each channel; amplitudes as fractions of full scale.
QByteArray stereoSine(double seconds, double leftHz, double rightHz, double leftAmplitude, double rightAmplitude);

/// Every frame carries its own number: left = low 16 bits, right = high bits + 1, so
/// silence (right = 0) is told apart. Shows order and gaps after capture.
QByteArray numberedFrames(int frames);

/// The numbers of numberedFrames() in captured data; -1 for a frame of silence.
std::vector<qint64> frameNumbers(const QByteArray& data);

/// Frames missing between consecutive numbers; -1 when the numbers do not rise (a frame repeated or
/// out of order, or silence).
qint64 missingFrames(const std::vector<qint64>& numbers);

} // namespace TestSignal
