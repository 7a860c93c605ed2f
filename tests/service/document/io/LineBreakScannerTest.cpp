#include "service/document/io/LineBreakScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;

// Blocks are split at '|' in the input.
TEST(LineBreakScannerTest, EveryBreakBecomesOneLineFeedAcrossBlocks) {
    const struct {
        const wchar_t* blocks;
        const wchar_t* text;
        uint32_t crlf, lf, cr;
    } cases[] = {
        {L"a\r\nb\rc\nd", L"a\nb\nc\nd", 1, 1, 1},
        {L"a\r|\nb", L"a\nb", 1, 0, 0},
        {L"a|\r|\n|b|", L"a\nb", 1, 0, 0},
        {L"\n\r", L"\n\n", 0, 1, 1},
        {L"\r\r\n", L"\n\n", 1, 0, 1},
        {L"\n|\n\n", L"\n\n\n", 0, 3, 0},
        {L"x\r", L"x\n", 0, 0, 1},
        {L"ab|cd|", L"abcd", 0, 0, 0},
        {L"", L"", 0, 0, 0},
    };
    for (const auto& c : cases) {
        LoadedText text(2); // grows as needed
        LineBreakScanner scanner(text);
        const std::wstring input = c.blocks;
        for (size_t start = 0;;) {
            const size_t bar = input.find(L'|', start);
            const std::wstring block = input.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start);
            scanner.scan(block.data(), block.size());
            if (bar == std::wstring::npos)
                break;
            start = bar + 1;
        }
        scanner.finish();
        const GapBuffer buffer = text.release();
        std::wstring loaded(buffer.firstHalf(), static_cast<size_t>(buffer.length()));
        EXPECT_EQ(c.text, loaded) << c.blocks;
        std::vector<int32_t> feeds(scanner.positions().size());
        scanner.positions().copy(feeds.data(), feeds.size());
        std::vector<int32_t> expected;
        for (size_t i = 0; i < loaded.size(); ++i)
            if (loaded[i] == L'\n')
                expected.push_back(static_cast<int32_t>(i + 1));
        EXPECT_EQ(expected, feeds) << c.blocks;
        EXPECT_EQ(c.crlf, scanner.count(BREAK_WINDOWS)) << c.blocks;
        EXPECT_EQ(c.lf, scanner.count(BREAK_UNIX)) << c.blocks;
        EXPECT_EQ(c.cr, scanner.count(BREAK_MAC)) << c.blocks;
    }
}

TEST(LineBreakScannerTest, TheVoteGoesToTheLargestShareAndTiesToCrThenCrLf) {
    const struct {
        uint32_t crlf, lf, cr;
        float confidence;
        uint32_t lineEnding;
    } cases[] = {
        {0, 0, 0, 0.0f, 2}, {1, 1, 1, 1.0f / 3, 2}, {2, 2, 1, 0.4f, 0},
        {1, 3, 0, 0.75f, 1}, {0, 0, 5, 1.0f, 2}, {7, 0, 0, 1.0f, 0},
    };
    for (const auto& c : cases) {
        const LineEndingVote vote = vote_line_ending(c.crlf, c.lf, c.cr);
        EXPECT_FLOAT_EQ(c.confidence, vote.confidence) << c.crlf << c.lf << c.cr;
        EXPECT_EQ(c.lineEnding, vote.lineEnding) << c.crlf << c.lf << c.cr;
    }
}
