#include "PatternReadersCheck.h"

#include "service/parser/PatternFirstChars.h"
#include "service/parser/PatternLiterals.h"
#include "service/parser/PatternSyntax.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using tessel_test::PatternReadersCheck;
using tessel_test::printable;

namespace {

// The least count the quantifiers at the start of text let an atom repeat; -1 for none.
long leastOf(const std::wstring& text, size_t* o_end = nullptr) {
    size_t at = 0;
    long least = 1;
    const bool any = tessel::readQuantifiers(text, &at, &least);
    if (o_end)
        *o_end = at;
    return any ? least : -1;
}

// The engine matches each pattern on its line; neither reader may rule the line or the place out.
void expectEachAllowed(const std::vector<std::pair<const wchar_t*, const wchar_t*>>& cases) {
    for (const auto& c : cases) {
        const PatternReadersCheck check(c.first, 0);
        ASSERT_TRUE(check.compiled()) << printable(c.first);
        std::string fault;
        EXPECT_GT(check.tryLine(c.second, &fault), 0) << printable(c.first) << " on " << printable(c.second);
        EXPECT_EQ("", fault) << printable(c.first);
    }
}

// Whether the line matcher would try the pattern somewhere on the line (ASCII) at all.
bool readersLetThrough(const wchar_t* pattern, const std::string& line) {
    const tessel::PatternLiterals literals(pattern, 0);
    const tessel::PatternFirstChars first(pattern, 0);
    bool begins = false;
    for (size_t at = 0; at < line.size(); ++at)
        begins = begins || first.mayBeginAt(line.data(), static_cast<int>(at), false);
    return begins && literals.heldBy(line.data(), line.size());
}

} // namespace

TEST(PatternSyntax, AFixedIntervalFollowedByAQuestionMarkIsOptionalAndARangedOneLazy) {
    EXPECT_EQ(0, leastOf(L"{1}?"));
    EXPECT_EQ(0, leastOf(L"{3}?"));
    EXPECT_LT(0, leastOf(L"{2,4}?")) << "lazy: still twice at least";
    EXPECT_LT(0, leastOf(L"{2,}?"));
    EXPECT_LT(0, leastOf(L"{1}+")) << "repeated: once at least";
    EXPECT_LT(0, leastOf(L"{2,3}+"));
    EXPECT_LT(0, leastOf(L"{2,3}+?")) << "the repetition made lazy";
    EXPECT_EQ(0, leastOf(L"{2}?+")) << "the option made possessive";
    expectEachAllowed({{L"[-+]{1}?\\d+", L"x 42"}, {L"x{1}?y", L"y"}, {L"(?:foo){2}?bar", L"bar"}, {L"\\s{1}?foo", L"foo"},
                       {L"ab{2}?c", L"ac\n"}, {L"x{2}?+y", L"y"}});
    EXPECT_FALSE(readersLetThrough(L"x{2,3}?y", "y")) << "a lazy interval still needs its least count";
    EXPECT_FALSE(readersLetThrough(L"x{2}+y", "y"));
    EXPECT_TRUE(readersLetThrough(L"x{2}?y", "y"));
}

TEST(PatternSyntax, ACalloutByNameMatchesEmpty) {
    expectEachAllowed({{L"(*MAX{3})abc", L"abc"}, {L"(*COUNT)abc", L"abc"}, {L"(*COUNT[tag]{X})abc", L"abc"},
                       {L"x(*TOTAL_COUNT)y", L"xy"}});
    EXPECT_FALSE(readersLetThrough(L"(*COUNT)abc", "xyz")) << "what follows the callout is still asked for";
}

TEST(PatternSyntax, ACommentEndsAtItsFirstUnescapedParenthesis) {
    expectEachAllowed({{L"(?#a\\)(x)abc", L"abc"}, {L"(?#\\\\)abc", L"abc"}, {L"q(?#\\)\\)\\(x)r", L"qr"}});
    EXPECT_FALSE(readersLetThrough(L"(?#a\\)(x)abc", "xyz"));
}

TEST(PatternSyntax, AQuantifierAfterACommentAppliesToTheAtomBeforeIt) {
    EXPECT_EQ(0, leastOf(L"(?#note)?"));
    EXPECT_EQ(0, leastOf(L"+(?#note)?")) << "a question mark after a comment is no lazy mark";
    size_t end = 0;
    EXPECT_EQ(-1, leastOf(L"(?#note)b", &end));
    expectEachAllowed({{L"a(?#note)?b", L"b"}, {L";(?#c)*$", L"x"}, {L"(?:ab)(?#c)(?#d)*c", L"c"}, {L"a+(?#c)?b", L"b"}});
}

TEST(PatternSyntax, ACharacterAboveTheBasicPlaneIsOneAtomForItsQuantifier) {
    expectEachAllowed({{L"\U0001F600?b", L"b"}, {L"\U0001F600*x", L"x"}, {L"\U0001F600{0,2}x", L"x"},
                       {L"(?:a|\U0001F600?)x", L"x"}, {L"[\U0001F600-\U0001F602]?y", L"y"}});
    const tessel::PatternFirstChars first(L"\U0001F600+b", 0);
    EXPECT_FALSE(first.mayBeginAt(L"b", 0, false)) << "the character itself is still required";
}

TEST(PatternSyntax, AReversedIntervalIsThePossessiveIntervalTheOtherWayRound) {
    EXPECT_EQ(0, leastOf(L"{3,0}"));
    EXPECT_LT(0, leastOf(L"{5,2}"));
    EXPECT_EQ(0, leastOf(L"{5,2}?")) << "no lazy mark: the question mark makes it optional";
    EXPECT_LT(0, leastOf(L"{5,2}+"));
    expectEachAllowed({{L"x{3,0}y", L"y"}, {L"(?:ab){9,1}c", L"abc"}, {L"a{4,1}?b", L"b"}});
    EXPECT_FALSE(readersLetThrough(L"x{3,1}y", "y"));
}

TEST(PatternSyntax, ABracketAfterAColonOpensAPosixBracketOnlyWhereItsEndComesBeforeAnyBracket) {
    expectEachAllowed({{L"[[:a]]|xy:]]z", L":"}, {L"[[:upper:][:a][[:space:]]]", L"B \n"}, {L"[^[:ab]\\d]x", L"-x"},
                       {L"[[:^alpha:][:a]]", L"a"}});
    EXPECT_FALSE(readersLetThrough(L"[[:digit:]]x", "ax")) << "a POSIX bracket is still read";
}

TEST(PatternSyntax, AnOptionOfItsOwnHoldsToTheEndOfItsGroupItsLaterBranchesToo) {
    // ";(?:a(?m)b\s*$|\s*$)" is ";(?:a(?m:b\s*$|\s*$))": the line may end in "a".
    expectEachAllowed({{L";(?:a(?m)b\\s*$|\\s*$)", L";a\n"}, {L"x(?-i)y|z", L"xz"}, {L"(?:;(?m)|b)\\s*$", L"q;\n"}});
    EXPECT_FALSE(readersLetThrough(L"x(?m)y|z", "y")) << "what comes before the option is still asked for";
}
