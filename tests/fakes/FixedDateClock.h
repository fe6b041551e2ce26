#pragma once

#include "platform/SystemClock.h"

/// Real monotonic time, but a fixed date and time for file names (the test may set another).
class FixedDateClock : public SystemClock
{
public:
    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 1));
};
