#pragma once

#include <QElapsedTimer>

#include "platform/Clock.h"

/// The real clock: local time and a monotonic timer started on construction.
class SystemClock : public Clock
{
public:
    SystemClock();
    QDateTime now() const override;
    double monotonicSeconds() const override;

    /// The process-wide instance.
    static SystemClock& instance();

private:
    QElapsedTimer m_timer;
};
