#pragma once

#include <QString>

/// The settings file: an INI file in Windows-1252, read and written like the classic profile functions.
namespace Commands {

/**
 * @brief Reads a value from an INI file.
 *
 * Section and key names match without regard to letter case; the first section of the name counts.
 * Blanks around names and values are ignored, a value in matching single or double quotes is returned
 * without them, and a value is cut at 2047 characters. A missing or unreadable file, a missing key and an
 * empty value all give defaultValue.
 */
QString ReadIniValue(const QString& section, const QString& key, const QString& file, const QString& defaultValue);

/**
 * @brief Writes a value to an INI file, creating the file if needed.
 *
 * Replaces the key's line in the section, or appends the key at the end of the section, or appends the
 * section at the end of the file. All other lines stay as they are, and so does the file's line ending
 * (LF for a new file). Line breaks in the arguments are written as blanks. The file is replaced in one
 * step; when it cannot be written the old file stays untouched and nothing is reported.
 */
void WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file);

} // namespace Commands
