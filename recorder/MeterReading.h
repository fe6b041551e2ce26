#pragma once

#include <QString>

/// What the level meter shows after one update: bar widths and marker lefts in scale units (pixels).
struct MeterReading
{
    int leftWidth = 0;
    int rightWidth = 0;
    QString leftLabel;
    QString rightLabel;
    int markerLeft = 0;
    int markerRight = 0;
    /// The levels in dB, -100 for silence.
    double leftLevel = -100.0;
    double rightLevel = -100.0;
};
