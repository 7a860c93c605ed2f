#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "ScopePaths.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::fillPath;

namespace {

struct MatchCase {
    const wchar_t* selector;
    std::initializer_list<const wchar_t*> path; // innermost first
    bool anchored;
    bool matches;
    uint64_t score;
};

// On [string.quoted, meta.block, source.c] the bases are 6, 2 and 0.
const std::initializer_list<const wchar_t*> C_STRING = {L"string.quoted", L"meta.block", L"source.c"};

const MatchCase MATCH_CASES[] = {
    {L"source.c string", C_STRING, false, true, 9},
    {L"string", C_STRING, false, true, 7},
    {L"source string", C_STRING, false, true, 8},
    {L"meta.block", C_STRING, false, true, 4},
    {L"source.c", C_STRING, false, true, 2},
    {L"", C_STRING, false, true, 1},
    {L"  \t", C_STRING, true, false, 1},
    {L"", {L"x"}, true, false, 1},
    {L"source.c string", C_STRING, true, true, 9},
    {L"meta.block", C_STRING, true, false, 0},
    {L"string.quoted.double", C_STRING, false, false, 0},
    {L"source.c meta.block string.quoted", C_STRING, true, true, 14},
    {L"string source.c", C_STRING, false, false, 0},
    {L"source.c meta.block source.c", C_STRING, false, false, 0}, // more names than levels left
    // A name matches a segment it equals or prefixes at a dot.
    {L"string.quoted", {L"string.quoted.double"}, false, true, 2},
    {L"string.quoted", {L"string.quotedx"}, false, false, 0},
    {L"string.quoted", {L"string"}, false, false, 0},
    {L"string", {L"constant.character.escape", L"string.quoted"}, true, false, 0},
    {L"string", {L"constant.character.escape", L"string.quoted"}, false, true, 1},
    // Operators: and takes the greater score, or the one that matches, exclusion the left.
    {L"source.c & string", C_STRING, false, true, 7},
    {L"source.c & comment", C_STRING, false, false, 0},
    {L"meta.block | source.c", C_STRING, false, true, 4},
    {L"comment, source.c", C_STRING, false, true, 2},
    {L"source.c - string", C_STRING, false, false, 0},
    {L"source.c - comment", C_STRING, false, true, 2},
    {L"string - meta", C_STRING, true, true, 7}, // meta is not innermost,
    // Grouping: "-" tightest, then "|", "&", ","; chains group to the right.
    {L"a - b - c", {L"a", L"b", L"c"}, false, true, 4},
    {L"(a - b) - c", {L"a", L"b", L"c"}, false, false, 0},
    {L"a, b & c", {L"a"}, false, true, 1},
    {L"a | b & c", {L"a"}, false, false, 0},
    {L"a | (b & c)", {L"a"}, false, true, 1},
    {L"foo-bar", {L"foo"}, false, true, 1},
    {L"foo-bar", {L"foo", L"bar"}, false, false, 0},
    // An empty group as an operand matches nothing; alone it is the empty selector.
    {L"a & ()", {L"a"}, false, false, 0},
    {L"() - b", {L"a"}, false, false, 0},
    {L"a - ()", {L"a"}, false, true, 1},
    {L"a | (())", {L"a"}, false, true, 1},
    {L"(())", {L"a"}, false, true, 1},
    {L"((a))", {L"a"}, true, true, 1},
};

struct ErrorCase {
    const wchar_t* selector;
    bool unbalanced;
    uint32_t start, end; // offsets
};

const ErrorCase ERROR_CASES[] = {
    {L"(a", true, 0, 1},        {L"a)", true, 1, 2},        {L")", true, 0, 1},
    {L"a & )", true, 4, 5},     {L"((a) & (b)", true, 0, 1}, {L"(a) - (", true, 6, 7},
    {L"a &", false, 3, 3},      {L"a..b", false, 0, 4},     {L".a", false, 0, 2},
    {L"a b.", false, 2, 4},     {L"(a &)", false, 4, 5},    {L"a (b)", false, 2, 3},
    {L"(a) b", false, 4, 5},    {L"& a", false, 0, 1},      {L"a & | b", false, 4, 5},
    {L"a - ", false, 4, 4},     {L"(", true, 0, 1},
};

std::wstring nested(int depth, const wchar_t* inner) {
    return std::wstring(depth, L'(') + inner + std::wstring(depth, L')');
}

} // namespace

TEST(ScopeSelector, MatchesAndRanks) {
    for (const MatchCase& c : MATCH_CASES) {
        SCOPED_TRACE(std::string("selector ") + std::string(c.selector, c.selector + wcslen(c.selector)));
        ScopePath path;
        fillPath(path, c.path);
        const ScopeSelector selector(c.selector);
        ScopeRank rank;
        EXPECT_EQ(c.matches, ScopeSelectorMatcher(selector, path).match(&rank, c.anchored));
        EXPECT_EQ(c.score, rank.score);
    }
}

TEST(ScopeSelector, ProgramIsPostfixWithAtomsOfNameHashes) {
    const ScopeSelector selector(L"source.c string, x");
    const std::vector<uint32_t> expected = {3, 256, 3, 2, pel::crc32String(L"source.c"), 2, pel::crc32String(L"string"), 1,
                                            256, 1, 1, pel::crc32String(L"x"), 1, ScopeSelector::ITEM_OR};
    EXPECT_EQ(expected, selector.program());
    EXPECT_TRUE(ScopeSelector(L" \r\n").isEmpty());
    EXPECT_TRUE(ScopeSelector(static_cast<const wchar_t*>(nullptr)).isEmpty());
}

TEST(ScopeSelector, ErrorsCarryTheOffendingTokensPositions) {
    for (const ErrorCase& c : ERROR_CASES) {
        SCOPED_TRACE(std::string("selector ") + std::string(c.selector, c.selector + wcslen(c.selector)));
        try {
            ScopeSelector selector(c.selector);
            ADD_FAILURE() << "parsed";
        } catch (const pel::ParserException& e) {
            const bool unbalanced = dynamic_cast<const pel::UnbalancedParenthesisException*>(&e) != nullptr;
            EXPECT_EQ(c.unbalanced, unbalanced);
            EXPECT_EQ(c.unbalanced, e.message == L"Unbalanced parenthesis.");
            EXPECT_EQ(c.start, e.start.offset);
            EXPECT_EQ(c.end, e.end.offset);
            if (!unbalanced) { // the message quotes the selector
                EXPECT_NE(std::wstring::npos, e.message.find(std::wstring(L"`") + c.selector + L"`"));
            }
        }
    }
}

TEST(ScopeSelector, MessagesSayWhatWasFoundAndWhere) {
    try {
        ScopeSelector selector(L"a &");
        FAIL();
    } catch (const pel::ParserException& e) {
        EXPECT_EQ(L"ParserException: Unexpected end of text in scope selector `a &`. at `0:3` - `0:3`", e.displayText());
    }
    try {
        ScopeSelector selector(L"a\n& b..c");
        FAIL();
    } catch (const pel::ParserException& e) {
        EXPECT_EQ(L"ParserException: Scope name `b..c` has an empty part in scope selector `a\n& b..c`. "
                  L"at `1:2` - `1:6`",
                  e.displayText());
    }
    try {
        ScopeSelector selector(L"a)");
        FAIL();
    } catch (const pel::ParserException& e) {
        EXPECT_EQ(L"UnbalancedParenthesisException: Unbalanced parenthesis. at `0:1` - `0:2`", e.displayText());
        std::unique_ptr<pel::Exception> copy(e.clone());
        EXPECT_STREQ(L"UnbalancedParenthesisException", copy->name());
    }
}

TEST(ScopeSelector, BoundsNestingAndLength) {
    ScopePath path;
    fillPath(path, {L"a"});
    const ScopeSelector deepest(nested(64, L"a"));
    ScopeRank rank;
    EXPECT_TRUE(ScopeSelectorMatcher(deepest, path).match(&rank, true));
    try {
        ScopeSelector selector(nested(65, L"a"));
        FAIL();
    } catch (const pel::ParserException& e) {
        EXPECT_NE(std::wstring::npos, e.message.find(L"deeper than 64"));
        EXPECT_EQ(64u, e.start.offset);
    }

    EXPECT_NO_THROW(ScopeSelector(std::wstring(ScopeSelector::MAX_LENGTH, L'a')));
    try {
        ScopeSelector selector(std::wstring(ScopeSelector::MAX_LENGTH + 1, L'a'));
        FAIL();
    } catch (const pel::ParserException& e) {
        EXPECT_NE(std::wstring::npos, e.message.find(L"65535"));
    }

    // A long right-grouped chain needs more ranks than the evaluation keeps on its own stack.
    std::wstring chain = L"x";
    for (int i = 0; i < 2000; ++i)
        chain += L" | x" + std::to_wstring(i);
    const ScopeSelector wide(chain + L" | a");
    EXPECT_GT(wide.stackDepth(), 1000u);
    EXPECT_TRUE(ScopeSelectorMatcher(wide, path).match(&rank, false));
    EXPECT_EQ(1u, rank.score);
}

TEST(ScopeSelector, RandomTextsParseOrRaiseTheParserExceptions) {
    static const wchar_t alphabet[] = L"ab.c ()&|,-\n(";
    std::mt19937 random(22);
    ScopePath path;
    fillPath(path, {L"a.b", L"c", L"b", L"a"});
    int programs = 0, unbalanced = 0, errors = 0;
    for (int i = 0; i < 100000; ++i) {
        std::wstring text(random() % 24, L' ');
        for (wchar_t& c : text)
            c = alphabet[random() % (sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
        try {
            const ScopeSelector selector(text);
            ScopeRank rank;
            const ScopeSelectorMatcher matcher(selector, path);
            matcher.match(&rank, false);
            matcher.match(&rank, true);
            ++programs;
        } catch (const pel::UnbalancedParenthesisException&) {
            ++unbalanced;
        } catch (const pel::ParserException&) {
            ++errors;
        }
    }
    EXPECT_EQ(100000, programs + unbalanced + errors);
    EXPECT_GT(programs, 1000);
    EXPECT_GT(unbalanced, 1000);
    EXPECT_GT(errors, 1000);
}
