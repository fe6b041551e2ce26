#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

/// Window helpers shared by every window: message box, placement, stacking.
namespace Commands {

/// Message kinds of ShowMessage().
enum MessageKind
{
    MessageInformation = 1,
    MessageWarning = 2,
    MessageError = 3,
    MessageQuestion = 4,
};

/**
 * @brief Shows a modal message box with the kind's icon and one OK button; other kinds show nothing.
 *
 * An empty caption is replaced, in the caller's variable too, by the program title.
 */
void ShowMessage(const QString& text, int kind, QString& caption);

/// The window frame that designed window sizes include, in pixels: borders and title bar.
inline constexpr int NominalFrameWidth = 8;
inline constexpr int NominalFrameHeight = 30;

/**
 * @brief Places a top-level window centred across the screen and centred in the upper 85 % of its height.
 *
 * The window's outer size is its client size plus the nominal frame, as designed; a window that has not
 * been shown yet has no frame to measure.
 */
void CenterForm(QWidget* window);

/// Designed sizes are in twips, at 96 dots per inch.
inline constexpr int TwipsPerPixel = 15;

/// A designed length in twips as pixels (truncated).
constexpr int TwipsToPixels(int twips)
{
    return twips / TwipsPerPixel;
}

/// A designed rectangle in twips as pixels (15 twips each, truncated).
QRect TwipsRect(int left, int top, int width, int height);

/// The platform's sans-serif face standing in for the designed dialog font.
QFont DesignFont(double pointSize, bool bold = false);

/// The platform's monospace face standing in for the designed fixed-pitch font.
QFont MonoFont(double pointSize);

/// A label with an object name at a place in pixels.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect);

/// Keeps a window above all others, with its place, size and visibility unchanged.
void MakeTopmost(QWidget* window);

} // namespace Commands
