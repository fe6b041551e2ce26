#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include <QString>

/// Measuring helpers shared by the benchmark programs (Linux only: getrusage and /proc).
namespace BenchSupport {

/// CPU seconds (user + system) of this process and of its reaped children.
struct CpuTimes
{
    double self = 0.0;
    double children = 0.0;
};

CpuTimes cpuNow();
/// Largest resident set of any reaped child, in KiB (ru_maxrss of RUSAGE_CHILDREN).
long childrenMaxRssKb();

/// A "Vm..." field of /proc/<pid>/status in KiB; -1 when unreadable. pid 0 means this process.
qint64 statusKb(const char* field, qint64 pid = 0);
/// CPU seconds of each living thread of this process, by thread id, with its name (comm).
struct ThreadCpu
{
    QString name;
    double seconds = 0.0;
};
std::map<qint64, ThreadCpu> threadCpu();

/// Ids of this process's living children (from /proc/self/task/*/children).
std::vector<qint64> childPids();

/// Points ALSA's default PCM at the file plugin reading signalFile (null slave). Must run
/// before the first ALSA call; the configuration is written next to the signal.
void configureAlsaFileDevice(const QString& signalFile, const QString& configFile);

/// Writes raw 16-bit little-endian stereo at 44100 Hz: frame i holds sample(i, channel) in
/// -1..1. Returns false on a write error.
bool writeSignal(const QString& path, std::int64_t frames, const std::function<double(std::int64_t, int)>& sample);

/// Frames of PCM in the decoded MP3 (lame --decode); -1 on failure.
std::int64_t decodedFrames(const QString& lame, const QString& mp3, const QString& wavPath);

/// Max number of timestamps (seconds) within any window of the given length.
int maxInWindow(const std::vector<double>& sortedTimes, double window);

} // namespace BenchSupport
