#pragma once
// The units of a gap buffer by position, read from its two halves in place: what the finders
// scan instead of a copy of the document. Valid until the buffer's next edit.

#include "service/document/GapBuffer.h"

#include <cstdint>

namespace tessel {

class GapText {
public:
    GapText() = default;
    explicit GapText(const GapBuffer& buffer)
        : m_first(buffer.firstHalf()), m_second(buffer.secondHalf() - buffer.gapStart()),
          m_gapStart(buffer.gapStart()), m_length(buffer.length()) {}

    int32_t length() const { return m_length; }
    // The unit at position (0 <= position < length, unchecked).
    wchar_t operator[](int32_t position) const { return position < m_gapStart ? m_first[position] : m_second[position]; }

private:
    const wchar_t* m_first = nullptr;
    const wchar_t* m_second = nullptr; // indexed by position: the half behind the gap, moved down by the gap
    int32_t m_gapStart = 0;
    int32_t m_length = 0;
};

} // namespace tessel
