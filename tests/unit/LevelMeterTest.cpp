#include <limits>
#include <tuple>

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

/// One update of the meter as "bars L R, labels, markers L R, holds L R".
QString read(LevelMeter& meter, double left, double right, int scale = Scale)
{
    const MeterReading r = meter.SetPeakmeter(left, right, scale);
    EXPECT_EQ(std::pair(r.markerLeft, r.markerRight), std::pair(meter.MarkerLeft(), meter.MarkerRight()));
    return QStringLiteral("bars %1 %2, %3 %4, markers %5 %6, holds %7 %8")
        .arg(r.leftWidth)
        .arg(r.rightWidth)
        .arg(r.leftLabel, r.rightLabel)
        .arg(r.markerLeft)
        .arg(r.markerRight)
        .arg(meter.HoldLeft())
        .arg(meter.HoldRight());
}

TEST(LevelMeterTest, FirstReadingOfAPairOfPeaks)
{
    LocaleGuard guard(English);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int wide = std::numeric_limits<int>::max();
    // Width = round(level + 100) * scale) \ 90; only the left level decides between numbers and dots.
    const std::tuple<const char*, double, double, int, QString> cases[] = {
        {"silence", 0, 0, Scale, "bars 0 0, ... ..., markers 0 0, holds 0 0"},
        {"a peak of 1, about -208, is the floor", 1, 1, Scale, "bars 0 0, ... ..., markers 0 0, holds 0 0"},
        {"full scale runs past the meter", Full, 0, Scale, "bars 208 0, 0 -100, markers 208 0, holds 208 0"},
        {"right loud, left silent: dots", 0, Full, Scale, "bars 0 208, ... ..., markers 0 208, holds 0 208"},
        {"round(86.138 * 188) = 16194", Half, Half, Scale, "bars 179 179, -13.9 -13.9, markers 179 179, holds 179 179"},
        {"5680 \\ 90 is truncated", 1000, 1000, Scale, "bars 63 63, -69.8 -69.8, markers 63 63, holds 63 63"},
        {"a wider scale", 1000, 1000, 192, "bars 64 64, -69.8 -69.8, markers 64 64, holds 64 64"},
        {"-10 dB fills the scale exactly", Full * 0.60653066, 0, 90, "bars 90 0, -10 -100, markers 90 0, holds 90 0"},
        {"-0.041 dB shows as 0", 32700, 12054, Scale, "bars 208 167, 0 -20, markers 208 167, holds 208 167"},
        {"NaN and negative peaks are silence", nan, -5, Scale, "bars 0 0, ... ..., markers 0 0, holds 0 0"},
        {"peaks above full scale are full scale", inf, 1e300, Scale,
         "bars 208 208, 0 0, markers 208 208, holds 208 208"},
        // Widths saturate, so the 16-bit holds stay valid.
        {"a huge scale", Full, Full, wide, "bars 32767 32767, 0 0, markers 32767 32767, holds 32767 32767"},
        {"a negative scale", Full, Full, -10, "bars 0 0, 0 0, markers 0 0, holds 0 0"},
    };
    for (const auto& [what, left, right, scale, expected] : cases) {
        LevelMeter meter;
        EXPECT_EQ(read(meter, left, right, scale), expected) << what;
    }
}

TEST(LevelMeterTest, LabelsRoundToOneDecimalOfTheLocaleAndNeverShowMinusZero)
{
    LevelMeter meter;
    {
        LocaleGuard guard(English);
        EXPECT_EQ(read(meter, Half, 1000), "bars 179 63, -13.9 -69.8, markers 179 63, holds 179 63");
    }
    LocaleGuard guard(German);
    EXPECT_EQ(read(meter, Half, 1000), "bars 179 63, -13,9 -69,8, markers 179 63, holds 179 63");
    for (const auto& [level, label] : {std::pair{-20.0005, "-20"},
                                       {-19.96, "-20"},
                                       {-0.04, "0"},
                                       {-0.05, "-0,1"},
                                       {-0.5, "-0,5"},
                                       {-13.86, "-13,9"},
                                       {-99.94, "-99,9"}}) {
        EXPECT_EQ(LevelMeter::FormatLevel(level), label) << level;
    }
}

TEST(LevelMeterTest, MarkersOnlyMoveRightUntilReset)
{
    LocaleGuard guard(English);
    LevelMeter meter;
    EXPECT_EQ(read(meter, Half, 1000), "bars 179 63, -13.9 -69.8, markers 179 63, holds 179 63");
    EXPECT_EQ(read(meter, 1000, 1000), "bars 63 63, -69.8 -69.8, markers 179 63, holds 179 63") << "quieter";
    EXPECT_EQ(read(meter, Full, Half), "bars 208 179, 0 -13.9, markers 208 179, holds 208 179") << "louder";

    meter.Reset();
    EXPECT_EQ(QList<int>({meter.HoldLeft(), meter.HoldRight(), meter.MarkerLeft(), meter.MarkerRight()}),
              QList<int>({0, 0, 0, 0}));
    EXPECT_EQ(read(meter, 1000, 1000), "bars 63 63, -69.8 -69.8, markers 63 63, holds 63 63");
}

TEST(LevelMeterTest, HoldsOnlyFollowOnceBothBarsReachThem)
{
    LocaleGuard guard(English);
    LevelMeter meter;
    read(meter, Half, Half);
    // Left below its hold: nothing moves, not even the louder right marker.
    EXPECT_EQ(read(meter, 1000, Full), "bars 63 208, -69.8 0, markers 179 179, holds 179 179");
    // Left above, right below: the left marker moves, the holds stay.
    EXPECT_EQ(read(meter, Full, 1000), "bars 208 63, 0 -69.8, markers 208 179, holds 179 179");
    // The left marker follows the left bar down to its unchanged hold.
    EXPECT_EQ(read(meter, Half, 1000), "bars 179 63, -13.9 -69.8, markers 179 179, holds 179 179");
}

} // namespace
