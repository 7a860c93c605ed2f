#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "ScopePaths.h"

#include <gtest/gtest.h>

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
    {L"source.c string", C_STRING, false, true, 9}, {L"string", C_STRING, false, true, 7},
    {L"source string", C_STRING, false, true, 8},   {L"meta.block", C_STRING, false, true, 4},
    {L"", C_STRING, false, true, 1},                {L"  \t", C_STRING, true, false, 1},
    {L"source.c string", C_STRING, true, true, 9},  {L"meta.block", C_STRING, true, false, 0},
    {L"string.quoted.double", C_STRING, false, false, 0},
    {L"source.c meta.block string.quoted", C_STRING, true, true, 14},
    {L"string source.c", C_STRING, false, false, 0},
    {L"source.c meta.block source.c", C_STRING, false, false, 0},
    // A name matches a segment it equals or prefixes at a dot.
    {L"string.quoted", {L"string.quoted.double"}, false, true, 2},
    {L"string.quoted", {L"string.quotedx"}, false, false, 0},
    {L"string.quoted", {L"string"}, false, false, 0},
    {L"string", {L"constant.character.escape", L"string.quoted"}, true, false, 0},
    {L"string", {L"constant.character.escape", L"string.quoted"}, false, true, 1},
    // And takes the greater score, or the one that matches, exclusion the left.
    {L"source.c & string", C_STRING, false, true, 7},  {L"source.c & comment", C_STRING, false, false, 0},
    {L"meta.block | source.c", C_STRING, false, true, 4}, {L"comment, source.c", C_STRING, false, true, 2},
    {L"source.c - string", C_STRING, false, false, 0}, {L"source.c - comment", C_STRING, false, true, 2},
    {L"string - meta", C_STRING, true, true, 7}, // meta is not innermost
    // Grouping: "-" tightest, then "|", "&", ","; chains group to the right.
    {L"a - b - c", {L"a", L"b", L"c"}, false, true, 4}, {L"(a - b) - c", {L"a", L"b", L"c"}, false, false, 0},
    {L"a, b & c", {L"a"}, false, true, 1},              {L"a | b & c", {L"a"}, false, false, 0},
    {L"a | (b & c)", {L"a"}, false, true, 1},           {L"foo-bar", {L"foo"}, false, true, 1},
    {L"foo-bar", {L"foo", L"bar"}, false, false, 0},
    // An empty group as an operand matches nothing; alone it is the empty selector.
    {L"a & ()", {L"a"}, false, false, 0}, {L"() - b", {L"a"}, false, false, 0},
    {L"a - ()", {L"a"}, false, true, 1},  {L"a | (())", {L"a"}, false, true, 1},
    {L"(())", {L"a"}, false, true, 1},    {L"((a))", {L"a"}, true, true, 1},
};

struct ErrorCase {
    const wchar_t* selector;
    bool unbalanced;
    uint32_t start, end; // offsets
};

const ErrorCase ERROR_CASES[] = {
    {L"(a", true, 0, 1},     {L"a)", true, 1, 2},          {L")", true, 0, 1},      {L"a & )", true, 4, 5},
    {L"(", true, 0, 1},      {L"((a) & (b)", true, 0, 1}, {L"(a) - (", true, 6, 7}, {L"a &", false, 3, 3},
    {L"a..b", false, 0, 4},  {L".a", false, 0, 2},         {L"a b.", false, 2, 4},   {L"(a &)", false, 4, 5},
    {L"a (b)", false, 2, 3}, {L"(a) b", false, 4, 5},      {L"& a", false, 0, 1},    {L"a & | b", false, 4, 5},
    {L"a - ", false, 4, 4},
};

// The exception the text raises, or null.
std::unique_ptr<pel::ParserException> errorOf(const std::wstring& text) {
    try {
        ScopeSelector selector(text);
    } catch (const pel::ParserException& e) {
        return std::unique_ptr<pel::ParserException>(e.clone());
    }
    return nullptr;
}

bool matches(const ScopeSelector& selector, std::initializer_list<const wchar_t*> names, ScopeRank* o_rank,
             bool anchored = false) {
    ScopePath path;
    fillPath(path, names);
    return ScopeSelectorMatcher(selector, path).match(o_rank, anchored);
}

} // namespace

TEST(ScopeSelector, MatchesAndRanks) {
    for (const MatchCase& c : MATCH_CASES) {
        ScopeRank rank;
        EXPECT_EQ(c.matches, matches(ScopeSelector(c.selector), c.path, &rank, c.anchored)) << c.selector;
        EXPECT_EQ(c.score, rank.score) << c.selector;
    }
}

TEST(ScopeSelector, ProgramIsPostfixWithAtomsOfNameHashes) {
    const std::vector<uint32_t> expected = {3, 256, 3, 2, pel::crc32String(L"source.c"), 2, pel::crc32String(L"string"), 1,
                                            256, 1, 1, pel::crc32String(L"x"), 1, ScopeSelector::ITEM_OR};
    EXPECT_EQ(expected, ScopeSelector(L"source.c string, x").program());
    EXPECT_TRUE(ScopeSelector(L" \r\n").isEmpty() && ScopeSelector(static_cast<const wchar_t*>(nullptr)).isEmpty());
}

TEST(ScopeSelector, ErrorsCarryTheOffendingTokensPositions) {
    for (const ErrorCase& c : ERROR_CASES) {
        const std::unique_ptr<pel::ParserException> e = errorOf(c.selector);
        ASSERT_TRUE(e) << c.selector;
        EXPECT_EQ(c.unbalanced, dynamic_cast<pel::UnbalancedParenthesisException*>(e.get()) != nullptr) << c.selector;
        EXPECT_EQ((std::vector<uint32_t>{c.start, c.end}), (std::vector<uint32_t>{e->start.offset, e->end.offset}))
            << c.selector;
        // The parser's messages quote the selector.
        EXPECT_TRUE(c.unbalanced ? e->message == L"Unbalanced parenthesis."
                                 : e->message.find(std::wstring(L"`") + c.selector + L"`") != std::wstring::npos)
            << c.selector;
    }
    EXPECT_EQ(L"ParserException: Unexpected end of text in scope selector `a &`. at `0:3` - `0:3`",
              errorOf(L"a &")->displayText());
    EXPECT_EQ(L"ParserException: Scope name `b..c` has an empty part in scope selector `a\n& b..c`. at `1:2` - `1:6`",
              errorOf(L"a\n& b..c")->displayText());
    EXPECT_EQ(L"UnbalancedParenthesisException: Unbalanced parenthesis. at `0:1` - `0:2`",
              errorOf(L"a)")->displayText());
}

TEST(ScopeSelector, BoundsNestingAndLength) {
    ScopeRank rank;
    EXPECT_TRUE(matches(ScopeSelector(std::wstring(64, L'(') + L"a" + std::wstring(64, L')')), {L"a"}, &rank, true));
    const auto deep = errorOf(std::wstring(65, L'(') + L"a" + std::wstring(65, L')'));
    ASSERT_TRUE(deep);
    EXPECT_NE(std::wstring::npos, deep->message.find(L"deeper than 64"));
    EXPECT_EQ(64u, deep->start.offset);

    EXPECT_FALSE(errorOf(std::wstring(ScopeSelector::MAX_LENGTH, L'a')));
    const auto longer = errorOf(std::wstring(ScopeSelector::MAX_LENGTH + 1, L'a'));
    ASSERT_TRUE(longer);
    EXPECT_NE(std::wstring::npos, longer->message.find(L"65535"));

    // A long right-grouped chain needs more ranks than the evaluation keeps on its own stack.
    std::wstring chain = L"x";
    for (int i = 0; i < 2000; ++i)
        chain += L" | x" + std::to_wstring(i);
    const ScopeSelector wide(chain + L" | a");
    EXPECT_GT(wide.stackDepth(), 1000u);
    EXPECT_TRUE(matches(wide, {L"a"}, &rank));
    EXPECT_EQ(1u, rank.score);
}

TEST(ScopeSelector, RandomTextsParseOrRaiseTheParserExceptions) {
    static const wchar_t alphabet[] = L"ab.c ()&|,-\n(";
    std::mt19937 random(22);
    ScopePath path;
    fillPath(path, {L"a.b", L"c", L"b", L"a"});
    int outcomes[3] = {0, 0, 0}; // programs, unbalanced, other errors
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
            ++outcomes[0];
        } catch (const pel::UnbalancedParenthesisException&) {
            ++outcomes[1];
        } catch (const pel::ParserException&) {
            ++outcomes[2];
        }
    }
    EXPECT_EQ(100000, outcomes[0] + outcomes[1] + outcomes[2]);
    EXPECT_TRUE(outcomes[0] > 1000 && outcomes[1] > 1000 && outcomes[2] > 1000);
}
