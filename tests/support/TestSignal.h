#pragma once

#include <QByteArray>

/// Raw 16-bit little-endian stereo test signals at 44100 Hz.
namespace TestSignal {

/// A sine on each channel; amplitudes as fractions of full scale.
QByteArray stereoSine(double seconds, double leftHz, double rightHz, double leftAmplitude, double rightAmplitude);

} // namespace TestSignal
