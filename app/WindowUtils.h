#pragma once

#include <QString>

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

/// Places a top-level window centred across the screen and centred in the upper 85 % of its height.
void CenterForm(QWidget* window);

/// Keeps a window above all others, with its place, size and visibility unchanged.
void MakeTopmost(QWidget* window);

} // namespace Commands
