#include "pel/base/Ascii.h"

#include <gtest/gtest.h>

using namespace pel;

TEST(Ascii, Classes) {
    EXPECT_EQ(Ascii::CONTROL | Ascii::SPACE, Ascii::properties('\t'));
    EXPECT_EQ(Ascii::CONTROL, Ascii::properties(0));
    EXPECT_EQ(Ascii::CONTROL, Ascii::properties(127));
    EXPECT_EQ(Ascii::SPACE | Ascii::PRINTABLE, Ascii::properties(' '));
    EXPECT_EQ(Ascii::PUNCTUATION | Ascii::GRAPHIC | Ascii::PRINTABLE, Ascii::properties('_'));
    EXPECT_EQ(Ascii::LETTER | Ascii::UPPER | Ascii::HEX_DIGIT | Ascii::GRAPHIC | Ascii::PRINTABLE,
              Ascii::properties('F'));
    EXPECT_EQ(Ascii::LETTER | Ascii::LOWER | Ascii::GRAPHIC | Ascii::PRINTABLE, Ascii::properties('g'));
    for (int c : {'\t', '\n', '\v', '\f', '\r', ' '})
        EXPECT_TRUE(Ascii::isSpace(c)) << c;
    EXPECT_FALSE(Ascii::isSpace(0xA0));
    EXPECT_TRUE(Ascii::isPunct('_'));
    EXPECT_TRUE(Ascii::isAlphaNumeric('z'));
    EXPECT_TRUE(Ascii::isAlphaNumeric('0'));
    EXPECT_FALSE(Ascii::isAlphaNumeric('-'));
    EXPECT_FALSE(Ascii::isAscii(128));
    EXPECT_FALSE(Ascii::isAscii(-1));
    EXPECT_EQ(0u, Ascii::properties(-5));
}

TEST(Ascii, MasksAboveAscii) {
    EXPECT_TRUE(Ascii::hasProperties(200, 0));
    EXPECT_FALSE(Ascii::hasProperties(200, Ascii::LETTER));
    EXPECT_FALSE(Ascii::hasSomeProperties(200, 0x3FF));
    EXPECT_TRUE(Ascii::hasProperties('a', Ascii::LETTER | Ascii::LOWER));
    EXPECT_FALSE(Ascii::hasProperties('a', Ascii::LETTER | Ascii::UPPER));
    EXPECT_TRUE(Ascii::hasSomeProperties('a', Ascii::DIGIT | Ascii::LOWER));
}

TEST(Ascii, CaseMapping) {
    EXPECT_EQ('A', Ascii::toUpper('a'));
    EXPECT_EQ('z', Ascii::toLower('Z'));
    EXPECT_EQ('1', Ascii::toUpper('1'));
    EXPECT_EQ(0xE9, Ascii::toUpper(0xE9));
    EXPECT_EQ(0xC9, Ascii::toLower(0xC9));
}
