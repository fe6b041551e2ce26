// Runs the built executable as a user would: its own HOME, offscreen display.
#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) {
            return true;
        }
        QThread::msleep(20);
    }
    return condition();
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

    QTemporaryDir m_dir;
    QString m_home;
    QString m_bin;
    QString m_runtime;
};

TEST_F(StartupTest, FirstStartInstallsEncoderAndClosingWritesTheThreeSettings)
{
    const QString exe = installAs("quernbell");
    auto first = start(exe, {"--ignored", "argument"});
    const QString encoder = systemFolder() + "mkmp3";
    ASSERT_TRUE(waitFor([&] { return QFile::exists(encoder) && QFile::exists(lockFileOf("quernbell")); }));

    // A second start ends at once, silently, without touching the first.
    auto second = start(exe);
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardError().isEmpty());
    EXPECT_EQ(first->state(), QProcess::Running);

    terminate(*first);

    EXPECT_EQ(readAll(encoder), readAll(QStringLiteral(QB_LAME_EXECUTABLE)));
    EXPECT_TRUE(QFileInfo(encoder).permissions() & QFile::ExeOwner);

    const QString ini = QString::fromUtf8(readAll(m_bin + "/quernbell.ini"));
    EXPECT_TRUE(ini.contains("[Quernbell Audio Recorder]")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Bitrate=3")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Browser=0")) << ini.toStdString();
    // No documents folder in a fresh HOME: the home folder stands in, with its separator.
    EXPECT_TRUE(ini.contains("SavePath=" + m_home + "/")) << ini.toStdString();
}

TEST_F(StartupTest, RenamedCopyKeepsItsOwnSettingsAndExistingEncoderIsLeftAlone)
{
    ASSERT_TRUE(QDir().mkpath(systemFolder()));
    const QByteArray foreign = "#!/bin/sh\necho not the encoder\n";
    {
        QFile file(systemFolder() + "mkmp3");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(foreign);
    }
    {
        QFile ini(m_bin + "/aufnahme.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[QUERNBELL AUDIO RECORDER]\nBITRATE=7abc\nbrowser=1\nSavePath=/srv/aufnahmen\n");
    }

    const QString exe = installAs("aufnahme");
    auto process = start(exe);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(lockFileOf("aufnahme")); }));
    terminate(*process);

    EXPECT_EQ(readAll(systemFolder() + "mkmp3"), foreign);
    EXPECT_FALSE(QFile::exists(m_bin + "/quernbell.ini"));
    // Read in any letter case; the index is taken from "7abc"; the folder gains its separator.
    const QString ini = QString::fromUtf8(readAll(m_bin + "/aufnahme.ini")).toLower();
    EXPECT_TRUE(ini.contains("bitrate=7\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("browser=1")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("savepath=/srv/aufnahmen/")) << ini.toStdString();
    EXPECT_EQ(ini.count("bitrate"), 1);
}

} // namespace
