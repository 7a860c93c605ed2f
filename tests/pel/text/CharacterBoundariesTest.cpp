// Characters as a reader sees them, in text of one part and of two (a gap buffer's halves, the gap
// anywhere, inside a surrogate pair too): every boundary that the whole text has, the steps
// either way and the counts agree with it.

#include "pel/text/CharacterBoundaries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace pel;

namespace {

// The text's characters, each as its units.
struct Case {
    const char* name;
    std::vector<std::wstring> characters;
};

const Case CASES[] = {
    {"ASCII and CR LF", {L"a", L"b", L"\r\n", L"c", L"\n", L"\r", L"d"}},
    {"emoji", {L"x", L"\U0001F600", L"\U0001F600", L" "}},
    {"a family joined by ZWJ", {L"a", L"\U0001F468\u200D\U0001F469\u200D\U0001F467", L"b"}},
    {"flags", {L"a", L"\U0001F1EB\U0001F1F7", L"\U0001F1E9\U0001F1EA", L"\U0001F1EF", L"b"}},
    {"a skin tone and a keycap", {L"\U0001F44D\U0001F3FD", L"1\uFE0F\u20E3", L"\u00A9\uFE0F"}},
    {"combining marks", {L"e\u0301", L"a\u0308\u0304", L"q"}},
    {"Hangul jamo", {L"\u1100\u1161\u11A8", L"\uAC00"}},
    {"Devanagari", {L"\u0915\u093F", L"\u0928\u094D"}},
    {"math letters", {L"\U0001D400", L"\U0001D401", L"z"}},
    {"unpaired surrogates", {L"\xD83D", L"a", L"\xDE00", L"\xDE00", L"\xD83D", L"\xD83D"}},
    {"a tag sequence", {L"\U0001F3F4\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F", L"."}},
};

std::wstring join(const Case& c, std::vector<int32_t>* o_boundaries) {
    std::wstring text;
    o_boundaries->assign(1, 0);
    for (const std::wstring& character : c.characters) {
        text += character;
        o_boundaries->push_back(static_cast<int32_t>(text.size()));
    }
    return text;
}

} // namespace

TEST(CharacterBoundaries, FindTheCharactersOfTextInOnePartOrSplitAnywhere) {
    CharacterBoundaries boundaries;
    for (const Case& c : CASES) {
        std::vector<int32_t> expected;
        const std::wstring text = join(c, &expected);
        const int32_t length = static_cast<int32_t>(text.size());
        for (int32_t split = 0; split <= length; ++split) {
            boundaries.setText(text.data(), split, text.data() + split, length - split);
            ASSERT_EQ(length, boundaries.length());
            SCOPED_TRACE(std::string(c.name) + ", split at " + std::to_string(split));
            std::vector<int32_t> forward{0}, backward{length};
            for (int32_t at = 0; at < length;)
                forward.push_back(at = boundaries.following(at));
            for (int32_t at = length; at > 0;)
                backward.insert(backward.begin(), at = boundaries.preceding(at));
            EXPECT_EQ(expected, forward);
            EXPECT_EQ(expected, backward);
            for (int32_t at = -1; at <= length + 1; ++at) {
                const bool boundary = std::find(expected.begin(), expected.end(), at) != expected.end();
                EXPECT_EQ(boundary, boundaries.isBoundary(at)) << at;
                // From inside a character, the steps go to its ends.
                const auto after = std::upper_bound(expected.begin(), expected.end(), at);
                EXPECT_EQ(after == expected.end() ? length : *after, boundaries.following(at)) << at;
                const auto before = std::lower_bound(expected.begin(), expected.end(), at);
                EXPECT_EQ(before == expected.begin() ? 0 : *(before - 1), boundaries.preceding(at)) << at;
            }
            EXPECT_EQ(static_cast<int32_t>(c.characters.size()), boundaries.count(0, length));
            for (int32_t from = 0; from <= length; ++from)
                for (int32_t to = from; to <= length; ++to) {
                    const auto begun = std::count_if(expected.begin(), expected.end() - 1,
                                                     [&](int32_t b) { return b >= from && b < to; });
                    EXPECT_EQ(begun, boundaries.count(from, to)) << from << ".." << to;
                }
        }
    }
}

TEST(CharacterBoundaries, CountTheCharactersThatBeginInARange) {
    const std::wstring text = L"a\U0001F468\u200D\U0001F469b\U0001F1EB\U0001F1F7e\u0301";
    CharacterBoundaries boundaries;
    boundaries.setText(text.data(), static_cast<int32_t>(text.size()));
    EXPECT_EQ(5, boundaries.count(0, 100));
    EXPECT_EQ(1, boundaries.count(0, 1));
    EXPECT_EQ(2, boundaries.count(0, 2)) << "the family begins at 1";
    EXPECT_EQ(1, boundaries.count(2, 7)) << "b begins at 6, inside the range; the family began before it";
    EXPECT_EQ(0, boundaries.count(5, 5));
    EXPECT_EQ(0, boundaries.count(-4, 0));
}

TEST(CharacterBoundaries, AnEmptyTextHasOneBoundary) {
    CharacterBoundaries boundaries;
    boundaries.setText(nullptr, 0);
    EXPECT_TRUE(boundaries.isBoundary(0));
    EXPECT_FALSE(boundaries.isBoundary(1));
    EXPECT_EQ(0, boundaries.following(0));
    EXPECT_EQ(0, boundaries.preceding(0));
    EXPECT_EQ(0, boundaries.count(0, 10));
}

TEST(CharacterBoundaries, ALongRunOfRegionalIndicatorsPairsFromItsStart) {
    // Flags are read in pairs from the run's start, however far back it lies, and wherever the
    // halves of the text meet.
    std::wstring text = L"x";
    for (int i = 0; i < 301; ++i)
        text += L"\U0001F1FA";
    CharacterBoundaries boundaries;
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t split : {0, 1, 2, 401, 402, 403, length}) {
        boundaries.setText(text.data(), split, text.data() + split, length - split);
        EXPECT_TRUE(boundaries.isBoundary(1 + 4 * 100)) << split;
        EXPECT_FALSE(boundaries.isBoundary(1 + 4 * 100 + 2)) << split;
        EXPECT_EQ(1 + 4 * 150, boundaries.preceding(length)) << split << ": the last one stands alone";
        EXPECT_EQ(1 + 4 * 100, boundaries.preceding(1 + 4 * 100 + 2)) << split;
        EXPECT_EQ(152, boundaries.count(0, length)) << split;
    }
}
