#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExLibrary.h"

#include "RegExErrorText.h"

#include <oniguruma.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace pel;
using pel_test::errorOf;

namespace {

class RegExTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initRegExLibrary(); }
};

// A results kind that overrides only what the base leaves pure.
class FixedResults : public MatchResults {
public:
    void clear() override {}
    unsigned int size() const override { return 2; }
    int begin(unsigned int i) const override { return i == 0 ? 1 : -1; }
    int end(unsigned int i) const override { return i == 0 ? 3 : -1; }
};

// Every group as "(begin,end)", or "no match" when none took part.
std::wstring groups(const MatchResults& results) {
    if (results.matchedCount() == 0)
        return L"no match";
    std::wstring text;
    for (unsigned int i = 0; i < results.size(); ++i)
        text += L"(" + std::to_wstring(results.begin(i)) + L"," + std::to_wstring(results.end(i)) + L")";
    return text;
}

template <class F>
std::wstring refusal(F run) {
    try {
        run();
    } catch (const IllegalStateException& e) {
        return e.message;
    }
    return L"(stored)";
}

std::unique_ptr<MatchResultsRegEx> matchAt(const RegEx& regex, const std::wstring& text, int at) {
    const wchar_t* p = text.data();
    return std::unique_ptr<MatchResultsRegEx>(regex.match(nullptr, p, p + text.size(), p + at));
}

std::wstring optionsOf(const wchar_t* letters) {
    RegExOptions options;
    options.options = 7;
    options.global = true;
    EXPECT_TRUE(RegEx::parseOptions(letters, &options));
    return std::to_wstring(options.options) + (options.global ? L" g" : L"");
}

} // namespace

TEST_F(RegExTest, OptionsReachTheEngine) {
    EXPECT_EQ(L"263 g", optionsOf(L"gimx"));
    EXPECT_EQ(L"256", optionsOf(L"q"));
    EXPECT_EQ(L"256", optionsOf(nullptr));

    const struct {
        const wchar_t* pattern;
        const wchar_t* letters;
        const wchar_t* text;
        int at;
        const wchar_t* groups;
    } rows[] = {
        {L"abc", L"i", L"ABC", 0, L"(0,3)"},           {L"abc", L"", L"ABC", 0, L"no match"},
        {L"a.b", L"m", L"a\nb", 0, L"(0,3)"},          {L"a.b", L"", L"a\nb", 0, L"no match"},
        {L"a b # comment", L"x", L"ab", 0, L"(0,2)"},  {L"(a)|(b)", L"", L"b", 0, L"(0,1)(-1,-1)(0,1)"},
        {L"a(b", L"", L"a(b", 0, L"no match"},         {L"b", L"", L"ab", 0, L"no match"}, // anchored
        {L"b", L"", L"ab", 1, L"(1,2)"},               {L"(?<=a)b", L"", L"ab", 1, L"(1,2)"}, // look-behind
    };
    for (const auto& row : rows) {
        RegExOptions options;
        RegEx::parseOptions(row.letters, &options);
        EXPECT_EQ(row.groups, groups(*matchAt(*RegEx::create(row.pattern, options), row.text, row.at)))
            << row.pattern << " on " << row.text;
    }
}

TEST_F(RegExTest, FixHexEscapes) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* fixed;
        bool rewritten;
    } rows[] = {
        {L"\\x41", L"\\x{41}", true}, {L"\\x41\\x42", L"\\x{41}\\x{42}", true},
        {L"a\\x4", L"a\\x4", false},   {L"\\xZZ", L"\\xZZ", false},
        {L"\\x4", L"\\x4", false},     {L"\\x{41}", L"\\x{41}", false}, // short, and braced escapes
        // An escaped backslash followed by "x41" is literal text, not a byte escape.
        {L"\\\\x41", L"\\\\x41", false}, {L"\\\\\\x41", L"\\\\\\x{41}", true},
    };
    for (const auto& row : rows) {
        std::wstring fixed;
        EXPECT_EQ(row.rewritten, RegEx::fixHexEscapes(row.pattern, &fixed)) << row.pattern;
        EXPECT_EQ(row.fixed, fixed);
    }

    // A fixed escape is one character, as the byte pair it was once rewritten to: \x41, \xE9 and
    // a class of them match what they matched then.
    const struct {
        const wchar_t* pattern;
        const wchar_t* text;
        const wchar_t* groups;
    } matches[] = {
        {L"\\x41+", L"AAB", L"(0,2)"},          {L"\\xE9", L"\u00E9", L"(0,1)"},
        {L"\\x41\\x42", L"AB", L"(0,2)"},         {L"[\\x00-\\x7F]+", L"a\u00E9", L"(0,1)"},
        {L"[^\\x00-\\x7F]", L"\u00E9", L"(0,1)"}, {L"[\\x00-\\x7F]", L"\u4100", L"no match"},
    };
    for (const auto& row : matches) {
        std::wstring fixed;
        RegEx::fixHexEscapes(row.pattern, &fixed);
        EXPECT_EQ(row.groups, groups(*matchAt(*RegEx::create(fixed), row.text, 0))) << row.pattern;
    }
}

// A negated class of one range from U+0000 nested in another class matches every character in
// the engine's UTF-16 encoding; rewritten as the range after it, it matches what it says.
TEST_F(RegExTest, FixClassFormsAvoidsTheNestedNegatedRange) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* fixed;
    } rows[] = {
        {L"[-A-Z_a-z[^\\x{00}-\\x{7F}]]", L"[-A-Z_a-z[\\x{80}-\\x{10FFFF}]]"},
        {L"[a&&[^\\x{0}-\\x{FF}]]", L"[a&&[\\x{100}-\\x{10FFFF}]]"},
        {L"[^\\x{0}-\\x{7F}]", L"[^\\x{0}-\\x{7F}]"},                 // not nested: matched right
        {L"[a[^\\x{1}-\\x{7F}]]", L"[a[^\\x{1}-\\x{7F}]]"},           // not from U+0000
        {L"[a[:alpha:][^\\x{0}-\\x{7F}]]", L"[a[:alpha:][\\x{80}-\\x{10FFFF}]]"},
        {L"[]a][^\\x{0}-\\x{7F}]", L"[]a][^\\x{0}-\\x{7F}]"},         // "]" first is a character
        {L"\\[a[^\\x{0}-\\x{7F}]", L"\\[a[^\\x{0}-\\x{7F}]"},         // an escaped bracket opens nothing
    };
    for (const auto& row : rows) {
        std::wstring fixed;
        EXPECT_EQ(std::wstring(row.pattern) != row.fixed, RegEx::fixClassForms(row.pattern, &fixed)) << row.pattern;
        EXPECT_EQ(row.fixed, fixed);
    }
    std::wstring escaped, fixed;
    RegEx::fixHexEscapes(L"[-A-Z_a-z[^\\x00-\\x7F]]+", &escaped);
    RegEx::fixClassForms(escaped, &fixed);
    const std::unique_ptr<RegEx> name = RegEx::create(fixed);
    EXPECT_EQ(L"(0,3)", groups(*matchAt(*name, L"a-b c", 0)));
    EXPECT_EQ(L"(0,2)", groups(*matchAt(*name, L"\u00E9\u3042{", 0)));
    EXPECT_EQ(L"no match", groups(*matchAt(*name, L"{a", 0)));
}

TEST_F(RegExTest, CompileErrorsKeepCodeMessageAndSpan) {
    for (auto& empty : {RegEx::create(L""), RegEx::create(static_cast<const wchar_t*>(nullptr))}) {
        EXPECT_FALSE(empty->isCompiled());
        EXPECT_EQ(L"none", errorOf(*empty)); // nothing compiled, and no error
        EXPECT_EQ(0u, matchAt(*empty, L"abc", 0)->size());
    }
    auto regex = RegEx::create(L"a(b");
    EXPECT_FALSE(regex->isCompiled());
    EXPECT_EQ(std::to_wstring(ONIGERR_END_PATTERN_WITH_UNMATCHED_PARENTHESIS) +
                  L": end pattern with unmatched parenthesis @0-0",
              errorOf(*regex));

    // The span (of the name, counted in characters) outlives the pattern string.
    {
        auto pattern = std::make_unique<std::wstring>(L"(?<name>a)\\k<nope>");
        regex = RegEx::create(*pattern);
        pattern->assign(pattern->size(), L'#'); // scribble over the buffer, then free it
    }
    EXPECT_EQ(std::to_wstring(ONIGERR_UNDEFINED_NAME_REFERENCE) + L": undefined name <nope> reference @13-17",
              errorOf(*regex));
}

TEST_F(RegExTest, GroupsThatDidNotTakePart) {
    auto regex = RegEx::create(L"(a)|(b)");
    EXPECT_EQ(2, regex->getCaptureCount());
    auto onB = matchAt(*regex, L"b", 0);
    EXPECT_EQ(2u, onB->firstMatchedGroup());
    EXPECT_EQ(0, onB->length(1));
    EXPECT_FALSE(onB->matched(1));
    EXPECT_EQ(2u, onB->matchedCount());
    EXPECT_EQ(-1, onB->end(5));
    EXPECT_EQ(1u, matchAt(*regex, L"a", 0)->firstMatchedGroup());
    EXPECT_EQ(0u, matchAt(*RegEx::create(L"ab"), L"ab", 0)->firstMatchedGroup());
    EXPECT_EQ(0u, matchAt(*RegEx::create(L"(x)(y)?"), L"abc", 0)->matchedCount());

    // A reused results object is cleared, its cached count dropped.
    auto optional = RegEx::create(L"(a)(b)?");
    MatchResultsRegEx results;
    std::wstring ab = L"ab";
    EXPECT_EQ(&results, optional->match(&results, ab.data(), ab.data() + 2, ab.data()));
    EXPECT_EQ(3u, results.matchedCount());
    optional->match(&results, ab.data(), ab.data() + 1, ab.data());
    EXPECT_EQ(L"(0,1)(0,1)(-1,-1)", groups(results));
    EXPECT_EQ(2u, results.matchedCount());
    EXPECT_EQ(0, optional->getErrorCode()); // no match is not an error
}

TEST_F(RegExTest, RangesAndSearch) {
    const std::wstring text = L"a inn and a finn fan";
    const wchar_t* p = text.data();
    const wchar_t* end = p + text.size();
    MatchResultsRegEx results;
    // A range that does not hold the position matches nothing; its end is a hard end.
    auto any = RegEx::create(L"a*");
    EXPECT_EQ(L"no match", groups(*any->match(&results, p, p - 1, p)));     // end before start
    EXPECT_EQ(L"no match", groups(*any->match(&results, p, p + 3, p + 4))); // past the end
    EXPECT_EQ(L"no match", groups(*any->match(&results, p + 1, p + 3, p))); // before the start
    EXPECT_EQ(L"no match", groups(*any->match(&results, nullptr, nullptr, nullptr)));
    EXPECT_EQ(L"no match", groups(*any->search(&results, p, p + 3, p, p + 5)));
    EXPECT_EQ(L"(3,3)", groups(*any->match(&results, p, p + 3, p + 3))); // empty match at the end
    EXPECT_EQ(L"no match", groups(*RegEx::create(L"a inn")->match(&results, p, p + 4, p)));

    auto word = RegEx::create(L"\\b\\w+nn\\b");
    std::unique_ptr<MatchResultsRegEx> found(word->search(nullptr, p, end, p, end));
    EXPECT_EQ(L"(2,5)", groups(*found));
    EXPECT_EQ(L"(12,16)", groups(*word->search(&results, p, end, p + 3, end)));
    // Backwards: the last start at or before the range start.
    for (const wchar_t* pattern : {L"finn", L"\\b\\w+nn\\b"})
        EXPECT_EQ(L"(12,16)", groups(*RegEx::create(pattern)->search(&results, p, end, end, p))) << pattern;
}

TEST_F(RegExTest, CatastrophicPatternEndsWithAnError) {
    const std::wstring text = std::wstring(40, L'a') + L"b";
    const wchar_t* p = text.data();
    const std::wstring error = std::to_wstring(ONIGERR_RETRY_LIMIT_IN_MATCH_OVER) + L": retry-limit-in-match over @0-0";
    auto matching = RegEx::create(L"(a+)+$");
    std::unique_ptr<MatchResultsRegEx> results(matching->match(nullptr, p, p + text.size(), p));
    EXPECT_EQ(-1, results->begin(1)); // no half-finished attempt shows
    EXPECT_EQ(error, errorOf(*matching));
    EXPECT_EQ(ONIGERR_RETRY_LIMIT_IN_MATCH_OVER, results->getStatus());
    auto searching = RegEx::create(L"(a+)+$");
    searching->search(results.get(), p, p + text.size(), p, p + text.size());
    EXPECT_EQ(L"no match", groups(*results));
    EXPECT_EQ(error, errorOf(*searching));
    // The status belongs to the call: the next one on the same results starts clean, though
    // the pattern keeps its last error.
    matching->match(results.get(), p, p + 1, p);
    EXPECT_EQ(0, results->getStatus());
    EXPECT_EQ(error, errorOf(*matching));
}

TEST_F(RegExTest, PatternSharedBetweenThreads) {
    std::shared_ptr<RegEx> regex = RegEx::create(L"(\\d+)-(\\d+)");
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::wstring text = L"x " + std::to_wstring(t * 100) + L"-" + std::to_wstring(t);
            const wchar_t* end = text.data() + text.size();
            MatchResultsRegEx results;
            for (int i = 0; i < 500; ++i) {
                regex->search(&results, text.data(), end, text.data(), end);
                good[t] += text.substr(results.begin(2)) == std::to_wstring(t);
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{500, 500, 500, 500}), good);
}

TEST(MatchResults, BaseRefusesToStore) {
    FixedResults results;
    EXPECT_EQ(L"MatchResults::set method not supported.", refusal([&] { results.set(0, 1, 2); }));
    EXPECT_EQ(L"MatchResults::add method not supported.", refusal([&] { results.add(1, 2); }));
    EXPECT_EQ(2, results.length(0));
    EXPECT_EQ(1u, results.matchedCount());
    EXPECT_EQ(0u, results.firstMatchedGroup());
}

TEST(MatchResults, BothKindsGrowWithAbsentGroups) {
    MatchResultsSimple simple;
    MatchResultsRegEx regex;
    for (MatchResults* results : {static_cast<MatchResults*>(&simple), static_cast<MatchResults*>(&regex)}) {
        EXPECT_EQ(L"no match", groups(*results));
        results->set(2, 4, 9);
        EXPECT_EQ(L"(-1,-1)(-1,-1)(4,9)", groups(*results));
        EXPECT_FALSE(results->found());
        EXPECT_EQ(1u, results->matchedCount());
        EXPECT_EQ(2u, results->firstMatchedGroup());
        results->set(0, 0, 10);
        results->set(-4, 1, 2); // ignored
        EXPECT_TRUE(results->found());
        EXPECT_EQ(2u, results->matchedCount()); // not the count cached before

        // Growing well past the engine's initial allocation.
        for (int i = 0; i < 40; ++i)
            results->add(i, i + 1);
        EXPECT_EQ(43u, results->size());
        EXPECT_EQ(39, results->begin(42));
        EXPECT_EQ(40, results->end(42));
        EXPECT_EQ(-1, results->begin(43));
        results->clear();
        EXPECT_EQ(0u, results->size());
        EXPECT_EQ(-1, results->begin(0));
    }
}

TEST(MatchResults, CapturesCopyTheGroupsThatTookPart) {
    const std::wstring text = L"key=value";
    MatchResultsSimple results;
    results.set(0, 0, 9);
    results.set(1, 0, 3);
    results.set(2, -1, -1);
    results.set(3, 4, 9);
    std::map<unsigned int, std::wstring> captures{{7, L"stale"}};
    results.getCaptures(text.data(), static_cast<int>(text.size()), &captures);
    const std::map<unsigned int, std::wstring> expected{{0, L"key=value"}, {1, L"key"}, {3, L"value"}};
    EXPECT_EQ(expected, captures);

    EXPECT_THROW(results.getCaptures(text.data(), 8, &captures), AssertionViolationException);

    // A group beyond the given length is refused even when group 0 is short enough.
    MatchResultsSimple shifted;
    shifted.set(0, 6, 9);
    EXPECT_THROW(shifted.getCaptures(text.data(), 5, &captures), AssertionViolationException);
}

TEST_F(RegExTest, HostilePatternsFailToCompileInsteadOfOverflowingOrStalling) {
    // Nesting beyond the depth limit: the engine's own error, not an exhausted stack.
    const size_t deep = 3570;
    auto classes = RegEx::create(std::wstring(deep, L'[') + L"a" + std::wstring(deep, L']'));
    EXPECT_FALSE(classes->isCompiled());
    EXPECT_EQ(std::to_wstring(ONIGERR_PARSE_DEPTH_LIMIT_OVER) + L": parse depth limit over @0-0", errorOf(*classes));
    const size_t allowed = REGEX_PARSE_DEPTH_LIMIT / 2 - 10; // a group takes two levels
    auto groupsWithin = RegEx::create(std::wstring(allowed, L'(') + L"a*" + std::wstring(allowed, L')'));
    EXPECT_TRUE(groupsWithin->isCompiled());
    EXPECT_EQ(L"(0,2)", groups(*matchAt(*groupsWithin, L"aa", 0)).substr(0, 5));

    // A long literal matched without case compiles in time growing with its square: refused
    // beyond the limit, by option or inline; matched with case it stays.
    std::wstring literal;
    while (literal.size() <= REGEX_MAX_IGNORE_CASE_LENGTH)
        literal += L"abcdefghijklmnopqrstuvwxyz";
    RegExOptions ignoreCase;
    ignoreCase.options |= RegExOptions::IGNORE_CASE;
    const std::wstring tooLong = L"-100000: case-insensitive pattern longer than 16384 characters @0-0";
    EXPECT_EQ(tooLong, errorOf(*RegEx::create(literal, ignoreCase)));
    EXPECT_EQ(tooLong, errorOf(*RegEx::create(L"(?i)" + literal)));
    EXPECT_EQ(tooLong, errorOf(*RegEx::create(L"x(?mi:" + literal + L")")));
    // Look-arounds holding an "i" before their end are no option groups.
    EXPECT_TRUE(RegEx::create(L"(?=\\bif)(?<!in)(?-i:x)" + literal)->isCompiled());
    auto withCase = RegEx::create(literal);
    EXPECT_TRUE(withCase->isCompiled());
    EXPECT_EQ(L"(0," + std::to_wstring(literal.size()) + L")", groups(*matchAt(*withCase, literal, 0)));
    EXPECT_TRUE(RegEx::create(literal.substr(0, REGEX_MAX_IGNORE_CASE_LENGTH / 8), ignoreCase)->isCompiled());
}

TEST_F(RegExTest, ChainedMetaAndControlEscapesCountTowardTheParseDepthLimit) {
    // Each link names the next escape as its character: the engine reads a chain by recursion.
    const std::wstring depthError = std::to_wstring(ONIGERR_PARSE_DEPTH_LIMIT_OVER) + L": parse depth limit over @0-0";
    const struct {
        const wchar_t* link;
        wchar_t expected; // the character the chain at the limit stands for
    } rows[] = {{L"\\M-", L'\xE1'}, {L"\\C-", L'\x01'}, {L"\\c", L'\x01'}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.link, row.link + std::wcslen(row.link)));
        std::wstring chain;
        for (unsigned int i = 0; i < REGEX_PARSE_DEPTH_LIMIT; ++i)
            chain += row.link;
        auto atLimit = RegEx::create(L"x" + chain + L"a");
        ASSERT_TRUE(atLimit->isCompiled()) << errorOf(*atLimit);
        EXPECT_EQ(L"(0,2)", groups(*matchAt(*atLimit, std::wstring(L"x") + row.expected, 0)));
        EXPECT_EQ(depthError, errorOf(*RegEx::create(L"x" + chain + row.link + L"a")));
        // Far past it, and inside a class: refused, not an exhausted stack.
        std::wstring longChain;
        for (int i = 0; i < 50000; ++i)
            longChain += row.link;
        EXPECT_EQ(depthError, errorOf(*RegEx::create(L"[" + longChain + L"a]")));
    }
    // Chains of mixed links count together; an escaped backslash starts none.
    std::wstring mixed;
    for (unsigned int i = 0; i <= REGEX_PARSE_DEPTH_LIMIT / 3; ++i)
        mixed += L"\\M-\\C-\\c";
    EXPECT_EQ(depthError, errorOf(*RegEx::create(mixed + L"a")));
    std::wstring broken;
    for (unsigned int i = 0; i <= REGEX_PARSE_DEPTH_LIMIT; ++i)
        broken += L"\\\\M-";
    EXPECT_TRUE(RegEx::create(broken)->isCompiled());
}

TEST_F(RegExTest, ASubjectSearchesAsThePointersDoAndCopiesOnce) {
    const auto regex = RegEx::create(L"(.)");
    const std::wstring text = L"ab\xD800";
    const RegExSubject subject(text.data(), text.size());
    EXPECT_NE(text.data(), subject.begin()) << "a text ending in a high surrogate is copied";
    EXPECT_EQ(3, subject.end() - subject.begin());
    MatchResultsRegEx results;
    for (size_t at = 0; at <= text.size(); ++at) {
        const std::wstring byPointers = groups(*regex->search(&results, text.data(), text.data() + text.size(),
                                                              text.data() + at, text.data() + text.size()));
        EXPECT_EQ(byPointers, groups(*regex->search(&results, subject, at, text.size()))) << at;
    }
    EXPECT_EQ(L"no match", groups(*regex->search(&results, subject, 4, 4))) << "a range past the end";
    const std::wstring plain = L"ab";
    EXPECT_EQ(plain.data(), RegExSubject(plain.data(), plain.size()).begin()) << "any other text is used in place";
}

TEST_F(RegExTest, ALoneHighSurrogateAtTheEndIsOneUnitAndNothingPastItIsRead) {
    // The text ends where the next page is inaccessible: a read past its end faults.
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    char* pages = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    const auto atPageEnd = [&](const std::wstring& text) {
        wchar_t* start = reinterpret_cast<wchar_t*>(pages + page) - text.size();
        std::copy(text.begin(), text.end(), start);
        return start;
    };
    const struct {
        const wchar_t* pattern;
        std::wstring text;
        int at;
        const wchar_t* matched; // match at `at`, then search from `at`
        const wchar_t* found;
    } rows[] = {
        {L"\\b", L"a\xD800", 1, L"(1,1)", L"(1,1)"},
        {L"a\\b", L"a\xD800", 0, L"(0,1)", L"(0,1)"},
        {L"\\X", L"\xD800", 0, L"(0,1)", L"(0,1)"},
        {L"\\X", L"a\xD800", 1, L"(1,2)", L"(1,2)"},
        {L".", L"\xD800", 0, L"(0,1)", L"(0,1)"},
        {L"..", L"a\xD800", 0, L"(0,2)", L"(0,2)"},
        {L".$", L"ab\xD800", 0, L"no match", L"(2,3)"},
        {L"(?i)x\\b", L"X\xD800", 0, L"(0,1)", L"(0,1)"},
        {L"[^a]", L"a\xD800", 0, L"no match", L"(1,2)"},
        {L"\\W+", L"a\xD800", 0, L"no match", L"(1,2)"},
        {L".", L"\xD800x", 0, L"(0,1)", L"(0,1)"}, // alone in the middle as well
        {L".", L"\xD83D\xDE00", 0, L"(0,2)", L"(0,2)"}, // a pair stays one character
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.pattern, row.pattern + std::wcslen(row.pattern)));
        auto regex = RegEx::create(row.pattern);
        ASSERT_TRUE(regex->isCompiled());
        const wchar_t* text = atPageEnd(row.text);
        const wchar_t* end = text + row.text.size();
        MatchResultsRegEx results;
        EXPECT_EQ(row.matched, groups(*regex->match(&results, text, end, text + row.at)));
        EXPECT_EQ(row.found, groups(*regex->search(&results, text, end, text + row.at, end)));
        EXPECT_EQ(0, regex->getErrorCode());
    }
    ::VirtualFree(pages, 0, MEM_RELEASE);
}
