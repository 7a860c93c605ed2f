#include "pel/base/Ascii.h"

#include <gtest/gtest.h>

using namespace pel;

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
