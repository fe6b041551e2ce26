#include "app/FileHandling.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace FileHandling;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Sets or clears one environment variable for the length of a scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(FileHandlingTest, AddAndRemoveBackslashChangeTheVariable)
{
    QString path = QStringLiteral("/a/b");
    EXPECT_EQ(AddBackslash(path), QStringLiteral("/a/b/"));
    EXPECT_EQ(path, QStringLiteral("/a/b/"));
    EXPECT_EQ(AddBackslash(path), QStringLiteral("/a/b/"));

    QString empty;
    EXPECT_EQ(AddBackslash(empty), QStringLiteral("/"));
    QString root = QStringLiteral("/");
    EXPECT_EQ(AddBackslash(root), QStringLiteral("/"));

    QString twice = QStringLiteral("/a//");
    EXPECT_EQ(RemoveBackslash(twice), QStringLiteral("/a/"));
    EXPECT_EQ(twice, QStringLiteral("/a/"));
    QString none = QStringLiteral("/a");
    EXPECT_EQ(RemoveBackslash(none), QStringLiteral("/a"));
}

TEST(FileHandlingTest, ParentFolderKeepsTheRoot)
{
    EXPECT_EQ(ParentFolder(QStringLiteral("/Aufnahmen/Rock/")), QStringLiteral("/Aufnahmen/"));
    EXPECT_EQ(ParentFolder(QStringLiteral("/Aufnahmen/Rock")), QStringLiteral("/Aufnahmen/"));
    EXPECT_EQ(ParentFolder(QStringLiteral("/Aufnahmen")), QStringLiteral("/"));
    EXPECT_EQ(ParentFolder(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(ParentFolder(QStringLiteral("Rock")), QStringLiteral("Rock/"));
}

TEST(FileHandlingTest, LastPathPart)
{
    EXPECT_EQ(LastPathPart(QStringLiteral("/Aufnahmen/Rock/")), QStringLiteral("Rock"));
    EXPECT_EQ(LastPathPart(QStringLiteral("/Aufnahmen/Rock")), QStringLiteral("Rock"));
    EXPECT_EQ(LastPathPart(QStringLiteral("Rock")), QStringLiteral("Rock"));
    EXPECT_EQ(LastPathPart(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(FileHandlingTest, PresenceTestsTellFilesFromFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("take.mp3"));
    writeFile(file, "x");

    EXPECT_TRUE(IsFilePresent(file));
    EXPECT_FALSE(IsFilePresent(dir.filePath(QStringLiteral("missing.mp3"))));
    EXPECT_FALSE(IsFilePresent(dir.path()));
    EXPECT_FALSE(IsFilePresent(QString()));

    EXPECT_TRUE(IsFolderPresent(dir.path()));
    EXPECT_TRUE(IsFolderPresent(dir.path() + u'/'));
    EXPECT_FALSE(IsFolderPresent(file));
    EXPECT_FALSE(IsFolderPresent(dir.filePath(QStringLiteral("missing"))));
}

TEST(FileHandlingTest, UnreadableFileCountsAsAbsent)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: permission bits do not stop reading";
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("locked"));
    writeFile(file, "x");
    ASSERT_TRUE(QFile::setPermissions(file, QFile::WriteOwner));
    EXPECT_FALSE(IsFilePresent(file));
}

TEST(FileHandlingTest, CreateFolderPathMakesEveryMissingLevel)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("A")));
    const QString before = QDir::currentPath();

    QString path = dir.path() + QStringLiteral("/A/B/C");
    EXPECT_TRUE(CreateFolderPath(path));
    EXPECT_EQ(path, dir.path() + QStringLiteral("/A/B/C/"));
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/A/B/C")).isDir());
    EXPECT_EQ(QDir::currentPath(), before);

    // Present already: true, variable as it was.
    QString existing = dir.path() + QStringLiteral("/A/B");
    EXPECT_TRUE(CreateFolderPath(existing));
    EXPECT_EQ(existing, dir.path() + QStringLiteral("/A/B"));
}

TEST(FileHandlingTest, CreateFolderPathFailsWhereAFileIsInTheWay)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    writeFile(file, "x");

    QString below = file + QStringLiteral("/sub/deeper");
    EXPECT_FALSE(CreateFolderPath(below));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("/sub")));

    QString same = file;
    EXPECT_FALSE(CreateFolderPath(same));
    EXPECT_TRUE(QFileInfo(file).isFile());
}

TEST(FileHandlingTest, CreateFolderPathNeedsAnAbsolutePath)
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QString relative = QStringLiteral("rel/sub");
    const bool made = CreateFolderPath(relative);
    const bool exists = QFileInfo::exists(dir.filePath(QStringLiteral("rel")));
    QDir::setCurrent(before);
    EXPECT_FALSE(made);
    EXPECT_FALSE(exists);
}

TEST(FileHandlingTest, GetLongNameCapitalisesOnlyMissingPaths)
{
    EXPECT_EQ(GetLongName(QStringLiteral("/home/x/audio recorder/rec")), QStringLiteral("/Home/X/Audio Recorder/Rec"));
    EXPECT_EQ(GetLongName(QStringLiteral("/nonexistent-qb/mein_ORDNER/take(two)-B")),
              QStringLiteral("/Nonexistent-Qb/Mein_Ordner/Take(Two)-B"));
    EXPECT_EQ(GetLongName(QStringLiteral("rec.ini")), QStringLiteral("Rec.ini"));
    EXPECT_EQ(GetLongName(QString()), QString());

    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("lower case name.ini"));
    writeFile(existing, "");
    EXPECT_EQ(GetLongName(existing), existing);
}

TEST(FileHandlingTest, SystemFolderFollowsXdgDataHome)
{
    QTemporaryDir home;
    ScopedEnv homeEnv("HOME", home.path().toLocal8Bit());
    {
        ScopedEnv data("XDG_DATA_HOME", "/data/of/user/");
        EXPECT_EQ(GetSystemFolder(), QStringLiteral("/data/of/user/quernbell/"));
    }
    {
        ScopedEnv data("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(GetSystemFolder(), home.path() + QStringLiteral("/.local/share/quernbell/"));
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/dir");
        EXPECT_EQ(GetSystemFolder(), home.path() + QStringLiteral("/.local/share/quernbell/"));
    }
}

TEST(FileHandlingTest, DocumentsFolderFallsBackToHome)
{
    QTemporaryDir home;
    ScopedEnv homeEnv("HOME", home.path().toLocal8Bit());
    ScopedEnv config("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());

    EXPECT_EQ(GetSpecialFolder(PersonalFolder), home.path() + u'/');

    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    EXPECT_EQ(GetSpecialFolder(PersonalFolder), home.path() + QStringLiteral("/Documents/"));

    EXPECT_EQ(GetSpecialFolder(36), QStringLiteral("/"));
}

TEST(FileHandlingTest, SaveBytesToFileWritesAnExecutableCopy)
{
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes.append(static_cast<char>(i * 7));
    }
    const QString target = dir.path() + QStringLiteral("/share/quernbell/mkmp3");

    EXPECT_EQ(SaveBytesToFile(target, bytes), target);
    EXPECT_EQ(readFile(target), bytes);
    const QFile::Permissions perms = QFileInfo(target).permissions();
    EXPECT_TRUE(perms.testFlag(QFile::ExeOwner));
    EXPECT_TRUE(perms.testFlag(QFile::ExeOther));
    EXPECT_FALSE(perms.testFlag(QFile::WriteOther));
    // Only the target is left in the folder, no temporary file.
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/share/quernbell")).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("mkmp3")});

    EXPECT_EQ(SaveBytesToFile(target, "short"), target);
    EXPECT_EQ(readFile(target), QByteArray("short"));
}

TEST(FileHandlingTest, SaveBytesToFileReportsFailure)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    writeFile(file, "x");
    EXPECT_EQ(SaveBytesToFile(file + QStringLiteral("/mkmp3"), "data"), QString());
    EXPECT_EQ(SaveBytesToFile(QString(), "data"), QString());
    // A folder of the target's name cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    EXPECT_EQ(SaveBytesToFile(dir.filePath(QStringLiteral("taken")), "data"), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("plain")});
}

TEST(FileHandlingTest, SaveResourceToFileWithoutTheResourceWritesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("mkmp3"));
    EXPECT_EQ(SaveResourceToFile(target, QStringLiteral("NOSUCH"), QStringLiteral("CUSTOM")), QString());
    EXPECT_FALSE(QFileInfo::exists(target));
}
