#pragma once

#include <QObject>

class QTimer;
class QWidget;

/**
 * @brief Whether the pointer is over a button, for its hover look and its MouseOver and MouseOut.
 *
 * A hover starts with a pointer move over the button. A timer ("OverTimer"), armed by every move,
 * notices the pointer leaving: a pointer at rest cannot leave unnoticed, since the window system reports
 * a window appearing over it. Where the platform knows the pointer's position only over the program's
 * own windows (Wayland), the timer would never see it leave the window; the button's leave event ends
 * the hover there. Either way a hover ends once.
 */
class ButtonHover : public QObject
{
    Q_OBJECT
public:
    /// Watches button; the timer is a child of this object, which is a child of button.
    explicit ButtonHover(QWidget* button);

    bool isOver() const { return m_isOver; }

    /// The pointer moved over the button: starts a hover, or keeps watching the one going on.
    void moved();
    /// The pointer is gone (left, dragged off, the button hidden): ends the hover, if any.
    void end();

signals:
    /// Emitted with isOver() already true.
    void started();
    /// Emitted with isOver() already false.
    void ended();

private:
    void tick();

    QWidget* m_button;
    QTimer* m_timer;
    bool m_isOver = false;
};
