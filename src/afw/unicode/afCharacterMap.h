#pragma once
// Reads which code points a font maps, from the bytes of its `cmap` table. Font files are
// whatever users install, so every count and offset in the table is checked against its size
// before it is followed, and no range reaches past U+10FFFF.

#include <cstddef>
#include <cstdint>
#include <vector>

struct afCodePointRange {
    uint32_t first;
    uint32_t last; // inclusive
};

struct afCharacterMap {
    enum Kind {
        MAP_NONE,    // no Windows Unicode or symbol subtable could be read
        MAP_SYMBOL,  // a symbol font (platform 3, encoding 0): it maps no Unicode code points
        MAP_UNICODE, // ranges holds what the font maps, ascending, without overlaps
    };
    Kind kind = MAP_NONE;
    std::vector<afCodePointRange> ranges;
};

// The Windows subtables only: (3, 0) symbol; (3, 10) format 12, taken at once; (3, 1) format 4.
afCharacterMap afReadCharacterMap(const uint8_t* table, size_t size);
