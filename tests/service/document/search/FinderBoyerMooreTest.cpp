#include "service/document/search/CaseFolding.h"
#include "service/document/search/FinderBoyerMoore.h"

#include "../DocumentTestSupport.h"
#include "SearchTestSupport.h"

#include "pel/base/CharacterProperties.h"
#include "pel/text/Utf16Characters.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

using tessel::FinderBoyerMoore;
using tessel_test::documentWithGap;
using tessel_test::runFind;

namespace {

class FinderBoyerMooreTest : public tessel_test::MainThreadTest {};

// The finder's answer for every place of the gap, or "gap-dependent" when they differ.
std::wstring findEverywhere(const std::wstring& text, FinderBoyerMoore& finder, int32_t from, int32_t to,
                            bool backward) {
    std::wstring first;
    for (int32_t gap = 0; gap <= static_cast<int32_t>(text.size()); ++gap) {
        const std::wstring found = runFind(*documentWithGap(text, gap), finder, from, to, backward);
        if (gap == 0)
            first = found;
        else if (found != first)
            return L"gap-dependent: " + first + L" / " + found;
    }
    return first;
}

} // namespace

TEST_F(FinderBoyerMooreTest, FindsAsTheDocumentReadsWhereverTheGapIs) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        bool ignoreCase, wholeWord, backward;
        int32_t from, to;
        const wchar_t* found;
    } cases[] = {
        {L"xxab", L"ab", false, false, false, 0, 4, L"[2, 4)"},
        {L"xxab", L"ab", false, false, true, 0, 4, L"[2, 4)"},
        {L"abxab", L"ab", false, false, true, 0, 4, L"[0, 2)"},
        {L"abxab", L"ab", false, false, false, 1, 5, L"[3, 5)"},
        {L"aB", L"AB", true, false, false, 0, 2, L"[0, 2)"},
        {L"aB", L"ab", true, false, true, 0, 2, L"[0, 2)"},
        {L"xabcd", L"ABCD", true, false, false, 0, 5, L"[1, 5)"}, // 'c' must shift as 'C'
        {L"xaby", L"ab", false, true, false, 0, 4, L"none"},
        {L"x ab y", L"ab", false, true, false, 0, 6, L"[2, 4)"},
        {L"x ab", L"ab", false, true, false, 0, 4, L"[2, 4)"},
        {L"ab", L"ab", false, true, true, 0, 2, L"[0, 2)"},
        {L"ab_ ab", L"ab", false, true, false, 0, 6, L"[4, 6)"},
        {L"a.b", L".", false, true, false, 0, 3, L"[1, 2)"},
        {L"\u0041", L"\u0141", false, false, false, 0, 1, L"none"},
        {L"\u0141\u0041", L"\u0041\u0041", false, false, false, 0, 2, L"none"},
        {L"\u00e9t\u00e9", L"\u00c9T\u00c9", true, false, false, 0, 3, L"[0, 3)"},
        // A letter outside the BMP is a word character, whole.
        {L"\U0001D400\U0001D401", L"\U0001D401", false, true, false, 0, 4, L"none"},
        {L"x \U0001D401 y", L"\U0001D401", false, true, false, 0, 6, L"[2, 4)"},
        {L"\U0001D400b", L"b", false, true, true, 0, 3, L"none"},
    };
    for (const auto& c : cases) {
        FinderBoyerMoore finder(c.pattern, c.ignoreCase, c.wholeWord);
        EXPECT_EQ(c.found, findEverywhere(c.text, finder, c.from, c.to, c.backward))
            << c.text << " / " << c.pattern << (c.backward ? " backwards" : "");
    }
}

TEST_F(FinderBoyerMooreTest, TablesFollowTheStrongGoodSuffixRule) {
    // "abab": a mismatch at 3 shifts 1, at 2 shifts 4 (the suffix "b" recurs only after an
    // "a", which mismatched), at 1 and 0 shift 2 (the border "ab"); a whole match shifts 2.
    const FinderBoyerMoore::Tables tables = FinderBoyerMoore::buildTables(L"abab", 4);
    EXPECT_EQ((std::vector<int32_t>{2, 2, 4, 1, 2}), tables.goodSuffix);
    EXPECT_EQ(2, tables.badChar['a']);
    EXPECT_EQ(3, tables.badChar['b']);
    EXPECT_EQ(0, tables.badChar['c']);
    EXPECT_EQ(3, FinderBoyerMoore::buildTables(L"\u0162\u0062\u0063\u0262", 4).badChar[0x62])
        << "units sharing a low byte share an entry";
}

// Random texts, patterns, gaps and stretches against the standard library's find and rfind
// (on folded copies when ignoring case, with a word-boundary filter for whole words and one
// that refuses the places between the halves of a pair), on each vector width of the probe
// scan. The texts hold pairs with case forms and without, and lone halves.
TEST_F(FinderBoyerMooreTest, AgreesWithAStraightSearch) {
    std::mt19937 random(28);
    const std::wstring alphabet = L"abAB \u00e9\u00c9\u0141\u0041_.\U00010400\U00010428😀\U00010401\U00010429";
    const auto pick = [&](int32_t bound) { return static_cast<int32_t>(random() % static_cast<uint32_t>(bound)); };
    const auto fold = [](const std::wstring& s) { return tessel::foldText(s); };
    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        std::wstring text;
        // Some texts long enough for the vectorised probe scan, with the gap inside its blocks.
        for (int32_t i = round % 8 == 0 ? pick(400) : pick(40); i > 0; --i)
            text += alphabet[pick(static_cast<int32_t>(alphabet.size()))];
        std::wstring pattern;
        const int32_t n = static_cast<int32_t>(text.size());
        if (n > 0 && pick(3) > 0) {
            const int32_t at = pick(n);
            pattern = text.substr(at, 1 + pick(std::min(6, n - at)));
        } else {
            for (int32_t i = 1 + pick(3); i > 0; --i)
                pattern += alphabet[pick(static_cast<int32_t>(alphabet.size()))];
        }
        const bool ignoreCase = pick(2) == 1, wholeWord = pick(3) == 0, backward = pick(2) == 1;
        const int32_t from = pick(n + 1), to = from + pick(n - from + 1);
        const std::wstring haystack = ignoreCase ? fold(text) : text;
        const std::wstring needle = ignoreCase ? fold(pattern) : pattern;
        const auto whole = [&](size_t at) {
            const size_t end = at + needle.size();
            const auto change = [&](size_t i) {
                return pel::isCharacterClassChange(
                    pel::getCharacterProperties(pel::codePointBefore(text, static_cast<int32_t>(i))),
                    pel::getCharacterProperties(pel::codePointAt(text, static_cast<int32_t>(i), static_cast<int32_t>(text.size()))));
            };
            const auto n = static_cast<int32_t>(text.size());
            if (pel::splitsPair(text, static_cast<int32_t>(at), n) || pel::splitsPair(text, static_cast<int32_t>(end), n))
                return false;
            return !wholeWord || ((at == 0 || change(at)) && (end == text.size() || change(end)));
        };
        const std::wstring stretch = haystack.substr(from, to - from);
        size_t at = backward ? stretch.rfind(needle) : stretch.find(needle);
        while (at != std::wstring::npos && !whole(from + at))
            at = backward ? (at == 0 ? std::wstring::npos : stretch.rfind(needle, at - 1)) : stretch.find(needle, at + 1);
        const std::wstring expected =
            at == std::wstring::npos ? L"none" : tessel_test::span(from + int(at), from + int(at + needle.size()));
        found += at != std::wstring::npos;
        const std::unique_ptr<tessel::Document> document = documentWithGap(text, pick(n + 1));
        tessel_test::forEachVectorWidth([&](tessel::VectorWidth width) {
            FinderBoyerMoore finder(pattern, ignoreCase, wholeWord);
            EXPECT_EQ(expected, runFind(*document, finder, from, to, backward))
                << tessel_test::widthName(width) << " round " << round << ": '" << text << "' / '" << pattern
                << "' [" << from << ", " << to << ")" << (ignoreCase ? " ignoring case" : "")
                << (wholeWord ? " whole word" : "") << (backward ? " backwards" : "");
        });
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 300) << "the rounds should find something often";
}

// Where the probed units are common, the probe scan gives up and Boyer-Moore goes on from
// there, in both directions.
TEST_F(FinderBoyerMooreTest, CommonProbesHandOverToBoyerMoore) {
    std::wstring misses;
    for (int i = 0; i < 5000; ++i)
        misses += L"b.c";
    for (bool backward : {false, true}) {
        const std::wstring text = backward ? L"b.b" + misses : misses + L"b.b";
        const int32_t at = backward ? 0 : static_cast<int32_t>(misses.size());
        FinderBoyerMoore finder(L"b.b", false, false);
        for (int32_t gap : {0, 7001, static_cast<int32_t>(text.size())})
            EXPECT_EQ(tessel_test::span(at, at + 3),
                      runFind(*documentWithGap(text, gap), finder, 0, static_cast<int32_t>(text.size()), backward))
                << (backward ? "backwards" : "forwards") << " gap " << gap;
    }
}
