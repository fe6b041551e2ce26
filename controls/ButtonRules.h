#pragma once

#include <QChar>
#include <QColor>
#include <QString>
#include <Qt>

/// The button's codes for what its events report: mouse buttons, shift keys, virtual keys,
/// pointer shapes, stored colours and the caption's access key.
namespace ButtonRules {

constexpr qint16 VkSpace = 32;
constexpr qint16 VkLeft = 37;
constexpr qint16 VkUp = 38;
constexpr qint16 VkRight = 39;
constexpr qint16 VkDown = 40;
/// The pointer code that shows the button's own pointer picture.
constexpr qint16 PointerCustom = 99;

/// 1 left, 2 right, 4 middle, added up.
qint16 buttonCode(Qt::MouseButtons buttons);
/// 1 Shift, 2 Ctrl, 4 Alt, added up.
qint16 shiftCode(Qt::KeyboardModifiers modifiers);
/// The virtual-key code of a Qt key (all below 256); 0 for keys that have none.
qint16 keyCode(int key);
/// The shapes of pointer codes 0 to 15; 0 and 4 (the old icon pointer) and unknown codes show the arrow.
Qt::CursorShape pointerShape(qint16 code);
/// Colours are stored packed as red + 256 * green + 65536 * blue.
qint32 packed(QRgb color);
QRgb unpacked(qint32 value);
/// The access key of a caption, lower case, or a null character when it has none. "&&" is a plain
/// ampersand; only the first single "&" after it counts.
QChar accessKey(const QString& caption);

} // namespace ButtonRules
