#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

/// Runs action, from the event loop, on the top-level window of that name once it is visible:
/// for windows whose opener waits in a loop of its own.
inline void whenShown(const QString& name, const std::function<void(QWidget*)>& action)
{
    QTimer::singleShot(10, [name, action] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name && window->isVisible()) {
                return action(window);
            }
        }
        whenShown(name, action);
    });
}
