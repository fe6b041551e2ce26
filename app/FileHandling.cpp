#include "app/FileHandling.h"

#include <cstdio>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace FileHandling {

QString AddBackslash(QString& path)
{
    if (!path.endsWith(u'/')) {
        path.append(u'/');
    }
    return path;
}

QString RemoveBackslash(QString& path)
{
    if (path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

QString ParentFolder(const QString& path)
{
    // The leading "/" is the root here, the counterpart of a drive, so it stays.
    QString result = path;
    RemoveBackslash(result);
    const qsizetype last = result.lastIndexOf(u'/');
    if (last >= 0) {
        result.truncate(last);
    }
    return AddBackslash(result);
}

QString LastPathPart(const QString& path)
{
    QString result = path;
    RemoveBackslash(result);
    if (result.isEmpty() && !path.isEmpty()) {
        return QStringLiteral("/");
    }
    return result.mid(result.lastIndexOf(u'/') + 1);
}

bool IsFilePresent(const QString& path)
{
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        return false;
    }
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    file.close();
    return opened;
}

bool IsFolderPresent(const QString& path)
{
    QString folder = path;
    AddBackslash(folder);
    // A listable folder always yields "." and "..".
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System);
    return it.hasNext();
}

bool CreateFolderPath(QString& path)
{
    if (IsFolderPresent(path)) {
        return true;
    }
    AddBackslash(path);
    if (!path.startsWith(u'/')) {
        return false;
    }
    // Each level by its absolute path, so the current folder stays where it is.
    QString level = QStringLiteral("/");
    const QStringList names = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        level += name;
        if (!QDir().mkdir(level) && !QFileInfo(level).isDir()) {
            return false;
        }
        level += u'/';
    }
    return IsFolderPresent(path);
}

QString GetLongName(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path)) {
        return path;
    }
    QString result = path;
    for (qsizetype i = 1; i < result.size(); ++i) {
        const QChar before = path[i - 1];
        const bool wordStart = before == u' ' || before == u'-' || before == u'(' || before == u'_' || before == u'/';
        result[i] = wordStart ? path[i].toUpper() : path[i].toLower();
    }
    result[0] = path[0].toUpper();
    return result;
}

namespace {

/// $variable/quernbell/, or ~/fallback/quernbell/ where the variable is unset or relative.
QString xdgFolder(const char* variable, const QString& fallback)
{
    QString base = qEnvironmentVariable(variable);
    // Relative values are to be ignored by the base-directory rules.
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + u'/' + fallback;
    }
    AddBackslash(base);
    base += QStringLiteral("quernbell/");
    return base;
}

} // namespace

QString GetSystemFolder()
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString GetConfigFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

bool IsFolderWritable(const QString& path)
{
    // A real probe: permission bits say nothing for root or on a read-only mount.
    QString folder = path;
    QTemporaryFile probe(AddBackslash(folder) + QStringLiteral(".quernbell-probe-XXXXXX"));
    return probe.open();
}

QString GetSpecialFolder(int id)
{
    QString result;
    if (id == PersonalFolder) {
        result = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        // The location is named even where it was never created; recordings need a real folder.
        if (result.isEmpty() || !QFileInfo(result).isDir()) {
            result = QDir::homePath();
        }
    }
    return AddBackslash(result);
}

QString SaveResourceToFile(const QString& target, const QString& name, const QString& type)
{
    QFile resource(QStringLiteral(":/") + type + u'/' + name);
    if (!resource.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QByteArray bytes = resource.readAll();
    if (resource.error() != QFileDevice::NoError) {
        return QString();
    }
    return SaveBytesToFile(target, bytes);
}

QString SaveBytesToFile(const QString& target, const QByteArray& bytes)
{
    if (target.isEmpty()) {
        return QString();
    }
    const QFileInfo info(target);
    QString folder = info.absolutePath();
    if (!IsFolderPresent(folder) && !CreateFolderPath(folder)) {
        return QString();
    }
    QTemporaryFile temp(folder + u'/' + QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open()) {
        return QString();
    }
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0) {
        return QString();
    }
    const QFile::Permissions executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    if (!temp.setPermissions(executable)) {
        return QString();
    }
    temp.close();
    // rename(2) replaces the target in one step; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        return QString();
    }
    temp.setAutoRemove(false);
    return target;
}

} // namespace FileHandling
