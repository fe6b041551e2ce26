#pragma once

class QWidget;

/// Keyboard focus only for the controls a user can see.
namespace ReachableControls {

/**
 * @brief Takes the keyboard focus from the window's controls that lie wholly beyond its edge, and
 * gives the others back the focus policy they were made with.
 * @return Whether the control that has the focus is one of those beyond the edge.
 */
bool update(QWidget& window);

} // namespace ReachableControls
