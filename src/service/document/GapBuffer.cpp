#include "service/document/GapBuffer.h"

#include "pel/base/Exception.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tessel {

namespace {

// The largest block in units: its byte size must stay below 2 GB, the most a 32-bit process
// can hope for in one piece.
constexpr int64_t MAX_CAPACITY = 0x3FFFFFFF;

wchar_t* allocateUnits(int64_t units) {
    void* block = units <= MAX_CAPACITY ? std::malloc(static_cast<size_t>(units) * sizeof(wchar_t)) : nullptr;
    if (!block)
        throw pel::OutOfMemoryException(L"Cannot allocate the document text.");
    return static_cast<wchar_t*>(block);
}

} // namespace

GapBuffer::GapBuffer()
    : m_data(allocateUnits(INITIAL_CAPACITY)), m_gapStart(0), m_gapEnd(0), m_length(0),
      m_capacity(INITIAL_CAPACITY) {}

GapBuffer::GapBuffer(wchar_t* data, int32_t length, int32_t capacity)
    : m_data(data), m_gapStart(length), m_gapEnd(capacity), m_length(length), m_capacity(capacity) {
    if (!data || length < 0 || length > capacity)
        throw pel::InvalidArgumentException(L"A loaded text needs a block that holds it.");
}

GapBuffer::~GapBuffer() { std::free(m_data); }

GapBuffer::GapBuffer(GapBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_gapStart(std::exchange(other.m_gapStart, 0)),
      m_gapEnd(std::exchange(other.m_gapEnd, 0)), m_length(std::exchange(other.m_length, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

GapBuffer& GapBuffer::operator=(GapBuffer&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_gapStart = std::exchange(other.m_gapStart, 0);
        m_gapEnd = std::exchange(other.m_gapEnd, 0);
        m_length = std::exchange(other.m_length, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

bool GapBuffer::holds(const wchar_t* pointer) const {
    const auto at = reinterpret_cast<uintptr_t>(pointer);
    const auto begin = reinterpret_cast<uintptr_t>(m_data);
    return at >= begin && at < begin + static_cast<uintptr_t>(m_capacity) * sizeof(wchar_t);
}

void GapBuffer::moveGap(int32_t position) {
    if (position > m_gapStart) {
        const int32_t count = position - m_gapStart;
        std::memmove(m_data + m_gapStart, m_data + m_gapEnd, static_cast<size_t>(count) * sizeof(wchar_t));
        m_gapStart += count;
        m_gapEnd += count;
    } else if (position < m_gapStart) {
        const int32_t count = m_gapStart - position;
        std::memmove(m_data + m_gapEnd - count, m_data + position, static_cast<size_t>(count) * sizeof(wchar_t));
        m_gapStart -= count;
        m_gapEnd -= count;
    }
}

void GapBuffer::reserve(int32_t count) {
    if (count <= m_gapEnd - m_gapStart)
        return;
    const int64_t need = int64_t(m_length) + count + GAP_SIZE;
    if (need < m_capacity)
        return; // the room behind the text will do
    const int64_t units = 2 * need;
    void* grown = units <= MAX_CAPACITY ? std::realloc(m_data, static_cast<size_t>(units) * sizeof(wchar_t)) : nullptr;
    if (!grown)
        throw pel::OutOfMemoryException(L"Cannot grow the document text.");
    m_data = static_cast<wchar_t*>(grown);
    m_capacity = static_cast<int32_t>(units);
}

void GapBuffer::insert(int32_t position, const wchar_t* text, int32_t count) {
    moveGap(position);
    if (m_gapEnd - m_gapStart < count) {
        reserve(count);
        // The text behind the gap moves up so that a gap of GAP_SIZE is left behind the insert.
        const int32_t gapEnd = position + count + GAP_SIZE;
        std::memmove(m_data + gapEnd, m_data + m_gapEnd, static_cast<size_t>(m_length - m_gapStart) * sizeof(wchar_t));
        m_gapEnd = gapEnd;
    }
    std::memcpy(m_data + position, text, static_cast<size_t>(count) * sizeof(wchar_t));
    m_gapStart += count;
    m_length += count;
}

void GapBuffer::remove(int32_t position, int32_t count) {
    moveGap(position);
    m_gapEnd += count;
    m_length -= count;
}

void GapBufferText::release() {
    if (m_owned)
        delete[] m_text;
    m_text = nullptr;
    m_count = 0;
    m_owned = false;
}

namespace {

// Cuts [offset, offset + count) to the text; false when nothing is left.
bool cutRange(const GapBuffer& buffer, int32_t* io_offset, int32_t* io_count) {
    const int32_t offset = std::max(0, std::min(*io_offset, buffer.length()));
    const int64_t end = std::min<int64_t>(int64_t(*io_offset) + *io_count, buffer.length());
    *io_offset = offset;
    *io_count = end > offset ? static_cast<int32_t>(end - offset) : 0;
    return *io_count > 0;
}

} // namespace

int32_t gap_buffer_copy(wchar_t* destination, const GapBuffer& buffer, int32_t offset, int32_t count, bool terminate) {
    if (cutRange(buffer, &offset, &count)) {
        const int32_t gapStart = buffer.gapStart();
        const int32_t before = offset < gapStart ? std::min(count, gapStart - offset) : 0;
        std::memcpy(destination, buffer.firstHalf() + offset, static_cast<size_t>(before) * sizeof(wchar_t));
        std::memcpy(destination + before, buffer.secondHalf() + (offset + before - gapStart),
                    static_cast<size_t>(count - before) * sizeof(wchar_t));
    }
    if (terminate)
        destination[count] = 0;
    return count;
}

void gap_buffer_extract(GapBufferText* o_result, int32_t offset, int32_t count, const GapBuffer& buffer) {
    o_result->release();
    if (!cutRange(buffer, &offset, &count))
        return;
    const int32_t gapStart = buffer.gapStart();
    if (offset + count <= gapStart) {
        o_result->m_text = buffer.firstHalf() + offset;
    } else if (offset >= gapStart) {
        o_result->m_text = buffer.secondHalf() + (offset - gapStart);
    } else {
        wchar_t* copy = new wchar_t[count];
        gap_buffer_copy(copy, buffer, offset, count, false);
        o_result->m_text = copy;
        o_result->m_owned = true;
    }
    o_result->m_count = count;
}

} // namespace tessel
