#pragma once

#include "platform/SystemClock.h"

/// Real monotonic time, but a fixed date and time for file names.
class FixedDateClock : public SystemClock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 7), QTime(23, 59, 1)); }
};
