#include "support/PipeWireServer.h"

#include <csignal>

#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include "support/TestFiles.h"

namespace {

// Only what a client and a session manager need, at the rate the program records with. Cycles as
// long as the program's device buffer allows, so that a player held up on a busy machine still
// delivers in time instead of leaving a gap.
constexpr char kServerConfig[] = R"(
context.properties = {
    core.daemon = true
    core.name = pipewire-0
    default.clock.rate = 44100
    default.clock.allowed-rates = [ 44100 ]
    default.clock.quantum = 8192
    default.clock.min-quantum = 8192
    default.clock.max-quantum = 8192
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
    { name = libpipewire-module-session-manager }
]
context.objects = [
    { factory = spa-node-factory
      args = { factory.name = support.node.driver node.name = Dummy-Driver priority.driver = 20000 } }
]
)";

// Read before WirePlumber's own "90-enable-all": no devices of the machine, nothing over D-Bus.
constexpr char kSessionConfig[] = "alsa_monitor.enabled = false\n"
                                  "v4l2_monitor.enabled = false\n"
                                  "libcamera_monitor.enabled = false\n"
                                  "default_access.properties[\"enable-flatpak-portal\"] = false\n";

/// The signal as a WAV file, which pw-cat reads.
QByteArray wav(const QByteArray& pcm)
{
    QByteArray header(44, '\0');
    const auto put32 = [&](int at, quint32 value) { qToLittleEndian(value, header.data() + at); };
    const auto put16 = [&](int at, quint16 value) { qToLittleEndian(value, header.data() + at); };
    header.replace(0, 4, "RIFF");
    put32(4, static_cast<quint32>(36 + pcm.size()));
    header.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, 44100);
    put32(28, 44100 * 4);
    put16(32, 4);
    put16(34, 16);
    header.replace(36, 4, "data");
    put32(40, static_cast<quint32>(pcm.size()));
    return header + pcm;
}

} // namespace

PipeWireServer::PipeWireServer()
{
    for (const char* folder : {"/run", "/config/wireplumber/main.lua.d", "/config/wireplumber/bluetooth.lua.d"}) {
        QDir().mkpath(m_dir.path() + QLatin1String(folder));
    }
    QFile::setPermissions(m_dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TestFiles::write(m_dir.filePath(QStringLiteral("pipewire.conf")), kServerConfig);
    TestFiles::write(m_dir.filePath(QStringLiteral("config/wireplumber/main.lua.d/60-private.lua")), kSessionConfig);
    TestFiles::write(m_dir.filePath(QStringLiteral("config/wireplumber/bluetooth.lua.d/60-private.lua")),
                     "bluez_monitor.enabled = false\n");
    // This process's ALSA plugin finds the server by its runtime folder.
    qputenv("PIPEWIRE_RUNTIME_DIR", m_dir.filePath(QStringLiteral("run")).toLocal8Bit());
    for (QProcess* process : {&m_server, &m_session, &m_player}) {
        process->setStandardOutputFile(QProcess::nullDevice());
        // None outlives a test process that dies.
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("pipewire.log")));
    m_session.setStandardErrorFile(m_dir.filePath(QStringLiteral("wireplumber.log")));
    m_player.setStandardErrorFile(m_dir.filePath(QStringLiteral("pw-cat.log")));
}

PipeWireServer::~PipeWireServer()
{
    for (QProcess* process : {&m_player, &m_session, &m_server}) {
        stop(*process);
    }
}

void PipeWireServer::stop(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

QProcessEnvironment PipeWireServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PIPEWIRE_RUNTIME_DIR"}) {
        env.insert(QLatin1String(name), m_dir.filePath(QStringLiteral("run")));
    }
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.filePath(QStringLiteral("state")));
    // Never the user's bus, nor one started for the display.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QByteArray PipeWireServer::tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? process.readAllStandardOutput()
                                                                                   : QByteArray();
}

QString PipeWireServer::start()
{
    QProcess fetch;
    fetch.start(QStringLiteral(QB_SOURCE_DIR "/scripts/pipewire-alsa-plugin.sh"),
                {QStringLiteral(QB_BUILD_DIR "/pipewire-alsa")});
    if (!fetch.waitForFinished(300000) || fetch.exitStatus() != QProcess::NormalExit || fetch.exitCode() != 0) {
        return QStringLiteral("ALSA's pipewire plugin is not there: ") +
               QString::fromLocal8Bit(fetch.readAllStandardError());
    }
    const QString plugins = QString::fromLocal8Bit(fetch.readAllStandardOutput()).trimmed();
    const QString alsaConfig = m_dir.filePath(QStringLiteral("asound.conf"));
    TestFiles::write(alsaConfig, QStringLiteral("pcm_type.pipewire { lib \"%1/libasound_module_pcm_pipewire.so\" }\n"
                                                "ctl_type.pipewire { lib \"%1/libasound_module_ctl_pipewire.so\" }\n"
                                                "pcm.!default { type pipewire }\n"
                                                "ctl.!default { type pipewire }\n")
                                     .arg(plugins)
                                     .toLocal8Bit());
    qputenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + alsaConfig).toLocal8Bit());

    m_server.setProcessEnvironment(environment());
    m_server.start(QStringLiteral("pipewire"), {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("pipewire.conf"))});
    if (!TestFiles::waitUntil([this] { return !tool(QStringLiteral("pw-cli"), {"info", "0"}).isEmpty(); })) {
        return QStringLiteral("pipewire does not answer: ") +
               QString::fromLocal8Bit(TestFiles::read(m_dir.filePath(QStringLiteral("pipewire.log"))));
    }
    m_session.setProcessEnvironment(environment());
    m_session.start(QStringLiteral("wireplumber"), {});
    // Ready once it keeps the default devices.
    if (!TestFiles::waitUntil([this] { return tool(QStringLiteral("pw-metadata"), {"0"}).contains("\"default\""); })) {
        return QStringLiteral("wireplumber does not answer: ") +
               QString::fromLocal8Bit(TestFiles::read(m_dir.filePath(QStringLiteral("wireplumber.log"))));
    }
    return {};
}

bool PipeWireServer::play(const QByteArray& pcm)
{
    const QString signal = m_dir.filePath(QStringLiteral("signal.wav"));
    if (!TestFiles::write(signal, wav(pcm))) {
        return false;
    }
    stop(m_player);
    m_player.setProcessEnvironment(environment());
    // A stream of the source class is a source of its own: nothing links it to a sink.
    m_player.start(QStringLiteral("pw-cat"),
                   {QStringLiteral("--playback"), QStringLiteral("--target=0"),
                    QStringLiteral("--properties={ media.class = Audio/Source node.name = tone }"), signal});
    return m_player.waitForStarted(10000) && TestFiles::waitUntil([this] {
               return tool(QStringLiteral("pw-metadata"), {"0", "default.audio.source"}).contains("\"tone\"") ||
                      m_player.state() != QProcess::Running;
           }) &&
           m_player.state() == QProcess::Running;
}
