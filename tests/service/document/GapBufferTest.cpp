#include "pel/base/Exception.h"
#include "service/document/GapBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace tessel;

namespace {

std::wstring contentOf(const GapBuffer& buffer) {
    std::wstring text(static_cast<size_t>(buffer.length()) + 1, L'?');
    EXPECT_EQ(buffer.length(), gap_buffer_copy(&text[0], buffer, 0, buffer.length(), true));
    EXPECT_EQ(L'\0', text.back());
    text.pop_back();
    return text;
}

} // namespace

TEST(GapBuffer, TheFirstInsertGrowsToTwiceTheNeedAndLeavesAGapOf1024) {
    const struct {
        int32_t inserted;
        int32_t capacity;
    } cases[] = {{1, 2050}, {2000, 6048}};
    for (const auto& c : cases) {
        GapBuffer buffer;
        EXPECT_EQ(1024, buffer.capacity());
        EXPECT_EQ(0, buffer.gapEnd() - buffer.gapStart());
        const std::wstring text(static_cast<size_t>(c.inserted), L'x');
        buffer.insert(0, text.c_str(), c.inserted);
        EXPECT_EQ(c.capacity, buffer.capacity()) << c.inserted;
        EXPECT_EQ(1024, buffer.gapEnd() - buffer.gapStart()) << c.inserted;
        EXPECT_EQ(text, contentOf(buffer));
    }
}

TEST(GapBuffer, AShortGapUsesTheRoomBehindTheTextBeforeItGrows) {
    GapBuffer buffer;
    buffer.insert(0, L"ab", 2); // capacity 2 * 1026, gap 1024 at 2
    const std::wstring block(1025, L'y');
    buffer.insert(1, block.c_str(), 1025); // need 2 + 1025 + 1024 < 2052: no growth
    EXPECT_EQ(2052, buffer.capacity());
    EXPECT_EQ(1024, buffer.gapEnd() - buffer.gapStart());
    EXPECT_EQ(L"a" + block + L"b", contentOf(buffer));
    buffer.remove(0, 1026);
    EXPECT_EQ(L"b", contentOf(buffer));
    EXPECT_EQ(2052, buffer.capacity()) << "the buffer never shrinks";
}

TEST(GapBuffer, ExtractPointsIntoEitherHalfAndCopiesAcrossTheGap) {
    GapBuffer buffer;
    buffer.insert(0, L"abcdef", 6);
    buffer.moveGap(3);
    const struct {
        int32_t offset, count;
        const wchar_t* text;
        bool owned;
    } cases[] = {{0, 3, L"abc", false}, {3, 3, L"def", false}, {2, 2, L"cd", true},
                 {4, 9, L"ef", false},  {-2, 3, L"a", false},  {6, 1, L"", false}};
    for (const auto& c : cases) {
        GapBufferText result;
        gap_buffer_extract(&result, c.offset, c.count, buffer);
        EXPECT_EQ(c.text, std::wstring(result.text() ? result.text() : L"", static_cast<size_t>(result.count())))
            << c.offset << "+" << c.count;
        EXPECT_EQ(c.owned, result.owned()) << c.offset << "+" << c.count;
    }
}

TEST(GapBuffer, ALoadedBlockKeepsItsSpareRoomAsTheGap) {
    auto* block = static_cast<wchar_t*>(std::malloc(16 * sizeof(wchar_t)));
    std::memcpy(block, L"hello", 5 * sizeof(wchar_t));
    GapBuffer buffer(block, 5, 16);
    EXPECT_EQ(5, buffer.gapStart());
    EXPECT_EQ(16, buffer.gapEnd());
    buffer.insert(0, L">", 1);
    EXPECT_EQ(L">hello", contentOf(buffer));
    EXPECT_EQ(16, buffer.capacity());
    EXPECT_THROW(GapBuffer(nullptr, 0, 0), pel::InvalidArgumentException);
}

TEST(GapBuffer, AGrowthBeyondTheAddressSpaceThrowsAndLeavesTheBufferAsItWas) {
    GapBuffer buffer;
    buffer.insert(0, L"abc", 3);
    EXPECT_THROW(buffer.reserve(0x40000000), pel::OutOfMemoryException);
    EXPECT_EQ(L"abc", contentOf(buffer));
    EXPECT_EQ(2054, buffer.capacity());
}
