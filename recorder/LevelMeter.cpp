#include "recorder/LevelMeter.h"

#include <algorithm>
#include <cmath>

#include <QLocale>

#include "recorder/Decibels.h"

namespace {

// A 16-bit sample's magnitude lies in 0..FullScale; anything else (negative, NaN, huge)
// would give a level outside the meter or a NaN, so it is pulled into that range first.
double LevelOf(double peak)
{
    if (!(peak > 0.0)) {
        peak = 0.0;
    }
    peak = std::min(peak, Decibels::FullScale());
    return std::max(Decibels::PeakToDb(peak), LevelMeter::MinimumLevel);
}

int BarWidth(double level, int scaleWidth)
{
    // Rounded half to even before the integer division, as the meter was designed.
    const double scaled = std::nearbyint(std::fabs(level - LevelMeter::MinimumLevel) * scaleWidth);
    const double width = std::floor(scaled / LevelMeter::LevelSpan);
    return static_cast<int>(std::min(width, static_cast<double>(LevelMeter::MaximumWidth)));
}

} // namespace

MeterReading LevelMeter::SetPeakmeter(double lLeft, double lRight, int scaleWidth)
{
    scaleWidth = std::max(scaleWidth, 0);
    const double levelLeft = LevelOf(lLeft);
    const double levelRight = LevelOf(lRight);

    MeterReading reading;
    reading.leftLevel = levelLeft;
    reading.rightLevel = levelRight;
    reading.leftWidth = BarWidth(levelLeft, scaleWidth);
    reading.rightWidth = BarWidth(levelRight, scaleWidth);

    // The left channel alone decides whether both labels show numbers.
    if (levelLeft > MinimumLevel) {
        reading.leftLabel = FormatLevel(levelLeft);
        reading.rightLabel = FormatLevel(levelRight);
    } else {
        reading.leftLabel = QStringLiteral("...");
        reading.rightLabel = QStringLiteral("...");
    }

    // The holds only follow once both bars have reached them; the left marker may move alone.
    if (reading.leftWidth >= m_holdLeft) {
        m_markerLeft = reading.leftWidth;
        if (reading.rightWidth >= m_holdRight) {
            m_markerRight = reading.rightWidth;
            m_holdLeft = m_markerLeft;
            m_holdRight = m_markerRight;
        }
    }

    reading.markerLeft = m_markerLeft;
    reading.markerRight = m_markerRight;
    return reading;
}

void LevelMeter::Reset()
{
    m_holdLeft = 0;
    m_holdRight = 0;
    m_markerLeft = 0;
    m_markerRight = 0;
}

QString LevelMeter::FormatLevel(double level)
{
    if (!std::isfinite(level)) {
        return QStringLiteral("...");
    }
    // Tenths rounded half away from zero; whole values print without a decimal and never as "-0".
    const double tenths = std::round(std::clamp(level, -1e15, 1e15) * 10.0);
    const QLocale locale;
    if (std::fmod(tenths, 10.0) == 0.0) {
        return locale.toString(static_cast<qlonglong>(tenths / 10.0));
    }
    return locale.toString(tenths / 10.0, 'f', 1);
}
