#include "service/document/io/LineBreakScanner.h"

#include "pel/base/Exception.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tessel {

LoadedText::LoadedText(int64_t capacity) {
    m_capacity = static_cast<int32_t>(std::max<int64_t>(1, std::min(capacity, MAX_UNITS)));
    m_data = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(m_capacity) * sizeof(wchar_t)));
    if (!m_data)
        throw pel::OutOfMemoryException(L"No memory for the text of the file.");
}

LoadedText::~LoadedText() { std::free(m_data); }

wchar_t* LoadedText::room(size_t count) {
    if (count > static_cast<size_t>(m_capacity - m_length))
        grow(count);
    return m_data + m_length;
}

void LoadedText::append(const wchar_t* units, size_t count) {
    wchar_t* const end = m_data + m_length;
    if (units != end) {
        const bool inBlock = units > end && units < m_data + m_capacity;
        if (!inBlock)
            room(count);
        std::memmove(m_data + m_length, units, count * sizeof(wchar_t));
    }
    m_length += static_cast<int32_t>(count);
}

void LoadedText::grow(size_t count) {
    const int64_t needed = int64_t(m_length) + static_cast<int64_t>(count);
    if (needed > MAX_UNITS)
        throw pel::OutOfMemoryException(L"The text of the file is too large.");
    const int64_t capacity = std::min(MAX_UNITS, std::max(needed, int64_t(m_capacity) + m_capacity / 8));
    void* grown = std::realloc(m_data, static_cast<size_t>(capacity) * sizeof(wchar_t));
    if (!grown)
        throw pel::OutOfMemoryException(L"No memory for the text of the file.");
    m_data = static_cast<wchar_t*>(grown);
    m_capacity = static_cast<int32_t>(capacity);
}

GapBuffer LoadedText::release() {
    GapBuffer buffer(m_data, m_length, m_capacity);
    m_data = nullptr;
    m_length = m_capacity = 0;
    return buffer;
}

LineBreakScanner::LineBreakScanner(LoadedText& text, int64_t expectedBreaks) : m_text(text) {
    try {
        m_positions.reserve(expectedBreaks);
    } catch (const pel::OutOfMemoryException&) {
    }
}

void LineBreakScanner::record(LineBreakKind kind) {
    m_text.appendLineFeed();
    m_positions.push_back(m_text.length());
    ++m_counts[kind];
}

void LineBreakScanner::scan(const wchar_t* units, size_t count) {
    // A pending break means the text before it was stored, so no segment is open then.
    const size_t NONE = static_cast<size_t>(-1);
    size_t segment = NONE;
    const auto flush = [&](size_t end) {
        if (segment != NONE)
            m_text.append(units + segment, end - segment);
        segment = NONE;
    };
    for (size_t i = 0; i < count;) {
        const wchar_t unit = units[i];
        if (unit == L'\n') {
            if (m_pendingLF) {
                record(BREAK_UNIX);
            } else if (m_pendingCR) {
                record(BREAK_WINDOWS);
                m_pendingCR = false;
            } else {
                flush(i);
                m_pendingLF = true;
            }
            ++i;
        } else if (unit == L'\r') {
            if (m_pendingCR) {
                record(BREAK_MAC);
            } else if (!m_pendingLF) {
                flush(i);
                m_pendingCR = true;
            } else {
                record(BREAK_UNIX);
                m_pendingCR = true;
                m_pendingLF = false;
            }
            ++i;
        } else {
            if (m_pendingLF)
                record(BREAK_UNIX);
            else if (m_pendingCR)
                record(BREAK_MAC);
            m_pendingLF = m_pendingCR = false;
            if (segment == NONE)
                segment = i;
            for (++i; i < count && units[i] != L'\n' && units[i] != L'\r'; ++i) {
            }
        }
    }
    flush(count);
}

void LineBreakScanner::finish() {
    if (m_pendingCR)
        record(BREAK_MAC);
    else if (m_pendingLF)
        record(BREAK_UNIX);
    m_pendingCR = m_pendingLF = false;
}

LineEndingVote vote_line_ending(uint32_t crlf, uint32_t lf, uint32_t cr) {
    const uint32_t total = crlf + lf + cr;
    LineEndingVote vote{0.0f, BREAK_MAC};
    if (total == 0)
        return vote;
    const float share = 1.0f / static_cast<float>(total);
    const struct {
        uint32_t count;
        LineBreakKind kind;
    } candidates[] = {{cr, BREAK_MAC}, {crlf, BREAK_WINDOWS}, {lf, BREAK_UNIX}};
    for (const auto& candidate : candidates) {
        const float ratio = static_cast<float>(candidate.count) * share;
        if (ratio > vote.confidence)
            vote = {ratio, candidate.kind};
    }
    return vote;
}

} // namespace tessel
