#pragma once

#include <QString>

#include "recorder/MeterReading.h"

/**
 * @brief The peak meter's arithmetic: bar widths, level labels and the peak-hold markers.
 *
 * Holds the two peak-hold positions and the two marker positions between updates.
 * Widths and positions are in the units of the meter's scale width (pixels here).
 */
class LevelMeter
{
public:
    /// Lowest level the meter shows; anything quieter is drawn as this.
    static constexpr double MinimumLevel = -100.0;
    /// Level range that fills the scale width once (-100 to -10).
    static constexpr int LevelSpan = 90;
    /// Widths and positions never exceed this, so the holds stay 16-bit.
    static constexpr int MaximumWidth = 32767;

    /**
     * @brief Computes the meter for one pair of raw peaks and moves the markers.
     * @param lLeft raw peak of the left channel (0..32767)
     * @param lRight raw peak of the right channel (0..32767)
     * @param scaleWidth inner width of the meter area; negative counts as 0
     * @return bar widths (may exceed scaleWidth; the view clips), label texts and marker lefts
     */
    MeterReading SetPeakmeter(double lLeft, double lRight, int scaleWidth);

    /// Holds and markers back to 0.
    void Reset();

    int HoldLeft() const { return m_holdLeft; }
    int HoldRight() const { return m_holdRight; }
    int MarkerLeft() const { return m_markerLeft; }
    int MarkerRight() const { return m_markerRight; }

    /// A level rounded to one decimal in the default locale; whole numbers without decimals.
    static QString FormatLevel(double level);

private:
    int m_holdLeft = 0;
    int m_holdRight = 0;
    int m_markerLeft = 0;
    int m_markerRight = 0;
};
