#include "controls/ButtonRules.h"

#include <utility>

#include <gtest/gtest.h>

TEST(ButtonRules, AccessKeyIsTheFirstSingleAmpersandsLetter)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"&Reset", "r"}, {"Felder && Co", ""}, {"A && B &Co", "c"}, {"&&&x", "x"}, {"&&&&x", ""}, {"&", ""},
        {"Reset&", ""}, {"x", ""}, {"a&&b&", ""}, {"", ""}, {"Felder  leeren ", ""}, {"&Übernehmen", "ü"},
        {"a&&b&&&c", ""}, {"&a&b", "a"}};
    // clang-format on
    for (const auto& [caption, key] : cases) {
        const QChar found = ButtonRules::accessKey(QString::fromUtf8(caption));
        EXPECT_EQ(found.isNull() ? QString() : QString(found), QString::fromUtf8(key)) << caption;
    }
}

TEST(ButtonRules, KeyPointerAndColourCodes)
{
    const std::pair<int, int> keys[] = {{Qt::Key_A, 65},           {Qt::Key_5, 53},        {Qt::Key_Space, 32},
                                        {Qt::Key_F1, 112},         {Qt::Key_F24, 135},     {Qt::Key_Left, 37},
                                        {Qt::Key_Down, 40},        {Qt::Key_Backtab, 9},   {Qt::Key_Enter, 13},
                                        {Qt::Key_Adiaeresis, 222}, {Qt::Key_Greater, 226}, {Qt::Key_Launch0, 0}};
    for (const auto& [key, code] : keys) {
        EXPECT_EQ(ButtonRules::keyCode(key), code) << key;
    }
    const std::pair<int, Qt::CursorShape> pointers[] = {
        {0, Qt::ArrowCursor},    {4, Qt::ArrowCursor},  {2, Qt::CrossCursor},  {11, Qt::WaitCursor},
        {15, Qt::SizeAllCursor}, {16, Qt::ArrowCursor}, {-1, Qt::ArrowCursor}, {99, Qt::ArrowCursor}};
    for (const auto& [code, shape] : pointers) {
        EXPECT_EQ(ButtonRules::pointerShape(qint16(code)), shape) << code;
    }
    EXPECT_EQ(ButtonRules::buttonCode(Qt::LeftButton | Qt::MiddleButton), 5);
    EXPECT_EQ(ButtonRules::shiftCode(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(ButtonRules::packed(qRgb(1, 2, 3)), 0x030201);
    EXPECT_EQ(ButtonRules::unpacked(0x030201), qRgb(1, 2, 3));
    EXPECT_EQ(ButtonRules::unpacked(0x7f030201), qRgb(1, 2, 3)) << "bits above blue are no colour";
}
