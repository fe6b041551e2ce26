#pragma once

#include <QByteArray>
#include <QString>

/// Path strings and file-system helpers. Folder paths end in "/" wherever they are stored.
namespace FileHandling {

/// Shell folder id of the user's documents folder for GetSpecialFolder().
inline constexpr int PersonalFolder = 5;

/// Appends "/" unless the path ends in one (so "" becomes "/"); changes the variable and returns it.
QString AddBackslash(QString& path);

/// Removes one trailing "/" if present; changes the variable and returns it.
QString RemoveBackslash(QString& path);

/**
 * @brief The folder above a path, with trailing "/".
 *
 * "/a/b/" and "/a/b" give "/a/"; "/a" and "/" give "/"; a name without separator ("Rock") gives "Rock/".
 */
QString ParentFolder(const QString& path);

/// The last component without "/": "/a/b/" gives "b"; the root "/" gives "/".
QString LastPathPart(const QString& path);

/// True when the path is a file that can be opened for reading.
bool IsFilePresent(const QString& path);

/// True when the path is a folder whose entries can be listed.
bool IsFolderPresent(const QString& path);

/**
 * @brief Creates every missing level of an absolute folder path.
 *
 * Returns true at once, leaving the variable as it is, when the folder is present. Otherwise appends "/"
 * to the variable and creates one level after the other; false when a level cannot be made (a file in
 * the way, no permission) or the path is not absolute. Levels made before a failure stay.
 * The process's current folder is not touched.
 */
bool CreateFolderPath(QString& path);

/**
 * @brief The long name of a path.
 *
 * An existing path is returned unchanged. A missing one comes back capitalised: each character after
 * " ", "-", "(", "_" or "/" and the first character in upper case, all others in lower case.
 */
QString GetLongName(const QString& path);

/// The per-user data folder $XDG_DATA_HOME/quernbell/ (default ~/.local/share/quernbell/); not created.
QString GetSystemFolder();

/// The per-user settings folder $XDG_CONFIG_HOME/quernbell/ (default ~/.config/quernbell/); not created.
QString GetConfigFolder();

/// True when a file can be created in the folder (tried, not guessed from permissions).
bool IsFolderWritable(const QString& path);

/**
 * @brief A shell folder with trailing "/".
 *
 * PersonalFolder gives the documents folder, or the home folder when there is no documents folder;
 * every other id gives "/".
 */
QString GetSpecialFolder(int id);

/**
 * @brief Writes the Qt resource ":/<type>/<name>" byte for byte to target as an executable (mode 0755).
 * @return target, or "" when the resource is missing or the file cannot be written.
 */
QString SaveResourceToFile(const QString& target, const QString& name, const QString& type);

/**
 * @brief Writes bytes to target as an executable (mode 0755), creating the target's folder if missing.
 *
 * The bytes go to a temporary file in the same folder that is renamed over target once complete, so an
 * interrupted write never leaves a partial file under the target's name.
 * @return target, or "" on failure (nothing is left behind then).
 */
QString SaveBytesToFile(const QString& target, const QByteArray& bytes);

} // namespace FileHandling
