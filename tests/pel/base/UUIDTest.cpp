#include "pel/base/UUID.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace pel;

TEST(UUID, CreateGivesDistinctNonNilValues) {
    std::set<std::wstring> seen;
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(seen.insert(UUID::create().toString()).second);
    EXPECT_EQ(0u, seen.count(UUID::nil().toString()));
}

TEST(UUID, TextRoundTrip) {
    const UUID guid = UUID::create();
    const std::wstring text = guid.toString();
    ASSERT_EQ(36u, text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        EXPECT_TRUE(dash ? text[i] == L'-' : iswxdigit(text[i]) && !iswupper(text[i])) << text;
    }
    EXPECT_EQ(guid, UUID::fromString(text));

    UUID parsed;
    ASSERT_TRUE(UUID::parse(L"00112233-4455-6677-8899-AABBCCDDEEFF", &parsed));
    EXPECT_TRUE(parsed.data1 == 0x00112233u && parsed.data2 == 0x4455u && parsed.data3 == 0x6677u &&
                parsed.data4[0] == 0x88u && parsed.data4[7] == 0xFFu);
    EXPECT_EQ(L"00112233-4455-6677-8899-aabbccddeeff", parsed.toString());
}

TEST(UUID, ParseFailuresLeaveNil) {
    for (const wchar_t* bad : {L"zzz", L"", L"{00112233-4455-6677-8899-aabbccddeeff}",
                               L"00112233-4455-6677-8899-aabbccddeeZZ", L"0011223344556677-8899-aabbccddeeff0"}) {
        UUID guid = UUID::create();
        EXPECT_FALSE(UUID::parse(bad, &guid)) << bad;
        EXPECT_TRUE(guid.isNil()) << bad;
        EXPECT_TRUE(UUID::fromString(bad).isNil()) << bad;
    }
}

TEST(UUID, ByteOrderGreatestFirst) {
    UUID a, b;
    a.data4[7] = 0x7F;
    b.data4[7] = 0x80;
    EXPECT_EQ(1, UUID::compare(a, b));
    EXPECT_EQ(-1, UUID::compare(b, a));
    EXPECT_EQ(0, UUID::compare(a, a));
    EXPECT_TRUE(b < a); // ordered maps run from the greatest

    // The stored bytes decide, so data1 compares by its first (lowest) byte.
    UUID low, high;
    low.data1 = 0x000000FF;
    high.data1 = 0x01000000;
    EXPECT_EQ(-1, UUID::compare(low, high));
}
