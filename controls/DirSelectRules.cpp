#include "controls/DirSelectRules.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include "app/FileHandling.h"

namespace DirSelectRules {

namespace {

bool isBelow(const QString& path, const QString& folder)
{
    QString prefix = folder;
    FileHandling::AddBackslash(prefix);
    QString inside = path;
    FileHandling::AddBackslash(inside);
    return inside.startsWith(prefix);
}

} // namespace

bool IsUserVolume(const QString& rootPath, const QByteArray& fileSystemType)
{
    if (rootPath == QLatin1String("/")) {
        return true;
    }
    static const QSet<QByteArray> pseudo = {
        "autofs",   "binfmt_misc", "bpf",      "cgroup",          "cgroup2",     "configfs",   "debugfs",
        "devpts",   "devtmpfs",    "efivarfs", "fusectl",         "hugetlbfs",   "mqueue",     "nsfs",
        "overlay",  "proc",        "pstore",   "rootfs",          "rpc_pipefs",  "securityfs", "selinuxfs",
        "squashfs", "sysfs",       "tracefs",  "fuse.gvfsd-fuse", "fuse.portal", "nfsd"};
    if (pseudo.contains(fileSystemType)) {
        return false;
    }
    if (isBelow(rootPath, QStringLiteral("/run/media"))) {
        return true;
    }
    for (const char* system : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot", "/var/lib"}) {
        if (isBelow(rootPath, QLatin1String(system))) {
            return false;
        }
    }
    return true;
}

QStringList MountedVolumes()
{
    QStringList volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        QString root = info.rootPath();
        // Single files can be mounted too (containers do); only folders are volumes.
        if (!QFileInfo(root).isDir() || !IsUserVolume(root, info.fileSystemType())) {
            continue;
        }
        FileHandling::AddBackslash(root);
        if (!volumes.contains(root)) {
            volumes << root;
        }
    }
    volumes.removeAll(QStringLiteral("/"));
    std::sort(volumes.begin(), volumes.end());
    volumes.prepend(QStringLiteral("/"));
    return volumes;
}

QString VolumeOf(const QString& path, const QStringList& volumes)
{
    QString best = QStringLiteral("/");
    for (const QString& volume : volumes) {
        if (volume.size() > best.size() && isBelow(path, volume)) {
            best = volume;
        }
    }
    return best;
}

QList<FolderRow> FolderRows(const QString& path, const QString& volumeRoot)
{
    QString folder = path;
    FileHandling::AddBackslash(folder);
    QString root = volumeRoot;
    FileHandling::AddBackslash(root);
    if (!folder.startsWith(root)) {
        root = QStringLiteral("/");
    }

    QList<FolderRow> rows;
    rows.append({root, root, 0, true});
    QString level = root;
    for (const QString& name : folder.mid(root.size()).split(u'/', Qt::SkipEmptyParts)) {
        level += name + u'/';
        rows.append({level, name, static_cast<int>(rows.size()), true});
    }
    const int depth = static_cast<int>(rows.size());
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        rows.append({folder + name + u'/', name, depth, false});
    }
    return rows;
}

QStringList MatchingFiles(const QString& folder, const QString& patterns)
{
    QDir dir(folder);
    dir.setNameFilters(patterns.split(u';', Qt::SkipEmptyParts));
    return dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString NewFolderPath(const QString& folder, const QString& name)
{
    QString base = folder;
    FileHandling::AddBackslash(base);
    // Resolved by the letters alone, so a name cannot climb out through "..".
    const QString path = QDir::cleanPath(base + name);
    QString parent = QDir::cleanPath(base);
    if (path == parent) {
        return path;
    }
    return isBelow(path, parent) ? path : QString();
}

} // namespace DirSelectRules
