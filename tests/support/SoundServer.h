#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

/**
 * A private PulseAudio server with one null sink ("tone") whose monitor is the default source,
 * paced by its own clock like a sound card. The constructor points this process's ALSA default
 * device at it (ALSA reads its configuration once per process, so construct it before the first
 * ALSA call); play() feeds a signal into the sink with paplay.
 */
class SoundServer
{
public:
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    /// Starts the server (again); false when it does not answer.
    bool start();
    /// Ends the server at once, as a device that goes away.
    void kill();
    /// Stops the server by SIGSTOP, as a server that hangs, or lets it go on (SIGCONT). A frozen
    /// server goes on by itself after 30 s, so a test that waits on it fails instead of hanging.
    void freeze(bool frozen);
    /// The server is stopped by a signal.
    bool frozen() const;
    /// Plays raw 16-bit little-endian stereo at 44100 Hz into the sink (instead of what played
    /// before); true once it plays.
    bool play(const QByteArray& pcm);

private:
    /// Runs pactl on the server; true when it succeeded. output gets what it printed.
    bool pactl(const QStringList& arguments, QByteArray* output);
    QProcessEnvironment environment() const;

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    QProcess m_player;
    QProcess m_thaw;
};
