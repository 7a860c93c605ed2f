#include "service/document/LineTable.h"

#include "pel/base/Exception.h"
#include "service/parser/base/LineRecord.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tessel {

namespace {

constexpr int32_t STEP = LineTable::STEP;

int32_t roundUp(int64_t count) { return static_cast<int32_t>(std::max<int64_t>(STEP, (count + STEP - 1) / STEP * STEP)); }

// Reallocates array to capacity elements. A failed growth throws with the array as it was; a
// failed shrink keeps the larger block.
template <class T>
void resize(T*& array, int32_t& capacity, int64_t wanted) {
    if (wanted == capacity)
        return;
    const bool fits = wanted > 0 && static_cast<uint64_t>(wanted) * sizeof(T) < 0x7FFFFFFFu;
    void* block = fits ? std::realloc(array, static_cast<size_t>(wanted) * sizeof(T)) : nullptr;
    if (!block) {
        if (wanted > capacity)
            throw pel::OutOfMemoryException(L"Cannot grow the line table.");
        return;
    }
    array = static_cast<T*>(block);
    capacity = static_cast<int32_t>(wanted);
}

void releaseHeaderData(LineHeader& header) {
    std::free(header.parsedLine);
    delete header.markers;
    header.parsedLine = nullptr;
    header.markers = nullptr;
}

} // namespace

LineEnds::~LineEnds() { std::free(m_data); }

LineEnds::LineEnds(LineEnds&& other) noexcept
    : m_data(other.m_data), m_size(other.m_size), m_capacity(other.m_capacity) {
    other.m_data = nullptr;
    other.m_size = other.m_capacity = 0;
}

LineEnds& LineEnds::operator=(LineEnds&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = other.m_data;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        other.m_data = nullptr;
        other.m_size = other.m_capacity = 0;
    }
    return *this;
}

void LineEnds::reserve(int64_t count) {
    if (count > m_capacity)
        resize(m_data, m_capacity, count);
}

const LineHeader LineTable::NO_HEADER = {LINE_IN_USE, 0, nullptr, nullptr};

LineTable::LineTable() {
    const int32_t noFeeds = 0;
    rebuild(&noFeeds, 0, 0);
}

LineTable::~LineTable() { release(); }

void LineTable::release() {
    for (int32_t line = 0, owned = ownedCount(); line < owned; ++line)
        releaseHeaderData(header(line));
    std::free(m_ends);
    std::free(m_map);
    std::free(m_headers);
    std::free(m_free);
    m_ends = m_map = m_free = nullptr;
    m_headers = nullptr;
    m_endsCapacity = m_mapCapacity = m_headerCapacity = m_freeCapacity = 0;
    m_count = m_owned = m_freeCount = 0;
}

LineHeader& LineTable::ownHeader(int32_t line) {
    if (line < m_owned)
        return m_headers[line];
    // The parser asks line by line: the block grows by half, not by a line.
    if (line >= m_headerCapacity)
        resize(m_headers, m_headerCapacity,
               std::min<int64_t>(roundUp(m_count), roundUp(std::max<int64_t>(int64_t(line) + 1,
                                                                             int64_t(m_headerCapacity) * 3 / 2))));
    for (; m_owned <= line; ++m_owned)
        m_headers[m_owned] = NO_HEADER;
    return m_headers[line];
}

void LineTable::buildMap() {
    if (m_map)
        return;
    int32_t* map = nullptr;
    int32_t mapCapacity = 0;
    resize(map, mapCapacity, roundUp(m_count));
    try {
        if (m_headerCapacity < roundUp(m_count))
            resize(m_headers, m_headerCapacity, roundUp(m_count));
        if (m_headerCapacity - m_count > m_freeCapacity)
            resize(m_free, m_freeCapacity, roundUp(m_headerCapacity - m_count));
    } catch (...) {
        std::free(map);
        throw;
    }
    for (; m_owned < m_count; ++m_owned)
        m_headers[m_owned] = NO_HEADER;
    for (int32_t line = 0; line < m_count; ++line)
        map[line] = line;
    m_map = map;
    m_mapCapacity = mapCapacity;
    // The headers past the lines wait on the free stack.
    m_freeCount = 0;
    for (int32_t index = m_headerCapacity - 1; index >= m_count; --index)
        m_free[m_freeCount++] = index;
}

int32_t LineTable::start(int32_t line) const {
    if (line <= 0)
        return 0;
    return end(std::min(line, m_count) - 1);
}

int32_t LineTable::findLine(int32_t offset) const {
    const int32_t last = m_count - 1;
    if (offset < 0)
        return 0;
    if (offset >= end(last))
        return last;
    int32_t low = 0, high = last; // the first line whose end lies behind offset
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (end(middle) > offset)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void LineTable::moveStep(int32_t line) {
    line = std::max(0, std::min(line, m_count));
    if (m_stepDelta != 0) {
        for (int32_t i = m_stepLine; i < line; ++i)
            m_ends[i] += m_stepDelta;
        for (int32_t i = line; i < m_stepLine; ++i)
            m_ends[i] -= m_stepDelta;
    }
    m_stepLine = line;
}

void LineTable::reserveInsert(int32_t lineBreaks) {
    buildMap();
    const int64_t lines = int64_t(m_count) + lineBreaks;
    if (lines > m_endsCapacity)
        resize(m_ends, m_endsCapacity, roundUp(lines));
    if (lines > m_mapCapacity)
        resize(m_map, m_mapCapacity, roundUp(int64_t(m_mapCapacity) + lineBreaks));
    if (m_freeCount >= lineBreaks)
        return;
    // The new headers join the free stack, which makes room for them first.
    const int32_t headers = roundUp(int64_t(m_headerCapacity) + (lineBreaks - m_freeCount));
    const int64_t freed = int64_t(m_freeCount) + (headers - m_headerCapacity);
    if (freed > m_freeCapacity)
        resize(m_free, m_freeCapacity, roundUp(freed));
    const int32_t old = m_headerCapacity;
    resize(m_headers, m_headerCapacity, headers);
    std::memset(m_headers + old, 0, static_cast<size_t>(m_headerCapacity - old) * sizeof(LineHeader));
    for (int32_t index = m_headerCapacity - 1; index >= old; --index)
        m_free[m_freeCount++] = index;
}

void LineTable::reserveRemove(int32_t lineBreaks) {
    buildMap();
    const int64_t freed = int64_t(m_freeCount) + lineBreaks;
    if (freed > m_freeCapacity)
        resize(m_free, m_freeCapacity, roundUp(freed));
}

int32_t LineTable::takeHeader() {
    const int32_t index = m_free[--m_freeCount];
    m_headers[index] = LineHeader{LINE_IN_USE, 0, nullptr, nullptr};
    return index;
}

void LineTable::freeHeader(int32_t index) {
    LineHeader& freed = m_headers[index];
    releaseHeaderData(freed);
    freed.flags &= LINE_KEPT_ON_RESET;
    freed.word = 0;
    m_free[m_freeCount++] = index;
}

void LineTable::insert(int32_t offset, int32_t length, int32_t firstLine, const int32_t* lineFeeds,
                       int32_t lineBreaks, bool atLineStart) {
    buildMap(); // done by reserveInsert already
    moveStep(firstLine);
    m_stepDelta += length;
    if (lineBreaks > 0) {
        const size_t behind = static_cast<size_t>(m_count - firstLine);
        std::memmove(m_ends + firstLine + lineBreaks, m_ends + firstLine, behind * sizeof(int32_t));
        for (int32_t k = 0; k < lineBreaks; ++k)
            m_ends[firstLine + k] = offset + lineFeeds[k];
        m_stepLine = firstLine + lineBreaks;

        const int32_t at = atLineStart ? firstLine : firstLine + 1;
        std::memmove(m_map + at + lineBreaks, m_map + at, static_cast<size_t>(m_count - at) * sizeof(int32_t));
        for (int32_t k = 0; k < lineBreaks; ++k)
            m_map[at + k] = takeHeader();
        m_count += lineBreaks;
    }
    markNeedsParsing(firstLine, lineBreaks + 1);
}

void LineTable::remove(int32_t length, int32_t firstLine, int32_t lineBreaks, bool atLineStart) {
    buildMap(); // done by reserveRemove already
    const int32_t lastLine = firstLine + lineBreaks;
    moveStep(lastLine);
    m_stepDelta -= length;
    if (lineBreaks > 0) {
        std::memmove(m_ends + firstLine, m_ends + lastLine, static_cast<size_t>(m_count - lastLine) * sizeof(int32_t));
        m_stepLine = firstLine;

        const int32_t at = atLineStart ? firstLine : firstLine + 1;
        for (int32_t k = 0; k < lineBreaks; ++k)
            freeHeader(m_map[at + k]);
        std::memmove(m_map + at, m_map + at + lineBreaks,
                     static_cast<size_t>(m_count - at - lineBreaks) * sizeof(int32_t));
        m_count -= lineBreaks;
        shrinkAfterRemoval(lineBreaks);
    }
    markNeedsParsing(firstLine, std::max(lineBreaks, 1));
}

void LineTable::shrinkAfterRemoval(int32_t removed) {
    if (m_count <= m_endsCapacity - 2 * STEP)
        resize(m_ends, m_endsCapacity, roundUp(m_count) + STEP);
    if (m_mapCapacity - m_count >= 2 * STEP)
        resize(m_map, m_mapCapacity, std::max(roundUp(m_count), roundUp(int64_t(m_mapCapacity) - removed)));
    if (m_freeCapacity - m_freeCount > 2 * STEP)
        resize(m_free, m_freeCapacity, m_freeCapacity - STEP);
}

void LineTable::markNeedsParsing(int32_t first, int32_t count) {
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t(first) + count, m_count));
    for (int32_t line = std::max(first, 0); line < end; ++line)
        header(line).flags |= LINE_IN_USE | LINE_NEEDS_PARSING;
}

void LineTable::clearParsedLines() {
    for (int32_t line = 0, owned = ownedCount(); line < owned; ++line) {
        LineHeader& cleared = header(line);
        std::free(cleared.parsedLine);
        cleared.parsedLine = nullptr;
    }
}

void LineTable::clearParsedLines(int32_t first, int32_t last) {
    const int32_t end = std::min(last, ownedCount() - 1);
    for (int32_t line = std::max(first, 0); line <= end; ++line) {
        LineHeader& cleared = header(line);
        std::free(cleared.parsedLine);
        cleared.parsedLine = nullptr;
        cleared.flags = static_cast<uint16_t>(cleared.flags | LINE_NEEDS_PARSING);
    }
}

void LineTable::swap(LineTable& other) noexcept {
    std::swap(m_count, other.m_count);
    std::swap(m_ends, other.m_ends);
    std::swap(m_endsCapacity, other.m_endsCapacity);
    std::swap(m_stepLine, other.m_stepLine);
    std::swap(m_stepDelta, other.m_stepDelta);
    std::swap(m_headers, other.m_headers);
    std::swap(m_headerCapacity, other.m_headerCapacity);
    std::swap(m_map, other.m_map);
    std::swap(m_owned, other.m_owned);
    std::swap(m_mapCapacity, other.m_mapCapacity);
    std::swap(m_free, other.m_free);
    std::swap(m_freeCount, other.m_freeCount);
    std::swap(m_freeCapacity, other.m_freeCapacity);
}

void LineTable::reset() {
    const int32_t noFeeds = 0;
    rebuild(&noFeeds, 0, 0);
}

void LineTable::rebuild(const int32_t* lineFeeds, int32_t count, int32_t length) {
    LineEnds ends;
    ends.reserve(roundUp(int64_t(count) + 1));
    std::memcpy(ends.m_data, lineFeeds, static_cast<size_t>(count) * sizeof(int32_t));
    ends.m_size = count;
    rebuild(std::move(ends), length);
}

void LineTable::rebuild(LineEnds&& lineFeeds, int32_t length) {
    const int32_t count = lineFeeds.m_size;
    const int32_t capacity = roundUp(int64_t(count) + 1);
    if (lineFeeds.m_capacity < capacity)
        lineFeeds.reserve(capacity);
    else if (lineFeeds.m_capacity > capacity)
        resize(lineFeeds.m_data, lineFeeds.m_capacity, capacity); // a shrink that fails keeps the block
    int32_t* freeStack = nullptr;
    int32_t freeCapacity = 0;
    resize(freeStack, freeCapacity, STEP);
    release();
    m_ends = lineFeeds.m_data;
    m_endsCapacity = lineFeeds.m_capacity;
    lineFeeds.m_data = nullptr;
    lineFeeds.m_size = lineFeeds.m_capacity = 0;
    m_free = freeStack;
    m_freeCapacity = freeCapacity;
    m_count = count + 1;
    m_stepLine = 0;
    m_stepDelta = 0;
    m_ends[count] = length;
}

size_t LineTable::memoryHeld() const {
    return size_t(m_endsCapacity) * sizeof(int32_t) + size_t(m_mapCapacity) * sizeof(int32_t) +
           size_t(m_headerCapacity) * sizeof(LineHeader) + size_t(m_freeCapacity) * sizeof(int32_t);
}

} // namespace tessel
