#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <QtGlobal>

namespace BenchSupport {

namespace {

double seconds(const timeval& tv)
{
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

double cpuOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

CpuTimes cpuNow()
{
    return CpuTimes{cpuOf(RUSAGE_SELF), cpuOf(RUSAGE_CHILDREN)};
}

long childrenMaxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

qint64 statusKb(const char* field, qint64 pid)
{
    const QString path = pid == 0 ? QStringLiteral("/proc/self/status") : QStringLiteral("/proc/%1/status").arg(pid);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key)) {
            bool ok = false;
            const qint64 value = line.mid(key.size()).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? value : -1;
        }
    }
    return -1;
}

std::map<qint64, ThreadCpu> threadCpu()
{
    std::map<qint64, ThreadCpu> threads;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (!stat.open(QIODevice::ReadOnly) || !comm.open(QIODevice::ReadOnly)) {
            continue;
        }
        // Fields after the parenthesised name: state is field 3, utime 14, stime 15.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13) {
            continue;
        }
        const double cpu = static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) / ticks;
        threads[task.toLongLong()] = ThreadCpu{QString::fromLocal8Bit(comm.readAll().trimmed()), cpu};
    }
    return threads;
}

std::vector<qint64> childPids()
{
    std::vector<qint64> pids;
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile file(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& id : file.readAll().simplified().split(' ')) {
            bool ok = false;
            const qint64 pid = id.toLongLong(&ok);
            if (ok) {
                pids.push_back(pid);
            }
        }
    }
    return pids;
}

void configureAlsaFileDevice(const QString& signalFile, const QString& configFile)
{
    QFile file(configFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(QStringLiteral("pcm.!default { type file; slave.pcm \"null\"; file \"/dev/null\"; "
                                  "infile \"%1\"; format \"raw\" }\n")
                       .arg(signalFile)
                       .toLocal8Bit());
    }
    qputenv("ALSA_CONFIG_PATH", QStringLiteral("/usr/share/alsa/alsa.conf:%1").arg(configFile).toLocal8Bit());
}

bool writeSignal(const QString& path, std::int64_t frames, const std::function<double(std::int64_t, int)>& sample)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    constexpr std::int64_t chunkFrames = 44100;
    QByteArray chunk;
    for (std::int64_t start = 0; start < frames; start += chunkFrames) {
        const std::int64_t count = std::min(chunkFrames, frames - start);
        chunk.resize(static_cast<qsizetype>(count * 4));
        auto* out = reinterpret_cast<uchar*>(chunk.data());
        for (std::int64_t i = 0; i < count; ++i) {
            for (int channel = 0; channel < 2; ++channel) {
                const double value = std::clamp(sample(start + i, channel), -1.0, 1.0) * 32767.0;
                qToLittleEndian<qint16>(static_cast<qint16>(value), out);
                out += 2;
            }
        }
        if (file.write(chunk) != chunk.size()) {
            return false;
        }
    }
    return true;
}

std::int64_t decodedFrames(const QString& lame, const QString& mp3, const QString& wavPath)
{
    QProcess decoder;
    decoder.setStandardOutputFile(QProcess::nullDevice());
    decoder.setStandardErrorFile(QProcess::nullDevice());
    decoder.start(lame, {QStringLiteral("--quiet"), QStringLiteral("--decode"), mp3, wavPath});
    if (!decoder.waitForFinished(-1) || decoder.exitCode() != 0) {
        return -1;
    }
    QFile wav(wavPath);
    if (!wav.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray header = wav.read(4096);
    const qint64 fileSize = wav.size();
    wav.close();
    QFile::remove(wavPath);
    // RIFF chunks after the 12-byte file header; the data chunk's size is the PCM.
    qsizetype pos = 12;
    while (pos + 8 <= header.size()) {
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + pos + 4);
        if (header.mid(pos, 4) == "data") {
            const qint64 bytes = std::min<qint64>(size, fileSize - pos - 8);
            return bytes / 4;
        }
        pos += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    return -1;
}

int maxInWindow(const std::vector<double>& sortedTimes, double window)
{
    int best = 0;
    std::size_t first = 0;
    for (std::size_t last = 0; last < sortedTimes.size(); ++last) {
        while (sortedTimes[last] - sortedTimes[first] >= window) {
            ++first;
        }
        best = std::max(best, static_cast<int>(last - first + 1));
    }
    return best;
}

} // namespace BenchSupport
