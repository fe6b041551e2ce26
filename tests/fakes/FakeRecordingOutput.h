#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "recorder/RecordingOutput.h"

/**
 * @brief A RecordingOutput that only records what it is asked to do.
 *
 * calls() lists the method names in call order; written() holds every byte handed to
 * WriteCapturedData since the last OpenOutputFile. fireEnded() plays an encoder that died.
 */
class FakeRecordingOutput : public RecordingOutput
{
public:
    bool OpenOutputFile(const QString& fileName, qint64 avgBytesPerSec) override
    {
        m_calls << QStringLiteral("OpenOutputFile");
        m_fileName = fileName;
        m_avgBytesPerSec = avgBytesPerSec;
        m_written.clear();
        m_pcmBytes = 45;
        return m_openResult;
    }
    bool StartEncoder(int samplesPerSec, int bitsPerSample) override
    {
        m_calls << QStringLiteral("StartEncoder");
        m_encoderRate = samplesPerSec;
        m_encoderBits = bitsPerSample;
        return m_startEncoderResult;
    }
    void WriteCapturedData(const QByteArray& data) override
    {
        m_calls << QStringLiteral("WriteCapturedData");
        m_written += data;
        m_pcmBytes += data.size();
    }
    QString FinishOutput() override
    {
        m_calls << QStringLiteral("FinishOutput");
        if (m_onFinishOutput) {
            m_onFinishOutput();
        }
        return m_finishFailure;
    }
    void DiscardRecordingFile() override { m_calls << QStringLiteral("DiscardRecordingFile"); }

    qint64 BytesWritten() const override { return m_bytesWritten; }
    qint64 SecondsRecorded() const override { return m_avgBytesPerSec > 0 ? m_pcmBytes / m_avgBytesPerSec : 0; }
    qint64 DroppedBytes() const override { return m_lost; }
    void CountLostCapture(qint64 bytes) override { m_lost += bytes; }
    bool ReadyForData() const override { return m_ready; }

    /// What ReadyForData() answers; setting it true again calls the ready handler.
    void setReady(bool ready)
    {
        m_ready = ready;
        if (ready) {
            notifyReady();
        }
    }

    /// Result of the following OpenOutputFile / StartEncoder calls (true by default).
    void setOpenResult(bool result) { m_openResult = result; }
    void setStartEncoderResult(bool result) { m_startEncoderResult = result; }
    /// What BytesWritten() reports.
    void setBytesWritten(qint64 bytes) { m_bytesWritten = bytes; }
    /// What FinishOutput reports, as a file that could not take the encoder's last output would.
    void setFinishFailure(const QString& reason) { m_finishFailure = reason; }
    /// Runs inside FinishOutput (e.g. to fire the ended handler from there).
    void setOnFinishOutput(std::function<void()> action) { m_onFinishOutput = std::move(action); }
    /// Reports that the output ended by itself, as a dying encoder would.
    void fireEnded(const QString& reason) { notifyEnded(reason); }

    const QStringList& calls() const { return m_calls; }
    int callCount(const QString& name) const { return static_cast<int>(m_calls.count(name)); }
    void clearCalls() { m_calls.clear(); }
    const QByteArray& written() const { return m_written; }
    QString fileName() const { return m_fileName; }
    qint64 avgBytesPerSec() const { return m_avgBytesPerSec; }
    int encoderRate() const { return m_encoderRate; }
    int encoderBits() const { return m_encoderBits; }

private:
    QStringList m_calls;
    qint64 m_lost = 0;
    bool m_ready = true;
    QByteArray m_written;
    QString m_fileName;
    qint64 m_avgBytesPerSec = 0;
    qint64 m_pcmBytes = 0;
    qint64 m_bytesWritten = 0;
    int m_encoderRate = 0;
    int m_encoderBits = 0;
    bool m_openResult = true;
    bool m_startEncoderResult = true;
    std::function<void()> m_onFinishOutput;
    QString m_finishFailure;
};
