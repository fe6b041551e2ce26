#pragma once

#include <QString>
#include <QtCore/qnamespace.h>

class Clock;

/// Small helpers shared by every window: key filter, bitrate table, time stamps, number parsing.
namespace Commands {

/// Key filter modes of FilterKeyAscii().
enum KeyFilterMode
{
    KeyFilterFileName = 1, ///< characters allowed in file and folder names
    KeyFilterNumber = 2,   ///< digits, ",", "." and ":"
};

/**
 * @brief Filters a typed character code for a text box; a code set to 0 swallows the key.
 *
 * Codes 3, 8, 13 and 22 (copy, backspace, enter, paste) always pass. Any mode other than
 * KeyFilterFileName or KeyFilterNumber leaves the code unchanged.
 */
void FilterKeyAscii(int& keyCode, int mode);

/**
 * @brief Whether a key press edits or moves rather than types: Tab and Shift+Tab, Delete, the
 * arrows, Home, End, the page keys and shortcuts with Ctrl (Ctrl+A, C, V, X, Z, ...). Such keys keep
 * their meaning in every filtered box; only the characters a key would insert go through
 * FilterKeyAscii. Ctrl together with Alt is AltGr on many layouts, which types.
 */
bool IsEditingKey(int key, Qt::KeyboardModifiers modifiers);

/// kbit/s of a bitrate list index: 0 -> 320 ... 12 -> 32; any other index gives -1.
int BitrateFromIndex(int index);

/// The clock's date as YYYY-MM-DD, independent of the locale.
QString DateStamp(const Clock& clock);

/// The clock's time as HH-MM-SS on the 24-hour clock, independent of the locale.
QString TimeStamp(const Clock& clock);

/**
 * @brief The leading numeric value of a text, as BASIC's Val reads it.
 *
 * Leading blanks are skipped, then an optional sign, digits with at most one ".", and an optional
 * exponent ("e" or "d", optional sign, digits). Reading stops at the first character that does not fit.
 * A text without a leading number gives 0; an overflowing one gives +/- infinity.
 */
double Val(const QString& text);

/// The nearest integer, a half going to the even neighbour; clamped to the int range, NaN gives 0.
int RoundHalfEven(double value);

/// The bitrate index stored in the settings: RoundHalfEven(Val(text)).
int BitrateIndexFromIni(const QString& text);

} // namespace Commands
