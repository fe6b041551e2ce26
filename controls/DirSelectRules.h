#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// What the directory dialog shows and creates, without a window: volumes, folder rows, new-folder paths.
namespace DirSelectRules {

/// One row of the folder list: an open folder on the way to the shown one, or a subfolder of it.
struct FolderRow
{
    QString path; ///< with trailing "/"
    QString label;
    int depth = 0;
    bool open = false; ///< on the way from the volume's root to the shown folder, that one included
};

/**
 * @brief Whether a mounted file system is one a user would pick to save into.
 *
 * Pseudo and system file systems (proc, sysfs, cgroup, snaps and the like) and mounts below /proc, /sys,
 * /dev, /run (except /run/media), /snap, /boot and /var/lib are left out; "/" is always kept.
 */
bool IsUserVolume(const QString& rootPath, const QByteArray& fileSystemType);

/// The mounted volumes a user would pick, as folder paths ending in "/": "/" first, then by path.
QStringList MountedVolumes();

/// The volume of a folder: the longest volume root that contains it; "/" when none does.
QString VolumeOf(const QString& path, const QStringList& volumes);

/**
 * @brief The rows that show a folder: the volume root, each level down to the folder (open), then the
 * folder's visible subfolders by name (closed).
 */
QList<FolderRow> FolderRows(const QString& path, const QString& volumeRoot);

/// Names of the files in folder that match one of the ";"-separated patterns, by name, any letter case.
QStringList MatchingFiles(const QString& folder, const QString& patterns);

/**
 * @brief The folder that a typed or pasted name makes below folder, without trailing "/".
 *
 * "/" in the name makes nested levels; "." and ".." are resolved. An empty name gives folder itself.
 * A name that would lead above folder gives "".
 */
QString NewFolderPath(const QString& folder, const QString& name);

} // namespace DirSelectRules
