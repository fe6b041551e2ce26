// A long recording pushed through the whole pipeline as fast as it goes:
//   bench_long [hours=8] [folder=temporary]
// ALSA capture over the unpaced file device -> modWaveIn -> EncoderOutput -> lame -> MP3 file.
// Checks the counters, the time display, the file (whole frames, decoded length and level in
// every hour) and that memory does not grow with the length. Exit 0 when all hold.
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
#include <QTemporaryDir>
#include <QTimer>

#include "bench/BenchSupport.h"
#include "platform/AlsaCaptureBackend.h"
#include "recorder/EncoderOutput.h"
#include "recorder/Mp3Frames.h"
#include "recorder/RecordingController.h"
#include "recorder/modWaveIn.h"

namespace {

constexpr int kRate = 44100;
constexpr qint64 kBytesPerSecond = kRate * 4;
constexpr int kBitrate = 128;
constexpr int kMarginSeconds = 60;
constexpr double kLeftAmplitude = 0.5;

struct Mark
{
    qint64 seconds = 0;
    QString shown;
    double wall = 0.0;
    qint64 rssKb = 0;
    qint64 hwmKb = 0;
    qint64 encoderRssKb = 0;
    qint64 mp3Bytes = 0;
};

double mib(qint64 kb)
{
    return static_cast<double>(kb) / 1024.0;
}

qint64 encoderKb(const char* field)
{
    qint64 total = 0;
    for (qint64 pid : BenchSupport::childPids()) {
        total += std::max<qint64>(0, BenchSupport::statusKb(field, pid));
    }
    return total;
}

// One second of 441 Hz left, 882 Hz right (whole periods), written over and over.
bool writeSignal(const QString& path, qint64 seconds)
{
    QByteArray second(kBytesPerSecond, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(second.data());
    const double twoPi = 2.0 * std::acos(-1.0);
    for (int i = 0; i < kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (double v : {kLeftAmplitude * std::sin(twoPi * 441.0 * t), 0.25 * std::sin(twoPi * 882.0 * t)}) {
            const auto s = static_cast<qint16>(std::lround(v * 32767.0));
            *out++ = static_cast<unsigned char>(s & 0xff);
            *out++ = static_cast<unsigned char>((s >> 8) & 0xff);
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (qint64 i = 0; i < seconds; ++i) {
        if (file.write(second) != second.size()) {
            return false;
        }
    }
    return true;
}

/// Frames of the file when it is whole frames from first byte to last, else -1. Streams it.
qint64 wholeFrames(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    qint64 frames = 0;
    QByteArray pending;
    while (true) {
        const QByteArray chunk = file.read(1 << 20);
        pending += chunk;
        qsizetype offset = 0;
        while (pending.size() - offset >= 4) {
            const int length =
                Mp3Frames::FrameLength(reinterpret_cast<const unsigned char*>(pending.constData() + offset));
            if (length == 0) {
                return -1;
            }
            if (pending.size() - offset < length) {
                break;
            }
            offset += length;
            ++frames;
        }
        pending.remove(0, offset);
        if (chunk.isEmpty()) {
            return pending.isEmpty() ? frames : -1;
        }
    }
}

struct Decoded
{
    qint64 frames = -1;
    std::vector<double> leftRmsByHour;
};

/// Decodes through lame to a pipe: decoded length and the left channel's level in every hour.
Decoded decode(const QString& lame, const QString& mp3)
{
    Decoded result;
    QProcess decoder;
    decoder.setStandardErrorFile(QProcess::nullDevice());
    decoder.start(lame, {QStringLiteral("--decode"), QStringLiteral("--quiet"), mp3, QStringLiteral("-")});
    if (!decoder.waitForStarted(-1)) {
        return result;
    }
    qint64 header = 44;
    qint64 frame = 0;
    int channel = 0;
    double sum = 0.0;
    qint64 count = 0;
    QByteArray carry;
    const qint64 hour = qint64{3600} * kRate;
    const auto take = [&](const QByteArray& bytes) {
        QByteArray data = carry + bytes;
        qsizetype i = 0;
        if (header > 0) {
            const qsizetype skip = std::min<qsizetype>(header, data.size());
            header -= skip;
            i = skip;
        }
        for (; i + 1 < data.size(); i += 2) {
            const auto s = static_cast<qint16>(
                static_cast<quint16>(static_cast<quint8>(data[i]) | (static_cast<quint8>(data[i + 1]) << 8)));
            if (channel == 0) {
                const double v = s / 32768.0;
                sum += v * v;
                ++count;
            } else {
                ++frame;
                if (frame % hour == 0) {
                    result.leftRmsByHour.push_back(std::sqrt(sum / static_cast<double>(count)));
                    sum = 0.0;
                    count = 0;
                }
            }
            channel ^= 1;
        }
        carry = data.mid(i);
    };
    while (decoder.state() == QProcess::Running || decoder.bytesAvailable() > 0) {
        decoder.waitForReadyRead(1000);
        take(decoder.readAll());
    }
    decoder.waitForFinished(-1);
    take(decoder.readAll());
    if (decoder.exitStatus() == QProcess::NormalExit && decoder.exitCode() == 0) {
        result.frames = frame;
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const double hours = argc > 1 ? std::max(0.01, std::atof(argv[1])) : 8.0;
    const qint64 targetSeconds = static_cast<qint64>(hours * 3600.0);
    QTemporaryDir temporary(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench_long-XXXXXX")
                                     : QString());
    if (!temporary.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString signalPath = temporary.filePath(QStringLiteral("signal.raw"));
    BenchSupport::configureAlsaFileDevice(signalPath, temporary.filePath(QStringLiteral("asound.conf")));
    qunsetenv("QUERNBELL_PACE_CAPTURE");
    QCoreApplication app(argc, argv);
    const QString lame = QStringLiteral(QB_LAME_EXECUTABLE);

    std::printf("bench_long: %.2f h (%lld s) of 16-bit stereo 44100 Hz, %d kbit/s CBR, in %s\n", hours,
                static_cast<long long>(targetSeconds), kBitrate, qPrintable(temporary.path()));
    QElapsedTimer preparing;
    preparing.start();
    if (!writeSignal(signalPath, targetSeconds + kMarginSeconds)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(signalPath));
        return 1;
    }
    std::printf("signal written: %.1f GiB in %.1f s\n", static_cast<double>(QFileInfo(signalPath).size()) / (1 << 30),
                static_cast<double>(preparing.elapsed()) / 1000.0);

    const QString mp3 = temporary.filePath(QStringLiteral("long.mp3"));
    QStringList errors;
    AlsaCaptureBackend backend;
    EncoderOutput output;
    output.setEncoderPath(lame);
    output.setCbrBitrate(kBitrate);
    modWaveIn waveIn(backend, output);
    waveIn.setErrorReporter([&errors](const QString& text) { errors << text; });
    waveIn.HookMainWindow(true);

    std::vector<Mark> marks;
    const BenchSupport::CpuTimes before = BenchSupport::cpuNow();
    QElapsedTimer wall;
    wall.start();
    waveIn.OpenRecording(2, 16, kRate, mp3);
    if (!waveIn.RecordingActive()) {
        std::fprintf(stderr, "recording did not start: %s\n", qPrintable(errors.join(QStringLiteral("; "))));
        return 1;
    }
    const auto mark = [&](qint64 seconds) {
        marks.push_back({seconds, RecordingController::FormatTime(output.SecondsRecorded(), false),
                         static_cast<double>(wall.nsecsElapsed()) / 1e9, BenchSupport::statusKb("VmRSS"),
                         BenchSupport::statusKb("VmHWM"), encoderKb("VmRSS"), output.BytesWritten()});
    };
    mark(0);
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(2);
    qint64 nextMark = std::min<qint64>(3600, targetSeconds);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const qint64 recorded = output.SecondsRecorded();
        while (recorded >= nextMark && nextMark <= targetSeconds) {
            mark(nextMark);
            std::printf("  %s recorded after %.0f s\n", qPrintable(marks.back().shown), marks.back().wall);
            std::fflush(stdout);
            nextMark += 3600;
        }
        if (recorded >= targetSeconds || !waveIn.RecordingActive()) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    poll.stop();
    const qint64 encoderHwmKb = encoderKb("VmHWM");
    waveIn.CloseRecording();
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const BenchSupport::CpuTimes after = BenchSupport::cpuNow();

    const qint64 pcmBytes = output.PcmBytes() - 45;
    const qint64 pcmFrames = pcmBytes / 4;
    const double audioSeconds = static_cast<double>(pcmBytes) / kBytesPerSecond;
    const qint64 fileBytes = QFileInfo(mp3).size();
    std::printf("\nrecorded %.1f s of audio in %.1f s wall (%.1f x real time)\n", audioSeconds, wallSeconds,
                audioSeconds / wallSeconds);
    std::printf("CPU: program %.1f s (%.3f ms per recorded second), lame %.1f s\n", after.self - before.self,
                (after.self - before.self) * 1000.0 / audioSeconds, after.children - before.children);
    std::printf("counters: PcmBytes %lld (above 2^32: %s), SecondsRecorded %lld, BytesWritten %lld, file %lld, "
                "DroppedBytes %lld, device lost frames %llu\n",
                static_cast<long long>(output.PcmBytes()), output.PcmBytes() > (qint64{1} << 32) ? "yes" : "no",
                static_cast<long long>(output.SecondsRecorded()), static_cast<long long>(output.BytesWritten()),
                static_cast<long long>(fileBytes), static_cast<long long>(output.DroppedBytes()),
                static_cast<unsigned long long>(backend.lostFrames()));
    const QString finalTime = RecordingController::FormatTime(output.SecondsRecorded(), false);
    std::printf("time display at the end: %s (at exactly %lld s: %s)\n", qPrintable(finalTime),
                static_cast<long long>(targetSeconds),
                qPrintable(RecordingController::FormatTime(targetSeconds, false)));
    std::printf("memory by recorded hour (program VmRSS / VmHWM / lame VmRSS, MiB; MP3 bytes):\n");
    for (const Mark& m : marks) {
        std::printf("  %s  at %8.1f s wall  %6.1f / %6.1f / %5.1f  %lld\n", qPrintable(m.shown), m.wall, mib(m.rssKb),
                    mib(m.hwmKb), mib(m.encoderRssKb), static_cast<long long>(m.mp3Bytes));
    }
    const qint64 finalHwmKb = BenchSupport::statusKb("VmHWM");
    std::printf("peak memory: program VmHWM %.1f MiB at the end, lame VmHWM %.1f MiB\n", mib(finalHwmKb),
                mib(encoderHwmKb));

    bool ok = errors.isEmpty() && output.DroppedBytes() == 0 && backend.lostFrames() == 0 &&
              output.BytesWritten() == fileBytes && output.SecondsRecorded() == output.PcmBytes() / kBytesPerSecond &&
              output.SecondsRecorded() >= targetSeconds;
    for (const Mark& m : marks) {
        // The display at each mark is the time recorded then, hours in two or more digits.
        const qint64 h = m.seconds / 3600;
        ok = ok && m.shown.startsWith(QStringLiteral("%1:").arg(h, 2, 10, QLatin1Char('0')));
    }
    ok = ok && finalTime.startsWith(QStringLiteral("%1:").arg(targetSeconds / 3600, 2, 10, QLatin1Char('0')));
    // Peak memory after the first hour does not grow with the length (allow 8 MiB of noise).
    const Mark* firstHour = marks.size() > 1 ? &marks[1] : &marks[0];
    ok = ok && finalHwmKb <= firstHour->hwmKb + 8 * 1024;

    const qint64 frames = wholeFrames(mp3);
    std::printf("file: %lld MPEG frames, whole frames to the end: %s\n", static_cast<long long>(frames),
                frames > 0 ? "yes" : "NO");
    ok = ok && frames > 0 && frames * 1152 >= pcmFrames && frames * 1152 <= pcmFrames + 3 * 1152;
    const Decoded decoded = decode(lame, mp3);
    std::printf("decoded: %lld frames for %lld PCM frames (%+lld)\n", static_cast<long long>(decoded.frames),
                static_cast<long long>(pcmFrames), static_cast<long long>(decoded.frames - pcmFrames));
    ok = ok && decoded.frames >= pcmFrames && decoded.frames <= pcmFrames + 2304;
    // The encoder shapes the level a little; what matters is that every hour sounds the same.
    const double signalRms = kLeftAmplitude / std::sqrt(2.0);
    for (std::size_t h = 0; h < decoded.leftRmsByHour.size(); ++h) {
        const double rms = decoded.leftRmsByHour[h];
        std::printf("  hour %zu: left RMS %.4f (signal %.4f)\n", h + 1, rms, signalRms);
        ok = ok && std::abs(rms - signalRms) < 0.1 * signalRms &&
             std::abs(rms - decoded.leftRmsByHour.front()) < 0.005 * signalRms;
    }
    for (const QString& error : errors) {
        std::printf("error reported: %s\n", qPrintable(error));
    }
    std::printf("%s\n", ok ? "all checks hold" : "CHECKS FAILED");
    return ok ? 0 : 1;
}
