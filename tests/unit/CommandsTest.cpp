#include "app/Commands.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "fakes/FakeClock.h"

using namespace Commands;

namespace {

int filtered(int code, int mode)
{
    FilterKeyAscii(code, mode);
    return code;
}

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(CommandsTest, FilterKeyAsciiPassesOrSwallowsEachKeyByMode)
{
    // Editing keys pass in every mode, unknown ones included; an unknown mode filters nothing.
    for (const int mode : {0, 1, 2, 7}) {
        for (const int code : {3, 8, 13, 22}) {
            EXPECT_EQ(filtered(code, mode), code) << "mode " << mode << " code " << code;
        }
    }
    EXPECT_EQ(filtered('.', 3), '.');
    EXPECT_EQ(filtered('(', 0), '(');

    // Per mode: the characters that pass and those that are swallowed.
    const std::tuple<int, std::string, std::string> modes[] = {
        {KeyFilterFileName, " !&'+-09?@AZ_`az{|}~\x7f\xe4\xdf", ".(),/*#\"$%:;<=>[\\]^\x01"},
        {KeyFilterNumber, ",.059:", "a-+ ;/\xe4"},
    };
    for (const auto& [mode, passes, swallowed] : modes) {
        for (const unsigned char c : passes) {
            EXPECT_EQ(filtered(c, mode), c) << "mode " << mode << ": " << int(c) << " must pass";
        }
        for (const unsigned char c : swallowed) {
            EXPECT_EQ(filtered(c, mode), 0) << "mode " << mode << ": " << int(c) << " must be swallowed";
        }
    }

    // Keys that edit or move never reach the filter; AltGr (Ctrl+Alt) types.
    for (const auto& [key, modifiers, editing] : {std::tuple{Qt::Key_Tab, Qt::KeyboardModifiers(), true},
                                                  {Qt::Key_Backtab, Qt::ShiftModifier, true},
                                                  {Qt::Key_Delete, {}, true},
                                                  {Qt::Key_Home, {}, true},
                                                  {Qt::Key_Left, {}, true},
                                                  {Qt::Key_A, Qt::ControlModifier, true},
                                                  {Qt::Key_Z, Qt::ControlModifier, true},
                                                  {Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, false},
                                                  {Qt::Key_A, {}, false},
                                                  {Qt::Key_Period, {}, false},
                                                  {Qt::Key_Space, Qt::ShiftModifier, false}}) {
        EXPECT_EQ(IsEditingKey(key, modifiers), editing) << key << " " << modifiers.toInt();
    }
}

TEST(CommandsTest, BitrateFromIndexCoversTableAndRejectsOthers)
{
    for (const auto& [index, bitrate] :
         {std::pair{0, 320}, {3, 192}, {7, 96}, {12, 32}, {-1, -1}, {13, -1}, {INT_MIN, -1}, {INT_MAX, -1}}) {
        EXPECT_EQ(BitrateFromIndex(index), bitrate) << index;
    }
}

TEST(CommandsTest, StampsArePaddedAndUseTheTwentyFourHourClock)
{
    FakeClock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)));
    EXPECT_EQ(DateStamp(clock) + ' ' + TimeStamp(clock), "2026-12-07 09-05-03");
    clock.setNow(QDateTime(QDate(2027, 1, 31), QTime(23, 59, 1)));
    EXPECT_EQ(DateStamp(clock) + ' ' + TimeStamp(clock), "2027-01-31 23-59-01");
}

TEST(CommandsTest, ValReadsTheLeadingNumberAndHugeOnesAreInfinite)
{
    // clang-format off
    const std::pair<QString, double> cases[] = {
        {"", 0}, {"+3", 3}, {"2.5", 2.5}, {".5", 0.5}, {"1.2.3", 1.2}, {"1,5", 1}, {"1e3", 1000}, {"15E-1", 1.5},
        {"4e", 4}, {".", 0}, {"1e999", Infinity}, {"-1e999", -Infinity}, {"1e-999", 0}, {QString(400, u'9'), Infinity}};
    // clang-format on
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(Val(text), value) << text.left(20);
    }
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

TEST(CommandsTest, RoundHalfEvenTiesGoToEvenAndClamps)
{
    // clang-format off
    const std::pair<double, int> cases[] = {{2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {2.5001, 3}, {-2.6, -3},
                                            {1e300, INT_MAX}, {-Infinity, INT_MIN}, {NaN, 0}};
    // clang-format on
    for (const auto& [value, rounded] : cases) {
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    }
}

TEST(CommandsTest, BitrateIndexFromIniReadsStoredTexts)
{
    const std::pair<QString, int> cases[] = {
        {"3", 3},           {"7abc", 7}, {"abc", 0},    {"2.5", 2},
        {"3.5", 4},         {"-1", -1},  {"  12 ", 12}, {"99999999999999999999", INT_MAX},
        {"-1e999", INT_MIN}};
    for (const auto& [text, index] : cases) {
        EXPECT_EQ(BitrateIndexFromIni(text), index) << text;
    }
}
