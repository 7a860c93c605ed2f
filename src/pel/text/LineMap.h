#pragma once
// Turns character offsets into line and column over a wide text it does not own. Line starts
// are found lazily, only as far as the offsets asked for. Not thread-safe (it caches).

#include "pel/base/Exception.h"

#include <cstdint>
#include <vector>

namespace pel {

class LineMap {
public:
    LineMap(const wchar_t* buffer, uint32_t length);

    // A line starts after LF, after CR LF, and after a CR not followed by LF; the LF of a
    // CR LF pair belongs to the line the pair ends. The offset may equal the length.
    TextPosition getPosition(uint32_t o);

private:
    const wchar_t* m_buffer;
    uint32_t m_buffer_length;
    uint32_t m_scanned = 0;              // characters examined for line breaks so far
    std::vector<uint32_t> m_line_starts; // offsets just after each break found, ascending
};

} // namespace pel
