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
    EXPECT_EQ(0x94u, getCharacterProperties(0x00A0));
    EXPECT_EQ(0x94u, getCharacterProperties(0x3000));
    EXPECT_EQ(0x95u, getCharacterProperties(0x0020));
    EXPECT_EQ(0xD5u, getCharacterProperties(0x0009));
    EXPECT_EQ(0x84u, getCharacterProperties(0x2029));
    EXPECT_EQ(0x40u, getCharacterProperties(0xD800));
    EXPECT_EQ(0x444u, getCharacterProperties(0xE000));
    EXPECT_EQ(0x40Du, getCharacterProperties(0x005F)); // table mask 0x42D without punctuation
    EXPECT_EQ(0u, getCharacterProperties(0x0237));    // assigned only after 4.0
    EXPECT_EQ(0x1E0Fu, getCharacterProperties(L'A'));
    EXPECT_EQ(0x3C0Fu, getCharacterProperties(L'a'));
    EXPECT_EQ(0x1D0Du, getCharacterProperties(L'7'));
    EXPECT_EQ(0x425u, getCharacterProperties(L'.'));
    EXPECT_EQ(0x41u, getCharacterProperties(0x0000));
    EXPECT_EQ(0xC5u, getCharacterProperties(0x000A));
    EXPECT_EQ(0xC4u, getCharacterProperties(0x0085));
    EXPECT_EQ(0u, getCharacterProperties(0xFFFFE));
    EXPECT_EQ(0u, getCharacterProperties(0xFFFFF));
    EXPECT_EQ(0u, getCharacterProperties(0x10FFFF));
    EXPECT_EQ(0u, getCharacterProperties(0xFFFFFFFFu));
    EXPECT_EQ(0x444u, getCharacterProperties(0xFFFFD)); // plane 15 private use
}

TEST(CharacterProperties, Unicode40Categories) {
    EXPECT_TRUE(getCharacterProperties(0x180E) & CHARACTER_BLANK);  // Zs in 4.0
    EXPECT_FALSE(getCharacterProperties(0x13A0) & CHARACTER_UPPER); // Cherokee: Lo
    EXPECT_TRUE(getCharacterProperties(0x13A0) & CHARACTER_LETTER);
    EXPECT_TRUE(getCharacterProperties(0x00AA) & CHARACTER_LOWER);
    EXPECT_TRUE(getCharacterProperties(0x00BA) & CHARACTER_LOWER);
    EXPECT_TRUE(getCharacterProperties(0x200B) & CHARACTER_SPACE); // Zs until 4.0.1
    EXPECT_FALSE(getCharacterProperties(0x10D0) & CHARACTER_LOWER); // Georgian: Lo
    EXPECT_TRUE(getCharacterProperties(0x1369) & CHARACTER_DIGIT);  // Ethiopic digits: Nd
    EXPECT_EQ(0x140Eu, getCharacterProperties(0x4E00)); // CJK ideograph
    EXPECT_EQ(0x140Eu, getCharacterProperties(0x9FA5));
    EXPECT_EQ(0u, getCharacterProperties(0x9FA6));      // beyond the 4.0 CJK block
    EXPECT_EQ(0x140Eu, getCharacterProperties(0xAC00)); // Hangul syllable
}

TEST(CharacterProperties, Latin1AgreesWithAscii) {
    for (int c = 0; c < 128; ++c) {
        const uint32_t mask = getCharacterProperties(static_cast<uint32_t>(c));
        EXPECT_EQ(Ascii::isDigit(c), (mask & CHARACTER_DIGIT) != 0) << c;
        EXPECT_EQ(Ascii::isUpper(c), (mask & CHARACTER_UPPER) != 0) << c;
        EXPECT_EQ(Ascii::isLower(c), (mask & CHARACTER_LOWER) != 0) << c;
        EXPECT_EQ(Ascii::isHexDigit(c), (mask & CHARACTER_HEX_DIGIT) != 0) << c;
        EXPECT_TRUE(mask & CHARACTER_ASCII) << c;
    }
    EXPECT_FALSE(getCharacterProperties(0x80) & CHARACTER_ASCII);
}

TEST(CharacterProperties, ClassChanges) {
    auto change = [](uint32_t a, uint32_t b) {
        return isCharacterClassChange(getCharacterProperties(a), getCharacterProperties(b));
    };
    EXPECT_TRUE(change(L'.', L','));
    EXPECT_FALSE(change(L'a', L'b'));
    EXPECT_TRUE(change(L'a', L' '));
    EXPECT_FALSE(change(L' ', 0x3000));
    EXPECT_FALSE(change(L'a', L'_'));
    EXPECT_FALSE(change(L'x', 0x4E00));
    EXPECT_TRUE(change(0x0237, 0x0237)); // unassigned on both sides
}
