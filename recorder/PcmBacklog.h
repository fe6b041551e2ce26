#pragma once

#include <deque>

#include <QByteArray>
#include <QByteArrayView>

/**
 * @brief The PCM of a recording that is kept until the encoder's frames in the file hold it.
 *
 * Bytes are addressed by their offset in the recording's PCM since the first append. The
 * buffers handed on are kept as they are (shared, not copied); releasing drops whole buffers
 * from the front and remembers how far into the first one the kept part begins.
 */
class PcmBacklog
{
public:
    /// Forgets everything; the next append starts at offset 0.
    void clear();
    void append(const QByteArray& data);

    /// Offset of the first byte kept.
    qint64 begin() const { return m_begin; }
    /// Offset just after the last byte appended.
    qint64 end() const { return m_end; }
    /// Bytes kept.
    qint64 size() const { return m_end - m_begin; }

    /// Drops what lies before offset (clamped to what is kept).
    void releaseBefore(qint64 offset);
    /// Up to maxBytes kept bytes from offset on, out of one buffer; empty outside what is kept.
    QByteArrayView next(qint64 offset, qint64 maxBytes) const;

private:
    std::deque<QByteArray> m_chunks;
    // Offset of the first byte of m_chunks.front().
    qint64 m_chunksBegin = 0;
    qint64 m_begin = 0;
    qint64 m_end = 0;
};
