#pragma once

#include <QByteArray>
#include <QString>

/// Windows-1252 text, the single-byte code page of the settings file and the ID3v1 tag.
namespace Cp1252 {

/**
 * @brief Encodes text as Windows-1252.
 *
 * Every code point the code page cannot hold becomes one "?".
 * U+0081, U+008D, U+008F, U+0090 and U+009D stand for the five bytes the code page leaves undefined,
 * so decode() followed by encode() gives back any byte string unchanged.
 */
QByteArray encode(const QString& text);

/// Decodes Windows-1252 bytes; every byte maps to one character.
QString decode(const QByteArray& bytes);

} // namespace Cp1252
