// The built program as a user runs it, measured from outside:
//   bench_desktop [seconds=60]
// A private PulseAudio server with a null sink plays a tone; the program records the sink's
// monitor through ALSA's pulse device, in its real window on a private X server, driven with
// real pointer events. Each phase lasts `seconds`. First session: standby, level display on,
// recording with the pointer resting on Record (its hover timer runs), recording, the level
// display switched on. Second session: recording begun with the level display on, then the
// level display switched off. Then arecord records the same source as long.
// Printed: CPU of each as % of one core (the encoder and the X server apart).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "support/Mp3File.h"
#include "support/ProcessList.h"
#include "support/RecorderProcess.h"
#include "support/SoundServer.h"
#include "support/TestSignal.h"

namespace {

// Designed centres in the main window's client area (twips / 15).
constexpr int kMeterBoxX = (4200 + 300) / 15;
constexpr int kMeterBoxY = (300 + 127) / 15;
constexpr int kStopX = (1980 + 1650) / 15;
constexpr int kStopY = (1920 + 465) / 15;
// Over the status frame, away from every button: a hovered button polls the pointer.
constexpr int kRestX = 60;
constexpr int kRestY = 70;

/// CPU nanoseconds of every living thread of a process (schedstat), by thread name.
std::map<QString, qint64> threadNs(qint64 pid)
{
    std::map<QString, qint64> byName;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks + u'/' + task + QStringLiteral("/schedstat"));
        QFile comm(tasks + u'/' + task + QStringLiteral("/comm"));
        if (stat.open(QIODevice::ReadOnly) && comm.open(QIODevice::ReadOnly)) {
            byName[QString::fromLocal8Bit(comm.readAll().trimmed())] += stat.readAll().split(' ').value(0).toLongLong();
        }
    }
    return byName;
}

qint64 cpuNs(qint64 pid)
{
    qint64 total = 0;
    for (const auto& [name, ns] : threadNs(pid)) {
        total += ns;
    }
    return total;
}

struct Phase
{
    const char* name;
    double own = 0;
    double encoder = 0;
    double xserver = 0;
};

/// CPU of the program, its encoder and the X server over `seconds`, as % of one core.
Phase measure(const char* name, qint64 program, qint64 encoder, qint64 xserver, int seconds)
{
    const std::map<QString, qint64> threads0 = threadNs(program);
    const qint64 own0 = cpuNs(program);
    const qint64 enc0 = encoder ? cpuNs(encoder) : 0;
    const qint64 x0 = xserver ? cpuNs(xserver) : 0;
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const double ns = static_cast<double>(wall.nsecsElapsed());
    const double ns0 = ns;
    Phase phase{name};
    phase.own = 100.0 * static_cast<double>(cpuNs(program) - own0) / ns;
    phase.encoder = encoder ? 100.0 * static_cast<double>(cpuNs(encoder) - enc0) / ns : 0;
    phase.xserver = xserver ? 100.0 * static_cast<double>(cpuNs(xserver) - x0) / ns : 0;
    std::printf("%-34s own %6.3f %%   encoder %6.3f %%   X server %6.3f %%\n", name, phase.own, phase.encoder,
                phase.xserver);
    // Where the program's own time goes, by thread (those of at least 0.01 %).
    for (const auto& [thread, ns] : threadNs(program)) {
        const auto before = threads0.find(thread);
        const double share = 100.0 * static_cast<double>(ns - (before == threads0.end() ? 0 : before->second)) / ns0;
        if (share >= 0.01) {
            std::printf("%38s %6.3f %%\n", qPrintable(thread), share);
        }
    }
    std::fflush(stdout);
    return phase;
}

/// One run of the program: standby, then either Record and the level display switched on
/// later, or the level display first and Record with it on, then switched off. True when the
/// recording holds MP3 frames.
bool session(const QString& folder, bool levelFirst, int seconds)
{
    RecorderProcess program(folder);
    if (!program.start()) {
        std::fprintf(stderr, "The program did not start:\n%s\n", qPrintable(program.diagnostics()));
        return false;
    }
    const qint64 pid = program.pid();
    const qint64 xserver = program.displayPid();
    QThread::sleep(3); // start-up done
    const auto toggleLevel = [&] {
        program.click(kMeterBoxX, kMeterBoxY);
        program.pointAt(kRestX, kRestY);
        QThread::sleep(2); // the sound server opens or closes the stream
    };

    if (!levelFirst) {
        measure("standby, level display off", pid, 0, xserver, seconds);
        toggleLevel();
        measure("level display on, no recording", pid, 0, xserver, seconds);
        toggleLevel();
    } else {
        toggleLevel();
    }
    QElapsedTimer recording;
    recording.start();
    if (!program.clickRecord()) {
        std::fprintf(stderr, "Record did not start a recording.\n");
        return false;
    }
    const QList<qint64> encoders = ProcessList::running(folder + QStringLiteral("/home/.local/share/quernbell/mkmp3"));
    const qint64 encoder = encoders.value(0);
    QThread::sleep(2);
    if (!levelFirst) {
        measure("recording, pointer on Record", pid, encoder, xserver, seconds);
        program.pointAt(kRestX, kRestY);
        QThread::sleep(1);
        measure("recording", pid, encoder, xserver, seconds);
        toggleLevel();
        measure("recording, level display then on", pid, encoder, xserver, seconds);
    } else {
        program.pointAt(kRestX, kRestY);
        QThread::sleep(1);
        measure("recording begun with level display", pid, encoder, xserver, seconds);
        toggleLevel();
        measure("recording, level display then off", pid, encoder, xserver, seconds);
    }
    program.click(kStopX, kStopY);
    const double recorded = static_cast<double>(recording.elapsed()) / 1000.0;
    QThread::sleep(3);
    program.signal(SIGTERM);
    program.waitForExit();
    const QStringList files = program.recordings();
    const qint64 frames = files.isEmpty() ? -1 : Mp3File::wholeFrames(program.saveFolder() + files.front());
    std::printf("  %.1f s between the clicks, %.1f s of MP3 in whole frames (%lld frames)\n", recorded,
                static_cast<double>(frames) * 1152.0 / 44100.0, static_cast<long long>(frames));
    return frames > 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;

    SoundServer server;
    if (!server.start() || !server.play(TestSignal::stereoSine(seconds * 10 + 180, 1000, 440, 0.5, 0.1))) {
        std::fprintf(stderr, "The sound server did not start or play.\n");
        return 1;
    }
    // Two sessions: the device changes its periods when a recording starts beside a running
    // level display, so both orders are measured.
    QTemporaryDir first;
    QTemporaryDir second;
    const bool complete = session(first.path(), false, seconds) && session(second.path(), true, seconds);

    // arecord alone on the same source, as long.
    QProcess arecord;
    arecord.setStandardOutputFile(QProcess::nullDevice());
    arecord.start(QStringLiteral("arecord"),
                  {QStringLiteral("-q"), QStringLiteral("-D"), QStringLiteral("default"), QStringLiteral("-f"),
                   QStringLiteral("S16_LE"), QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-r"),
                   QStringLiteral("44100"), QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("/dev/null")});
    arecord.waitForStarted();
    QThread::sleep(2);
    measure("arecord alone, same source", arecord.processId(), 0, 0, seconds);
    arecord.kill();
    arecord.waitForFinished();

    return complete ? 0 : 1;
}
