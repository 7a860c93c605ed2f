#include "service/document/LineTable.h"

#include "pel/base/Exception.h"
#include "service/parser/base/LineRecord.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

// A complete set of arrays, made aside before it replaces the table's own.
struct LineTable::Arrays {
    int32_t* ends = nullptr;
    int32_t endsCapacity = 0;
    LineHeader* headers = nullptr;
    int32_t headerCapacity = 0;
    int32_t* map = nullptr;
    int32_t mapCapacity = 0;
    int32_t* freeStack = nullptr;
    int32_t freeCapacity = 0;

    // Room for that many lines, every header cleared.
    explicit Arrays(int64_t lines) {
        try {
            const int32_t capacity = roundUp(lines);
            resize(ends, endsCapacity, capacity);
            resize(map, mapCapacity, capacity);
            resize(headers, headerCapacity, capacity);
            resize(freeStack, freeCapacity, STEP);
        } catch (...) {
            discard();
            throw;
        }
        std::memset(headers, 0, static_cast<size_t>(headerCapacity) * sizeof(LineHeader));
    }
    void discard() {
        std::free(ends);
        std::free(map);
        std::free(headers);
        std::free(freeStack);
    }
};

LineTable::LineTable() {
    const int32_t noFeeds = 0;
    rebuild(&noFeeds, 0, 0);
}

LineTable::~LineTable() { release(); }

void LineTable::release() {
    for (int32_t line = 0; line < m_count; ++line)
        releaseHeaderData(header(line));
    std::free(m_ends);
    std::free(m_map);
    std::free(m_headers);
    std::free(m_free);
    m_ends = m_map = m_free = nullptr;
    m_headers = nullptr;
    m_count = 0;
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
    for (int32_t line = 0; line < m_count; ++line) {
        LineHeader& cleared = header(line);
        std::free(cleared.parsedLine);
        cleared.parsedLine = nullptr;
    }
}

void LineTable::reset() {
    const int32_t noFeeds = 0;
    rebuild(&noFeeds, 0, 0);
}

void LineTable::rebuild(const int32_t* lineFeeds, int32_t count, int32_t length) {
    Arrays fresh(int64_t(count) + 1);
    release();
    m_ends = fresh.ends;
    m_endsCapacity = fresh.endsCapacity;
    m_map = fresh.map;
    m_mapCapacity = fresh.mapCapacity;
    m_headers = fresh.headers;
    m_headerCapacity = fresh.headerCapacity;
    m_free = fresh.freeStack;
    m_freeCapacity = fresh.freeCapacity;
    m_count = count + 1;
    m_stepLine = 0;
    m_stepDelta = 0;
    std::memcpy(m_ends, lineFeeds, static_cast<size_t>(count) * sizeof(int32_t));
    m_ends[count] = length;
    for (int32_t line = 0; line < m_count; ++line) {
        m_map[line] = line;
        m_headers[line].flags = LINE_IN_USE;
    }
    // The headers past the lines (fewer than a step) wait on the free stack.
    m_freeCount = 0;
    for (int32_t index = m_headerCapacity - 1; index >= m_count; --index)
        m_free[m_freeCount++] = index;
}

size_t LineTable::memoryHeld() const {
    return size_t(m_endsCapacity) * sizeof(int32_t) + size_t(m_mapCapacity) * sizeof(int32_t) +
           size_t(m_headerCapacity) * sizeof(LineHeader) + size_t(m_freeCapacity) * sizeof(int32_t);
}

} // namespace tessel
