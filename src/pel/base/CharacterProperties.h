#pragma once
// Character classes of Unicode code points (Unicode 4.0 general categories), as word movement,
// whole-word search and case conversion see them. A constant table: safe on every thread.

#include <cstdint>

namespace pel {

enum CharacterProperty : uint32_t {
    CHARACTER_ASCII = 0x0001,
    CHARACTER_LETTER = 0x0002,       // L* and M*
    CHARACTER_PRINTABLE = 0x0004,
    CHARACTER_WORD = 0x0008,         // L*, M*, N*, Pc and "_"
    CHARACTER_BLANK = 0x0010,        // Zs and TAB
    CHARACTER_PUNCTUATION = 0x0020,  // P* except "_"
    CHARACTER_CONTROL = 0x0040,      // Cc, Cf, Co, Cs
    CHARACTER_SPACE = 0x0080,        // Zs, Zl, Zp, TAB, LF, VT, FF, CR, U+0085
    CHARACTER_DIGIT = 0x0100,        // Nd
    CHARACTER_UPPER = 0x0200,        // Lu
    CHARACTER_GRAPHIC = 0x0400,
    CHARACTER_HEX_DIGIT = 0x0800,
    CHARACTER_ALPHANUMERIC = 0x1000, // L*, M*, Nd
    CHARACTER_LOWER = 0x2000,        // Ll
};

// The property mask of a code point; 0 for unassigned code points and everything above U+FFFFE.
uint32_t getCharacterProperties(uint32_t codePoint);

// True at a word boundary between characters with masks a and b: unless both are word
// characters or both are spaces.
bool isCharacterClassChange(uint32_t a, uint32_t b);

} // namespace pel
