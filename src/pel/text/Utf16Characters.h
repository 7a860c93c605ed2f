#pragma once
// The characters of UTF-16 text read by index: a surrogate pair is one character, a half
// without its partner a character of its own. Templates over any text read as text[i] (a
// pointer, a string, a document's units) of a known length, for code that walks, matches or
// cuts text character by character rather than unit by unit.

#include <cstdint>
#include <string>

namespace pel {

inline bool isSurrogateUnit(uint32_t unit) {
    return (unit & 0xFFFFF800u) == 0xD800u;
}
inline bool isHighSurrogateUnit(uint32_t unit) {
    return (unit & 0xFFFFFC00u) == 0xD800u;
}
inline bool isLowSurrogateUnit(uint32_t unit) {
    return (unit & 0xFFFFFC00u) == 0xDC00u;
}
inline uint32_t pairCodePoint(uint32_t high, uint32_t low) {
    return 0x10000u + ((high - 0xD800u) << 10) + (low - 0xDC00u);
}
// The units of a code point above the BMP.
inline wchar_t highUnitOf(uint32_t codePoint) {
    return static_cast<wchar_t>(0xD800u + ((codePoint - 0x10000u) >> 10));
}
inline wchar_t lowUnitOf(uint32_t codePoint) {
    return static_cast<wchar_t>(0xDC00u + ((codePoint - 0x10000u) & 0x3FFu));
}

// Whether position falls between the two halves of a pair: no character begins or ends there.
template <class Units>
bool splitsPair(const Units& text, int32_t position, int32_t length) {
    return position > 0 && position < length && isLowSurrogateUnit(text[position]) &&
           isHighSurrogateUnit(text[position - 1]);
}

// How many units the character at position (< length) takes: 2 for a pair, else 1.
template <class Units>
int32_t characterUnits(const Units& text, int32_t position, int32_t length) {
    return isHighSurrogateUnit(text[position]) && position + 1 < length && isLowSurrogateUnit(text[position + 1]) ? 2
                                                                                                                 : 1;
}

// The code point of the character at position (< length).
template <class Units>
uint32_t codePointAt(const Units& text, int32_t position, int32_t length) {
    const uint32_t unit = static_cast<uint16_t>(text[position]);
    if (isHighSurrogateUnit(unit) && position + 1 < length) {
        const uint32_t low = static_cast<uint16_t>(text[position + 1]);
        if (isLowSurrogateUnit(low))
            return pairCodePoint(unit, low);
    }
    return unit;
}

// The code point of the character that ends at position (> 0).
template <class Units>
uint32_t codePointBefore(const Units& text, int32_t position) {
    const uint32_t unit = static_cast<uint16_t>(text[position - 1]);
    if (isLowSurrogateUnit(unit) && position > 1) {
        const uint32_t high = static_cast<uint16_t>(text[position - 2]);
        if (isHighSurrogateUnit(high))
            return pairCodePoint(high, unit);
    }
    return unit;
}

// The start of the character that holds the unit at position, and the end of the one that
// holds the unit before it: position itself unless it splits a pair.
template <class Units>
int32_t characterStart(const Units& text, int32_t position, int32_t length) {
    return splitsPair(text, position, length) ? position - 1 : position;
}
template <class Units>
int32_t characterEnd(const Units& text, int32_t position, int32_t length) {
    return splitsPair(text, position, length) ? position + 1 : position;
}

// Appends a code point in UTF-16 (a lone half as itself).
inline void appendCodePoint(uint32_t codePoint, std::wstring& io_text) {
    if (codePoint < 0x10000u) {
        io_text += static_cast<wchar_t>(codePoint);
    } else {
        io_text += highUnitOf(codePoint);
        io_text += lowUnitOf(codePoint);
    }
}

// The code points of a UTF-16 text, pairs joined.
inline std::u32string codePointsOf(const std::wstring& text) {
    std::u32string out;
    out.reserve(text.size());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length; at += characterUnits(text, at, length))
        out += static_cast<char32_t>(codePointAt(text, at, length));
    return out;
}

} // namespace pel
