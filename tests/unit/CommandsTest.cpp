#include "app/Commands.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "fakes/FakeClock.h"

using namespace Commands;

namespace {

int filtered(int code, int mode)
{
    FilterKeyAscii(code, mode);
    return code;
}

} // namespace

TEST(CommandsTest, FilterKeyAsciiEditingKeysAndUnknownModes)
{
    for (const int mode : {0, 1, 2, 7}) {
        for (const int code : {3, 8, 13, 22}) {
            EXPECT_EQ(filtered(code, mode), code) << "mode " << mode << " code " << code;
        }
    }
    EXPECT_EQ(filtered('.', 3), '.');
    EXPECT_EQ(filtered('(', 0), '(');
}

TEST(CommandsTest, FilterKeyAsciiFileNameMode)
{
    for (const char c :
         {' ', '!', '&', '\'', '+', '-', '0', '9', '?', '@', 'A', 'Z', '_', '`', 'a', 'z', '{', '|', '}', '~'}) {
        EXPECT_EQ(filtered(c, KeyFilterFileName), c) << "'" << c << "' must pass";
    }
    for (const char c :
         {'.', '(', ')', ',', '/', '*', '#', '"', '$', '%', ':', ';', '<', '=', '>', '[', '\\', ']', '^'}) {
        EXPECT_EQ(filtered(c, KeyFilterFileName), 0) << "'" << c << "' must be swallowed";
    }
    EXPECT_EQ(filtered(1, KeyFilterFileName), 0);
    EXPECT_EQ(filtered(127, KeyFilterFileName), 127);
    EXPECT_EQ(filtered(0xE4, KeyFilterFileName), 0xE4); // ä
    EXPECT_EQ(filtered(0xDF, KeyFilterFileName), 0xDF); // ß
}

TEST(CommandsTest, FilterKeyAsciiNumberMode)
{
    for (const char c : {',', '.', '0', '5', '9', ':'}) {
        EXPECT_EQ(filtered(c, KeyFilterNumber), c) << "'" << c << "' must pass";
    }
    for (const int c : {int('a'), int('-'), int('+'), int(' '), int(';'), int('/'), 0xE4}) {
        EXPECT_EQ(filtered(c, KeyFilterNumber), 0) << c << " must be swallowed";
    }
}

TEST(CommandsTest, BitrateFromIndexCoversTableAndRejectsOthers)
{
    EXPECT_EQ(BitrateFromIndex(0), 320);
    EXPECT_EQ(BitrateFromIndex(3), 192);
    EXPECT_EQ(BitrateFromIndex(7), 96);
    EXPECT_EQ(BitrateFromIndex(12), 32);
    EXPECT_EQ(BitrateFromIndex(-1), -1);
    EXPECT_EQ(BitrateFromIndex(13), -1);
    EXPECT_EQ(BitrateFromIndex(INT_MIN), -1);
    EXPECT_EQ(BitrateFromIndex(INT_MAX), -1);
}

TEST(CommandsTest, StampsArePaddedAndUseTheTwentyFourHourClock)
{
    FakeClock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)));
    EXPECT_EQ(DateStamp(clock), QStringLiteral("2026-12-07"));
    EXPECT_EQ(TimeStamp(clock), QStringLiteral("09-05-03"));

    clock.setNow(QDateTime(QDate(2027, 1, 31), QTime(23, 59, 1)));
    EXPECT_EQ(DateStamp(clock), QStringLiteral("2027-01-31"));
    EXPECT_EQ(TimeStamp(clock), QStringLiteral("23-59-01"));
}

TEST(CommandsTest, ValReadsTheLeadingNumber)
{
    EXPECT_EQ(Val(QString()), 0.0);
    EXPECT_EQ(Val(QStringLiteral("+3")), 3.0);
    EXPECT_EQ(Val(QStringLiteral("2.5")), 2.5);
    EXPECT_EQ(Val(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(Val(QStringLiteral("1.2.3")), 1.2);
    EXPECT_EQ(Val(QStringLiteral("1,5")), 1.0);
    EXPECT_EQ(Val(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(Val(QStringLiteral("15E-1")), 1.5);
    EXPECT_EQ(Val(QStringLiteral("4e")), 4.0);
    EXPECT_EQ(Val(QStringLiteral(".")), 0.0);
}

TEST(CommandsTest, ValIgnoresTheProcessLocale)
{
    // Qt sets LC_NUMERIC from the environment; a German locale must not turn "2.5" into 2.
    const char* old = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    }
    const double value = Val(QStringLiteral("2.5"));
    setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(value, 2.5);
}

TEST(CommandsTest, ValOfHugeNumbersIsInfiniteNotUndefined)
{
    EXPECT_TRUE(std::isinf(Val(QStringLiteral("1e999"))));
    EXPECT_GT(Val(QStringLiteral("1e999")), 0.0);
    EXPECT_LT(Val(QStringLiteral("-1e999")), 0.0);
    EXPECT_EQ(Val(QStringLiteral("1e-999")), 0.0);
    EXPECT_EQ(Val(QString(400, u'9')), std::numeric_limits<double>::infinity());
}

TEST(CommandsTest, RoundHalfEvenTiesGoToEvenAndClamps)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(-2.6), -3);
    EXPECT_EQ(RoundHalfEven(1e300), INT_MAX);
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(CommandsTest, BitrateIndexFromIniReadsStoredTexts)
{
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("3")), 3);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("7abc")), 7);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("abc")), 0);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("2.5")), 2);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("3.5")), 4);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("-1")), -1);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("  12 ")), 12);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("99999999999999999999")), INT_MAX);
    EXPECT_EQ(BitrateIndexFromIni(QStringLiteral("-1e999")), INT_MIN);
}
