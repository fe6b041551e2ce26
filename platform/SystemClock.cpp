#include "platform/SystemClock.h"

SystemClock::SystemClock()
{
    m_timer.start();
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

double SystemClock::monotonicSeconds() const
{
    return static_cast<double>(m_timer.nsecsElapsed()) / 1e9;
}

SystemClock& SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}
