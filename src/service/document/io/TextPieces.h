#pragma once
// A gap buffer's text in pieces of at most a given number of units, for converters that take one
// array at a time: a piece lies on one side of the gap and never ends between the two halves of
// a surrogate pair (a pair split by the gap comes as a piece of its own).

#include "service/document/GapBuffer.h"

#include <cstddef>
#include <cstdint>

namespace tessel {

class TextPieces {
public:
    // pieceUnits of at least 2.
    TextPieces(const GapBuffer& buffer, int32_t pieceUnits);

    // Moves to the next piece; false after the last.
    bool next();
    const wchar_t* text() const { return m_text; }
    size_t count() const { return m_count; }

private:
    const GapBuffer& m_buffer;
    int32_t m_pieceUnits;
    int32_t m_position = 0;
    const wchar_t* m_text = nullptr;
    size_t m_count = 0;
    wchar_t m_pair[2] = {};
};

} // namespace tessel
