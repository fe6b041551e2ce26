#include "controls/ButtonRules.h"

#include <iterator>
#include <utility>

namespace ButtonRules {

qint16 buttonCode(Qt::MouseButtons buttons)
{
    return qint16((buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
                  (buttons & Qt::MiddleButton ? 4 : 0));
}

qint16 shiftCode(Qt::KeyboardModifiers modifiers)
{
    return qint16((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
                  (modifiers & Qt::AltModifier ? 4 : 0));
}

qint16 keyCode(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Space)
        return qint16(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return qint16(112 + key - Qt::Key_F1);
    static constexpr std::pair<int, qint16> codes[] = {
        {Qt::Key_Backspace, 8},      {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},       {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},         {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},      {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},         {Qt::Key_CapsLock, 20},    {Qt::Key_Escape, 27},       {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34},      {Qt::Key_End, 35},         {Qt::Key_Home, 36},         {Qt::Key_Left, VkLeft},
        {Qt::Key_Up, VkUp},          {Qt::Key_Right, VkRight},  {Qt::Key_Down, VkDown},     {Qt::Key_Print, 44},
        {Qt::Key_Insert, 45},        {Qt::Key_Delete, 46},      {Qt::Key_Meta, 91},         {Qt::Key_Menu, 93},
        {Qt::Key_NumLock, 144},      {Qt::Key_ScrollLock, 145}, {Qt::Key_Semicolon, 186},   {Qt::Key_Plus, 187},
        {Qt::Key_Equal, 187},        {Qt::Key_Comma, 188},      {Qt::Key_Minus, 189},       {Qt::Key_Period, 190},
        {Qt::Key_Slash, 191},        {Qt::Key_QuoteLeft, 192},  {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},
        {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222}, {Qt::Key_Adiaeresis, 222},  {Qt::Key_Odiaeresis, 192},
        {Qt::Key_Udiaeresis, 186},   {Qt::Key_ssharp, 219},     {Qt::Key_NumberSign, 191},  {Qt::Key_Less, 226},
        {Qt::Key_Greater, 226}};
    for (const auto& [qtKey, code] : codes)
        if (key == qtKey)
            return code;
    return 0;
}

Qt::CursorShape pointerShape(qint16 code)
{
    static constexpr Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
    return code >= 0 && code < qint16(std::size(shapes)) ? shapes[code] : Qt::ArrowCursor;
}

qint32 packed(QRgb color)
{
    return qint32(qRed(color) | (qGreen(color) << 8) | (qBlue(color) << 16));
}

QRgb unpacked(qint32 value)
{
    return qRgb(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

QChar accessKey(const QString& caption)
{
    if (caption.size() < 2)
        return {};
    const qsizetype first = caption.indexOf(QLatin1Char('&'));
    if (first < 0 || first == caption.size() - 1)
        return {};
    if (caption.at(first + 1) != QLatin1Char('&'))
        return caption.at(first + 1).toLower();
    const qsizetype next = caption.indexOf(QLatin1Char('&'), first + 2);
    if (next < 0 || next == caption.size() - 1 || caption.at(next + 1) == QLatin1Char('&'))
        return {};
    return caption.at(next + 1).toLower();
}

} // namespace ButtonRules
