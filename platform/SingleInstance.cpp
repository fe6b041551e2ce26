#include "platform/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& name, const QString& folder)
{
    QString dir = folder;
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    QDir().mkpath(dir);
    m_path = QDir(dir).filePath(name);
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock older than this whose owner is gone is stale; QLockFile also checks the pid.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock->isLocked()) {
        return true;
    }
    if (m_lock->tryLock(0)) {
        return true;
    }
    // tryLock already removes a lock whose process is gone; one more try covers the race
    // where the holder exited between the check and now.
    if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString app;
        if (!m_lock->getLockInfo(&pid, &host, &app)) {
            m_lock->removeStaleLockFile();
            return m_lock->tryLock(0);
        }
    }
    return false;
}
