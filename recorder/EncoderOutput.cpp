#include "recorder/EncoderOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTimer>

#include "recorder/Mp3Frames.h"

namespace {

// An encoder that is still running after this long took its arguments.
constexpr int StartupCheckMs = 20;
// Wait for a killed encoder to be reaped.
constexpr int KillWaitMs = 3000;
constexpr qsizetype ReadChunk = 64 * 1024;
// QProcess's write buffer is topped up to this from the kept PCM, so the PCM is held once.
constexpr qint64 FeedChunk = 256 * 1024;
// lame 3.100 delays its input by 576 samples; its decoder adds 529.
constexpr qint64 CodecDelaySamples = 576 + 529;
// A failing encoder that exits within this long died.
constexpr int DeathCheckMs = 50;
// FinishOutput looks this often whether the encoder still makes progress.
constexpr int StallCheckMs = 100;

QString diedReason()
{
    return QStringLiteral("Der Encoder wurde unerwartet beendet.");
}

// Samples per second as kHz in its shortest decimal form; integer arithmetic keeps the
// locale's decimal separator out of it.
QString KiloHertz(int samplesPerSec)
{
    const qint64 magnitude = qAbs(static_cast<qint64>(samplesPerSec));
    QString text = QString::number(magnitude / 1000);
    const qint64 fraction = magnitude % 1000;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(3, u'0');
        while (digits.endsWith(u'0')) {
            digits.chop(1);
        }
        text += u'.' + digits;
    }
    if (samplesPerSec < 0) {
        text.prepend(u'-');
    }
    return text;
}

} // namespace

EncoderOutput::EncoderOutput(QObject* parent) : QObject(parent), m_readBuffer(ReadChunk, Qt::Uninitialized) {}

EncoderOutput::~EncoderOutput()
{
    if (m_process) {
        m_process->disconnect(this);
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(KillWaitMs);
        }
        delete m_process;
        m_process = nullptr;
    }
}

QStringList EncoderOutput::EncoderArguments(int samplesPerSec, int bitsPerSample, int cbrBitrate)
{
    // The installed encoder swaps bytes under "-x"; the samples are little-endian, so say so.
    return {QStringLiteral("-s"),         KiloHertz(samplesPerSec),
            QStringLiteral("-r"),         QStringLiteral("--little-endian"),
            QStringLiteral("--bitwidth"), QString::number(bitsPerSample),
            QStringLiteral("-b"),         QString::number(cbrBitrate),
            QStringLiteral("-"),          QStringLiteral("-")};
}

QString EncoderOutput::CommandLine(const QString& encoderPath, int samplesPerSec, int bitsPerSample, int cbrBitrate)
{
    return encoderPath + u' ' + EncoderArguments(samplesPerSec, bitsPerSample, cbrBitrate).join(u' ');
}

qint64 EncoderOutput::InputSamplesHeld(qint64 decodedSamples, int outputRate, int inputRate)
{
    if (outputRate <= 0 || inputRate <= 0 || decodedSamples <= CodecDelaySamples) {
        return 0;
    }
    return (decodedSamples - CodecDelaySamples) * inputRate / outputRate;
}

bool EncoderOutput::OpenOutputFile(const QString& fileName, qint64 avgBytesPerSec)
{
    retireEncoder();
    m_file.close();

    ++m_recordingSerial;
    m_active = false;
    m_ended = false;
    m_fileFailed = false;
    m_fileName = fileName;
    m_avgBytesPerSec = avgBytesPerSec;
    m_pcmBytes = 45;
    m_mp3Bytes = 0;
    m_droppedBytes = 0;
    m_partialFrame.clear();
    m_backlog.clear();
    m_fed = 0;
    m_encoderStart = 0;
    m_encoderSamples = 0;
    m_encoderRate = 0;
    m_encoderStarts = 0;
    m_waitingForReady = false;
    m_sinceFailure.invalidate();

    if (QFile::exists(fileName)) {
        QFile::remove(fileName);
    }
    m_file.setFileName(fileName);
    // Unbuffered: every append is in the OS at once, so a crash keeps what was encoded.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
    m_active = true;
    return true;
}

bool EncoderOutput::StartEncoder(int samplesPerSec, int bitsPerSample)
{
    retireEncoder();
    m_ended = false;
    if (!m_active) {
        return false;
    }
    m_samplesPerSec = samplesPerSec;
    m_bitsPerSample = bitsPerSample;
    m_blockAlign = samplesPerSec > 0 ? static_cast<int>(m_avgBytesPerSec / samplesPerSec) : 0;
    return startFreshEncoder();
}

QProcess* EncoderOutput::launchEncoder()
{
    const QFileInfo encoder(m_encoderPath);
    if (m_encoderPath.isEmpty() || !encoder.exists() || encoder.isDir()) {
        return nullptr;
    }
    auto* process = new QProcess(this);
    process->setProgram(m_encoderPath);
    process->setArguments(EncoderArguments(m_samplesPerSec, m_bitsPerSample, CbrBitrate()));
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] {
        // Larger pipes: the encoder and we wake each other far less often. Best effort.
        ::fcntl(STDIN_FILENO, F_SETPIPE_SZ, PipeSize);
        ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, PipeSize);
    });
    process->start(QIODevice::ReadWrite);

    bool running = process->waitForStarted();
    if (running && process->waitForFinished(StartupCheckMs)) {
        // Ended at once: whatever it wrote is no MP3 of ours.
        process->readAllStandardOutput();
        running = false;
    }
    if (!running) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(KillWaitMs);
        }
        delete process;
        return nullptr;
    }
    return process;
}

bool EncoderOutput::startFreshEncoder()
{
    // It begins where the file's frames end, a little before, so nothing falls between.
    const qint64 resume = heldOffset(ResumeOverlapSamples);
    QProcess* process = launchEncoder();
    if (!process) {
        return false;
    }
    m_process = process;
    ++m_encoderSerial;
    ++m_encoderStarts;
    m_encoderStart = resume;
    m_fed = resume;
    m_encoderSamples = 0;
    m_encoderRate = 0;
    m_writeChannelClosed = false;
    m_sinceProgress.start();
    connect(process, &QProcess::readyReadStandardOutput, this, &EncoderOutput::drainEncoder);
    connect(process, &QProcess::finished, this, [this] { onEncoderFailed(diedReason()); });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A crash is followed by finished(); a broken pipe may come while the encoder still runs.
        if (error == QProcess::WriteError || error == QProcess::ReadError) {
            onEncoderFailed(QStringLiteral("Der Encoder nimmt keine Daten mehr an."));
        }
    });
    connect(process, &QProcess::bytesWritten, this, &EncoderOutput::onBytesWritten);
    drainEncoder();
    feedEncoder();
    return true;
}

void EncoderOutput::retireEncoder()
{
    if (!m_process) {
        return;
    }
    QProcess* process = std::exchange(m_process, nullptr);
    ++m_encoderSerial;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(KillWaitMs);
    }
    // What it wrote before it ended still counts; a frame it never finished does not.
    const QByteArray last = process->readAllStandardOutput();
    appendWholeFrames(last.constData(), last.size());
    m_partialFrame.clear();
    // We may be inside one of its signals.
    process->deleteLater();
}

void EncoderOutput::WriteCapturedData(const QByteArray& data)
{
    if (!m_active || data.isEmpty()) {
        return;
    }
    const qint64 size = data.size();
    const bool accepting = m_encoderStarts > 0 && !m_ended && !m_finishing;
    if (!accepting || m_backlog.size() + size > m_backlogLimit) {
        m_droppedBytes += size;
        return;
    }
    m_backlog.append(data);
    m_pcmBytes += size;
    feedEncoder();
    if (unfedBytes() >= m_readyHighWater) {
        m_waitingForReady = true;
    }
}

void EncoderOutput::feedEncoder()
{
    if (!m_process || m_writeChannelClosed || m_process->state() != QProcess::Running) {
        return;
    }
    while (m_process->bytesToWrite() < FeedChunk) {
        const QByteArrayView part = m_backlog.next(m_fed, FeedChunk - m_process->bytesToWrite());
        if (part.isEmpty()) {
            break;
        }
        const qint64 written = m_process->write(part.data(), part.size());
        if (written <= 0) {
            break;
        }
        m_fed += written;
    }
    if (m_finishing && m_fed >= m_backlog.end()) {
        // The channel closes once the last bytes are in the pipe: the encoder sees the end of
        // its input, flushes its last frames and exits.
        m_process->closeWriteChannel();
        m_writeChannelClosed = true;
    }
}

qint64 EncoderOutput::unfedBytes() const
{
    return m_backlog.end() - m_fed + (m_process ? m_process->bytesToWrite() : 0);
}

qint64 EncoderOutput::heldOffset(int overlapSamples) const
{
    const qint64 samples = InputSamplesHeld(m_encoderSamples, m_encoderRate, m_samplesPerSec) - overlapSamples;
    const qint64 offset = m_encoderStart + std::max<qint64>(samples, 0) * m_blockAlign;
    return std::clamp(offset, m_backlog.begin(), m_backlog.end());
}

qint64 EncoderOutput::countUnsaved()
{
    const qint64 unsaved = m_backlog.end() - heldOffset(0);
    m_droppedBytes += unsaved;
    m_backlog.releaseBefore(m_backlog.end());
    m_fed = m_backlog.end();
    return unsaved;
}

void EncoderOutput::onBytesWritten()
{
    m_sinceProgress.start();
    feedEncoder();
    if (m_waitingForReady && m_process && unfedBytes() <= m_readyLowWater) {
        m_waitingForReady = false;
        notifyReady();
    }
}

void EncoderOutput::CountLostCapture(qint64 bytes)
{
    if (m_active && bytes > 0) {
        m_droppedBytes += bytes;
    }
}

QString EncoderOutput::FinishOutput()
{
    if (m_finishing) {
        return QString();
    }
    m_finishing = true;
    m_finishFailure.clear();
    const bool open = m_active && m_encoderStarts > 0 && !m_ended;
    if (open && !waitForEncoder()) {
        retireEncoder();
        const qint64 unsaved = countUnsaved();
        if (m_finishFailure.isEmpty() && unsaved > 0) {
            const double seconds =
                static_cast<double>(unsaved) / static_cast<double>(std::max<qint64>(m_avgBytesPerSec, 1));
            m_finishFailure =
                QStringLiteral("Der Encoder hat das Ende der Aufnahme nicht verarbeitet (%1 s verworfen).")
                    .arg(QLocale().toString(seconds, 'f', 1));
        }
    }
    retireEncoder();
    m_backlog.clear();
    m_file.close();
    m_active = false;
    m_finishing = false;
    return m_finishFailure;
}

bool EncoderOutput::waitForEncoder()
{
    // The window's events run meanwhile; no handler that could re-enter this one acts
    // while a recording is being finished.
    QEventLoop loop;
    QTimer stallCheck;
    stallCheck.start(StallCheckMs);
    bool replaced = false;
    m_sinceProgress.start();
    while (m_process && !m_fileFailed) {
        feedEncoder();
        drainEncoder();
        if (m_process->state() == QProcess::NotRunning) {
            if (m_writeChannelClosed && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0) {
                retireEncoder();
                return true;
            }
        } else if (!m_sinceProgress.hasExpired(m_stallTimeoutMs)) {
            loop.processEvents(QEventLoop::WaitForMoreEvents);
            continue;
        }
        // Dead before it had all its input, or stuck: a fresh encoder gets the rest, once.
        retireEncoder();
        if (replaced || m_fileFailed || !startFreshEncoder()) {
            return false;
        }
        replaced = true;
    }
    return false;
}

void EncoderOutput::DiscardRecordingFile()
{
    retireEncoder();
    m_backlog.clear();
    m_file.close();
    m_active = false;
    if (!m_fileName.isEmpty()) {
        QFile::remove(m_fileName);
        // Forget the name: a later call must not delete a new file that took it.
        m_fileName.clear();
    }
}

qint64 EncoderOutput::SecondsRecorded() const
{
    return m_avgBytesPerSec > 0 ? m_pcmBytes / m_avgBytesPerSec : 0;
}

void EncoderOutput::drainEncoder()
{
    // endRecording may release the process while we append.
    while (m_process) {
        const qint64 n = m_process->read(m_readBuffer.data(), m_readBuffer.size());
        if (n <= 0) {
            break;
        }
        m_sinceProgress.start();
        appendWholeFrames(m_readBuffer.constData(), n);
    }
}

void EncoderOutput::appendWholeFrames(const char* data, qint64 size)
{
    if (m_partialFrame.isEmpty()) {
        const qsizetype complete = Mp3Frames::CompletePrefix(data, size);
        appendToFile(data, complete);
        m_partialFrame.append(data + complete, size - complete);
        return;
    }
    m_partialFrame.append(data, size);
    const qsizetype complete = Mp3Frames::CompletePrefix(m_partialFrame.constData(), m_partialFrame.size());
    const QByteArray whole = m_partialFrame.left(complete);
    m_partialFrame.remove(0, complete);
    appendToFile(whole.constData(), whole.size());
}

void EncoderOutput::appendToFile(const char* data, qint64 size)
{
    if (m_fileFailed || !m_file.isOpen() || size <= 0) {
        return;
    }
    qint64 done = 0;
    while (done < size) {
        // A short write (file size limit, disk full) is followed by one that reports the error.
        const qint64 n = m_file.write(data + done, size - done);
        if (n <= 0) {
            // Cut back to the last whole frame: the file stays valid to its end.
            const qint64 keep = Mp3Frames::BoundaryAtOrBefore(data, size, done);
            m_file.resize(m_mp3Bytes + keep);
            m_mp3Bytes += keep;
            noteFrames(data, keep);
            m_fileFailed = true;
            const QString reason =
                QStringLiteral("Die Aufnahmedatei kann nicht geschrieben werden: ") + m_file.errorString();
            if (m_finishing) {
                m_finishFailure = reason;
            } else {
                endRecording(reason);
            }
            return;
        }
        done += n;
    }
    m_mp3Bytes += size;
    noteFrames(data, size);
}

void EncoderOutput::noteFrames(const char* data, qint64 size)
{
    m_encoderSamples += Mp3Frames::DecodedSamples(data, size, m_encoderRate);
    // What the file's frames hold is no longer needed, but for the overlap of a fresh encoder.
    m_backlog.releaseBefore(std::min(heldOffset(ResumeOverlapSamples), m_fed));
}

void EncoderOutput::onEncoderFailed(const QString& reason)
{
    // At Stop, FinishOutput watches the encoder itself. Otherwise handled from the event loop,
    // never inside the failing process's own signal.
    if (m_finishing) {
        return;
    }
    const quint64 serial = m_encoderSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, reason] {
            if (serial == m_encoderSerial) {
                replaceOrEnd(reason);
            }
        },
        Qt::QueuedConnection);
}

void EncoderOutput::replaceOrEnd(const QString& reason)
{
    if (!m_active || m_ended || m_finishing || !m_process) {
        return;
    }
    const bool again = m_sinceFailure.isValid() && !m_sinceFailure.hasExpired(m_failureWindowMs);
    m_sinceFailure.start();
    // A broken pipe is often the first sign of an encoder that died; then say so.
    const bool died = m_process->state() == QProcess::NotRunning || m_process->waitForFinished(DeathCheckMs);
    retireEncoder();
    if (again || m_fileFailed || !startFreshEncoder()) {
        endRecording(died ? diedReason() : reason);
    }
}

void EncoderOutput::endRecording(const QString& reason)
{
    if (m_ended || m_finishing || !m_active) {
        return;
    }
    m_ended = true;
    drainEncoder();
    retireEncoder();
    // The PCM no encoder will put into the file is lost: counted, and the user is told.
    countUnsaved();
    // Queued, so the handler never runs inside a QProcess signal or inside our own calls.
    const quint64 serial = m_recordingSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, reason] {
            if (serial == m_recordingSerial && m_active) {
                notifyEnded(reason);
            }
        },
        Qt::QueuedConnection);
}
