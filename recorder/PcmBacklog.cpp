#include "recorder/PcmBacklog.h"

#include <algorithm>

void PcmBacklog::clear()
{
    m_chunks.clear();
    m_chunksBegin = 0;
    m_begin = 0;
    m_end = 0;
}

void PcmBacklog::append(const QByteArray& data)
{
    if (data.isEmpty()) {
        return;
    }
    m_chunks.push_back(data);
    m_end += data.size();
}

void PcmBacklog::releaseBefore(qint64 offset)
{
    m_begin = std::clamp(offset, m_begin, m_end);
    while (!m_chunks.empty() && m_chunksBegin + m_chunks.front().size() <= m_begin) {
        m_chunksBegin += m_chunks.front().size();
        m_chunks.pop_front();
    }
}

QByteArrayView PcmBacklog::next(qint64 offset, qint64 maxBytes) const
{
    if (offset < m_begin || offset >= m_end || maxBytes <= 0) {
        return {};
    }
    // Few buffers are kept while the encoder keeps up; many only while it is far behind.
    qint64 chunkBegin = m_chunksBegin;
    for (const QByteArray& chunk : m_chunks) {
        if (offset < chunkBegin + chunk.size()) {
            const qint64 skip = offset - chunkBegin;
            return QByteArrayView(chunk).sliced(skip, std::min(chunk.size() - skip, maxBytes));
        }
        chunkBegin += chunk.size();
    }
    return {};
}
