// The whole program at real time (paced file device, offscreen window):
//   bench_realtime [seconds=30]
// (0) idle window, (a) level meter on without recording: CPU and meter redraw rate,
// (b) recording with the meter off: the program's own CPU per second of audio and lame's.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "app/AppGlobals.h"
#include "app/AppModul.h"
#include "app/Program.h"
#include "bench/BenchSupport.h"
#include "platform/AlsaCaptureBackend.h"
#include "platform/SystemClock.h"
#include "recorder/EncoderOutput.h"
#include "recorder/PeakMeterPanel.h"
#include "recorder/RecordingController.h"
#include "recorder/modWaveIn.h"

namespace {

constexpr int kRate = 44100;
constexpr qint64 kBytesPerSecond = kRate * 4;
// A new level every 10 ms, so nearly every meter update changes the bars' geometry.
constexpr int kLevelFrames = 441;

/// Times of the meter's geometry changes (bars resized, hold markers moved) and of the
/// paint events its bars and markers receive.
class RedrawCounter : public QObject
{
public:
    explicit RedrawCounter(const QElapsedTimer& clock) : m_clock(clock) {}

    void watch(QWidget* widget, QEvent::Type geometryEvent)
    {
        m_geometryEvent.push_back({widget, geometryEvent});
        widget->installEventFilter(this);
    }

    void clear()
    {
        m_geometry.clear();
        m_paints.clear();
    }

    /// One update moves several widgets at once; events closer than 2 ms are one update.
    std::vector<double> updates() const { return grouped(m_geometry); }
    /// One repaint of the window paints every dirty widget at once: grouped the same way.
    std::vector<double> repaints() const { return grouped(m_paints); }
    const std::vector<double>& paints() const { return m_paints; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const double now = static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
        if (event->type() == QEvent::Paint) {
            m_paints.push_back(now);
        } else {
            for (const auto& [widget, type] : m_geometryEvent) {
                if (widget == watched && type == event->type()) {
                    m_geometry.push_back(now);
                }
            }
        }
        return false;
    }

private:
    static std::vector<double> grouped(const std::vector<double>& times)
    {
        std::vector<double> groups;
        double previous = -1.0;
        for (double t : times) {
            if (groups.empty() || t - previous >= 0.002) {
                groups.push_back(t);
            }
            previous = t;
        }
        return groups;
    }

    const QElapsedTimer& m_clock;
    std::vector<std::pair<QObject*, QEvent::Type>> m_geometryEvent;
    std::vector<double> m_geometry;
    std::vector<double> m_paints;
};

/// CPU of each thread between two snapshots; the thread with the process's id is the UI thread.
void printThreads(const std::map<qint64, BenchSupport::ThreadCpu>& before,
                  const std::map<qint64, BenchSupport::ThreadCpu>& after, double wall)
{
    const qint64 ui = QCoreApplication::applicationPid();
    for (const auto& [tid, thread] : after) {
        const auto earlier = before.find(tid);
        const double used = thread.seconds - (earlier != before.end() ? earlier->second.seconds : 0.0);
        if (used > 0.0) {
            std::printf("      thread %lld %-16s %s %.3f s = %.3f %% of a core\n", static_cast<long long>(tid),
                        qPrintable(thread.name), tid == ui ? "(UI)    " : "(other) ", used, used / wall * 100.0);
        }
    }
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<double> within(const std::vector<double>& times, double from, double to)
{
    std::vector<double> result;
    for (double t : times) {
        if (t >= from && t < to) {
            result.push_back(t);
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 30;
    const int idleSeconds = std::min(seconds, 10);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString signalPath = dir.filePath(QStringLiteral("signal.raw"));
    BenchSupport::configureAlsaFileDevice(signalPath, dir.filePath(QStringLiteral("asound.conf")));
    qputenv("QUERNBELL_PACE_CAPTURE", "1");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));

    // 1 kHz on both channels at a random level (-60..0 dB) every 10 ms.
    const std::int64_t frames = static_cast<std::int64_t>(idleSeconds + 2 * seconds + 60) * kRate;
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> decibels(-60.0, 0.0);
    std::vector<std::array<double, 2>> levels(static_cast<std::size_t>(frames / kLevelFrames + 1));
    for (auto& level : levels) {
        level = {std::pow(10.0, decibels(random) / 20.0), std::pow(10.0, decibels(random) / 20.0)};
    }
    const double twoPi = 2.0 * std::acos(-1.0);
    const bool written = BenchSupport::writeSignal(signalPath, frames, [&](std::int64_t i, int channel) {
        const double t = static_cast<double>(i % kRate) / kRate;
        return levels[static_cast<std::size_t>(i / kLevelFrames)][static_cast<std::size_t>(channel)] *
               std::sin(twoPi * 1000.0 * t);
    });
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(signalPath));
        return 1;
    }

    Program::prepareEnvironment();
    QApplication app(argc, argv);
    AppGlobals& globals = App();
    globals.ProgramFolder = dir.filePath(QStringLiteral("bin")) + QLatin1Char('/');
    globals.ExeName = QStringLiteral("quernbell");
    globals.ExeFileName = QStringLiteral("quernbell");
    globals.SystemFolder = dir.filePath(QStringLiteral("system")) + QLatin1Char('/');
    QDir().mkpath(globals.ProgramFolder);
    QDir().mkpath(globals.SystemFolder);
    AppModul::InitApplication();
    globals.EncoderPath = QStringLiteral(QB_LAME_EXECUTABLE);
    globals.DocumentsFolder = dir.filePath(QStringLiteral("Dokumente")) + QLatin1Char('/');
    QDir().mkpath(globals.DocumentsFolder);

    auto backendOwner = std::make_unique<AlsaCaptureBackend>();
    AlsaCaptureBackend* backend = backendOwner.get();
    Program program(std::move(backendOwner), SystemClock::instance());
    QStringList errors;
    program.waveIn().setErrorReporter([&errors](const QString& text) { errors << text; });
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    RedrawCounter counter(clock);
    PeakMeterPanel& meter = program.meterPanel();
    counter.watch(meter.picPeakLeft(), QEvent::Resize);
    counter.watch(meter.picPeakRight(), QEvent::Resize);
    counter.watch(meter.picHiPeakL(), QEvent::Move);
    counter.watch(meter.picHiPeakR(), QEvent::Move);
    auto* box = program.window().findChild<QCheckBox*>(QStringLiteral("chkMonitoring"));
    if (box == nullptr) {
        std::fprintf(stderr, "chkMonitoring not found\n");
        return 1;
    }
    std::printf("bench_realtime: %d s per part, paced file device, offscreen window, lame %s\n", seconds,
                QB_LAME_EXECUTABLE);

    // --- (0) Idle: window shown, nothing running ---
    BenchSupport::CpuTimes before = BenchSupport::cpuNow();
    double start = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    wait(idleSeconds * 1000);
    double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9 - start;
    BenchSupport::CpuTimes after = BenchSupport::cpuNow();
    std::printf("\n(0) idle, %.2f s: CPU %.3f %% of a core\n", wall, (after.self - before.self) / wall * 100.0);

    // --- (a) Meter on, no recording ---
    box->setChecked(true);
    program.controller().chkMonitoring_Click();
    if (!program.waveIn().MonitorActive()) {
        std::fprintf(stderr, "monitor did not start: %s\n", qPrintable(errors.join(QStringLiteral("; "))));
        return 1;
    }
    wait(1000);
    counter.clear();
    auto threadsBefore = BenchSupport::threadCpu();
    before = BenchSupport::cpuNow();
    start = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    wait(seconds * 1000);
    auto threadsAfter = BenchSupport::threadCpu();
    const double end = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    wall = end - start;
    after = BenchSupport::cpuNow();
    const std::vector<double> updates = within(counter.updates(), start, end);
    const std::vector<double> paints = within(counter.paints(), start, end);
    const std::vector<double> repaints = within(counter.repaints(), start, end);
    const int maxUpdates = BenchSupport::maxInWindow(updates, 1.0);
    std::printf("(a) meter on, %.2f s: CPU %.3f %% of a core\n", wall, (after.self - before.self) / wall * 100.0);
    printThreads(threadsBefore, threadsAfter, wall);
    std::printf("    meter updates (bars/markers moved): %zu = %.2f /s, max %d in any 1 s (limit 20)\n", updates.size(),
                static_cast<double>(updates.size()) / wall, maxUpdates);
    std::printf("    repaints of bars and markers: %zu = %.2f /s, max %d in any 1 s (%zu paint events)\n",
                repaints.size(), static_cast<double>(repaints.size()) / wall, BenchSupport::maxInWindow(repaints, 1.0),
                paints.size());

    // --- (b) Recording at real time, meter off ---
    box->setChecked(false);
    program.controller().chkMonitoring_Click();
    wait(1000);
    counter.clear();
    EncoderOutput& output = program.output();
    const std::uint64_t lostBefore = backend->lostFrames();
    threadsBefore = BenchSupport::threadCpu();
    before = BenchSupport::cpuNow();
    start = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    program.controller().CmdRecord();
    if (!program.waveIn().RecordingActive()) {
        std::fprintf(stderr, "recording did not start: %s\n", qPrintable(errors.join(QStringLiteral("; "))));
        return 1;
    }
    wait(seconds * 1000);
    qint64 lameHwmKb = 0;
    for (qint64 pid : BenchSupport::childPids()) {
        lameHwmKb += std::max<qint64>(0, BenchSupport::statusKb("VmHWM", pid));
    }
    program.controller().CmdStop();
    wall = static_cast<double>(clock.nsecsElapsed()) / 1e9 - start;
    after = BenchSupport::cpuNow();
    threadsAfter = BenchSupport::threadCpu();
    const double audio = static_cast<double>(output.PcmBytes() - 45) / kBytesPerSecond;
    const double own = after.self - before.self;
    const double lame = after.children - before.children;
    std::printf("(b) recording, meter off, %.2f s wall, %.3f s of audio at %d kbit/s:\n", wall, audio,
                output.CbrBitrate());
    std::printf("    program's own CPU: %.3f s = %.3f ms per second of audio = %.3f %% of a core\n", own,
                own / audio * 1000.0, own / audio * 100.0);
    printThreads(threadsBefore, threadsAfter, wall);
    std::printf("    lame's CPU: %.3f s = %.3f ms per second of audio = %.3f %% of a core\n", lame,
                lame / audio * 1000.0, lame / audio * 100.0);
    std::printf("    DroppedBytes %lld, device lost frames %llu, MP3 %lld bytes, meter updates %zu\n",
                static_cast<long long>(output.DroppedBytes()),
                static_cast<unsigned long long>(backend->lostFrames() - lostBefore),
                static_cast<long long>(output.BytesWritten()), counter.updates().size());
    std::printf("    program VmHWM %.1f MiB, lame VmHWM %.1f MiB\n",
                static_cast<double>(BenchSupport::statusKb("VmHWM")) / 1024.0, static_cast<double>(lameHwmKb) / 1024.0);
    for (const QString& error : errors) {
        std::printf("error reported: %s\n", qPrintable(error));
    }
    const bool ok = maxUpdates <= 20 && output.DroppedBytes() == 0 && errors.isEmpty();
    return ok ? 0 : 1;
}
