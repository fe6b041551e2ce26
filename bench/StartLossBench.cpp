// How much a recording misses at its start, beside arecord on the same server at the same moment:
//   bench_startloss [rounds=5] [level display: off | paused | on]
// A private PulseAudio server plays frames that carry their own numbers, at its own clock. Each
// round starts a recording (modWaveIn over the ALSA pulse device, as Record does), then arecord
// alone; the first number each captured, less the number playing at the click, is what it
// lost at the start. Which number plays when is measured after the rounds with parec at a
// short latency. Also printed: the program's CPU in the first two seconds after the click. The level
// display is off, or was on and is off again (its stream stays open), or is on at the click.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "fakes/FakeRecordingOutput.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/modWaveIn.h"
#include "support/SoundServer.h"
#include "support/TestSignal.h"

namespace {

constexpr double kRate = 44100.0;

/// CPU nanoseconds of this process's living threads (schedstat): all, and the capture reader's.
std::pair<qint64, qint64> cpuNs()
{
    qint64 total = 0;
    qint64 reader = 0;
    const QString tasks = QStringLiteral("/proc/self/task");
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks + u'/' + task + QStringLiteral("/schedstat"));
        QFile comm(tasks + u'/' + task + QStringLiteral("/comm"));
        if (stat.open(QIODevice::ReadOnly) && comm.open(QIODevice::ReadOnly)) {
            const qint64 ns = stat.readAll().split(' ').value(0).toLongLong();
            total += ns;
            reader += comm.readAll().trimmed() == "qb-capture" ? ns : 0;
        }
    }
    return {total, reader};
}

/// First numbered frame in raw captured data; -1 when there is none.
qint64 firstNumber(const QByteArray& data)
{
    for (qint64 number : TestSignal::frameNumbers(data)) {
        if (number >= 0) {
            return number;
        }
    }
    return -1;
}

/// Reads a process's raw stereo output and keeps the newest frame number.
struct Reader
{
    QProcess* process = nullptr;
    QByteArray partial;
    QByteArray all;
    qint64 newest = -1;
    bool keep = false;

    void poll()
    {
        partial += process->readAllStandardOutput();
        const qsizetype whole = partial.size() - partial.size() % 4;
        if (whole >= 4) {
            const std::vector<qint64> numbers = TestSignal::frameNumbers(partial.left(whole));
            newest = std::max(newest, numbers.back());
            if (keep) {
                all += partial.left(whole);
            }
            partial.remove(0, whole);
        }
    }
};

void spin(int ms, const std::function<void()>& each)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents();
        each();
        // Reads along without spinning itself.
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QByteArray level = argc > 2 ? QByteArray(argv[2]) : QByteArray("off");
    SoundServer server;
    if (!server.start() || !server.play(TestSignal::numberedFrames(static_cast<int>((rounds * 12 + 30) * kRate)))) {
        std::fprintf(stderr, "The sound server did not start.\n");
        return 1;
    }
    // The sink plays at the server's clock: frame number = rate x time + offset, the offset
    // measured once all rounds are done, so that no other client keeps the source busy.
    QElapsedTimer clock;
    clock.start();
    const auto seconds = [&clock] { return static_cast<double>(clock.nsecsElapsed()) / 1e9; };

    QTemporaryDir dir;
    struct Round
    {
        double click = 0;
        double theirClick = 0;
        qint64 own = -1;
        qint64 theirs = -1;
        double cpu = 0;
        double reader = 0;
        qint64 dropped = 0;
    };
    std::vector<Round> done;
    for (int round = 0; round < rounds; ++round) {
        FakeRecordingOutput output;
        AlsaCaptureBackend backend;
        modWaveIn wave(backend, output);
        wave.HookMainWindow(true);
        QProcess arecord;
        Reader arecorded;
        arecorded.process = &arecord;
        arecorded.keep = true;

        if (level != "off") {
            wave.OpenMonitor();
            spin(1500, [] {});
            if (level == "paused") {
                wave.PauseMonitor();
            }
        }
        spin(1000, [] {});
        Round r;
        const auto [cpu0, reader0] = cpuNs();
        QElapsedTimer sinceClick;
        sinceClick.start();
        r.click = seconds();
        wave.OpenRecording(2, 16, 44100, dir.filePath(QStringLiteral("unused.mp3")));
        spin(2000, [] {});
        const auto [cpuNow, readerNs] = cpuNs();
        r.cpu = 100.0 * static_cast<double>(cpuNow - cpu0) / sinceClick.nsecsElapsed();
        r.reader = 100.0 * static_cast<double>(readerNs - reader0) / sinceClick.nsecsElapsed();
        spin(1500, [] {});
        wave.CloseRecording();
        wave.CloseMonitor();

        // arecord alone, as the program was: a client already reading would hand the other its
        // first sound.
        spin(1000, [] {});
        r.theirClick = seconds();
        arecord.start(QStringLiteral("arecord"), {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("raw"),
                                                  QStringLiteral("-f"), QStringLiteral("S16_LE"), QStringLiteral("-c"),
                                                  QStringLiteral("2"), QStringLiteral("-r"), QStringLiteral("44100")});
        spin(3000, [&] { arecorded.poll(); });
        arecord.kill();
        arecord.waitForFinished();
        r.own = firstNumber(output.written());
        r.theirs = firstNumber(arecorded.all);
        r.dropped = output.DroppedBytes();
        if (r.own < 0 || r.theirs < 0) {
            std::fprintf(stderr, "round %d: no numbered frame captured (program %lld, arecord %lld)\n", round + 1,
                         static_cast<long long>(r.own), static_cast<long long>(r.theirs));
            return 1;
        }
        done.push_back(r);
    }

    // parec with a short latency: the frames it has are at most that much behind the sink.
    QProcess parec;
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                 QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=10"),
                 QStringLiteral("--device=tone.monitor")});
    Reader reference;
    reference.process = &parec;
    double offset = -1e18;
    spin(3000, [&] {
        reference.poll();
        if (reference.newest >= 0) {
            offset = std::max(offset, static_cast<double>(reference.newest) - kRate * seconds());
        }
    });
    parec.kill();
    parec.waitForFinished();
    if (reference.newest < 0) {
        std::fprintf(stderr, "parec delivers nothing.\n");
        return 1;
    }

    std::vector<double> ownLoss;
    std::vector<double> arecordLoss;
    std::vector<double> cpu;
    for (std::size_t i = 0; i < done.size(); ++i) {
        const Round& r = done[i];
        const double atClick = kRate * r.click + offset;
        ownLoss.push_back((static_cast<double>(r.own) - atClick) / kRate);
        arecordLoss.push_back((static_cast<double>(r.theirs) - kRate * r.theirClick - offset) / kRate);
        cpu.push_back(r.cpu);
        std::printf("round %zu: lost at start: program %.3f s, arecord %.3f s; program CPU in the first 2 s %.1f %% "
                    "(capture reader %.1f %%); dropped %lld bytes\n",
                    i + 1, ownLoss.back(), arecordLoss.back(), r.cpu, r.reader, static_cast<long long>(r.dropped));
    }
    const auto range = [](const std::vector<double>& v) {
        return std::pair(*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    };
    std::printf("lost at start: program %.2f to %.2f s, arecord %.2f to %.2f s; program CPU %.1f to %.1f %%\n",
                range(ownLoss).first, range(ownLoss).second, range(arecordLoss).first, range(arecordLoss).second,
                range(cpu).first, range(cpu).second);
    return 0;
}
