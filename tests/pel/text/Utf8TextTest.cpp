#include "pel/text/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

using pel::Utf8Text;

TEST(Utf8Text, ConvertsWithTheUnitOfEveryByteALoneSurrogateAsTheReplacementCharacter) {
    const std::wstring text = L"a\u00E9\u3042\xD83D\xDE00\xD800z";
    const Utf8Text converted(text.data(), text.size());
    EXPECT_EQ(std::string("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBDz"),
              std::string(converted.data(), converted.size()));
    EXPECT_FALSE(converted.isAscii());
    const size_t units[] = {0, 1, 1, 2, 2, 2, 3, 3, 3, 3, 5, 5, 5, 6, 7};
    for (size_t byte = 0; byte <= converted.size(); ++byte)
        EXPECT_EQ(units[byte], converted.unitOffset(byte)) << byte;
    // Back from units: the first character at or after the unit.
    const size_t bytes[] = {0, 1, 3, 6, 10, 10, 13, 14};
    for (size_t unit = 0; unit <= text.size(); ++unit)
        EXPECT_EQ(bytes[unit], converted.byteOffset(unit)) << unit;
    EXPECT_EQ(2, Utf8Text::sequenceLength(0xC3));
    EXPECT_EQ(4, Utf8Text::sequenceLength(0xF0));
    EXPECT_EQ(1, Utf8Text::sequenceLength('z'));
}

TEST(Utf8Text, ReusedForAnAsciiTextOrAnEmptyOneMapsBytesToThemselves) {
    Utf8Text converted;
    const std::wstring wide(3000, L'\u3042');
    converted.assign(wide);
    EXPECT_EQ(9000u, converted.size());
    EXPECT_EQ(2999u, converted.unitOffset(8999));
    converted.assign(L"ab\n");
    EXPECT_TRUE(converted.isAscii());
    EXPECT_EQ(std::string("ab\n"), std::string(converted.data(), converted.end()));
    EXPECT_EQ(3u, converted.unitOffset(3));
    converted.assign(nullptr, 0);
    EXPECT_EQ(0u, converted.size());
    EXPECT_NE(nullptr, converted.data()) << "engines take no null text";
}
