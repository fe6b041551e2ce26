// Runs the built executable as a user would: its own HOME, offscreen display.
#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/NoFileOverride.h"
#include "support/TestFiles.h"

namespace {

using TestFiles::read;
using TestFiles::waitUntil;

/// A literal with its NUL bytes.
template <std::size_t N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_home = m_dir.filePath("home");
        m_bin = m_dir.filePath("bin");
        m_runtime = m_dir.filePath("run");
        for (const QString& path : {m_home, m_bin, m_runtime}) {
            ASSERT_TRUE(QDir().mkpath(path));
        }
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    /// A copy of the built program under the given name, so its settings file lands here.
    QString installAs(const QString& name)
    {
        const QString target = QDir(m_bin).filePath(name);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(QStringLiteral(QB_EXECUTABLE), target));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return target;
    }

    std::unique_ptr<QProcess> start(const QString& program, const QStringList& args = {})
    {
        auto process = std::make_unique<QProcess>();
        // File permissions hold for the program even when the tests run as root.
        process->setChildProcessModifier(&NoFileOverride::dropForChild);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home);
        env.insert("XDG_RUNTIME_DIR", m_runtime);
        env.remove("XDG_DATA_HOME");
        env.remove("XDG_CONFIG_HOME");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(env);
        process->setProgram(program);
        process->setArguments(args);
        process->start();
        EXPECT_TRUE(process->waitForStarted(30000));
        return process;
    }

    QString lockFileOf(const QString& name) const { return QDir(m_runtime).filePath(name + ".lock"); }
    QString systemFolder() const { return m_home + "/.local/share/quernbell/"; }

    void terminate(QProcess& process)
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }

    /// Starts the program, waits until it holds its lock (it is up), and ends it as a log-out would.
    void runOnce(const QString& program, const QString& lockName = QStringLiteral("quernbell"))
    {
        auto process = start(program);
        ASSERT_TRUE(waitUntil([&] { return QFile::exists(lockFileOf(lockName)); }));
        terminate(*process);
    }

    QTemporaryDir m_dir;
    QString m_home;
    QString m_bin;
    QString m_runtime;
};

TEST_F(StartupTest, FirstStartInstallsEncoderAndClosingWritesTheThreeSettings)
{
    const QString exe = installAs("quernbell");
    // Arguments are ignored, Qt's own options included.
    auto first = start(exe, {"-platform", "bogus", "-style", "none", "--ignored"});
    const QString encoder = systemFolder() + "mkmp3";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(encoder) && QFile::exists(lockFileOf("quernbell")); }));

    // A second start ends at once, silently, without touching the first.
    auto second = start(exe);
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardError().isEmpty());
    EXPECT_EQ(first->state(), QProcess::Running);

    terminate(*first);

    EXPECT_EQ(read(encoder), read(QStringLiteral(QB_LAME_EXECUTABLE)));
    EXPECT_TRUE(QFileInfo(encoder).permissions() & QFile::ExeOwner);

    // No documents folder in a fresh HOME: the home folder stands in, with its separator.
    EXPECT_EQ(QString::fromUtf8(read(m_bin + "/quernbell.ini")),
              "[Quernbell Audio Recorder]\nBitrate=3\nSavePath=" + m_home + "/\nBrowser=0\n");
}

TEST_F(StartupTest, RenamedCopyKeepsItsOwnSettingsAndExistingEncoderIsLeftAlone)
{
    ASSERT_TRUE(QDir().mkpath(systemFolder()));
    const QByteArray foreign = "#!/bin/sh\necho not the encoder\n";
    ASSERT_TRUE(TestFiles::write(systemFolder() + "mkmp3", foreign));
    ASSERT_TRUE(TestFiles::write(m_bin + "/aufnahme.ini",
                                 "[QUERNBELL AUDIO RECORDER]\nBITRATE=7abc\nbrowser=1\nSavePath=/srv/aufnahmen\n"));
    runOnce(installAs("aufnahme"), "aufnahme");

    EXPECT_EQ(read(systemFolder() + "mkmp3"), foreign);
    EXPECT_FALSE(QFile::exists(m_bin + "/quernbell.ini"));
    // Read in any letter case; the index is taken from "7abc"; the folder gains its separator.
    EXPECT_EQ(read(m_bin + "/aufnahme.ini"),
              "[QUERNBELL AUDIO RECORDER]\nBitrate=7\nBrowser=1\nSavePath=/srv/aufnahmen/\n");
}

TEST_F(StartupTest, SymlinkedExecutableTakesLockAndSettingsFromItsTarget)
{
    const QString exe = installAs("quernbell");
    const QString links = m_dir.filePath("links");
    ASSERT_TRUE(QDir().mkpath(links));
    ASSERT_TRUE(QFile::link(exe, links + "/aufnahme"));

    auto viaLink = start(links + "/aufnahme");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(lockFileOf("quernbell")); }));
    auto viaTarget = start(exe);
    ASSERT_TRUE(viaTarget->waitForFinished(30000)) << "one program, one instance";
    EXPECT_EQ(viaTarget->exitCode(), 0);
    terminate(*viaLink);

    EXPECT_FALSE(QFile::exists(lockFileOf("aufnahme")));
    EXPECT_TRUE(QFile::exists(m_bin + "/quernbell.ini"));
    EXPECT_FALSE(QFile::exists(links + "/aufnahme.ini"));
    EXPECT_FALSE(QFile::exists(m_bin + "/aufnahme.ini"));
}

TEST_F(StartupTest, AnExistingEncoderFileIsNeverReplacedEvenWhenItCannotBeRead)
{
    const QString exe = installAs("quernbell");
    const QString encoder = systemFolder() + "mkmp3";
    ASSERT_TRUE(QDir().mkpath(systemFolder()));

    // A file nobody may read.
    ASSERT_TRUE(TestFiles::write(encoder, "private"));
    ASSERT_TRUE(QFile::setPermissions(encoder, {}));
    runOnce(exe);
    EXPECT_EQ(QFileInfo(encoder).size(), 7);
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(encoder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0u);

    // A link whose target is gone.
    ASSERT_TRUE(QFile::remove(encoder));
    ASSERT_TRUE(QFile::link(m_dir.filePath("gone"), encoder));
    runOnce(exe);
    EXPECT_TRUE(QFileInfo(encoder).isSymLink());
    EXPECT_FALSE(QFile::exists(m_dir.filePath("gone")));
}

// Each settings file as a user or another program might leave it. Start-up must go on, the store's
// rules hold (first section and key count, values cut at 2047 characters), and the write at close
// changes the program's three lines only. "%HOME%" stands for the home folder (the default save folder).
TEST_F(StartupTest, HostileSettingsFilesNeitherStopStartUpNorLoseAnythingAtTheNextWrite)
{
    enum Kind
    {
        Bytes,
        ReadOnly,
        Folder,
        Fifo
    };
    QByteArray junk;
    for (int i = 0; i < 3000; ++i) {
        junk.append(static_cast<char>((i * 167 + 13) % 256));
    }
    junk.replace('\n', 'n').replace('[', '(');
    const QByteArray longPath = "/srv/" + QByteArray(3000, 'p');
    const QByteArray longLine(1 << 20, 'x');
    const struct
    {
        const char* name;
        Kind kind;
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"binary junk around the section", Bytes, junk + "\n[Quernbell Audio Recorder]\nBitrate=5\n" + junk + "\n",
         junk + "\n[Quernbell Audio Recorder]\nBitrate=5\n" + junk + "\nSavePath=%HOME%/\nBrowser=0\n"},
        {"NUL bytes in values and lines", Bytes, raw("[Quernbell Audio Recorder]\nBitrate=4\0junk\n\0\0\0\n"),
         raw("[Quernbell Audio Recorder]\nBitrate=4\n\0\0\0\nSavePath=%HOME%/\nBrowser=0\n")},
        {"very long lines", Bytes, "[Quernbell Audio Recorder]\n" + longLine + "\nSavePath=" + longPath + "\n",
         "[Quernbell Audio Recorder]\n" + longLine + "\nSavePath=" + longPath.left(2047) + "/\nBitrate=3\nBrowser=0\n"},
        {"CRLF and LF mixed", Bytes, "[Quernbell Audio Recorder]\r\nBitrate=2\n; note\r\nBrowser=1\n",
         "[Quernbell Audio Recorder]\r\nBitrate=2\n; note\r\nBrowser=1\nSavePath=%HOME%/\r\n"},
        {"duplicate sections and keys", Bytes,
         "[quernbell audio recorder]\nBITRATE=1\nBitrate=9\n[Quernbell Audio Recorder]\nBrowser=1\nBitrate=7\n",
         "[quernbell audio recorder]\nBitrate=1\nBitrate=9\nSavePath=%HOME%/\nBrowser=0\n"
         "[Quernbell Audio Recorder]\nBrowser=1\nBitrate=7\n"},
        {"section missing", Bytes, "; mine\n[Other]\nBitrate=12\n",
         "; mine\n[Other]\nBitrate=12\n\n[Quernbell Audio Recorder]\nBitrate=3\nSavePath=%HOME%/\nBrowser=0\n"},
        {"read-only file", ReadOnly, "[Quernbell Audio Recorder]\nBitrate=6\n",
         "[Quernbell Audio Recorder]\nBitrate=6\n"},
        {"a folder in its place", Folder, {}, {}},
        {"a FIFO in its place", Fifo, {}, {}},
    };

    const QString exe = installAs("quernbell");
    const QString ini = m_bin + "/quernbell.ini";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ini);
        QDir(ini).removeRecursively();
        if (c.kind == Folder) {
            ASSERT_TRUE(QDir().mkpath(ini));
        } else if (c.kind == Fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0644), 0);
        } else {
            ASSERT_TRUE(TestFiles::write(ini, c.before));
            if (c.kind == ReadOnly) {
                QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
            }
        }
        runOnce(exe);

        const QFileInfo after(ini);
        if (c.kind == Folder) {
            EXPECT_TRUE(after.isDir());
        } else if (c.kind == Fifo) {
            EXPECT_EQ(after.isFile(), false);
            EXPECT_TRUE(after.exists());
        } else {
            QByteArray expected = c.after;
            expected.replace("%HOME%", QFile::encodeName(m_home));
            EXPECT_EQ(read(ini), expected);
        }
    }
}

} // namespace
