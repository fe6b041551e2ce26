#include "support/SoundServer.h"

#include <csignal>

#include <sys/prctl.h>

#include <QFile>

#include "support/TestFiles.h"

using TestFiles::waitUntil;

SoundServer::SoundServer() : m_socket(m_dir.filePath(QStringLiteral("native")))
{
    TestFiles::write(m_dir.filePath(QStringLiteral("server.pa")),
                     QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                                    "load-module module-null-sink sink_name=tone\n"
                                    "set-default-source tone.monitor\n")
                         .arg(m_socket)
                         .toLocal8Bit());
    TestFiles::write(m_dir.filePath(QStringLiteral("asound.conf")),
                     "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    qputenv("PULSE_SERVER", QStringLiteral("unix:%1").arg(m_socket).toLocal8Bit());
    qputenv("ALSA_CONFIG_PATH", QStringLiteral("/usr/share/alsa/alsa.conf:%1")
                                    .arg(m_dir.filePath(QStringLiteral("asound.conf")))
                                    .toLocal8Bit());
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")));
    m_player.setStandardOutputFile(QProcess::nullDevice());
    m_player.setStandardErrorFile(QProcess::nullDevice());
    // Neither outlives a test process that dies.
    for (QProcess* process : {&m_server, &m_player}) {
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
}

SoundServer::~SoundServer()
{
    freeze(false);
    m_player.kill();
    m_player.waitForFinished(5000);
    kill();
}

QProcessEnvironment SoundServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:%1").arg(m_socket));
    return env;
}

bool SoundServer::pactl(const QStringList& arguments, QByteArray* output)
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral("pactl"), arguments);
    const bool done = tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (output) {
        *output = tool.readAllStandardOutput().trimmed();
    }
    return done;
}

bool SoundServer::start()
{
    kill();
    m_server.setProcessEnvironment(environment());
    m_server.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("-F"), m_dir.filePath(QStringLiteral("server.pa")),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--daemonize=no")});
    if (!m_server.waitForStarted(10000)) {
        return false;
    }
    bool answers = false;
    waitUntil(
        [&] {
            answers = QFile::exists(m_socket) && pactl({QStringLiteral("info")}, nullptr);
            return answers || m_server.state() != QProcess::Running;
        },
        30000);
    return answers;
}

void SoundServer::kill()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(10000);
    }
}

bool SoundServer::play(const QByteArray& pcm)
{
    const QString signal = m_dir.filePath(QStringLiteral("signal.raw"));
    if (!TestFiles::write(signal, pcm)) {
        return false;
    }
    if (m_player.state() != QProcess::NotRunning) {
        m_player.kill();
        m_player.waitForFinished(10000);
    }
    m_player.setProcessEnvironment(environment());
    m_player.start(QStringLiteral("paplay"),
                   {QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                    QStringLiteral("--channels=2"), QStringLiteral("--device=tone"), signal});
    if (!m_player.waitForStarted(10000)) {
        return false;
    }
    // Playing once the sink has an input.
    QByteArray inputs;
    waitUntil(
        [&] {
            pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")}, &inputs);
            return !inputs.isEmpty() || m_player.state() != QProcess::Running;
        },
        30000);
    return !inputs.isEmpty();
}

void SoundServer::freeze(bool frozen)
{
    m_thaw.kill();
    m_thaw.waitForFinished(5000);
    if (m_server.state() == QProcess::NotRunning) {
        return;
    }
    const QString pid = QString::number(m_server.processId());
    if (frozen) {
        m_thaw.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 30; kill -CONT %1").arg(pid)});
        m_thaw.waitForStarted(10000);
    }
    ::kill(static_cast<pid_t>(m_server.processId()), frozen ? SIGSTOP : SIGCONT);
    waitUntil([&] { return this->frozen() == frozen; }, 10000);
}

bool SoundServer::frozen() const
{
    // The state follows the command name, which ends with the last ')'.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_server.processId()));
    if (m_server.state() == QProcess::NotRunning || !stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "T";
}
