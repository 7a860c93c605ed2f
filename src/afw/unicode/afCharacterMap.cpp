#include "afw/unicode/afCharacterMap.h"

#include <algorithm>

namespace {

constexpr uint32_t kLastCodePoint = 0x10FFFF;

uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

// Appends a range, joining it to the previous one when it continues that one.
void addRange(std::vector<afCodePointRange>& ranges, uint32_t first, uint32_t last) {
    if (!ranges.empty() && ranges.back().last + 1 == first) {
        ranges.back().last = last;
        return;
    }
    ranges.push_back({first, last});
}

// Sorts and joins the ranges: however a table repeats or overlaps its groups, what is left
// covers each code point once.
void normalise(std::vector<afCodePointRange>& ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const afCodePointRange& a, const afCodePointRange& b) { return a.first < b.first; });
    size_t kept = 0;
    for (const afCodePointRange& range : ranges) {
        if (kept > 0 && range.first <= ranges[kept - 1].last + 1)
            ranges[kept - 1].last = std::max(ranges[kept - 1].last, range.last);
        else
            ranges[kept++] = range;
    }
    ranges.resize(kept);
}

// Format 12: groups of (start, end, first glyph), 12 bytes each after a 16-byte header.
bool readFormat12(const uint8_t* table, size_t size, uint64_t offset, std::vector<afCodePointRange>& ranges) {
    if (offset + 16 > size)
        return false;
    const uint8_t* sub = table + offset;
    const uint64_t length = read32(sub + 4);
    const uint64_t groups = read32(sub + 12);
    if (read16(sub) != 12 || read16(sub + 2) != 0 || length < 16 || offset + length > size || read32(sub + 8) != 0 ||
        groups * 12 + 16 > length)
        return false;
    for (uint64_t i = 0; i < groups; ++i) {
        const uint8_t* group = sub + 16 + i * 12;
        const uint32_t first = read32(group);
        uint32_t last = read32(group + 4);
        if (first > last || first > kLastCodePoint)
            continue;
        if (last > kLastCodePoint)
            last = kLastCodePoint;
        addRange(ranges, first, last);
    }
    return true;
}

// Format 4: segCount segments in four parallel arrays (end codes, a pad, start codes, deltas,
// range offsets), then the glyph array that range offsets point into.
bool readFormat4(const uint8_t* table, size_t size, uint64_t offset, std::vector<afCodePointRange>& ranges) {
    if (offset + 14 > size)
        return false;
    const uint8_t* sub = table + offset;
    const uint64_t length = read16(sub + 2);
    const uint64_t segments = read16(sub + 6) / 2;
    if (read16(sub) != 4 || length <= 16 || offset + length > size || read16(sub + 4) != 0 ||
        16 + 8 * segments > length)
        return false;
    const uint8_t* ends = sub + 14;
    const uint8_t* starts = ends + 2 * segments + 2;
    const uint8_t* rangeOffsets = starts + 4 * segments;
    for (uint64_t i = 0; i < segments; ++i) {
        const uint32_t first = read16(starts + 2 * i);
        // U+FFFF is no character; fonts end their last segment there.
        const uint32_t last = read16(ends + 2 * i) == 0xFFFF ? 0xFFFE : read16(ends + 2 * i);
        if (first > last)
            continue;
        const uint32_t rangeOffset = read16(rangeOffsets + 2 * i);
        if (rangeOffset == 0) {
            addRange(ranges, first, last);
            continue;
        }
        // The glyph of c is at the range offset's own place + rangeOffset + 2 (c - first).
        const uint64_t base = static_cast<uint64_t>(rangeOffsets + 2 * i - sub) + rangeOffset;
        for (uint32_t c = first; c <= last; ++c) {
            const uint64_t at = base + 2 * static_cast<uint64_t>(c - first);
            if (at + 2 > length)
                break;
            if (read16(sub + at) != 0)
                addRange(ranges, c, c);
        }
    }
    return true;
}

} // namespace

afCharacterMap afReadCharacterMap(const uint8_t* table, size_t size) {
    afCharacterMap map;
    if (!table || size < 4)
        return map;
    const uint64_t records = read16(table + 2);
    if (4 + 8 * records > size)
        return map;
    uint64_t format4 = 0;
    bool haveFormat4 = false;
    for (uint64_t i = 0; i < records; ++i) {
        const uint8_t* record = table + 4 + 8 * i;
        if (read16(record) != 3)
            continue;
        const uint16_t encoding = read16(record + 2);
        const uint64_t offset = read32(record + 4);
        const bool readable = offset + 2 <= size;
        if (encoding == 0) {
            map.kind = afCharacterMap::MAP_SYMBOL;
            return map;
        }
        if (encoding == 1 && readable && read16(table + offset) == 4 && !haveFormat4) {
            format4 = offset;
            haveFormat4 = true;
        } else if (encoding == 10 && readable && read16(table + offset) == 12) {
            if (readFormat12(table, size, offset, map.ranges)) {
                map.kind = afCharacterMap::MAP_UNICODE;
                normalise(map.ranges);
                return map;
            }
            map.ranges.clear();
            break;
        }
    }
    if (haveFormat4 && readFormat4(table, size, format4, map.ranges)) {
        map.kind = afCharacterMap::MAP_UNICODE;
        normalise(map.ranges);
    } else
        map.ranges.clear();
    return map;
}
