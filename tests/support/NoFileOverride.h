#pragma once

/**
 * Makes file permissions count for root as well, so tests of read-only and unreadable files mean
 * the same whoever runs them. Without root privileges both do nothing.
 *
 * A NoFileOverride object takes the override capabilities out of the calling thread's effective
 * set while it lives (files opened on that thread are checked); dropForChild() takes them out of
 * a child's bounding set before it runs a program (for QProcess::setChildProcessModifier).
 */
class NoFileOverride
{
public:
    NoFileOverride();
    ~NoFileOverride();
    NoFileOverride(const NoFileOverride&) = delete;
    NoFileOverride& operator=(const NoFileOverride&) = delete;

    static void dropForChild();

private:
    bool m_dropped = false;
};
