#include "controls/ButtonPainter.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

namespace {

using Palette = ButtonPainter::Palette;
using Look = ButtonPainter::Look;

constexpr int W = 40;
constexpr int H = 24;
constexpr int Up = ButtonPainter::StateUp;
constexpr int Down = ButtonPainter::StateDown;

// The colour rules, written out again here so that the painter is checked against them.
QRgb add(QRgb c, int n)
{
    return qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255), std::clamp(qBlue(c) + n, 0, 255));
}

QRgb addP(QRgb c, int n)
{
    const int blue = qBlue(c) + int(std::trunc(qBlue(c) * n / 192.0));
    return qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255), std::clamp(blue, 0, 255));
}

QRgb xorWhite(QRgb c)
{
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

const QRgb F = qRgb(200, 190, 180);
const QRgb L = add(F, 31), Hi = add(F, 47), S = add(F, -64), D = add(F, -192);

QImage paint(int type, int state, Look look = {}, QSize size = QSize(W, H), QImage image = {})
{
    ButtonPainter painter;
    painter.setPalette(ButtonPainter::BuildPalette(2, F, qRgb(10, 20, 30), qRgb(40, 50, 60), QPalette(), 0, 0));
    painter.LayoutCaption(look.caption, look.font, size);
    if (image.isNull()) {
        image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::magenta);
    }
    look.buttonType = type;
    painter.PaintButton(image, state, look);
    return image;
}

// clang-format off
struct Point { int x; int y; QRgb colour; };
// Looks besides up and down: disabled, focused (with focus marks on), default (with focus marks on), hovered,
// focused from the keyboard (focus marks off), focused by a click (focus marks off).
enum Flags { Plain = 0, Disabled = 1, Focused = 2, Default = 4, Over = 8, Keyboard = 16, Clicked = 32 };
struct Case { const char* name; int type; int state; int flags; std::vector<Point> expected; };
// clang-format on

// clang-format off
std::vector<Case> cases()
{
    const QRgb b3 = addP(F, 48), b3d = addP(b3, -32), frame3 = qRgb(0, 60, 115), l6 = add(L, 8);
    const QRgb s16 = add(S, -16), s32 = add(S, -32), s64 = add(S, -64), s26 = add(S, -26), inv = xorWhite(F);
    const std::vector<Point> up1{{0, 0, D}, {20, 0, D}, {1, 1, Hi}, {20, 1, Hi}, {1, 22, S}, {38, 12, S},
                                 {20, 22, S}, {2, 2, Hi}, {37, 12, S}, {2, 21, S}, {20, 12, F}, {4, 4, F}};
    const std::vector<Point> up2{{0, 0, Hi}, {20, 0, Hi}, {0, 12, Hi}, {39, 12, D}, {20, 23, D}, {39, 0, D},
                                 {0, 23, D}, {1, 1, L}, {38, 12, S}, {20, 22, S}, {1, 22, S}, {20, 12, F}};
    const std::vector<Point> up4{{0, 0, D}, {20, 0, D}, {1, 1, D}, {20, 1, L}, {20, 2, Hi}, {2, 12, Hi},
                                 {3, 3, Hi}, {37, 12, F}, {20, 21, F}, {38, 12, S}, {20, 22, S}, {37, 21, S},
                                 {2, 21, L}, {2, 22, F}, {38, 2, F}, {37, 2, L}, {20, 12, L}};
    const std::vector<Point> up6{{0, 0, l6}, {20, 0, l6}, {39, 12, S}, {20, 23, S}, {39, 0, S},
                                 {0, 23, S}, {1, 1, l6}, {38, 12, S}, {1, 22, S}, {20, 12, F}};
    const std::vector<Point> up7{{0, 0, Hi}, {20, 0, Hi}, {39, 12, S}, {20, 23, S}, {1, 1, F}, {38, 12, F}};
    return {
        {"1 up", 1, Up, Plain, up1},
        {"1 down", 1, Down, Plain, {{0, 0, D}, {1, 1, S}, {20, 1, S}, {38, 12, Hi}, {2, 2, S}, {20, 21, Hi}}},
        {"1 disabled", 1, Down, Disabled, up1},
        {"1 focused", 1, Up, Focused, {{4, 4, inv}, {5, 4, F}, {35, 5, inv}, {20, 19, F}, {21, 19, inv}, {20, 12, F}}},
        {"1 focused by keyboard", 1, Up, Keyboard, {{4, 4, inv}, {5, 4, F}, {35, 5, inv}, {21, 19, inv}}},
        {"2 up", 2, Up, Plain, up2},
        {"2 up focused, not default", 2, Up, Focused, up2},
        {"2 up focused by keyboard", 2, Up, Keyboard, {{0, 0, Hi}, {1, 1, L}, {4, 4, inv}, {5, 4, F}, {35, 5, inv}}},
        {"2 up default", 2, Up, Default, {{0, 0, D}, {1, 1, Hi}, {38, 12, D}, {2, 2, L}, {37, 12, S}, {4, 4, F}}},
        {"2 down", 2, Down, Plain, {{0, 0, D}, {39, 12, Hi}, {1, 1, S}, {38, 12, L}, {20, 12, F}}},
        {"2 down focused", 2, Down, Focused, {{0, 0, D}, {39, 12, D}, {1, 1, S}, {38, 12, S}, {2, 2, F}, {4, 4, inv}}},
        {"2 disabled", 2, Up, Disabled, up2},
        {"3 up", 3, Up, Plain, {{20, 0, frame3}, {1, 1, qRgb(16, 77, 123)}, {20, 22, addP(b3, -48)},
            {20, 21, addP(b3, -32)}, {38, 12, addP(b3, -36)}, {37, 12, addP(b3, -24)}, {20, 1, addP(b3, 16)},
            {20, 2, addP(b3, 10)}, {1, 12, addP(b3, -5)}, {2, 12, addP(b3, -10)}, {20, 12, addP(b3, -12)},
            {20, 7, addP(b3, -7)}}},
        {"3 down", 3, Down, Plain, {{20, 0, frame3}, {20, 22, addP(b3d, 16)}, {20, 21, addP(b3d, 10)},
            {38, 12, addP(b3d, 5)}, {37, 12, b3d}, {20, 1, addP(b3d, -32)}, {20, 2, addP(b3d, -24)},
            {1, 12, addP(b3d, -32)}, {2, 12, addP(b3d, -22)}, {20, 12, addP(b3d, -12)}, {20, 7, addP(b3d, -18)}}},
        {"3 disabled", 3, Up, Disabled, {{20, 12, addP(b3, -24)}, {20, 0, addP(b3, -84)}, {1, 1, addP(b3, -72)}}},
        {"3 up default", 3, Up, Default,
            {{20, 1, qRgb(206, 231, 255)}, {1, 12, qRgb(140, 174, 231)}, {20, 22, qRgb(107, 130, 239)}}},
        {"3 up focused by keyboard", 3, Up, Keyboard,
            {{20, 1, qRgb(206, 231, 255)}, {1, 12, qRgb(140, 174, 231)}, {20, 22, qRgb(107, 130, 239)}}},
        {"3 up focused by click", 3, Up, Clicked, {{20, 1, addP(b3, 16)}, {1, 12, addP(b3, -5)}}},
        {"3 up hovered", 3, Up, Over | Default,
            {{20, 1, qRgb(255, 243, 206)}, {1, 12, qRgb(255, 178, 49)}, {20, 22, qRgb(231, 150, 0)}}},
        {"4 up", 4, Up, Plain, up4},
        {"4 up focused by keyboard", 4, Up, Keyboard, {{20, 2, Hi}, {4, 4, xorWhite(L)}, {5, 4, L}, {35, 5, xorWhite(L)}}},
        {"4 down", 4, Down, Plain, {{0, 0, D}, {1, 1, D}, {20, 1, s64}, {2, 2, s64}, {20, 2, s32}, {3, 3, s32},
            {20, 12, s16}, {37, 12, S}, {20, 21, S}, {38, 12, s16}, {20, 22, s16}, {38, 21, s32}, {1, 21, s16},
            {38, 2, s32}, {37, 1, s16}}},
        {"4 disabled", 4, Down, Disabled, up4},
        {"5 up", 5, Up, Plain, {{0, 0, s26}, {20, 0, s26}, {39, 0, F}, {20, 1, Hi}, {1, 12, Hi}, {0, 12, s26},
            {38, 12, s26}, {39, 12, Hi}, {20, 22, s26}, {20, 23, Hi}, {1, 22, add(S, 26)}, {38, 1, add(S, 26)},
            {20, 12, add(F, 12)}}},
        {"5 down", 5, Down, Plain, {{0, 0, s26}, {20, 12, add(S, 16)}, {38, 12, s26}, {39, 12, Hi}, {20, 22, s26},
            {20, 23, Hi}, {0, 23, F}, {39, 0, F}}},
        {"5 disabled", 5, Up, Disabled, {{0, 0, S}, {39, 12, S}, {20, 23, S}, {20, 12, F}, {1, 1, F}}},
        {"6 up", 6, Up, Plain, up6},
        {"6 down", 6, Down, Plain, {{0, 0, S}, {39, 12, l6}, {1, 1, S}, {38, 12, l6}, {0, 23, l6}}},
        {"6 disabled", 6, Down, Disabled, up6},
        {"7 up", 7, Up, Plain, up7},
        {"7 down", 7, Down, Plain, {{0, 0, S}, {39, 12, Hi}, {1, 1, F}}},
        {"7 disabled", 7, Down, Disabled, up7},
        {"8 up", 8, Up, Plain, {{0, 0, F}, {39, 12, F}, {20, 23, F}}},
        {"8 up hovered", 8, Up, Over, up7},
        {"8 down", 8, Down, Plain, {{0, 0, S}, {39, 12, Hi}, {1, 1, F}}},
        {"8 disabled", 8, Up, Disabled, {{0, 0, S}, {39, 12, S}, {20, 23, S}, {1, 1, F}}},
        {"unknown type", 9, Up, Plain, {{0, 0, F}, {20, 12, F}}},
    };
}
// clang-format on

TEST(ButtonPainterTest, EveryStyleDrawsItsUpDownAndDisabledLook)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        Look look;
        look.enabled = !(c.flags & Disabled);
        look.hasFocus = c.flags & (Focused | Keyboard | Clicked);
        look.focusCue = c.flags & Keyboard;
        look.isDefault = c.flags & Default;
        look.showFocusRect = c.flags & (Focused | Default);
        look.isOver = c.flags & Over;
        const QImage image = paint(c.type, c.state, look);
        for (const Point& p : c.expected)
            EXPECT_EQ(image.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
    // Tiny buttons clip their drawing: the up look painted over the down one is the up look alone.
    for (int type = 1; type <= 8; ++type)
        for (const QSize size : {QSize(40, 1), QSize(2, 2), QSize(1, 30)}) {
            SCOPED_TRACE(type);
            const Look look{type, QStringLiteral("A long caption"), QFont(), 96, true, true, true, true, false};
            EXPECT_EQ(paint(type, Up, look, size, paint(type, Down, look, size)), paint(type, Up, look, size))
                << size.width() << "x" << size.height();
        }

    // Style 3's gradient as written: at H = 25 the amount grows by 1 per row, at H = 100 by 1 about every
    // fourth row, halves going to the even neighbour (rows 42 and 46).
    const QRgb b3 = addP(F, 48);
    for (const auto& [height, first, amounts] :
         {std::tuple{25, 5, std::vector{5, 6, 7, 8, 9, 10}}, {100, 40, std::vector{10, 10, 10, 11, 11, 11, 12}}}) {
        const QImage image = paint(3, Up, {}, QSize(W, height));
        for (int row = first; const int amount : amounts) {
            EXPECT_EQ(image.pixel(W / 2, row), addP(b3, -amount)) << "H " << height << " row " << row;
            ++row;
        }
    }
}

TEST(ButtonPainterTest, Style5FramesTheCaptionOfTheFocusedButton)
{
    Look look;
    look.caption = QStringLiteral("Ab");
    look.hasFocus = look.showFocusRect = true;
    const QFontMetrics metrics(ButtonPainter::CaptionFont(look.font));
    const int x = (W - metrics.horizontalAdvance(look.caption)) / 2 - 3;
    const int y = (H - metrics.height()) / 2 - 1;
    const QImage image = paint(5, Up, look);
    EXPECT_EQ(image.pixel(x, y + 1), qRgb(153, 153, 204));
    EXPECT_EQ(image.pixel(x - 1, y + 1), add(F, 12));
}

TEST(ButtonPainterTest, DrawsAtTheDevicePixelRatioWithEveryEdgeLineOneWidth)
{
    Look look;
    look.caption = QStringLiteral("Ab");
    look.size = QSize(W, H);
    look.buttonType = 1;
    for (const qreal ratio : {1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage image(qRound(W * ratio), qRound(H * ratio), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        ButtonPainter painter;
        painter.setPalette(ButtonPainter::BuildPalette(2, F, 0, 0, QPalette(), 0, 0));
        painter.LayoutCaption(look.caption, look.font, look.size);
        painter.PaintButton(image, Up, look);
        // The outline, then two rings, light at the top and left, dark at the bottom and right: each the
        // ratio rounded wide. The corners the shape cuts are transparent.
        const int t = qRound(ratio), w = image.width(), h = image.height();
        for (int i = 0; i <= 3 * t; ++i) {
            const QRgb light[] = {D, Hi, Hi, F}, dark[] = {D, S, S, F};
            EXPECT_EQ(image.pixel(w / 2, i), light[i / t]) << i;
            EXPECT_EQ(image.pixel(w - 1 - i, h / 2), dark[i / t]) << i;
        }
        EXPECT_EQ(qAlpha(image.pixel(t - 1, h - t)) + qAlpha(image.pixel(t, h - t)), 255);
    }
}

// clang-format off
TEST(ButtonPainterTest, CaptionsUseTheTwinOfADesignedFaceAndAnyOtherFaceAsGiven)
{
    for (const auto& [given, drawn] : {std::pair{"MS Sans Serif", "Liberation Sans"}, {"arial", "Liberation Sans"},
                                       {"Courier New", "Liberation Mono"}, {"DejaVu Serif", "DejaVu Serif"}}) {
        QFont font(QString::fromLatin1(given), 9, QFont::Bold);
        const QFont caption = ButtonPainter::CaptionFont(font);
        EXPECT_EQ(QFontInfo(caption).family(), drawn) << given;
        EXPECT_TRUE(caption.bold() && caption.pointSize() == 9);
    }
}

TEST(ButtonPainterTest, RegionCutsTheCornersOfItsType)
{
    const QList<QPoint> rounded{{0, 0}, {1, 0}, {0, 1}, {W - 2, 0}, {W - 1, 0}, {W - 1, 1},
                                {0, H - 1}, {1, H - 1}, {0, H - 2}, {W - 2, H - 1}, {W - 1, H - 1}, {W - 1, H - 2}};
    const std::pair<int, QList<QPoint>> types[] = {{1, {{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}}}, {2, {}},
        {3, rounded}, {4, rounded}, {5, {{0, H - 1}, {W - 1, 0}}}, {6, {}}, {7, {}}, {8, {}}, {0, {}}};
    for (const auto& [type, cut] : types) {
        const QRegion region = ButtonPainter::BuildRegion(type, QSize(W, H));
        int inside = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                inside += region.contains(QPoint(x, y)) ? 1 : 0;
        EXPECT_EQ(inside, W * H - cut.size()) << "type " << type;
        for (const QPoint& p : cut)
            EXPECT_FALSE(region.contains(p)) << "type " << type << " at " << p.x() << "," << p.y();
    }
}

TEST(ButtonPainterTest, ShadeColor)
{
    struct Shade { QRgb colour; int amount; bool proportional; QRgb result; };
    const Shade shades[] = {
        {qRgb(255, 255, 255), 47, false, qRgb(255, 255, 255)}, {qRgb(10, 10, 10), -64, false, qRgb(0, 0, 0)},
        {qRgb(100, 150, 200), 31, false, qRgb(131, 181, 231)}, {qRgb(100, 100, 192), 48, true, qRgb(148, 148, 240)},
        // Only blue scales; -4848 / 192 truncates to -25, not -26.
        {qRgb(100, 100, 101), -48, true, qRgb(52, 52, 76)}, {qRgb(0, 60, 0), -32, true, qRgb(0, 28, 0)},
        {qRgb(250, 250, 250), 48, true, qRgb(255, 255, 255)}};
    for (const Shade& s : shades)
        EXPECT_EQ(ButtonPainter::ShadeColor(s.colour, s.amount, s.proportional), s.result)
            << qRed(s.colour) << "," << qGreen(s.colour) << "," << qBlue(s.colour) << " by " << s.amount;
}
// clang-format on

TEST(ButtonPainterTest, PalettesOfTheFourSchemes)
{
    QPalette system;
    const QPalette::ColorRole roles[] = {QPalette::Button, QPalette::Midlight, QPalette::Light,
                                         QPalette::Dark,   QPalette::Shadow,   QPalette::ButtonText};
    for (int i = 0; i < 6; ++i)
        system.setColor(roles[i], QColor(3 * i + 1, 3 * i + 2, 3 * i + 3));
    const QRgb back = qRgb(224, 223, 227), fore = qRgb(192, 0, 0), over = qRgb(255, 0, 0);
    const QRgb container = qRgb(90, 100, 110), containerText = qRgb(5, 6, 7);
    const auto build = [&](int scheme) {
        return ButtonPainter::BuildPalette(scheme, back, fore, over, system, container, containerText);
    };
    const Palette systemColours{qRgb(1, 2, 3),    qRgb(4, 5, 6),    qRgb(7, 8, 9),   qRgb(10, 11, 12),
                                qRgb(13, 14, 15), qRgb(16, 17, 18), qRgb(16, 17, 18)};
    for (const int scheme : {0, 1, 7})
        EXPECT_EQ(build(scheme), systemColours) << scheme;
    EXPECT_EQ(build(2), (Palette{back, add(back, 31), add(back, 47), add(back, -64), add(back, -192), fore, over}));
    EXPECT_EQ(build(3), (Palette{qRgb(192, 192, 192), qRgb(223, 223, 223), qRgb(255, 255, 255), qRgb(128, 128, 128),
                                 qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)}));
    EXPECT_EQ(build(4), (Palette{container, add(container, 31), add(container, 47), add(container, -64),
                                 add(container, -192), containerText, containerText}));
}

} // namespace
