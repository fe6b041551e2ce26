#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

class QPainter;

/// Captions in the two symbol faces, drawn as shapes because this platform has neither face.
namespace SymbolCaption {

/**
 * @brief Draws the caption as symbols centred on a button of the given size.
 *
 * Webdings: "=" filled circle, ";" two bars, "<" filled square, "4" / "3" / "5" / "6" triangle
 * pointing right / left / up / down, "9" / ":" two triangles pointing left / right. Wingdings:
 * character 231 a left arrow. Pressed moves the symbols one pixel right and down.
 * @return false, drawing nothing, when the font is no symbol face or a character has no symbol;
 *         the caller then draws the caption as text.
 */
/// Whether the font is one of the two symbol faces, whose captions are pictures rather than words.
bool isSymbolFace(const QFont& font);

bool draw(QPainter& painter, const QString& caption, const QFont& font, int dpi, QSize size, bool pressed, QRgb color);

} // namespace SymbolCaption
