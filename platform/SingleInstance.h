#pragma once

#include <memory>

#include <QLockFile>
#include <QString>

/**
 * @brief Tells whether another instance of the program runs, by a lock file in the
 * user's runtime folder. A lock left by a crashed instance is taken over.
 */
class SingleInstance
{
public:
    /// @param name file name of the lock; @param folder where it lies (empty: the runtime folder).
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    ~SingleInstance();

    /// Takes the lock. False when another running instance holds it.
    bool tryAcquire();

    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
