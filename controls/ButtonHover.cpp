#include "controls/ButtonHover.h"

#include <utility>

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>

ButtonHover::ButtonHover(QWidget* button) : QObject(button), m_button(button), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("OverTimer"));
    m_timer->setInterval(10);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ButtonHover::tick);
}

void ButtonHover::moved()
{
    m_timer->start();
    if (!std::exchange(m_isOver, true))
        emit started();
}

void ButtonHover::end()
{
    m_timer->stop();
    if (std::exchange(m_isOver, false))
        emit ended();
}

void ButtonHover::tick()
{
    // Outside this window also means over a corner the shape cuts off, or over another window.
    if (!m_isOver || QApplication::widgetAt(QCursor::pos()) != m_button)
        end();
}
