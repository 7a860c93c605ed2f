#include "pel/text/search/MatchResults.h"
#include "pel/text/search/RegEx.h"
#include "service/parser/base/ReplaceFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

using namespace tessel;

namespace {

struct SubstitutionCase {
    const wchar_t* pattern;
    const wchar_t* options;
    const wchar_t* format;
    const wchar_t* text;
    const wchar_t* expected;
    bool matched;
};

const SubstitutionCase SUBSTITUTIONS[] = {
    {L"(h\\w+)", L"", L"\\u$1", L"hello world", L"Hello world", true},
    {L"(a)|(b)", L"", L"[(?2:yes)]", L"a", L"[]", true},
    {L"(a)|(b)", L"", L"(?1:yes:no)", L"a", L"yes", true},
    {L"(a)|(b)", L"", L"(?1:yes:no)", L"b", L"no", true},
    {L"a", L"", L"b", L"a a a", L"b a a", true},
    {L"a", L"g", L"b", L"a a a", L"b b b", true},
    {L"(ab)", L"", L"\\U$1\\E!", L"ab", L"AB!", true},
    {L"x*", L"g", L"-", L"abc", L"-a-b-c", true},
    {L"x*", L"g", L"-", L"a\U0001F600b", L"-a-\U0001F600-b", true}, // a surrogate pair stays whole
    {L"x*", L"", L"-", L"abc", L"-abc", true},
    {L"(a)", L"", L"[$10]", L"a", L"[]", true},
    {L"(a)", L"", L"[$99999999999999999999]", L"a", L"[]", true},
    {L"z", L"g", L"-", L"abc", L"abc", false},
    // Case conversion: one-character changes apply after a running one; state ends with the match.
    {L"(\\w+)", L"", L"\\L\\u$1", L"hELLO", L"Hello", true},
    {L"(\\w+)", L"", L"\\u\\L$1", L"hELLO", L"Hello", true},
    {L"(\\w+)", L"", L"\\U$1\\E-$1-\\l$1", L"aB", L"AB-aB-aB", true},
    {L"(\\w)(\\w*)", L"g", L"\\u$1\\L$2", L"hELLO wORLD", L"Hello World", true},
    {L"(\\w+)", L"g", L"$1\\U", L"ab cd", L"ab cd", true},
    {L"(\\w+)", L"", L"\\u\\u!$1", L"ab", L"!ab", true},
    {L"(\\w+)", L"", L"\\U(?1:x$1:y)", L"ab", L"XAB", true},
    // Conditionals: the first ":" of a level separates; nesting; open at the end.
    {L"(b)?a", L"", L"(?1:x:y:z)", L"a", L"y:z", true},
    {L"(b)?a", L"", L"(?1:x:y:z)", L"ba", L"x", true},
    {L"(a)(b)?", L"", L"(?1:<(?2:two:one)>:none)", L"a", L"<one>", true},
    {L"(a)", L"", L"(?1:abc", L"a", L"abc", true},
    {L"(a)", L"", L"(?1)(x:y)", L"a", L"(?1)(x:y)", true},
    {L"(a)", L"", L"(?:x)(?a:x)", L"a", L"(?:x)(?a:x)", true},
    // Escapes and literals.
    {L"a", L"", L"\\n\\t\\$\\\\\\(\\:x\\", L"a", L"\n\t$\\(:x\\", true},
    {L"a", L"", L"$ $x 1:2)", L"a", L"$ $x 1:2)", true},
};

} // namespace

TEST(ReplaceFormat, Substitutes) {
    for (const SubstitutionCase& c : SUBSTITUTIONS) {
        pel::RegExOptions options;
        pel::RegEx::parseOptions(c.options, &options);
        const auto regex = pel::RegEx::create(c.pattern, options);
        ASSERT_TRUE(regex->isCompiled());
        std::wstring out = L"stale";
        EXPECT_EQ(c.matched, substituteReplaceFormat(*regex, parseReplaceFormat(c.format), c.text, &out)) << c.format;
        EXPECT_EQ(c.expected, out) << c.format;
    }
}

TEST(ReplaceFormat, TextStaysWhenThePatternDidNotCompile) {
    const auto regex = pel::RegEx::create(L"(");
    std::wstring text = L"abc";
    EXPECT_FALSE(substituteReplaceFormat(*regex, parseReplaceFormat(L"x"), text, &text));
    EXPECT_EQ(L"abc", text);
    // The output may be the text itself.
    const auto any = pel::RegEx::create(L"b");
    EXPECT_TRUE(substituteReplaceFormat(*any, parseReplaceFormat(L"[$0]"), text, &text));
    EXPECT_EQ(L"a[b]c", text);
}

TEST(ReplaceFormat, GroupsComeFromTheTextSourceOnlyWhenTheyTookPart) {
    pel::MatchResultsSimple match;
    match.set(0, 0, 6);
    match.set(1, 2, 4);
    match.set(3, 1, 2); // group 2 did not take part
    const WideTextRangeSource source(L"abcdef", 6);
    std::wstring out;
    expandReplaceFormat(parseReplaceFormat(L"$1$2$3$4(?2:$2:$0)"), match, source, &out);
    EXPECT_EQ(L"cdbabcdef", out);
    // The source leaves out what lies beyond its text.
    match.set(1, 5, 100);
    expandReplaceFormat(parseReplaceFormat(L"<$1>"), match, source, &out);
    EXPECT_EQ(L"cdbabcdef<f>", out);
}

TEST(ReplaceFormat, ConditionalsNestAtMostSixtyFourDeep) {
    std::wstring text;
    for (int i = 0; i < 70; ++i)
        text += L"(?1:";
    text += L"x";
    text += std::wstring(70, L')');
    // 64 levels open and close; the rest is literal text.
    const auto regex = pel::RegEx::create(L"(a)");
    std::wstring out;
    EXPECT_TRUE(substituteReplaceFormat(*regex, parseReplaceFormat(text), L"a", &out));
    EXPECT_EQ(L"(?1:(?1:(?1:(?1:(?1:(?1:x))))))", out);
}

TEST(ReplaceFormat, RandomFormatsParseAndExpand) {
    static const wchar_t alphabet[] = L"\\$()?:0123uUlLEnt x\U0001F600";
    std::mt19937 random(6);
    pel::RegExOptions global;
    global.global = true;
    const auto regex = pel::RegEx::create(L"(a)(b)?|x*", global);
    const std::wstring text = L"ab a xx \U0001F600 ";
    size_t produced = 0;
    for (int i = 0; i < 100000; ++i) {
        std::wstring format(random() % 32, L' ');
        for (wchar_t& c : format)
            c = alphabet[random() % (sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
        std::wstring out;
        substituteReplaceFormat(*regex, parseReplaceFormat(format), text, &out);
        produced += out.size();
    }
    EXPECT_GT(produced, 0u);
}

TEST(ReplaceFormat, AGlobalSubstitutionOverATextEndingInAHighSurrogateCopiesItOnce) {
    // A search through pointers copies such a text each time: once a match, the square of its
    // length (80,000 units took a second or more; this takes well under a tenth of one).
    const std::wstring text = std::wstring(319999, L'a') + L'\xD800';
    pel::RegExOptions options;
    pel::RegEx::parseOptions(L"g", &options);
    const auto regex = pel::RegEx::create(L"(.)", options);
    std::wstring out;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(substituteReplaceFormat(*regex, parseReplaceFormat(L"<$1>"), text, &out));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(3 * text.size(), out.size());
    EXPECT_EQ(L"<a><a>", out.substr(0, 6));
    EXPECT_EQ(std::wstring(L"<a><\xD800>"), out.substr(out.size() - 6));
}
