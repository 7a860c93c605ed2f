// Both finders over text rich in pairs (emoji, letters outside the BMP), ZWJ sequences, lone
// halves and line breaks: what "." and the classes take, that no match starts or ends between
// the halves of a pair (forwards, backwards, from any place), what the regular-expression
// finder refuses, and how case is ignored outside the BMP.

#include "service/document/search/CaseFolding.h"
#include "service/document/search/FinderBoyerMoore.h"
#include "service/document/search/FinderRegEx.h"

#include "../DocumentTestSupport.h"
#include "SearchTestSupport.h"

#include "pel/text/Utf16Characters.h"

#include <gtest/gtest.h>

#include <unicode/uchar.h>

#include <memory>
#include <random>
#include <string>

using tessel::FinderBoyerMoore;
using tessel::FinderRegEx;
using tessel_test::documentWithGap;
using tessel_test::refusal;

namespace {

class FinderCharactersTest : public tessel_test::MainThreadTest {};

// Every match from the start, each search going on behind the last: "[0, 2)[2, 4)", or "none";
// "gap-dependent" when they differ with the place of the gap.
std::wstring matches(const std::wstring& text, tessel::Finder& finder) {
    const auto length = static_cast<int32_t>(text.size());
    std::wstring first;
    for (const int32_t gap : {0, length / 2, length}) {
        const std::unique_ptr<tessel::Document> document = documentWithGap(text, gap);
        std::wstring found;
        for (int32_t at = 0; document->runFinder(finder, at, length, false); at = finder.getResults().end(0))
            found += tessel_test::span(finder.getResults().begin(0), finder.getResults().end(0));
        if (found.empty())
            found = L"none";
        if (gap == 0)
            first = found;
        else if (found != first)
            return L"gap-dependent: " + first + L" / " + found;
    }
    return first;
}

std::wstring regexMatches(const std::wstring& text, const std::wstring& pattern, bool ignoreCase = false) {
    FinderRegEx finder(pattern, ignoreCase);
    return matches(text, finder);
}

} // namespace

TEST_F(FinderCharactersTest, TheDotTakesAWholeCharacterAndNoLineBreak) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        const wchar_t* found;
    } cases[] = {
        {L"😀😀😀\n", L"(.)", L"[0, 2)[2, 4)[4, 6)"},
        {L"😀😀😀\n", L".", L"[0, 2)[2, 4)[4, 6)"},
        {L"line one\nline two\nline three", L"o.*", L"[5, 8)[16, 17)"},
        {L"ab\ncd", L"b.c", L"none"},
        {L"ab\ncd", L"b.*", L"[1, 2)"},
        {L"ab\ncd", L"(?s)b.c", L"[1, 4)"}, // unless the pattern says so
        {L"ab\ncd", L"b\\s*c", L"[1, 4)"},  // a class of white space still takes it
        {L"a👨‍👩‍👧b", L".", L"[0, 1)[1, 3)[3, 4)[4, 6)[6, 7)[7, 9)[9, 10)"},
        {L"a👨‍👩‍👧b", L"a.{5}b", L"[0, 10)"},
        {L"🇫🇷🇩🇪", L"..", L"[0, 4)[4, 8)"},
        {L"x\xD83Dy\xDE00z", L".", L"[0, 1)[1, 2)[2, 3)[3, 4)[4, 5)"}, // lone halves are characters
        {L"😀", L"\\uD83D", L"none"},                           // half of a pair is no character
        {L"x\xD83Dy", L"\\uD83D", L"[1, 2)"},                     // a lone half is
        {L"😀", L"\\uD83D\\uDE00", L"[0, 2)"},                    // escaped halves are one character
        {L"😀🙏🚀", L"[\\uD83D\\uDE00-\\uD83D\\uDE4F]", L"[0, 2)[2, 4)"},
        {L"a😀b", L"a.b", L"[0, 4)"},
        {L"a😀b", L"a..b", L"none"},
        {L"😀😀", L"(?<=😀)😀", L"[2, 4)"},
        {L"x😀😀", L"😀$", L"[3, 5)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, regexMatches(c.text, c.pattern)) << c.text << " / " << c.pattern;
}

TEST_F(FinderCharactersTest, ClassesTakeLettersAndDigitsOutsideTheBmp) {
    // U+1D400 and U+1D401 (bold A and B), U+1D7CE (bold digit zero), U+10428 (a Deseret small letter).
    const std::wstring bold = L"\U0001D400\U0001D401";
    const struct {
        std::wstring text;
        const wchar_t* pattern;
        const wchar_t* found;
    } cases[] = {
        {bold + L" x", L"\\w+", L"[0, 4)[5, 6)"},
        {bold + L" x", L"\\W", L"[4, 5)"},
        {bold + L" x", L"[[:alpha:]]+", L"[0, 4)[5, 6)"},
        {bold + L" x", L"[^[:alpha:]]", L"[4, 5)"},
        {bold + L" x", L"\\b\\w", L"[0, 2)[5, 6)"},
        {bold + L" x", L"\\w\\b", L"[2, 4)[5, 6)"},
        {L"n\U0001D7CE7", L"\\d+", L"[1, 4)"},
        {L"\U00010428A", L"[[:lower:]]", L"[0, 2)"},
        {L"\U00010400a", L"[[:upper:]]", L"[0, 2)"},
        {L"a\u200Db", L"\\w+", L"[0, 3)"}, // a joiner holds a word together
        {L"na\u0308ive", L"\\w+", L"[0, 6)"}, // and so does a combining mark
        {L"😀 x", L"\\S+", L"[0, 2)[3, 4)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, regexMatches(c.text, c.pattern)) << c.text << " / " << c.pattern;
}

// An escaped letter the engine does not know would be read as the letter itself ("\X" would
// look for "X"): it is refused, with the engine's kind of error, wherever the engine reads
// escapes, and only there.
TEST_F(FinderCharactersTest, UnsupportedEscapesAreRefused) {
    EXPECT_EQ(L"The escape \\X is not supported.", refusal(L"\\X"));
    for (const wchar_t* pattern : {L"a\\p{L}", L"\\z", L"\\h", L"\\R", L"\\K", L"\\G", L"[a\\q]", L"[\\X]", L"(a\\N)",
                                   L"(?x) \\X", L"\\Q\\E\\X"})
        EXPECT_NE(L"compiled", refusal(pattern)) << pattern;
    for (const wchar_t* pattern : {L"\\\\X", L"\\QX\\X\\E", L"(?#\\X)", L"(?x)#\\X\n", L"[[:alpha:]]", L"\\d\\D\\w\\W\\s\\S",
                                   L"\\b\\B\\A\\Z\\<\\>", L"\\n\\t\\r\\f\\v\\a\\e", L"\\x41\\u0041\\cA\\0", L"[\\b\\d\\x41\\n]",
                                   L"(a)\\1", L"\\.\\*\\(\\[\\\\"})
        EXPECT_EQ(L"compiled", refusal(pattern)) << pattern;
}

TEST_F(FinderCharactersTest, CaseIsIgnoredCharacterByCharacterOutsideTheBmpToo) {
    // Deseret capitals U+10400 U+10401 and small letters U+10428 U+10429.
    const std::wstring capitals = L"\U00010400\U00010401", smalls = L"\U00010428\U00010429";
    const struct {
        std::wstring text, pattern;
        bool ignoreCase;
        const wchar_t* found;
    } cases[] = {
        {L"x " + capitals, smalls, true, L"[2, 6)"},
        {L"x " + smalls, capitals, true, L"[2, 6)"},
        {L"x " + smalls, capitals, false, L"none"},
        {L"x " + capitals + L"\u00c9", smalls + L"\u00e9", true, L"[2, 7)"},
        {L"\u00c9CLAIR", L"\u00e9clair", true, L"[0, 6)"},
        {L"K" + capitals + L"k", L"k", true, L"[0, 1)[5, 6)"},
        {L"😀" + capitals + L"😀", L"😀" + smalls, true, L"[0, 6)"},
        {capitals + capitals, smalls.substr(0, 2), true, L"[0, 2)[4, 6)"},
    };
    for (const auto& c : cases) {
        FinderBoyerMoore plain(c.pattern, c.ignoreCase, false);
        EXPECT_EQ(c.found, matches(c.text, plain)) << "plain: " << c.text << " / " << c.pattern;
        EXPECT_EQ(c.found, regexMatches(c.text, c.pattern, c.ignoreCase)) << "regex: " << c.text << " / " << c.pattern;
    }
    // Classes and ranges of such letters.
    EXPECT_EQ(L"[0, 4)", regexMatches(capitals + L"!", L"[\U00010428-\U0001042F]+", true));
    EXPECT_EQ(L"none", regexMatches(capitals + L"!", L"[\U00010428-\U0001042F]+", false));
    EXPECT_EQ(L"[0, 2)[2, 4)", regexMatches(capitals, L"[\U00010429\U00010428]", true));
    EXPECT_EQ(L"[0, 4)", regexMatches(smalls, L"(\U00010400)\U00010401", true));
}

// ICU's folding is kept whole: every character's fold keeps its length in units and, outside
// the BMP, its high unit, which the plain finder's unit-by-unit compare relies on.
TEST_F(FinderCharactersTest, FoldingKeepsEveryFoldOfUnicode) {
    int astral = 0;
    for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
        if (pel::isSurrogateUnit(static_cast<uint32_t>(c)))
            continue;
        const auto folded = static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
        ASSERT_EQ(folded, tessel::foldCase(static_cast<char32_t>(c))) << std::hex << c;
        if (c >= 0x10000 && folded != static_cast<char32_t>(c)) {
            ++astral;
            EXPECT_TRUE(tessel::hasCaseVariants(static_cast<char32_t>(c))) << std::hex << c;
            EXPECT_TRUE(tessel::hasCaseVariants(folded)) << std::hex << c;
        }
    }
    EXPECT_GT(astral, 200) << "Deseret, Osage, Old Hungarian, Warang Citi, Medefaidrin, Adlam, ...";
    EXPECT_FALSE(tessel::hasCaseVariants(0x1F600)) << "an emoji has no case";
}

namespace {

// Pieces of the random texts: letters, a pair with case forms and one without, joiners, flags,
// lone halves, line breaks.
const wchar_t* const PIECES[] = {L"a",  L"b",  L"A", L" ",      L"\n",     L"\u00e9", L"😀", L"\U00010400", L"\U00010428",
                                 L"\u200D", L"🇫🇷", L"\xD83D", L"\xDE00", L"\U0001D400", L"1"};

std::wstring randomText(std::mt19937& random, size_t pieces) {
    std::wstring text;
    for (size_t i = 0; i < pieces; ++i)
        text += PIECES[random() % (sizeof PIECES / sizeof *PIECES)];
    return text;
}

// Lone halves in the text: the halves not in a pair.
int loneHalves(const std::wstring& text) {
    const auto length = static_cast<int32_t>(text.size());
    int count = 0;
    for (int32_t at = 0; at < length; at += pel::characterUnits(text, at, length))
        count += pel::isSurrogateUnit(pel::codePointAt(text, at, length)) ? 1 : 0;
    return count;
}

// Whether [begin, end) of the document starts and ends where characters do.
bool whole(tessel::Document& document, int32_t begin, int32_t end) {
    const std::wstring text = document.getText(0, document.getLength());
    const auto length = static_cast<int32_t>(text.size());
    return !pel::splitsPair(text, begin, length) && !pel::splitsPair(text, end, length);
}

} // namespace

// Random patterns over random texts of those pieces, from random places (inside pairs too),
// forwards and backwards: every match and every group starts and ends where a character does.
TEST_F(FinderCharactersTest, NoMatchStartsOrEndsInsideAPair) {
    static const wchar_t* const atoms[] = {L".",  L"\\w", L"\\W", L"[^a]", L"😀", L"\U00010428", L"\\s", L"a", L"(.)",
                                           L"\\uD83D", L"\\uDE00", L"\\b", L"$", L"\u200D", L"[\\uD83D\\uDE00-\\uD83D\\uDE4F]"};
    static const wchar_t* const repeats[] = {L"", L"", L"*", L"+", L"?", L"{2}"};
    std::mt19937 random(98);
    int found = 0;
    for (int round = 0; round < 600; ++round) {
        std::wstring pattern;
        for (int i = 1 + static_cast<int>(random() % 3); i > 0; --i) {
            const std::wstring atom = atoms[random() % (sizeof atoms / sizeof *atoms)];
            pattern += atom + (atom == L"\\b" || atom == L"$" ? L"" : repeats[random() % (sizeof repeats / sizeof *repeats)]);
        }
        const std::wstring text = randomText(random, 1 + random() % 30);
        const auto length = static_cast<int32_t>(text.size());
        std::unique_ptr<tessel::Document> document = documentWithGap(text, static_cast<int32_t>(random() % (length + 1)));
        const bool ignoreCase = round % 3 == 0;
        const auto from = static_cast<int32_t>(random() % length);
        const int32_t to = from + 1 + static_cast<int32_t>(random() % (length - from));
        for (const bool usePrefix : {true, false}) {
            FinderRegEx finder(pattern, ignoreCase, usePrefix);
            for (const bool backward : {false, true}) {
                if (!document->runFinder(finder, from, to, backward))
                    continue;
                ++found;
                const pel::MatchResults& results = finder.getResults();
                for (unsigned int group = 0; group < results.size(); ++group) {
                    if (results.begin(group) < 0)
                        continue;
                    EXPECT_TRUE(whole(*document, results.begin(group), results.end(group)))
                        << "group " << group << " " << tessel_test::span(results.begin(group), results.end(group))
                        << " of " << pattern << " in " << text << " [" << from << ", " << to << ")"
                        << (backward ? " backwards" : "") << (usePrefix ? "" : " everywhere");
                    EXPECT_LE(from, results.begin(0));
                    EXPECT_LE(results.end(0), to);
                }
            }
        }
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 300);
}

// Replacing every match of random patterns (through the document, from the last match to the
// first) leaves no lone half that was not there before, whatever the pattern and the case.
TEST_F(FinderCharactersTest, ReplacingEveryMatchLeavesNoHalfOfAPair) {
    static const wchar_t* const patterns[] = {L"(.)", L".", L"\\w", L"\\W+", L"[^a ]", L"\U00010428", L"\\S\\s", L"😀",
                                              L"(?s).{3}", L"\u200D.", L".\\b"};
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        std::wstring text = randomText(random, 1 + random() % 40);
        // The plain finder sees the same halves as the text: a piece of it as its pattern.
        const std::wstring piece = text.substr(random() % text.size(), 1 + random() % 3);
        const int before = loneHalves(text);
        for (const bool regex : {true, false}) {
            const std::wstring pattern = regex ? patterns[random() % (sizeof patterns / sizeof *patterns)] : piece;
            const bool ignoreCase = random() % 2 == 0;
            std::unique_ptr<tessel::Finder> finder(regex ? static_cast<tessel::Finder*>(new FinderRegEx(pattern, ignoreCase))
                                                         : new FinderBoyerMoore(pattern, ignoreCase, false));
            std::unique_ptr<tessel::Document> document = documentWithGap(text, static_cast<int32_t>(random() % text.size()));
            std::vector<std::pair<int32_t, int32_t>> found;
            for (int32_t at = 0; document->runFinder(*finder, at, document->getLength(), false);
                 at = finder->getResults().end(0))
                found.emplace_back(finder->getResults().begin(0), finder->getResults().end(0));
            for (auto match = found.rbegin(); match != found.rend(); ++match) {
                document->remove(match->first, match->second - match->first);
                document->insert(match->first, L"[x]");
            }
            const std::wstring replaced = document->getText(0, document->getLength());
            EXPECT_LE(loneHalves(replaced), before)
                << (regex ? "regex " : "plain ") << pattern << (ignoreCase ? " ignoring case" : "") << " in " << text
                << " gave " << replaced;
        }
        if (HasFailure())
            return;
    }
}
