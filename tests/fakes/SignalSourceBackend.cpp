#include "fakes/SignalSourceBackend.h"

#include <algorithm>
#include <cstring>
#include <utility>

SignalSourceBackend::SignalSourceBackend()
    : m_generator([](const WaveFormat& format, qint64, int frames) {
          return QByteArray(static_cast<qsizetype>(frames) * format.blockAlign, '\0');
      })
{
}

int SignalSourceBackend::open(const WaveFormat& format, CaptureStreamId& stream)
{
    ++m_openCalls;
    stream = 0;
    if (m_openFailure != 0) {
        return m_openFailure;
    }
    if (format.blockAlign == 0) {
        return MMSYSERR_INVALPARAM;
    }
    stream = m_nextId++;
    m_streams[stream].format = format;
    m_lastOpened = stream;
    return MMSYSERR_NOERROR;
}

int SignalSourceBackend::addBuffer(CaptureStreamId id, WaveHeader* header)
{
    Stream* stream = find(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!header || header->bufferLength == 0 || header->data.size() < header->bufferLength) {
        return MMSYSERR_INVALPARAM;
    }
    if (header->flags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
    header->bytesRecorded = 0;
    stream->queue.push_back(header);
    return MMSYSERR_NOERROR;
}

int SignalSourceBackend::start(CaptureStreamId id)
{
    Stream* stream = find(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (stream->failureCode != 0) {
        return stream->failureCode;
    }
    stream->started = true;
    return MMSYSERR_NOERROR;
}

int SignalSourceBackend::stop(CaptureStreamId id)
{
    Stream* stream = find(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    if (stream->started && !stream->queue.empty()) {
        finishFront(id, *stream);
    }
    stream->started = false;
    return MMSYSERR_NOERROR;
}

int SignalSourceBackend::reset(CaptureStreamId id)
{
    Stream* stream = find(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    stream->started = false;
    while (!stream->queue.empty()) {
        finishFront(id, *stream);
    }
    return MMSYSERR_NOERROR;
}

int SignalSourceBackend::close(CaptureStreamId id)
{
    Stream* stream = find(id);
    if (!stream) {
        return MMSYSERR_INVALHANDLE;
    }
    for (WaveHeader* header : stream->queue) {
        header->flags &= ~WHDR_INQUEUE;
    }
    m_streams.erase(id);
    return MMSYSERR_NOERROR;
}

QString SignalSourceBackend::errorText(int code) const
{
    auto it = m_errorTexts.find(code);
    return it != m_errorTexts.end() ? it->second : commonErrorText(code);
}

void SignalSourceBackend::setGenerator(Generator generator)
{
    m_generator = std::move(generator);
}

SignalSourceBackend::Generator SignalSourceBackend::byteCounter()
{
    return [](const WaveFormat& format, qint64 firstFrame, int frames) {
        QByteArray bytes(static_cast<qsizetype>(frames) * format.blockAlign, '\0');
        const qint64 first = firstFrame * format.blockAlign;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>((first + i) % 251);
        }
        return bytes;
    };
}

SignalSourceBackend::Generator SignalSourceBackend::constantFrame(const QList<qint16>& frame)
{
    return [frame](const WaveFormat& format, qint64, int frames) {
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(frames) * format.blockAlign);
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < format.channels; ++c) {
                const auto sample = static_cast<quint16>(c < frame.size() ? frame[c] : 0);
                bytes.append(static_cast<char>(sample & 0xFF));
                bytes.append(static_cast<char>(sample >> 8));
            }
        }
        return bytes;
    };
}

void SignalSourceBackend::produce(int frames)
{
    // Collect first: a handler may not call back, but keep the walk independent of it anyway.
    std::vector<CaptureStreamId> started;
    for (const auto& [id, stream] : m_streams) {
        if (stream.started) {
            started.push_back(id);
        }
    }
    for (CaptureStreamId id : started) {
        Stream* stream = find(id);
        if (!stream || !stream->started) {
            continue;
        }
        const QByteArray chunk = m_generator(stream->format, m_position, frames);
        qsizetype offset = 0;
        while (offset < chunk.size() && !stream->queue.empty()) {
            WaveHeader* header = stream->queue.front();
            const auto take =
                std::min<qsizetype>(chunk.size() - offset, qsizetype{header->bufferLength} - header->bytesRecorded);
            std::memcpy(header->data.data() + header->bytesRecorded, chunk.constData() + offset,
                        static_cast<std::size_t>(take));
            header->bytesRecorded += static_cast<std::uint32_t>(take);
            offset += take;
            if (header->bytesRecorded >= header->bufferLength) {
                finishFront(id, *stream);
            }
        }
        if (offset < chunk.size()) {
            m_lostFrames += (chunk.size() - offset) / stream->format.blockAlign;
            stream->lostBytes += static_cast<std::uint64_t>(chunk.size() - offset);
        }
    }
    m_position += frames;
}

void SignalSourceBackend::setOpenFailure(int code, const QString& text)
{
    m_openFailure = code;
    if (code != 0) {
        m_errorTexts[code] = text;
    }
}

void SignalSourceBackend::failRunning(int code, const QString& text)
{
    m_errorTexts[code] = text;
    std::vector<CaptureStreamId> ended;
    for (auto& [id, stream] : m_streams) {
        stream.started = false;
        stream.failureCode = code;
        ended.push_back(id);
    }
    notifyFailure(ended, code, text);
}

QList<CaptureStreamId> SignalSourceBackend::openStreams() const
{
    QList<CaptureStreamId> ids;
    for (const auto& [id, stream] : m_streams) {
        ids.append(id);
    }
    return ids;
}

bool SignalSourceBackend::isStarted(CaptureStreamId id) const
{
    const Stream* stream = find(id);
    return stream && stream->started;
}

int SignalSourceBackend::queuedCount(CaptureStreamId id) const
{
    const Stream* stream = find(id);
    return stream ? static_cast<int>(stream->queue.size()) : 0;
}

WaveFormat SignalSourceBackend::formatOf(CaptureStreamId id) const
{
    const Stream* stream = find(id);
    return stream ? stream->format : WaveFormat();
}

void SignalSourceBackend::finishFront(CaptureStreamId id, Stream& stream)
{
    WaveHeader* header = stream.queue.front();
    stream.queue.pop_front();
    header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    CaptureNotification notification;
    notification.stream = id;
    notification.user = header->user;
    notification.flags = header->flags;
    notification.bytesRecorded = header->bytesRecorded;
    notification.data = QByteArray(header->data.data(), static_cast<qsizetype>(header->bytesRecorded));
    notification.lostBytesBefore = std::exchange(stream.lostBytes, 0);
    notify(notification);
}

SignalSourceBackend::Stream* SignalSourceBackend::find(CaptureStreamId id)
{
    auto it = m_streams.find(id);
    return it == m_streams.end() ? nullptr : &it->second;
}

const SignalSourceBackend::Stream* SignalSourceBackend::find(CaptureStreamId id) const
{
    auto it = m_streams.find(id);
    return it == m_streams.end() ? nullptr : &it->second;
}
