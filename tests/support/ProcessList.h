#pragma once

#include <QList>
#include <QString>

/// Processes of this machine, from /proc.
namespace ProcessList {

/// Ids of the running processes whose executable is the file at path.
QList<qint64> running(const QString& path);

} // namespace ProcessList
