#pragma once
// A place in a document as the editor sees it: a line, the UTF-16 units from the line's start
// (which may reach past the line's end) and whether it lies in the virtual space beyond that
// end; on the wrap point of a wrapped line the same flag says that the position shows at the
// end of the display line before it. Positions order by line, then line offset; the flag takes
// no part.

#include <cstdint>

namespace tessel {

struct TextPosition {
    int32_t line = 0;
    int32_t lineOffset = 0;
    bool isVirtual = false;

    TextPosition() = default;
    TextPosition(int32_t i_line, int32_t i_lineOffset, bool i_virtual = false)
        : line(i_line), lineOffset(i_lineOffset), isVirtual(i_virtual) {}

    bool operator==(const TextPosition& other) const { return line == other.line && lineOffset == other.lineOffset; }
    bool operator!=(const TextPosition& other) const { return !(*this == other); }
    bool operator<(const TextPosition& other) const {
        return line < other.line || (line == other.line && lineOffset < other.lineOffset);
    }
    bool operator>(const TextPosition& other) const { return other < *this; }
    bool operator<=(const TextPosition& other) const { return !(other < *this); }
    bool operator>=(const TextPosition& other) const { return !(*this < other); }
    // Equal in all three fields.
    bool sameAs(const TextPosition& other) const { return *this == other && isVirtual == other.isVirtual; }
};

// Two positions: a range to repaint (start before end), or a selection's anchor and caret.
struct PositionRange {
    TextPosition start;
    TextPosition end;
};

} // namespace tessel
