#include "recorder/EncoderOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <utility>

#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>

#include "recorder/Mp3Frames.h"

namespace {

// An encoder that is still running after this long took its arguments.
constexpr int StartupCheckMs = 20;
// An encoder that stopped reading gets this long to exit by itself before it is ended.
constexpr int ClosedInputGraceMs = 2000;
// Wait for a killed encoder to be reaped.
constexpr int KillWaitMs = 3000;
constexpr qsizetype ReadChunk = 64 * 1024;

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

bool EncoderOutput::OpenOutputFile(const QString& fileName, qint64 avgBytesPerSec)
{
    releaseEncoder();
    m_file.close();

    ++m_recordingSerial;
    m_active = false;
    m_ended = false;
    m_inputClosed = false;
    m_fileFailed = false;
    m_fileName = fileName;
    m_avgBytesPerSec = avgBytesPerSec;
    m_pcmBytes = 45;
    m_mp3Bytes = 0;
    m_droppedBytes = 0;
    m_partialFrame.clear();

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
    releaseEncoder();
    m_ended = false;
    m_inputClosed = false;
    if (!m_active) {
        return false;
    }
    const QFileInfo encoder(m_encoderPath);
    if (m_encoderPath.isEmpty() || !encoder.exists() || encoder.isDir()) {
        return false;
    }

    auto* process = new QProcess(this);
    process->setProgram(m_encoderPath);
    process->setArguments(EncoderArguments(samplesPerSec, bitsPerSample, CbrBitrate()));
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
        return false;
    }

    m_process = process;
    connect(process, &QProcess::readyReadStandardOutput, this, &EncoderOutput::drainEncoder);
    connect(process, &QProcess::finished, this, &EncoderOutput::onEncoderFinished);
    connect(process, &QProcess::errorOccurred, this, &EncoderOutput::onEncoderError);
    connect(process, &QProcess::bytesWritten, this, &EncoderOutput::onBytesWritten);
    drainEncoder();
    return true;
}

void EncoderOutput::WriteCapturedData(const QByteArray& data)
{
    if (!m_active || data.isEmpty()) {
        return;
    }
    const qint64 size = data.size();
    const bool accepting =
        m_process && !m_ended && !m_finishing && !m_inputClosed && m_process->state() == QProcess::Running;
    if (!accepting || m_process->bytesToWrite() + size > m_backlogLimit) {
        m_droppedBytes += size;
        return;
    }
    // Appends to QProcess's write buffer; the pipe is fed from the event loop.
    const qint64 written = qMax<qint64>(m_process->write(data), 0);
    m_pcmBytes += written;
    m_droppedBytes += size - written;
    if (m_process->bytesToWrite() >= m_readyHighWater) {
        m_waitingForReady = true;
    }
}

void EncoderOutput::onBytesWritten()
{
    if (m_waitingForReady && m_process && m_process->bytesToWrite() <= m_readyLowWater) {
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
    if (m_process) {
        if (m_process->state() == QProcess::Running) {
            qint64 bound = qMax(m_finishTimeoutMs, 0);
            if (m_avgBytesPerSec > 0) {
                bound += m_process->bytesToWrite() * 1000 / m_avgBytesPerSec;
            }
            // The channel closes once the backlog is written: the encoder sees the end of its
            // input, flushes its last frames and exits. Its output keeps arriving through
            // drainEncoder while we wait.
            m_process->closeWriteChannel();
            if (!m_process->waitForFinished(static_cast<int>(qMin<qint64>(bound, INT_MAX)))) {
                m_process->kill();
                m_process->waitForFinished(KillWaitMs);
            }
        }
        drainEncoder();
        releaseEncoder();
    }
    // A frame the encoder never finished (it had to be ended) stays out of the file.
    m_partialFrame.clear();
    m_file.close();
    m_active = false;
    m_finishing = false;
    return m_finishFailure;
}

void EncoderOutput::DiscardRecordingFile()
{
    releaseEncoder();
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
    appendToFile(m_partialFrame.constData(), complete);
    m_partialFrame.remove(0, complete);
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
}

void EncoderOutput::onEncoderFinished()
{
    endRecording(QStringLiteral("Der Encoder wurde unerwartet beendet."));
}

void EncoderOutput::onEncoderError(QProcess::ProcessError error)
{
    // A crash is followed by finished(); a broken pipe may come while the encoder still runs.
    if (error != QProcess::WriteError && error != QProcess::ReadError) {
        return;
    }
    if (m_inputClosed) {
        return;
    }
    m_inputClosed = true;
    const quint64 serial = m_recordingSerial;
    QTimer::singleShot(ClosedInputGraceMs, this, [this, serial] {
        if (serial == m_recordingSerial && m_active && m_process && !m_finishing) {
            endRecording(QStringLiteral("Der Encoder nimmt keine Daten mehr an."));
        }
    });
}

void EncoderOutput::endRecording(const QString& reason)
{
    if (m_ended || m_finishing || !m_active) {
        return;
    }
    m_ended = true;
    drainEncoder();
    releaseEncoder();
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

void EncoderOutput::releaseEncoder()
{
    if (!m_process) {
        return;
    }
    QProcess* process = std::exchange(m_process, nullptr);
    m_waitingForReady = false;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(KillWaitMs);
    }
    // We may be inside one of its signals.
    process->deleteLater();
}
