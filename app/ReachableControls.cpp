#include "app/ReachableControls.h"

#include <QVariant>
#include <QWidget>

namespace ReachableControls {

bool update(QWidget& window)
{
    // The policy the control was made with, kept for when the window grows again.
    static constexpr char kPolicy[] = "qbFocusPolicy";
    bool focusBeyond = false;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() != &window) {
            continue;
        }
        QVariant policy = widget->property(kPolicy);
        if (!policy.isValid()) {
            if (widget->focusPolicy() == Qt::NoFocus) {
                continue;
            }
            policy = static_cast<int>(widget->focusPolicy());
            widget->setProperty(kPolicy, policy);
        }
        const bool reachable = window.rect().intersects(QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size()));
        widget->setFocusPolicy(reachable ? static_cast<Qt::FocusPolicy>(policy.toInt()) : Qt::NoFocus);
        focusBeyond = focusBeyond || (!reachable && widget->hasFocus());
    }
    return focusBeyond;
}

} // namespace ReachableControls
