#include <limits>

#include <QLocale>

#include <gtest/gtest.h>

#include "recorder/LevelMeter.h"

namespace {

constexpr int Scale = 188;
constexpr double Full = 32767.0;
constexpr double Half = 16384.0; // -13.862 dB

// Sets the default locale for one test and puts the previous one back.
class LocaleGuard
{
public:
    explicit LocaleGuard(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

const QLocale German(QLocale::German, QLocale::Germany);
const QLocale English(QLocale::English, QLocale::UnitedStates);

} // namespace

TEST(LevelMeterTest, SilenceGivesEmptyBarsAndDots)
{
    LevelMeter meter;
    const MeterReading r = meter.SetPeakmeter(0, 0, Scale);
    EXPECT_EQ(r.leftWidth, 0);
    EXPECT_EQ(r.rightWidth, 0);
    EXPECT_EQ(r.leftLabel, "...");
    EXPECT_EQ(r.rightLabel, "...");
    EXPECT_EQ(r.markerLeft, 0);
    EXPECT_EQ(r.markerRight, 0);

    // A peak of 1 is about -208 and is drawn as the floor too.
    const MeterReading tiny = meter.SetPeakmeter(1, 1, Scale);
    EXPECT_EQ(tiny.leftWidth, 0);
    EXPECT_EQ(tiny.leftLabel, "...");
}

TEST(LevelMeterTest, BarWidthsFollowTheLevel)
{
    LevelMeter meter;
    // Full scale: round(100 * 188) \ 90 = 208, longer than the meter.
    EXPECT_EQ(meter.SetPeakmeter(Full, 0, Scale).leftWidth, 208);
    // -13.862: round(86.138 * 188) = 16194, \ 90 = 179.
    EXPECT_EQ(meter.SetPeakmeter(Half, Half, Scale).rightWidth, 179);
    // -69.788: round(30.212 * 188) = 5680 -> 63 (truncated, not rounded up).
    EXPECT_EQ(meter.SetPeakmeter(1000, 1000, Scale).leftWidth, 63);
    EXPECT_EQ(meter.SetPeakmeter(1000, 1000, 192).leftWidth, 64);
    // -10 dB fills the scale exactly.
    EXPECT_EQ(meter.SetPeakmeter(Full * 0.60653066, 0, 90).leftWidth, 90);
}

TEST(LevelMeterTest, OnlyTheLeftLevelDecidesBetweenNumbersAndDots)
{
    LocaleGuard guard(English);
    LevelMeter meter;

    const MeterReading leftLoud = meter.SetPeakmeter(Full, 0, Scale);
    EXPECT_EQ(leftLoud.leftLabel, "0");
    EXPECT_EQ(leftLoud.rightLabel, "-100");
    EXPECT_EQ(leftLoud.rightWidth, 0);

    meter.Reset();
    const MeterReading rightLoud = meter.SetPeakmeter(0, Full, Scale);
    EXPECT_EQ(rightLoud.leftLabel, "...");
    EXPECT_EQ(rightLoud.rightLabel, "...");
    EXPECT_EQ(rightLoud.leftWidth, 0);
    EXPECT_EQ(rightLoud.rightWidth, 208);
}

TEST(LevelMeterTest, LabelsUseTheLocaleDecimalSeparator)
{
    LevelMeter meter;
    {
        LocaleGuard guard(German);
        const MeterReading r = meter.SetPeakmeter(Half, 1000, Scale);
        EXPECT_EQ(r.leftLabel, "-13,9");
        EXPECT_EQ(r.rightLabel, "-69,8");
    }
    {
        LocaleGuard guard(English);
        const MeterReading r = meter.SetPeakmeter(Half, 1000, Scale);
        EXPECT_EQ(r.leftLabel, "-13.9");
        EXPECT_EQ(r.rightLabel, "-69.8");
    }
}

TEST(LevelMeterTest, LabelRoundingDropsZeroDecimalsAndNeverShowsMinusZero)
{
    LocaleGuard guard(German);
    EXPECT_EQ(LevelMeter::FormatLevel(-20.0005), "-20");
    EXPECT_EQ(LevelMeter::FormatLevel(-19.96), "-20");
    EXPECT_EQ(LevelMeter::FormatLevel(-0.04), "0");
    EXPECT_EQ(LevelMeter::FormatLevel(-0.05), "-0,1");
    EXPECT_EQ(LevelMeter::FormatLevel(-0.5), "-0,5");
    EXPECT_EQ(LevelMeter::FormatLevel(-13.86), "-13,9");
    EXPECT_EQ(LevelMeter::FormatLevel(-99.94), "-99,9");

    // Through the meter: 32700 is -0.041 dB.
    LevelMeter meter;
    EXPECT_EQ(meter.SetPeakmeter(32700, 12054, Scale).leftLabel, "0");
    EXPECT_EQ(meter.SetPeakmeter(32700, 12054, Scale).rightLabel, "-20");
}

TEST(LevelMeterTest, MarkersOnlyMoveRightUntilReset)
{
    LevelMeter meter;
    meter.SetPeakmeter(Half, 1000, Scale);
    EXPECT_EQ(meter.MarkerLeft(), 179);
    EXPECT_EQ(meter.MarkerRight(), 63);
    EXPECT_EQ(meter.HoldLeft(), 179);
    EXPECT_EQ(meter.HoldRight(), 63);

    // Quieter: bars fall back, markers stay.
    const MeterReading quiet = meter.SetPeakmeter(1000, 1000, Scale);
    EXPECT_EQ(quiet.leftWidth, 63);
    EXPECT_EQ(quiet.markerLeft, 179);
    EXPECT_EQ(quiet.markerRight, 63);

    // Louder on both: markers and holds follow.
    const MeterReading loud = meter.SetPeakmeter(Full, Half, Scale);
    EXPECT_EQ(loud.markerLeft, 208);
    EXPECT_EQ(loud.markerRight, 179);
    EXPECT_EQ(meter.HoldLeft(), 208);
    EXPECT_EQ(meter.HoldRight(), 179);

    meter.Reset();
    EXPECT_EQ(meter.HoldLeft(), 0);
    EXPECT_EQ(meter.HoldRight(), 0);
    EXPECT_EQ(meter.MarkerLeft(), 0);
    EXPECT_EQ(meter.MarkerRight(), 0);
    const MeterReading after = meter.SetPeakmeter(1000, 1000, Scale);
    EXPECT_EQ(after.markerLeft, 63);
    EXPECT_EQ(after.markerRight, 63);
}

TEST(LevelMeterTest, HoldRuleStopsEarly)
{
    LevelMeter meter;
    meter.SetPeakmeter(Half, Half, Scale); // holds 179 / 179

    // Left below its hold: nothing moves, not even the louder right marker.
    MeterReading r = meter.SetPeakmeter(1000, Full, Scale);
    EXPECT_EQ(r.rightWidth, 208);
    EXPECT_EQ(r.markerLeft, 179);
    EXPECT_EQ(r.markerRight, 179);
    EXPECT_EQ(meter.HoldRight(), 179);

    // Left above, right below: the left marker moves, the holds stay.
    r = meter.SetPeakmeter(Full, 1000, Scale);
    EXPECT_EQ(r.markerLeft, 208);
    EXPECT_EQ(r.markerRight, 179);
    EXPECT_EQ(meter.HoldLeft(), 179);
    EXPECT_EQ(meter.HoldRight(), 179);

    // The left marker follows the left bar down to its unchanged hold.
    r = meter.SetPeakmeter(Half, 1000, Scale);
    EXPECT_EQ(r.markerLeft, 179);
}

TEST(LevelMeterTest, OutOfRangeInputNeitherOverflowsNorMisleads)
{
    LocaleGuard guard(English);
    LevelMeter meter;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    MeterReading r = meter.SetPeakmeter(nan, -5, Scale);
    EXPECT_EQ(r.leftWidth, 0);
    EXPECT_EQ(r.rightWidth, 0);
    EXPECT_EQ(r.leftLabel, "...");

    // Peaks above full scale read as full scale.
    r = meter.SetPeakmeter(inf, 1e300, Scale);
    EXPECT_EQ(r.leftWidth, 208);
    EXPECT_EQ(r.rightWidth, 208);
    EXPECT_EQ(r.leftLabel, "0");

    // Widths saturate, so the 16-bit holds stay valid.
    r = meter.SetPeakmeter(Full, Full, std::numeric_limits<int>::max());
    EXPECT_EQ(r.leftWidth, LevelMeter::MaximumWidth);
    EXPECT_EQ(meter.HoldLeft(), LevelMeter::MaximumWidth);
    EXPECT_EQ(meter.SetPeakmeter(Full, Full, -10).leftWidth, 0);
}
