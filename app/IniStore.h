#pragma once

#include <QString>

/**
 * The settings file: an INI file read and written like the classic profile functions. Text is written in
 * UTF-8; a line that is not valid UTF-8 is read as Windows-1252, so files of older versions still read.
 */
namespace Commands {

/**
 * @brief Reads a value from an INI file.
 *
 * Section and key names match without regard to letter case; the first section of the name counts.
 * Blanks around names and values are ignored, a value in matching single or double quotes is returned
 * without them, and a value is cut at 2047 characters. A missing or unreadable file, a missing key and an
 * empty value all give defaultValue. Only a regular file (or a link to one) is read.
 */
QString ReadIniValue(const QString& section, const QString& key, const QString& file, const QString& defaultValue);

/**
 * @brief Writes a value to an INI file, creating the file if needed.
 *
 * Replaces the key's line in the section, or appends the key at the end of the section, or appends the
 * section at the end of the file. All other lines keep their bytes and their line endings; new lines take
 * the ending of the file's first line (LF for a new file). Line breaks in the arguments are written as
 * blanks. The file is replaced in one step; when it cannot be written, is marked read-only or cannot be
 * read, the old file stays untouched and nothing is reported.
 */
void WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file);

} // namespace Commands
