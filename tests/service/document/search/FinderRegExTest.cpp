#include "service/document/search/FinderRegEx.h"

#include "../DocumentTestSupport.h"
#include "SearchTestSupport.h"

#include "support/LogCapture.h"

#include "pel/text/Utf16Characters.h"
#include "service/document/search/RegExPrefix.h"
#include "service/document/search/RegExSyntax.h"
#include "service/document/search/UnicodeRegExTraits.h"

#include <boost/xpressive/regex_compiler.hpp>
#include <boost/xpressive/regex_error.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <random>
#include <string>

using tessel::FinderRegEx;
using tessel_test::documentWithGap;
using tessel_test::refusal;
using tessel_test::runFind;

namespace {

class FinderRegExTest : public tessel_test::MainThreadTest {};

} // namespace

TEST_F(FinderRegExTest, MatchesLieWithinTheSearchedStretch) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        bool ignoreCase, backward;
        int32_t from, to;
        const wchar_t* found;
    } cases[] = {
        {L"xa ya", L"a", false, false, 0, 2, L"[1, 2)"},
        {L"xa ya", L"a", false, false, 2, 2, L"none"},
        {L"aaaa", L"a+", false, false, 0, 2, L"[0, 2)"},
        {L"ab c", L"\\bab\\b", false, false, 0, 2, L"[0, 2)"},
        {L"abc", L"\\bab\\b", false, false, 0, 2, L"none"},
        {L"abc", L"ab\\B", false, false, 0, 2, L"[0, 2)"},
        {L"xab", L"\\bab", false, false, 1, 3, L"none"}, // the text before is context
        {L"x ab", L"\\bab", false, false, 2, 4, L"[2, 4)"},
        {L"xa\nab", L"^a", false, false, 1, 5, L"[3, 4)"},
        {L"xa\nab", L"^a", false, true, 1, 5, L"[3, 4)"},
        {L"ab\ncd", L"b$", false, false, 0, 2, L"[1, 2)"},
        {L"abc", L"b$", false, false, 0, 2, L"none"},
        {L"xa", L"(?<=x)a", false, false, 1, 2, L"[1, 2)"},
        {L"ab", L"bb", false, false, 0, 2, L"none"},
        {L"ab", L"b+", false, true, 0, 2, L"[1, 2)"},
        {L"baaa", L"a*", false, false, 0, 4, L"[1, 4)"},
        {L"baaa ba", L"a*", false, false, 5, 7, L"[6, 7)"}, // led by a repeat: from the search start
        {L"ab ab ab", L"ab", false, true, 0, 6, L"[3, 5)"},
        {L"ab ab ab", L"ab", false, true, 0, 2, L"[0, 2)"},
        {L"ab ab ab", L"ab", false, true, 1, 6, L"[3, 5)"},
        {L"\u00c9t\u00c9", L"\u00e9", true, false, 0, 3, L"[0, 1)"},
        {L"\u00c9t\u00c9", L"\u00e9", true, true, 0, 3, L"[2, 3)"},
        {L"\u00c9T\u00c9", L"\u00e9t\u00e9", true, false, 0, 3, L"[0, 3)"},
        {L"\u00c9T\u00c9", L"[\u00e0-\u00ea]T", true, false, 0, 3, L"[0, 2)"},
        {L"abababc", L"(a|b)*c?", false, false, 5, 7, L"[5, 7)"},
        {L"abababc", L"(a|b)*c?", false, false, 4, 7, L"[4, 7)"},
        {L"abababc", L"(a|b)*c?", false, true, 4, 7, L"[6, 7)"},
    };
    for (const auto& c : cases) {
        FinderRegEx finder(c.pattern, c.ignoreCase);
        for (int32_t gap : {0, 1, static_cast<int32_t>(std::wcslen(c.text))})
            EXPECT_EQ(c.found, runFind(*documentWithGap(c.text, gap), finder, c.from, c.to, c.backward))
                << c.text << " / " << c.pattern << " [" << c.from << ", " << c.to << ")"
                << (c.backward ? " backwards" : "") << " gap " << gap;
    }
}

TEST_F(FinderRegExTest, ResultsGiveDocumentOffsets) {
    std::unique_ptr<tessel::Document> document = documentWithGap(L"xx abc", 3);
    FinderRegEx finder(L"(a)(q)?(b)", false);
    ASSERT_TRUE(document->runFinder(finder, 1, 6, false));
    const pel::MatchResults& results = finder.getResults();
    EXPECT_EQ(4u, results.size());
    EXPECT_EQ(3, results.begin(1));
    EXPECT_EQ(-1, results.begin(2));
    EXPECT_EQ(-1, results.end(2));
    EXPECT_EQ(5, results.end(3));
    ASSERT_TRUE(document->runFinder(finder, 0, 6, true));
    EXPECT_EQ(3, finder.getResults().begin(0));
    EXPECT_EQ(-1, finder.getResults().begin(9));
    EXPECT_FALSE(document->runFinder(finder, 0, 2, false));
    EXPECT_FALSE(finder.getResults().found());
    EXPECT_EQ(0u, finder.getResults().size());
}

TEST_F(FinderRegExTest, BadAndOversizedPatternsAreRefusedAtConstruction) {
    EXPECT_NE(L"compiled", refusal(L"("));
    EXPECT_EQ(L"compiled", refusal(std::wstring(FinderRegEx::MAX_NESTING, L'(') + L"a" +
                                  std::wstring(FinderRegEx::MAX_NESTING, L')')));
    EXPECT_EQ(L"The regular expression nests its groups too deeply.",
              refusal(std::wstring(FinderRegEx::MAX_NESTING + 1, L'(') + L"a" +
                      std::wstring(FinderRegEx::MAX_NESTING + 1, L')')));
    EXPECT_NE(L"compiled", refusal(std::wstring(10000, L'(') + L"a" + std::wstring(10000, L')')));
    EXPECT_EQ(L"The regular expression is too long.", refusal(std::wstring(FinderRegEx::MAX_PATTERN_LENGTH + 1, L'a')));
    EXPECT_EQ(L"compiled", refusal(L"[((((]" + std::wstring(FinderRegEx::MAX_NESTING, L'(') + L"a" +
                                  std::wstring(FinderRegEx::MAX_NESTING, L')')));
}

// What the engine reads as text (a "]" first in a set, a named class inside one, quoted text,
// comments) neither hides groups from the nesting limit nor counts as groups.
TEST_F(FinderRegExTest, TheNestingLimitReadsThePatternAsTheEngineDoes) {
    const int half = FinderRegEx::MAX_NESTING / 2 + 10;
    const std::wstring open(half, L'('), deep = open + open + L"a" + std::wstring(2 * half, L')');
    std::wstring closers;
    for (int i = 0; i < half; ++i)
        closers += L"[])]";
    const std::wstring tooDeep = L"The regular expression nests its groups too deeply.";
    EXPECT_EQ(tooDeep, refusal(open + closers + open + L"a" + std::wstring(2 * half, L')'))) << "\"]\" first";
    EXPECT_EQ(tooDeep, refusal(open + L"[[:alpha:]" + std::wstring(half, L')') + L"]" + open + L"a" +
                               std::wstring(2 * half, L')')))
        << "a named class";
    EXPECT_EQ(tooDeep, refusal(open + L"\\Q" + std::wstring(half, L')') + L"\\E" + open + L"a" +
                               std::wstring(2 * half, L')')))
        << "quoted";
    EXPECT_EQ(tooDeep, refusal(L"(?#[)" + deep + L"]")) << "a comment";
    EXPECT_EQ(tooDeep, refusal(L"(?x)#[\n" + deep + L"]")) << "a comment of the x flag";
    EXPECT_EQ(tooDeep, refusal(L"(?x:b)#" + deep + L"\n")) << "the x flag ends with its group";
    EXPECT_EQ(L"compiled", refusal(L"(?#" + open + open + L")a"));
    EXPECT_EQ(L"compiled", refusal(L"\\Q" + open + open + L"\\Ea"));
    EXPECT_EQ(L"compiled", refusal(L"(?x)a # " + open + open + L"\n"));
    EXPECT_EQ(L"compiled", refusal(L"[[:alpha:]" + open + open + L"]"));
}

// A repeated group recurses once per repetition: over a long line the search would overflow
// the stack. It fails instead, logged, and the finder and the thread go on working.
TEST_F(FinderRegExTest, RecursionThatWouldOverflowTheStackFailsTheSearch) {
    std::wstring line;
    line.reserve(10 << 20);
    while (line.size() < (10u << 20))
        line += L"ab";
    line += L"c";
    std::unique_ptr<tessel::Document> document = documentWithGap(line, static_cast<int32_t>(line.size() / 2));
    const int32_t length = document->getLength();
    FinderRegEx finder(L"(a|b)*c?", false);
    {
        tessel_test::LogCapture log;
        EXPECT_EQ(FinderRegEx::TOO_DEEP, runFind(*document, finder, 0, length, false));
        EXPECT_TRUE(log.contains(std::wstring(L"FinderRegEx::find(): ") + FinderRegEx::TOO_DEEP, pel::LOG_ERROR));
    }
    EXPECT_EQ(pel::formatString(L"[%d, %d)", length - 2, length), runFind(*document, finder, length - 2, length, false));

    // The same on a thread of small stack, where the margin is a quarter of the stack.
    struct Run {
        tessel::Document* document;
        FinderRegEx* finder;
        std::wstring found;
        static DWORD WINAPI main(void* context) {
            Run& run = *static_cast<Run*>(context);
            run.found = runFind(*run.document, *run.finder, 0, run.document->getLength(), false);
            return 0;
        }
    } run{document.get(), &finder, L""};
    tessel_test::LogCapture log;
    HANDLE thread = ::CreateThread(nullptr, 256 * 1024, Run::main, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 60000)) << "the search did not end";
    ::CloseHandle(thread);
    EXPECT_EQ(FinderRegEx::TOO_DEEP, run.found);
    EXPECT_TRUE(log.contains(FinderRegEx::TOO_DEEP, pel::LOG_ERROR));
}

// A pattern that goes over the rest of a long line from every start would take hours; its
// work is bounded by the length searched, so it stops with the error the user sees, forwards
// and backwards, while patterns that read the text about once still search it to the end.
TEST_F(FinderRegExTest, SearchesThatWouldTakeTooLongStopWithinTheirBudget) {
    std::unique_ptr<tessel::Document> document = documentWithGap(std::wstring(1000000, L'a'), 500000);
    const int32_t length = document->getLength();
    FinderRegEx quadratic(L"a.*y", false);
    tessel_test::LogCapture log;
    EXPECT_EQ(FinderRegEx::TOO_LONG, runFind(*document, quadratic, 0, length, false));
    EXPECT_EQ(FinderRegEx::TOO_LONG, runFind(*document, quadratic, 0, length, true));
    EXPECT_TRUE(log.contains(std::wstring(L"FinderRegEx::find(): ") + FinderRegEx::TOO_LONG, pel::LOG_ERROR));
    EXPECT_EQ(L"none", runFind(*document, quadratic, length - 2000, length, false)) << "a short stretch is searched";
    const struct {
        const wchar_t* pattern;
        bool backward;
        std::wstring found;
    } linear[] = {
        {L"a*b", false, L"none"},
        {L"b|a$", false, pel::formatString(L"[%d, %d)", length - 1, length)},
        {L"(?:aa)+$", true, pel::formatString(L"[%d, %d)", length - 2, length)},
        {L"^a", true, L"[0, 1)"},
        {L"\\ba", true, L"[0, 1)"},
    };
    for (const auto& c : linear) {
        FinderRegEx finder(c.pattern, false);
        EXPECT_EQ(c.found, runFind(*document, finder, 0, length, c.backward)) << c.pattern;
    }
}

namespace {

// A pattern of the atoms that depend on context (boundaries, anchors, look-behind) and of
// repeats, groups and alternatives, over the letters of randomText.
std::wstring randomPattern(std::mt19937& random) {
    static const wchar_t* const atoms[] = {L"a",  L"b",   L"\\b", L"\\B", L"\\w",      L".",       L"^",
                                           L"$",  L"[ab]", L" ",   L"\\s", L"(?<=a)",  L"(?<!\\w)", L"\\W"};
    static const wchar_t* const repeats[] = {L"", L"", L"*", L"+", L"?", L"{2}", L"*?"};
    std::wstring pattern;
    const int count = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < count; ++i) {
        std::wstring atom = atoms[random() % (sizeof atoms / sizeof *atoms)];
        if (random() % 5 == 0)
            atom = L"(" + atom + L"|" + atoms[random() % 6] + L")";
        pattern += atom;
        if (atom[0] != L'^' && atom[0] != L'$' && atom.compare(0, 2, L"(?") != 0 && atom != L"\\b" && atom != L"\\B")
            pattern += repeats[random() % (sizeof repeats / sizeof *repeats)];
    }
    return pattern;
}

// Letters, and now and then a pair (an emoji, a letter with case forms outside the BMP) or a
// joiner: characters of one unit and of two.
std::wstring randomText(std::mt19937& random, size_t length) {
    static const wchar_t* const letters[] = {L"a", L"a", L"b", L" ", L"\n", L"\uFDD0", L"\u00e9",
                                             L"a", L"b", L"😀", L"\U00010400", L"\u200D"};
    std::wstring text;
    while (text.size() < length)
        text += letters[random() % (sizeof letters / sizeof *letters)];
    return text;
}

// What a backward search must find: the last of the matches that forward searches find when
// each starts where the one before found a match, plus one.
std::wstring lastForward(tessel::Document& document, FinderRegEx& finder, int32_t from, int32_t to) {
    std::wstring last = L"none";
    for (int32_t at = from; at < to && document.runFinder(finder, at, to, false);) {
        last = tessel_test::span(finder.getResults().begin(0), finder.getResults().end(0));
        at = finder.getResults().begin(0) + 1;
    }
    return last;
}

} // namespace

// The engine once kept its "a unit comes before" flag from one start to the next, so backward
// searches near the text's start saw a unit before it.
TEST_F(FinderRegExTest, BackwardSearchesFindTheLastMatchForwardSearchesFind) {
    tessel_test::LogCapture log;
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        int32_t from, to;
        const wchar_t* found;
    } cases[] = {
        {L"faaa", L"\\bf", 0, 2, L"[0, 1)"},
        {L"a\uFDD0aa", L"\\B\\w\\b", 0, 2, L"none"},
        {L"a\uFDD0aa", L"\\B\\w\\b", 0, 4, L"[3, 4)"},
        {L"ab", L"(?<=\\ba)b", 0, 2, L"[1, 2)"},
        {L" ab", L"^\\s", 0, 3, L"[0, 1)"},
    };
    for (const auto& c : cases) {
        FinderRegEx finder(c.pattern, false);
        std::unique_ptr<tessel::Document> document = documentWithGap(c.text, 1);
        EXPECT_EQ(c.found, runFind(*document, finder, c.from, c.to, true)) << c.text << " / " << c.pattern;
        EXPECT_EQ(c.found, lastForward(*document, finder, c.from, c.to)) << c.text << " / " << c.pattern;
    }
    // Random patterns over random texts, in stretches that start at the text's start and
    // inside it, short and longer than the first block backward searches look at.
    std::mt19937 random(61);
    for (int round = 0; round < 400; ++round) {
        const std::wstring pattern = randomPattern(random);
        const std::wstring text = randomText(random, round % 20 == 0 ? 9000 : 1 + random() % 40);
        const auto length = static_cast<int32_t>(text.size());
        std::unique_ptr<tessel::Document> document = documentWithGap(text, static_cast<int32_t>(random() % (length + 1)));
        FinderRegEx finder(pattern, round % 3 == 0);
        for (int32_t from : {0, static_cast<int32_t>(random() % length)}) {
            const int32_t to = from + 1 + static_cast<int32_t>(random() % (length - from));
            ASSERT_EQ(lastForward(*document, finder, from, to), runFind(*document, finder, from, to, true))
                << "pattern " << pattern << " [" << from << ", " << to << ") of " << length << " round " << round;
        }
    }
    EXPECT_FALSE(log.contains(L"Assertion failed")) << "no read before the text's start";
}

// Forward searches give what the engine gives over a copy of the text: every match, each
// search starting behind the last (look-behind left out: over a copy it cannot see the text
// before where the search starts, and it takes every search start for a line start).
TEST_F(FinderRegExTest, ForwardSearchesMatchTheEngineOverACopy) {
    namespace xp = boost::xpressive;
    using Iterator = std::u32string::const_iterator;
    std::mt19937 random(64);
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        const std::wstring pattern = randomPattern(random);
        if (pattern.find(L"(?<") != std::wstring::npos || pattern.find(L'^') != std::wstring::npos)
            continue;
        const std::wstring text = randomText(random, 1 + random() % 60);
        const auto length = static_cast<int32_t>(text.size());
        std::unique_ptr<tessel::Document> document = documentWithGap(text, static_cast<int32_t>(random() % (length + 1)));
        FinderRegEx finder(pattern, false);
        const tessel::UnicodeRegExTraits traits;
        const std::u32string characters = tessel::enginePattern(pattern, traits), copy = pel::codePointsOf(text);
        xp::regex_compiler<Iterator, tessel::UnicodeRegExTraits> compiler;
        const xp::basic_regex<Iterator> regex = compiler.compile(characters.begin(), characters.end(), tessel::engineSyntax(false));
        std::wstring expected, found;
        xp::match_results<Iterator> match;
        // A place in the copy as an offset in units of the text.
        const auto units = [&](Iterator at) {
            int offset = 0;
            for (Iterator c = copy.begin(); c != at; ++c)
                offset += *c >= 0x10000 ? 2 : 1;
            return offset;
        };
        for (Iterator at = copy.begin();;) {
            const auto flags = xp::regex_constants::match_not_null |
                               (at == copy.begin() ? xp::regex_constants::match_default : xp::regex_constants::match_prev_avail);
            if (!xp::regex_search(at, copy.end(), match, regex, flags))
                break;
            expected += tessel_test::span(units(match[0].first), units(match[0].second));
            at = match[0].second;
        }
        for (int32_t at = 0; document->runFinder(finder, at, length, false); at = finder.getResults().end(0))
            found += tessel_test::span(finder.getResults().begin(0), finder.getResults().end(0));
        ASSERT_EQ(expected, found) << "pattern " << pattern << " round " << round;
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

namespace {

// Patterns whose starts the prefix reader reads (literals, escapes, classes, bracket
// expressions, counted repeats) and those it must refuse (alternatives, optional parts).
std::wstring randomPrefixedPattern(std::mt19937& random) {
    static const wchar_t* const atoms[] = {L"a",     L"b",    L"A",    L"\u00e9", L"\\.",  L".",    L"\\d",  L"\\w",
                                           L"\\W",   L"\\s",  L"\\b",  L"\\B",    L"^",    L"$",    L"[a-c]", L"[^a]",
                                           L"[\\d.]", L"[ab\\n]", L"(a|1)", L"(?:ab)", L"\\n",  L"1",    L"[[:alpha:]]",
                                           L"[a-z\u00e9]", L"[0-9]", L"[](]", L"[]|]", L"[[:alpha:](]",
                                           L"😀", L"\U00010428", L"[^a\n]"};
    static const wchar_t* const repeats[] = {L"", L"", L"", L"+", L"*", L"?", L"{2}", L"{2,}", L"{0,2}", L"+?"};
    std::wstring pattern;
    const int count = 1 + static_cast<int>(random() % 5);
    for (int i = 0; i < count; ++i) {
        const std::wstring atom = atoms[random() % (sizeof atoms / sizeof *atoms)];
        pattern += atom;
        if (atom != L"\\b" && atom != L"\\B" && atom != L"^" && atom != L"$")
            pattern += repeats[random() % (sizeof repeats / sizeof *repeats)];
        if (random() % 12 == 0)
            pattern += L"|";
    }
    if (pattern.back() == L'|')
        pattern += L"b";
    return pattern;
}

} // namespace

// The engine runs only where the prefix read from the pattern lets a match start: every
// search finds what the engine finds when it tries every start, forwards and backwards, on each
// vector width of the prefix scan.
TEST_F(FinderRegExTest, SearchesAtThePrefixPlacesFindWhatSearchesEverywhereFind) {
    static const wchar_t* const letters[] = {L"a", L"b", L"c", L"A", L"1", L".", L" ", L"\n", L"\u00e9", L"\u00c9", L"\u0661",
                                             L"😀", L"\U00010400", L"\U00010428", L"\U0001D7CE"};
    std::mt19937 random(644);
    for (int round = 0; round < 600; ++round) {
        const std::wstring pattern = randomPrefixedPattern(random);
        std::wstring text;
        const size_t wanted = round % 10 == 0 ? 3000 : 1 + random() % 80;
        while (text.size() < wanted)
            text += letters[random() % (sizeof letters / sizeof *letters)];
        const size_t length = text.size();
        std::unique_ptr<tessel::Document> document = documentWithGap(text, static_cast<int32_t>(random() % (length + 1)));
        const bool ignoreCase = round % 4 == 0;
        FinderRegEx everywhere(pattern, ignoreCase, false);
        const auto to = static_cast<int32_t>(length);
        std::wstring expected;
        for (int32_t at = 0; document->runFinder(everywhere, at, to, false); at = everywhere.getResults().begin(0) + 1)
            expected += tessel_test::span(everywhere.getResults().begin(0), everywhere.getResults().end(0));
        const auto from = static_cast<int32_t>(random() % length);
        const std::wstring expectedBackward = runFind(*document, everywhere, from, to, true);
        tessel_test::forEachVectorWidth([&](tessel::VectorWidth width) {
            FinderRegEx prefixed(pattern, ignoreCase);
            std::wstring found;
            for (int32_t at = 0; document->runFinder(prefixed, at, to, false); at = prefixed.getResults().begin(0) + 1)
                found += tessel_test::span(prefixed.getResults().begin(0), prefixed.getResults().end(0));
            EXPECT_EQ(expected, found) << tessel_test::widthName(width) << " pattern " << pattern
                                       << (ignoreCase ? " ignoring case" : "") << " round " << round;
            EXPECT_EQ(expectedBackward, runFind(*document, prefixed, from, to, true))
                << tessel_test::widthName(width) << " backwards, pattern " << pattern << " round " << round;
        });
        if (HasFailure())
            return;
    }
}

TEST_F(FinderRegExTest, ThePrefixHoldsWhatEveryMatchStartsWith) {
    const tessel::UnicodeRegExTraits traits;
    const struct {
        const wchar_t* pattern;
        bool ignoreCase;
        int32_t length;
        const wchar_t* holds; // one unit of each set, then one unit outside it ('-': none outside)
    } cases[] = {
        {L"sel[a-z]+ion", false, 4, L"sXeElLaA"},
        {L"\\bw\\d+7\\b", false, 2, L"wW1a"},
        {L"^a.b", false, 2, L"abx-"}, // "." may take a pair: what follows has no fixed place
        {L"ab{2,}c", false, 3, L"abbabc"},
        {L"\u00e9", true, 1, L"\u00c9e"},
        {L"x[^a]b", false, 2, L"xya-"},
        {L"a|b", false, 0, L""},
        {L"a?b", false, 0, L""},
        {L"(ab)c", false, 0, L""},
        {L"\\x41b", false, 0, L""},
        {L"ab[](]|c", false, 0, L""},
        {L"ab[^]|]|c", false, 0, L""},
        {L"ab[[:alpha:](]|c", false, 0, L""},
        {L"a\\Q|\\Eb", false, 1, L"ab"},
        {L"a(?#|)b", false, 1, L"ab"},
    };
    for (const auto& c : cases) {
        const tessel::RegExPrefix prefix(c.pattern, c.ignoreCase, traits);
        ASSERT_EQ(c.length, prefix.length()) << c.pattern;
        EXPECT_EQ(c.length > 0, prefix.usable()) << c.pattern;
        for (int32_t i = 0; i < c.length; ++i) {
            EXPECT_TRUE(prefix.holds(i, c.holds[2 * i])) << c.pattern << " at " << i;
            if (c.holds[2 * i + 1] != L'-') {
                EXPECT_FALSE(prefix.holds(i, c.holds[2 * i + 1])) << c.pattern << " at " << i;
            }
        }
    }
}

// A line break in the document is one line feed, whatever the file held: "\n" in a pattern
// matches it, wherever the gap lies in the match, behind a line of a million units and behind a
// hundred thousand lines, forwards and backwards, at the prefix places and everywhere.
TEST_F(FinderRegExTest, PatternsWithALineFeedFindTextAcrossLines) {
    const std::wstring block = L"int count_words(const char *s) {\n    int n = 0;\n";
    std::wstring manyLines;
    for (int i = 0; i < 100000; ++i)
        manyLines += L"    x;\n";
    const struct {
        std::wstring before;
        const char* what;
    } texts[] = {{L"}\n", "short"}, {std::wstring(1 << 20, L'{') + L"\n", "after a long line"}, {manyLines, "after many lines"}};
    for (const auto& t : texts) {
        const std::wstring text = t.before + block + L"}\n";
        const auto at = static_cast<int32_t>(t.before.size() + block.find(L'{'));
        const std::wstring expected = tessel_test::span(at, at + 9);
        const auto length = static_cast<int32_t>(text.size());
        for (const int32_t gap : {0, at, at + 1, at + 2, at + 6, at + 9, length}) {
            std::unique_ptr<tessel::Document> document = documentWithGap(text, gap);
            tessel_test::forEachVectorWidth([&](tessel::VectorWidth width) {
                for (const bool usePrefix : {true, false}) {
                    FinderRegEx finder(L"\\{\\n\\s+int", true, usePrefix);
                    EXPECT_EQ(expected, runFind(*document, finder, 0, length, false))
                        << t.what << ", gap " << gap << ", " << tessel_test::widthName(width) << ", prefix " << usePrefix;
                    EXPECT_EQ(expected, runFind(*document, finder, at, length, true))
                        << t.what << " backwards, gap " << gap << ", " << tessel_test::widthName(width);
                }
            });
        }
    }
}

// Text taken from a selection becomes a pattern that finds just that text: every unit of
// syntax escaped, none of them left to mean anything, letters and digits left alone.
TEST_F(FinderRegExTest, EscapedTextIsFoundAsItStands) {
    EXPECT_EQ(L"count_words\\(", tessel::escapeRegEx(L"count_words("));
    EXPECT_EQ(L"a1 \\\\d", tessel::escapeRegEx(L"a1 \\d"));
    std::wstring punctuation;
    for (wchar_t c = 0x21; c < 0x7F; ++c)
        if (!std::iswalnum(c))
            punctuation += c;
    const std::wstring texts[] = {L"count_words(", L"a.b", L"x{2}", L"(?:a|b)*", L"[^]]", L"\\Qx\\E", L"$1 ^", punctuation,
                                  std::wstring(FinderRegEx::MAX_PATTERN_LENGTH / 2, L'(')};
    for (const std::wstring& text : texts) {
        // The text stands among its near misses: every unit but one.
        std::wstring haystack;
        for (size_t i = 0; i < text.size() && i < 40; ++i)
            haystack += text.substr(0, i) + L"\u00b7" + text.substr(i + 1) + L" ";
        const auto at = static_cast<int32_t>(haystack.size());
        haystack += text + L"\n";
        std::unique_ptr<tessel::Document> document = documentWithGap(haystack, at + 1);
        const std::wstring pattern = tessel::escapeRegEx(text);
        ASSERT_EQ(L"compiled", refusal(pattern)) << pattern;
        FinderRegEx finder(pattern, false);
        EXPECT_EQ(tessel_test::span(at, at + static_cast<int32_t>(text.size())),
                  runFind(*document, finder, 0, document->getLength(), false))
            << pattern;
    }
}
