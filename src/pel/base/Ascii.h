#pragma once
// Classes of the 128 ASCII characters (the C locale's view); anything above 127 has none.

#include <array>
#include <cstdint>

namespace pel {

class Ascii {
public:
    enum Property : uint32_t {
        CONTROL = 0x01,
        SPACE = 0x02,
        PUNCTUATION = 0x04, // every graphic character that is not a letter or digit, "_" too
        DIGIT = 0x08,
        HEX_DIGIT = 0x10,
        LETTER = 0x20,
        LOWER = 0x40,
        UPPER = 0x80,
        GRAPHIC = 0x100,
        PRINTABLE = 0x200, // graphic characters and the blank
    };

    static uint32_t properties(int c) { return isAscii(c) ? TABLE[c] : 0; }
    static bool isAscii(int c) { return static_cast<unsigned int>(c) < 128; }
    // All bits of mask present (for c above 127 only an empty mask is present).
    static bool hasProperties(int c, uint32_t mask) { return (properties(c) & mask) == mask; }
    static bool hasSomeProperties(int c, uint32_t mask) { return (properties(c) & mask) != 0; }
    static bool isSpace(int c) { return hasSomeProperties(c, SPACE); }
    static bool isDigit(int c) { return hasSomeProperties(c, DIGIT); }
    static bool isHexDigit(int c) { return hasSomeProperties(c, HEX_DIGIT); }
    static bool isPunct(int c) { return hasSomeProperties(c, PUNCTUATION); }
    static bool isAlpha(int c) { return hasSomeProperties(c, LETTER); }
    static bool isAlphaNumeric(int c) { return hasSomeProperties(c, LETTER | DIGIT); }
    static bool isLower(int c) { return hasSomeProperties(c, LOWER); }
    static bool isUpper(int c) { return hasSomeProperties(c, UPPER); }
    static int toLower(int c) { return isUpper(c) ? c + 32 : c; }
    static int toUpper(int c) { return isLower(c) ? c - 32 : c; }
    // The value of a hexadecimal digit, -1 for any other character.
    static int hexDigitValue(int c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

private:
    static const std::array<uint32_t, 128> TABLE;
};

} // namespace pel
