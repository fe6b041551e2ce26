#include "app/FileHandling.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/NoFileOverride.h"
#include "support/ScopedEnv.h"
#include "support/TestFiles.h"

using namespace FileHandling;

namespace {

class FileHandlingTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST(FileHandlingPaths, SeparatorsParentsLastPartsAndLongNamesOfMissingPaths)
{
    // Both change the variable and return it.
    for (const auto& [in, out] : {std::pair{"/a/b", "/a/b/"}, {"/a/b/", "/a/b/"}, {"", "/"}, {"/", "/"}}) {
        QString path = in;
        EXPECT_EQ(AddBackslash(path), out) << in;
        EXPECT_EQ(path, out) << in;
    }
    for (const auto& [in, out] : {std::pair{"/a//", "/a/"}, {"/a", "/a"}}) {
        QString path = in;
        EXPECT_EQ(RemoveBackslash(path), out) << in;
        EXPECT_EQ(path, out) << in;
    }
    for (const auto& [in, parent, last] : {std::tuple{"/Aufnahmen/Rock/", "/Aufnahmen/", "Rock"},
                                           {"/Aufnahmen/Rock", "/Aufnahmen/", "Rock"},
                                           {"/Aufnahmen", "/", "Aufnahmen"},
                                           {"/", "/", "/"},
                                           {"Rock", "Rock/", "Rock"}}) {
        EXPECT_EQ(ParentFolder(in), parent) << in;
        EXPECT_EQ(LastPathPart(in), last) << in;
    }
    for (const auto& [in, out] :
         {std::pair{"/home/x/audio recorder/rec", "/Home/X/Audio Recorder/Rec"},
          {"/nonexistent-qb/mein_ORDNER/take(two)-B", "/Nonexistent-Qb/Mein_Ordner/Take(Two)-B"},
          {"rec.ini", "Rec.ini"},
          {"", ""}}) {
        EXPECT_EQ(GetLongName(in), out) << in;
    }
}

TEST_F(FileHandlingTest, PresenceTestsTellReadableFilesFromFolders)
{
    const QString file = path("take.mp3");
    ASSERT_TRUE(TestFiles::write(file, "x"));
    EXPECT_EQ(GetLongName(file), file) << "an existing path keeps its letters";

    EXPECT_TRUE(IsFilePresent(file));
    EXPECT_FALSE(IsFilePresent(path("missing.mp3")));
    EXPECT_FALSE(IsFilePresent(m_dir.path()));
    EXPECT_FALSE(IsFilePresent(QString()));

    EXPECT_TRUE(IsFolderPresent(m_dir.path()));
    EXPECT_TRUE(IsFolderPresent(m_dir.path() + u'/'));
    EXPECT_FALSE(IsFolderPresent(file));
    EXPECT_FALSE(IsFolderPresent(path("missing")));

    const NoFileOverride permissionsHold;
    ASSERT_TRUE(QFile::setPermissions(file, QFile::WriteOwner));
    EXPECT_FALSE(IsFilePresent(file)) << "a file that cannot be read counts as absent";
}

TEST_F(FileHandlingTest, CreateFolderPathMakesEveryMissingLevelOfAnAbsolutePath)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("A")));
    const QString before = QDir::currentPath();
    QString made = path("A/B/C");
    EXPECT_TRUE(CreateFolderPath(made));
    EXPECT_EQ(made, path("A/B/C/"));
    EXPECT_TRUE(QFileInfo(path("A/B/C")).isDir());
    EXPECT_EQ(QDir::currentPath(), before);

    // Present already: true, variable as it was.
    QString existing = path("A/B");
    EXPECT_TRUE(CreateFolderPath(existing));
    EXPECT_EQ(existing, path("A/B"));

    // A file in the way, below or at the path.
    const QString file = path("plain");
    ASSERT_TRUE(TestFiles::write(file, "x"));
    QString below = file + QStringLiteral("/sub/deeper");
    EXPECT_FALSE(CreateFolderPath(below));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("/sub")));
    QString same = file;
    EXPECT_FALSE(CreateFolderPath(same));
    EXPECT_TRUE(QFileInfo(file).isFile());

    // Relative: refused, even where it would resolve.
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    QString relative = QStringLiteral("rel/sub");
    const bool madeRelative = CreateFolderPath(relative);
    const bool exists = QFileInfo::exists(path("rel"));
    QDir::setCurrent(before);
    EXPECT_FALSE(madeRelative);
    EXPECT_FALSE(exists);
}

TEST_F(FileHandlingTest, SystemAndDocumentsFoldersFollowTheEnvironment)
{
    ScopedEnv home("HOME", m_dir.path().toLocal8Bit());
    const QString fallback = m_dir.path() + QStringLiteral("/.local/share/quernbell/");
    for (const auto& [data, folder] : {std::pair{QByteArray("/data/of/user/"), QString("/data/of/user/quernbell/")},
                                       {QByteArray(), fallback},
                                       {QByteArray("relative/dir"), fallback}}) {
        ScopedEnv dataHome("XDG_DATA_HOME", data);
        EXPECT_EQ(GetSystemFolder(), folder) << data.toStdString();
    }

    ScopedEnv config("XDG_CONFIG_HOME", path(".config").toLocal8Bit());
    EXPECT_EQ(GetSpecialFolder(PersonalFolder), m_dir.path() + u'/') << "no documents folder: the home folder";
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Documents")));
    EXPECT_EQ(GetSpecialFolder(PersonalFolder), path("Documents/"));
    EXPECT_EQ(GetSpecialFolder(36), QStringLiteral("/"));
}

TEST_F(FileHandlingTest, SaveBytesToFileWritesAnExecutableCopyOrReportsFailure)
{
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes.append(static_cast<char>(i * 7));
    }
    const QString target = path("share/quernbell/mkmp3");
    EXPECT_EQ(SaveBytesToFile(target, bytes), target);
    EXPECT_EQ(TestFiles::read(target), bytes);
    const QFile::Permissions perms = QFileInfo(target).permissions();
    EXPECT_TRUE(perms.testFlag(QFile::ExeOwner));
    EXPECT_TRUE(perms.testFlag(QFile::ExeOther));
    EXPECT_FALSE(perms.testFlag(QFile::WriteOther));
    // Only the target is left in the folder, no temporary file.
    EXPECT_EQ(QDir(path("share/quernbell")).entryList(QDir::Files | QDir::Hidden), QStringList{"mkmp3"});
    EXPECT_EQ(SaveBytesToFile(target, "short"), target);
    EXPECT_EQ(TestFiles::read(target), QByteArray("short"));

    const QString file = path("plain");
    ASSERT_TRUE(TestFiles::write(file, "x"));
    EXPECT_EQ(SaveBytesToFile(file + QStringLiteral("/mkmp3"), "data"), QString());
    EXPECT_EQ(SaveBytesToFile(QString(), "data"), QString());
    // A folder of the target's name cannot be replaced.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("taken")));
    EXPECT_EQ(SaveBytesToFile(path("taken"), "data"), QString());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});

    // Without the resource nothing is written.
    EXPECT_EQ(SaveResourceToFile(path("mkmp3"), QStringLiteral("NOSUCH"), QStringLiteral("CUSTOM")), QString());
    EXPECT_FALSE(QFileInfo::exists(path("mkmp3")));
}

} // namespace
