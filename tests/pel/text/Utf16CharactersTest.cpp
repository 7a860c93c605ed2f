#include "pel/text/Utf16Characters.h"

#include <gtest/gtest.h>

#include <string>

// A text of one-unit characters, a pair, a lone high half before a letter, a lone low half, and
// a pair at the very end: where characters start, how long they are, what they are.
TEST(Utf16Characters, PairsAreOneCharacterAndLoneHalvesCharactersOfTheirOwn) {
    const std::wstring text = L"a\xD83D\xDE00\xD83Dz\xDE00\xD801\xDC28";
    const auto length = static_cast<int32_t>(text.size());
    const bool splits[] = {false, false, true, false, false, false, false, true, false};
    for (int32_t at = 0; at <= length; ++at)
        EXPECT_EQ(splits[at], pel::splitsPair(text, at, length)) << at;
    const int32_t units[] = {1, 2, 1, 1, 1, 1, 2, 1};
    for (int32_t at = 0; at < length; ++at)
        EXPECT_EQ(units[at], pel::characterUnits(text, at, length)) << at;
    EXPECT_EQ(1, pel::characterUnits(text, 6, 7)) << "a high half at the end of the text read";
    EXPECT_EQ(0x1F600u, pel::codePointAt(text, 1, length));
    EXPECT_EQ(0xDE00u, pel::codePointAt(text, 2, length)) << "read from inside, a half is itself";
    EXPECT_EQ(0xD83Du, pel::codePointAt(text, 3, length));
    EXPECT_EQ(0x10428u, pel::codePointAt(text, 6, length));
    EXPECT_EQ(0x1F600u, pel::codePointBefore(text, 3));
    EXPECT_EQ(0xD83Du, pel::codePointBefore(text, 4));
    EXPECT_EQ(0xDE00u, pel::codePointBefore(text, 6));
    EXPECT_EQ(0x10428u, pel::codePointBefore(text, 8));
    EXPECT_EQ(1, pel::characterStart(text, 2, length));
    EXPECT_EQ(3, pel::characterEnd(text, 2, length));
    EXPECT_EQ(4, pel::characterStart(text, 4, length));
    EXPECT_EQ(U"a\U0001F600\xD83Dz\xDE00\U00010428", pel::codePointsOf(text));
    std::wstring rebuilt;
    for (const char32_t c : pel::codePointsOf(text))
        pel::appendCodePoint(c, rebuilt);
    EXPECT_EQ(text, rebuilt);
}
