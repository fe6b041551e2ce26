#pragma once

#include <QDateTime>

/**
 * @brief Source of the wall-clock date and time and of a monotonic seconds count.
 *
 * Injected wherever time is read, so tests can fix it.
 */
class Clock
{
public:
    virtual ~Clock() = default;
    /// Local date and time, for file names.
    virtual QDateTime now() const = 0;
    /// Seconds since an arbitrary start; never goes back.
    virtual double monotonicSeconds() const = 0;
};
