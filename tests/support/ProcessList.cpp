#include "support/ProcessList.h"

#include <QDir>
#include <QFileInfo>

namespace ProcessList {

QList<qint64> running(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    QList<qint64> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() == target) {
            pids << pid;
        }
    }
    return pids;
}

} // namespace ProcessList
