#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

/**
 * A private PipeWire server with WirePlumber, everything in a temporary folder: no user services,
 * no D-Bus, no sound cards or Bluetooth devices, so the machine's own sound setup stays untouched.
 * Its dummy driver paces the graph like a sound card. play() offers a signal as the only source,
 * which WirePlumber makes the default one.
 *
 * start() points this process's ALSA default device at the server through ALSA's pipewire plugin,
 * unpacked from its Debian package into the build folder (installed, it would conflict with
 * PulseAudio). ALSA reads its configuration once per process: start before the first ALSA call.
 */
class PipeWireServer
{
public:
    PipeWireServer();
    ~PipeWireServer();
    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    /// Starts the server and its session manager; an empty string once both answer, else what failed.
    QString start();
    /// Plays raw 16-bit little-endian stereo at 44100 Hz as the default source (instead of what
    /// played before); true once it is the default.
    bool play(const QByteArray& pcm);

private:
    /// Runs a PipeWire tool on the server; its output, empty when it failed.
    QByteArray tool(const QString& program, const QStringList& arguments);
    QProcessEnvironment environment() const;
    static void stop(QProcess& process);

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_session;
    QProcess m_player;
};
