#pragma once

#include "platform/Clock.h"

/// A clock the test sets by hand.
class FakeClock : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    double monotonicSeconds() const override { return m_seconds; }

    void setNow(const QDateTime& now) { m_now = now; }
    void advance(double seconds) { m_seconds += seconds; }

private:
    QDateTime m_now = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 1));
    double m_seconds = 0.0;
};
