// Throughput of the whole recording pipeline against the encoder alone:
//   bench_pipeline [minutes=10] [runs=1]
// ALSA capture over the unpaced file device -> modWaveIn -> EncoderOutput -> lame -> MP3,
// then lame alone on the same PCM. Prints wall and CPU time, memory and the RSS series.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/BenchSupport.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "recorder/modWaveIn.h"

namespace {

constexpr int kRate = 44100;
constexpr qint64 kBytesPerSecond = kRate * 4;
constexpr int kBitrate = 128;
// Signal beyond the recorded length, so the stop never reaches the file's end (silence).
constexpr int kMarginSeconds = 30;

struct RssSample
{
    qint64 audioSeconds = 0;
    double wallSeconds = 0.0;
    qint64 selfRssKb = 0;
    qint64 encoderRssKb = 0;
};

struct PipelineRun
{
    double wall = 0.0;
    double cpuSelf = 0.0;
    double cpuLame = 0.0;
    qint64 pcmBytes = 0;
    qint64 dropped = 0;
    qint64 mp3Bytes = 0;
    std::uint64_t lostFrames = 0;
    qint64 lameHwmKb = 0;
    long childrenMaxRssKb = 0;
    std::vector<RssSample> series;
    bool ok = false;
};

struct AloneRun
{
    double wall = 0.0;
    double cpuLame = 0.0;
    qint64 lameHwmKb = 0;
    bool ok = false;
};

double mib(qint64 kb)
{
    return static_cast<double>(kb) / 1024.0;
}

/// Sum of a status field over the living children (the encoder).
qint64 encoderKb(const char* field)
{
    qint64 total = 0;
    for (qint64 pid : BenchSupport::childPids()) {
        total += std::max<qint64>(0, BenchSupport::statusKb(field, pid));
    }
    return total;
}

PipelineRun runPipeline(const QString& lame, const QString& mp3, qint64 targetSeconds, QStringList& errors)
{
    PipelineRun run;
    AlsaCaptureBackend backend;
    EncoderOutput output;
    output.setEncoderPath(lame);
    output.setCbrBitrate(kBitrate);
    modWaveIn waveIn(backend, output);
    waveIn.setErrorReporter([&errors](const QString& text) { errors << text; });
    waveIn.HookMainWindow(true);

    const BenchSupport::CpuTimes before = BenchSupport::cpuNow();
    QElapsedTimer wall;
    wall.start();
    waveIn.OpenRecording(2, 16, kRate, mp3);
    if (!waveIn.RecordingActive()) {
        return run;
    }
    run.series.push_back({0, 0.0, BenchSupport::statusKb("VmRSS"), encoderKb("VmRSS")});

    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(2);
    qint64 nextMark = 60;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const qint64 recorded = output.SecondsRecorded();
        while (recorded >= nextMark && nextMark <= targetSeconds) {
            run.series.push_back({nextMark, static_cast<double>(wall.nsecsElapsed()) / 1e9,
                                  BenchSupport::statusKb("VmRSS"), encoderKb("VmRSS")});
            nextMark += 60;
        }
        if (recorded >= targetSeconds || !waveIn.RecordingActive()) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    poll.stop();
    run.lameHwmKb = encoderKb("VmHWM");
    // Waits for the encoder's tail and closes the file.
    waveIn.CloseRecording();
    run.wall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const BenchSupport::CpuTimes after = BenchSupport::cpuNow();
    run.cpuSelf = after.self - before.self;
    run.cpuLame = after.children - before.children;
    run.childrenMaxRssKb = BenchSupport::childrenMaxRssKb();
    run.pcmBytes = output.PcmBytes() - 45;
    run.dropped = output.DroppedBytes();
    run.mp3Bytes = output.BytesWritten();
    run.lostFrames = backend.lostFrames();
    run.ok = true;
    return run;
}

AloneRun runAlone(const QString& lame, const QString& raw, const QString& mp3)
{
    AloneRun run;
    QProcess encoder;
    encoder.setStandardOutputFile(QProcess::nullDevice());
    encoder.setStandardErrorFile(QProcess::nullDevice());
    const BenchSupport::CpuTimes before = BenchSupport::cpuNow();
    QElapsedTimer wall;
    wall.start();
    encoder.start(lame, {QStringLiteral("-s"), QStringLiteral("44.1"), QStringLiteral("-r"),
                         QStringLiteral("--little-endian"), QStringLiteral("--bitwidth"), QStringLiteral("16"),
                         QStringLiteral("-b"), QString::number(kBitrate), raw, mp3});
    if (!encoder.waitForStarted(-1)) {
        return run;
    }
    const qint64 pid = encoder.processId();
    while (!encoder.waitForFinished(100)) {
        run.lameHwmKb = std::max(run.lameHwmKb, BenchSupport::statusKb("VmHWM", pid));
    }
    run.wall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const BenchSupport::CpuTimes after = BenchSupport::cpuNow();
    run.cpuLame = after.children - before.children;
    run.ok = encoder.exitStatus() == QProcess::NormalExit && encoder.exitCode() == 0;
    return run;
}

/// The first bytes of source as target, read once so the encoder finds them in the page cache.
bool prepareInput(const QString& source, const QString& target, qint64 bytes)
{
    QFile::remove(target);
    if (!QFile::copy(source, target) || !QFile(target).resize(bytes)) {
        return false;
    }
    QFile warm(target);
    if (!warm.open(QIODevice::ReadOnly)) {
        return false;
    }
    while (!warm.read(1 << 20).isEmpty()) {
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const qint64 targetSeconds = static_cast<qint64>(minutes) * 60;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString signalPath = dir.filePath(QStringLiteral("signal.raw"));
    BenchSupport::configureAlsaFileDevice(signalPath, dir.filePath(QStringLiteral("asound.conf")));
    // The device delivers as fast as the program takes the data.
    qunsetenv("QUERNBELL_PACE_CAPTURE");

    QCoreApplication app(argc, argv);
    const QString lame = QStringLiteral(QB_LAME_EXECUTABLE);

    // 441 Hz left, 882 Hz right: whole periods in every second, so one second repeats.
    const double twoPi = 2.0 * std::acos(-1.0);
    const std::int64_t signalFrames = (targetSeconds + kMarginSeconds) * kRate;
    const bool written = BenchSupport::writeSignal(signalPath, signalFrames, [&](std::int64_t i, int channel) {
        const double t = static_cast<double>(i % kRate) / kRate;
        return channel == 0 ? 0.5 * std::sin(twoPi * 441.0 * t) : 0.25 * std::sin(twoPi * 882.0 * t);
    });
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(signalPath));
        return 1;
    }
    std::printf("bench_pipeline: %d min of 16-bit stereo 44100 Hz, %d kbit/s CBR, %d run(s), encoder %s\n", minutes,
                kBitrate, runs, qPrintable(lame));

    const QString pipelineMp3 = dir.filePath(QStringLiteral("pipeline.mp3"));
    const QString aloneRaw = dir.filePath(QStringLiteral("alone.raw"));
    const QString aloneMp3 = dir.filePath(QStringLiteral("alone.mp3"));
    QStringList errors;
    std::vector<PipelineRun> pipelines;
    std::vector<AloneRun> alones;
    std::vector<double> wallRatios;
    std::vector<double> cpuRatios;
    std::printf("\n%-4s %-11s %9s %9s %9s %9s %8s\n", "run", "", "audio s", "wall s", "CPU own", "CPU lame", "x rt");
    for (int i = 1; i <= runs; ++i) {
        PipelineRun pipeline = runPipeline(lame, pipelineMp3, targetSeconds, errors);
        if (!pipeline.ok) {
            std::fprintf(stderr, "recording did not start: %s\n", qPrintable(errors.join(QStringLiteral("; "))));
            return 1;
        }
        // The encoder alone on exactly the PCM this run recorded.
        if (!prepareInput(signalPath, aloneRaw, pipeline.pcmBytes)) {
            std::fprintf(stderr, "cannot prepare %s\n", qPrintable(aloneRaw));
            return 1;
        }
        const AloneRun alone = runAlone(lame, aloneRaw, aloneMp3);
        if (!alone.ok) {
            std::fprintf(stderr, "lame alone failed\n");
            return 1;
        }
        const double audio = static_cast<double>(pipeline.pcmBytes) / kBytesPerSecond;
        std::printf("%-4d %-11s %9.3f %9.3f %9.3f %9.3f %8.1f\n", i, "pipeline", audio, pipeline.wall, pipeline.cpuSelf,
                    pipeline.cpuLame, audio / pipeline.wall);
        std::printf("%-4d %-11s %9.3f %9.3f %9s %9.3f %8.1f\n", i, "lame alone", audio, alone.wall, "-", alone.cpuLame,
                    audio / alone.wall);
        wallRatios.push_back(pipeline.wall / alone.wall);
        cpuRatios.push_back((pipeline.cpuSelf + pipeline.cpuLame) / alone.cpuLame);
        std::printf("     wall ratio %.3f, CPU ratio %.3f\n", wallRatios.back(), cpuRatios.back());
        pipelines.push_back(std::move(pipeline));
        alones.push_back(alone);
    }

    std::vector<double> ownPerSecond;
    qint64 dropped = 0;
    std::uint64_t lostFrames = 0;
    qint64 lameHwm = 0;
    qint64 aloneHwm = 0;
    long childrenMaxRss = 0;
    for (std::size_t i = 0; i < pipelines.size(); ++i) {
        const PipelineRun& run = pipelines[i];
        ownPerSecond.push_back(run.cpuSelf / (static_cast<double>(run.pcmBytes) / kBytesPerSecond));
        dropped += run.dropped;
        lostFrames += run.lostFrames;
        lameHwm = std::max(lameHwm, run.lameHwmKb);
        aloneHwm = std::max(aloneHwm, alones[i].lameHwmKb);
        childrenMaxRss = std::max(childrenMaxRss, run.childrenMaxRssKb);
    }
    const PipelineRun& last = pipelines.back();
    std::printf("\nwall ratio pipeline / lame alone: median %.3f, min %.3f, max %.3f (target <= 1.05)\n",
                median(wallRatios), *std::min_element(wallRatios.begin(), wallRatios.end()),
                *std::max_element(wallRatios.begin(), wallRatios.end()));
    std::printf("CPU ratio pipeline (own + lame) / lame alone: median %.3f\n", median(cpuRatios));
    std::printf("program's own CPU per recorded second: median %.3f ms (%.3f %% of a core at real time)\n",
                median(ownPerSecond) * 1000.0, median(ownPerSecond) * 100.0);
    std::printf("peak memory: program VmHWM %.1f MiB; lame VmHWM in the pipeline %.1f MiB, alone %.1f MiB\n",
                mib(BenchSupport::statusKb("VmHWM")), mib(lameHwm), mib(aloneHwm));
    // ru_maxrss of a child also counts its copy of this process between fork and exec.
    std::printf("             RUSAGE_CHILDREN ru_maxrss %.1f MiB (includes the pre-exec copy)\n", mib(childrenMaxRss));
    std::printf("RSS by recorded audio, last run (program VmRSS / lame VmRSS, MiB):\n");
    for (const RssSample& sample : last.series) {
        std::printf("  %4lld s  at %7.2f s wall  %7.1f  /  %5.1f\n", static_cast<long long>(sample.audioSeconds),
                    sample.wallSeconds, mib(sample.selfRssKb), mib(sample.encoderRssKb));
    }
    std::printf("DroppedBytes (all runs): %lld, device lost frames: %llu\n", static_cast<long long>(dropped),
                static_cast<unsigned long long>(lostFrames));
    std::printf("MP3 size, last run: pipeline %lld bytes (file %lld), lame alone %lld bytes\n",
                static_cast<long long>(last.mp3Bytes), static_cast<long long>(QFileInfo(pipelineMp3).size()),
                static_cast<long long>(QFileInfo(aloneMp3).size()));

    const std::int64_t pcmFrames = last.pcmBytes / 4;
    const std::int64_t pipelineFrames =
        BenchSupport::decodedFrames(lame, pipelineMp3, dir.filePath(QStringLiteral("pipeline.wav")));
    const std::int64_t aloneFrames =
        BenchSupport::decodedFrames(lame, aloneMp3, dir.filePath(QStringLiteral("alone.wav")));
    const bool lengthOk = pipelineFrames >= pcmFrames && pipelineFrames <= pcmFrames + 2304;
    std::printf("decoded length, last run: pipeline %lld frames, lame alone %lld, PCM %lld (pipeline %s)\n",
                static_cast<long long>(pipelineFrames), static_cast<long long>(aloneFrames),
                static_cast<long long>(pcmFrames), lengthOk ? "ok" : "WRONG");
    for (const QString& error : errors) {
        std::printf("error reported: %s\n", qPrintable(error));
    }
    return dropped == 0 && lengthOk && errors.isEmpty() ? 0 : 1;
}
