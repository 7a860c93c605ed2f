#include "pel/base/Ascii.h"
#include "pel/base/CharacterProperties.h"
#include "pel/base/CharacterPropertiesTable.h"

#include <gtest/gtest.h>

using namespace pel;
using namespace pel::character_properties;

TEST(CharacterProperties, TableShape) {
    EXPECT_EQ(1896, RANGE_COUNT);
    EXPECT_EQ(0xFFFFEu, RANGES[RANGE_COUNT - 1].last);
    for (int i = 1; i < RANGE_COUNT; ++i) {
        ASSERT_LT(RANGES[i - 1].last, RANGES[i].last) << i;
        ASSERT_NE(RANGES[i - 1].mask, RANGES[i].mask) << i; // equal neighbours would be one range
    }
}

TEST(CharacterProperties, SampleMasks) {
    const struct {
        uint32_t codePoint;
        uint32_t mask;
    } rows[] = {
        {0x00A0, 0x94},   {0x3000, 0x94},   {0x0020, 0x95},  {0x0009, 0xD5},  {0x2029, 0x84},
        {0xD800, 0x40},   {0xE000, 0x444},  {L'A', 0x1E0F},  {L'a', 0x3C0F},  {L'7', 0x1D0D},
        {L'.', 0x425},    {0x0000, 0x41},   {0x000A, 0xC5},  {0x0085, 0xC4},
        {0x005F, 0x40D},  // table mask 0x42D without punctuation
        {0x0237, 0},      // assigned only after 4.0
        {0xFFFFD, 0x444}, // plane 15 private use
        {0xFFFFE, 0},     {0xFFFFF, 0},     {0x10FFFF, 0},   {0xFFFFFFFFu, 0},
        {0x4E00, 0x140E}, {0x9FA5, 0x140E}, // CJK ideographs
        {0x9FA6, 0},                        // beyond the 4.0 CJK block
        {0xAC00, 0x140E},                   // Hangul syllable
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.mask, getCharacterProperties(row.codePoint)) << std::hex << row.codePoint;
}

TEST(CharacterProperties, Unicode40Categories) {
    const struct {
        uint32_t codePoint;
        uint32_t property;
        bool has;
    } rows[] = {
        {0x180E, CHARACTER_BLANK, true},  // Zs in 4.0
        {0x200B, CHARACTER_SPACE, true},  // Zs until 4.0.1
        {0x13A0, CHARACTER_UPPER, false}, {0x13A0, CHARACTER_LETTER, true}, // Cherokee: Lo
        {0x10D0, CHARACTER_LOWER, false}, // Georgian: Lo
        {0x00AA, CHARACTER_LOWER, true},  {0x00BA, CHARACTER_LOWER, true},
        {0x1369, CHARACTER_DIGIT, true},  // Ethiopic digits: Nd
        {0x80, CHARACTER_ASCII, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.has, (getCharacterProperties(row.codePoint) & row.property) != 0) << std::hex << row.codePoint;
}

TEST(CharacterProperties, AsciiAgreesWithAscii) {
    for (int c = 0; c < 128; ++c) {
        const uint32_t mask = getCharacterProperties(static_cast<uint32_t>(c));
        EXPECT_EQ(Ascii::isDigit(c), (mask & CHARACTER_DIGIT) != 0) << c;
        EXPECT_EQ(Ascii::isUpper(c), (mask & CHARACTER_UPPER) != 0) << c;
        EXPECT_EQ(Ascii::isLower(c), (mask & CHARACTER_LOWER) != 0) << c;
        EXPECT_EQ(Ascii::isHexDigit(c), (mask & CHARACTER_HEX_DIGIT) != 0) << c;
        EXPECT_TRUE(mask & CHARACTER_ASCII) << c;
    }
}

TEST(CharacterProperties, ClassChanges) {
    const struct {
        uint32_t a, b;
        bool change;
    } rows[] = {
        {L'.', L',', true},  {L'a', L'b', false},    {L'a', L' ', true},        {L' ', 0x3000, false},
        {L'a', L'_', false}, {L'x', 0x4E00, false},  {0x0237, 0x0237, true}, // unassigned on both sides
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.change, isCharacterClassChange(getCharacterProperties(row.a), getCharacterProperties(row.b)))
            << std::hex << row.a << " " << row.b;
}

TEST(Ascii, Classes) {
    const struct {
        int c;
        uint32_t properties;
    } rows[] = {
        {'\t', Ascii::CONTROL | Ascii::SPACE}, {0, Ascii::CONTROL}, {127, Ascii::CONTROL},
        {' ', Ascii::SPACE | Ascii::PRINTABLE}, {'_', Ascii::PUNCTUATION | Ascii::GRAPHIC | Ascii::PRINTABLE},
        {'F', Ascii::LETTER | Ascii::UPPER | Ascii::HEX_DIGIT | Ascii::GRAPHIC | Ascii::PRINTABLE},
        {'g', Ascii::LETTER | Ascii::LOWER | Ascii::GRAPHIC | Ascii::PRINTABLE},
        {'0', Ascii::DIGIT | Ascii::HEX_DIGIT | Ascii::GRAPHIC | Ascii::PRINTABLE},
        {128, 0}, {0xA0, 0}, {-1, 0}, {-5, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.properties, Ascii::properties(row.c)) << row.c;
    for (int c : {'\t', '\n', '\v', '\f', '\r', ' '})
        EXPECT_TRUE(Ascii::isSpace(c)) << c;
    EXPECT_FALSE(Ascii::isAlphaNumeric('-'));
    EXPECT_FALSE(Ascii::isAscii(-1));
}

TEST(Ascii, MasksAboveAsciiAndCaseMapping) {
    EXPECT_TRUE(Ascii::hasProperties(200, 0));
    EXPECT_FALSE(Ascii::hasSomeProperties(200, 0x3FF));
    EXPECT_FALSE(Ascii::hasProperties('a', Ascii::LETTER | Ascii::UPPER));
    EXPECT_TRUE(Ascii::hasSomeProperties('a', Ascii::DIGIT | Ascii::LOWER));

    const int cases[][3] = {{'a', 'A', 'a'}, {'Z', 'Z', 'z'}, {'1', '1', '1'}, {0xE9, 0xE9, 0xE9}, {0xC9, 0xC9, 0xC9}};
    for (const auto& c : cases) {
        EXPECT_EQ(c[1], Ascii::toUpper(c[0])) << c[0];
        EXPECT_EQ(c[2], Ascii::toLower(c[0])) << c[0];
    }
}
