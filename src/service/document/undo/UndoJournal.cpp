#include "service/document/undo/UndoJournal.h"

#include "pel/files/file_io/FileDevice.h"

#include <algorithm>
#include <cstring>

namespace tessel {

namespace {

// Reads up to this size go through the cache, which loads a window around them.
constexpr uint32_t CACHED_READ = 4096;
constexpr uint32_t CACHE_WINDOW = 16384;

constexpr uint32_t SHORT_HEADER = 3;
constexpr uint32_t MEDIUM_HEADER = 5;
constexpr uint32_t LONG_HEADER = 9;
constexpr uint32_t MAX_HEADER = LONG_HEADER;

uint32_t headerSizeFor(uint32_t payload, uint32_t back) {
    if (payload < 0x3F9 && back < 0x3FD)
        return SHORT_HEADER;
    if (payload < 0x3FFF7 && back < 0x3FFFD)
        return MEDIUM_HEADER;
    return LONG_HEADER;
}

void encodeHeader(unsigned char* out, uint32_t headerSize, uint32_t kind, uint32_t back, uint32_t total) {
    if (headerSize == SHORT_HEADER) {
        out[0] = static_cast<unsigned char>(kind);
        out[1] = static_cast<unsigned char>(back / 4);
        out[2] = static_cast<unsigned char>(total / 4);
    } else if (headerSize == MEDIUM_HEADER) {
        out[0] = static_cast<unsigned char>(0x40 | kind);
        putUndo16(out + 1, back / 4);
        putUndo16(out + 3, total / 4);
    } else {
        out[0] = static_cast<unsigned char>(0x80 | kind);
        putUndo32(out + 1, back);
        putUndo32(out + 5, total);
    }
}

} // namespace

bool UndoLogFile::seek(uint64_t at) {
    if (m_position == static_cast<int64_t>(at))
        return true;
    m_position = m_file->seek(pel::FILE_SEEK_BEGIN, static_cast<int64_t>(at));
    if (m_position == static_cast<int64_t>(at))
        return true;
    m_position = -1;
    return false;
}

bool UndoLogFile::readFile(uint64_t at, void* data, uint32_t size) {
    if (!seek(at))
        return false;
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const int32_t read = m_file->read(bytes, size);
        if (read <= 0) {
            m_position = -1;
            return false;
        }
        m_position += read;
        bytes += read;
        size -= static_cast<uint32_t>(read);
    }
    return true;
}

bool UndoLogFile::read(uint64_t at, void* data, uint32_t size) {
    if (size > CACHED_READ)
        return readFile(at, data, size);
    if (at < m_cacheStart || at + size > m_cacheStart + m_cache.size()) {
        // A window around the read serves the records before and behind it.
        const uint64_t aligned = at / CACHED_READ * CACHED_READ;
        const uint64_t start = aligned > CACHE_WINDOW / 2 ? aligned - CACHE_WINDOW / 2 : 0;
        m_cache.resize(CACHE_WINDOW);
        uint32_t loaded = 0;
        if (seek(start)) {
            for (int32_t read; loaded < CACHE_WINDOW && (read = m_file->read(&m_cache[loaded], CACHE_WINDOW - loaded)) > 0;)
                loaded += static_cast<uint32_t>(read);
            m_position = static_cast<int64_t>(start + loaded);
        }
        m_cache.resize(loaded);
        m_cacheStart = start;
        if (at + size > start + loaded)
            return false;
    }
    std::memcpy(data, &m_cache[static_cast<size_t>(at - m_cacheStart)], size);
    return true;
}

bool UndoLogFile::write(uint64_t at, const void* data, uint32_t size) {
    if (at < m_cacheStart + m_cache.size() && at + size > m_cacheStart)
        m_cache.clear();
    if (!seek(at))
        return false;
    const int32_t written = m_file->write(data, size);
    if (written != static_cast<int32_t>(size)) {
        m_position = -1;
        return false;
    }
    m_position += written;
    return true;
}

bool UndoLogFile::truncate(uint64_t size) {
    if (m_cacheStart + m_cache.size() > size)
        m_cache.clear();
    if (seek(size) && m_file->truncate())
        return true;
    m_position = -1;
    return false;
}

bool UndoLogFile::moveDown(uint64_t from, uint64_t to, uint64_t size) {
    m_cache.clear();
    std::vector<unsigned char> chunk(COPY_CHUNK);
    for (uint64_t done = 0; done < size;) {
        const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(COPY_CHUNK, size - done));
        if (!readFile(from + done, chunk.data(), count) || !write(to + done, chunk.data(), count))
            return false;
        done += count;
    }
    return true;
}

bool UndoLogFile::readAll(std::vector<unsigned char>* o_bytes) {
    const int64_t size = m_file->getSize();
    if (size < 0)
        return false;
    o_bytes->resize(static_cast<size_t>(size));
    return size == 0 || readFile(0, o_bytes->data(), static_cast<uint32_t>(size));
}

void UndoJournal::setPosition(const UndoPosition& at) {
    m_at = at;
    m_state = IDLE;
}

bool UndoJournal::beginWrite(uint32_t kind, uint32_t size) {
    const uint32_t back = m_at.pos == 0 ? 0 : m_at.pos - m_at.prev;
    const uint32_t headerSize = headerSizeFor(size, back);
    const uint64_t total = (uint64_t(headerSize) + size + 3) / 4 * 4;
    if (uint64_t(m_base) + m_at.pos + total > 0xFFFFFFF0u)
        return false; // beyond what 32-bit positions can reach
    unsigned char header[MAX_HEADER];
    encodeHeader(header, headerSize, kind, back, static_cast<uint32_t>(total));
    if (!m_log.write(uint64_t(m_base) + m_at.pos, header, headerSize))
        return false;
    m_kind = kind;
    m_headerSize = headerSize;
    m_capacity = static_cast<uint32_t>(total) - headerSize;
    m_remaining = m_capacity;
    m_at.next = m_at.pos + static_cast<uint32_t>(total);
    m_state = WRITING;
    return true;
}

bool UndoJournal::writePayload(const void* data, uint32_t size) {
    if (m_state != WRITING || size > m_remaining)
        return false;
    const uint64_t at = uint64_t(m_base) + m_at.pos + m_headerSize + (m_capacity - m_remaining);
    if (size > 0 && !m_log.write(at, data, size))
        return false;
    m_remaining -= size;
    return true;
}

bool UndoJournal::endWrite() {
    static const unsigned char zeros[32] = {};
    while (m_remaining > 0)
        if (!writePayload(zeros, std::min<uint32_t>(m_remaining, sizeof zeros)))
            return false;
    m_at.prev = m_at.pos;
    m_at.pos = m_at.end = m_at.next;
    m_state = IDLE;
    return true;
}

bool UndoJournal::writeRecord(uint32_t kind, const void* payload, uint32_t size) {
    constexpr uint32_t SMALL = 64;
    const uint32_t back = m_at.pos == 0 ? 0 : m_at.pos - m_at.prev;
    if (size + SHORT_HEADER > SMALL - 3 || headerSizeFor(size, back) != SHORT_HEADER ||
        uint64_t(m_base) + m_at.pos + SMALL > 0xFFFFFFF0u)
        return beginWrite(kind, size) && writePayload(payload, size) && endWrite();
    // A small record (a marker, a typed character) goes to the file in one write.
    const uint32_t total = (SHORT_HEADER + size + 3) / 4 * 4;
    unsigned char record[SMALL] = {};
    encodeHeader(record, SHORT_HEADER, kind, back, total);
    std::memcpy(record + SHORT_HEADER, payload, size);
    if (!m_log.write(uint64_t(m_base) + m_at.pos, record, total))
        return false;
    m_kind = kind;
    m_headerSize = SHORT_HEADER;
    m_capacity = total - SHORT_HEADER;
    m_remaining = 0;
    m_at.prev = m_at.pos;
    m_at.pos = m_at.end = m_at.pos + total;
    m_at.next = m_at.pos;
    m_state = IDLE;
    return true;
}

bool UndoJournal::rewrite(uint32_t at, const void* data, uint32_t size) {
    return m_log.write(uint64_t(m_base) + at, data, size);
}

bool UndoJournal::readAt(uint32_t position) {
    m_state = IDLE;
    if (position >= m_at.end || position % 4 != 0)
        return false;
    unsigned char header[MAX_HEADER];
    const uint32_t available = std::min(MAX_HEADER, m_at.end - position);
    if (!m_log.read(uint64_t(m_base) + position, header, available))
        return false;
    uint32_t headerSize, back, total;
    switch (header[0] >> 6) {
    case 0:
        headerSize = SHORT_HEADER;
        back = header[1] * 4u;
        total = header[2] * 4u;
        break;
    case 1:
        headerSize = MEDIUM_HEADER;
        back = getUndo16(header + 1) * 4;
        total = getUndo16(header + 3) * 4;
        break;
    case 2:
        headerSize = LONG_HEADER;
        back = getUndo32(header + 1);
        total = getUndo32(header + 5);
        break;
    default:
        return false;
    }
    const bool sound = headerSize <= available && total >= headerSize && total % 4 == 0 &&
                       total <= m_at.end - position && back <= position && back % 4 == 0 &&
                       (back == 0) == (position == 0);
    if (!sound)
        return false;
    m_kind = header[0] & 0x3F;
    m_headerSize = headerSize;
    m_capacity = total - headerSize;
    m_remaining = m_capacity;
    m_at.pos = position;
    m_at.prev = position - back;
    m_at.next = position + total;
    m_state = READING;
    return true;
}

void UndoJournal::stepForward() {
    m_at.prev = m_at.pos;
    m_at.pos = m_at.next;
    m_state = IDLE;
}

uint32_t UndoJournal::read(void* data, uint32_t size) {
    if (m_state != READING)
        return 0;
    const uint32_t count = std::min(size, m_remaining);
    const uint64_t at = uint64_t(m_base) + m_at.pos + m_headerSize + (m_capacity - m_remaining);
    if (count == 0 || !m_log.read(at, data, count))
        return 0;
    m_remaining -= count;
    return count;
}

bool UndoJournal::rewindPayload() {
    if (m_state != READING)
        return false;
    m_remaining = m_capacity;
    return true;
}

} // namespace tessel
