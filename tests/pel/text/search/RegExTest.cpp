#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExLibrary.h"

#include <oniguruma.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

namespace {

class RegExTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initRegExLibrary(); }

    // Anchored match of pattern over the whole text at `at`.
    static std::unique_ptr<MatchResultsRegEx> matchAt(const RegEx& regex, const std::wstring& text, int at) {
        return std::unique_ptr<MatchResultsRegEx>(
            regex.match(nullptr, text.data(), text.data() + text.size(), text.data() + at));
    }
};

} // namespace

TEST_F(RegExTest, ParseOptionsLetters) {
    RegExOptions options;
    EXPECT_TRUE(RegEx::parseOptions(L"gimx", &options));
    EXPECT_EQ(263u, options.options);
    EXPECT_TRUE(options.global);

    EXPECT_TRUE(RegEx::parseOptions(L"q", &options));
    EXPECT_EQ(256u, options.options);
    EXPECT_FALSE(options.global);

    options.options = 7;
    options.global = true;
    EXPECT_TRUE(RegEx::parseOptions(nullptr, &options));
    EXPECT_EQ(256u, options.options);
    EXPECT_FALSE(options.global);

    EXPECT_THROW(RegEx::parseOptions(L"i", nullptr), NullPointerException);
}

TEST_F(RegExTest, OptionsReachTheEngine) {
    RegExOptions options;
    RegEx::parseOptions(L"i", &options);
    auto caseless = RegEx::create(L"abc", options);
    EXPECT_TRUE(matchAt(*caseless, L"ABC", 0)->found());
    EXPECT_FALSE(matchAt(*RegEx::create(L"abc"), L"ABC", 0)->found());

    RegEx::parseOptions(L"m", &options);
    auto dotall = RegEx::create(L"a.b", options);
    EXPECT_TRUE(matchAt(*dotall, L"a\nb", 0)->found());
    EXPECT_FALSE(matchAt(*RegEx::create(L"a.b"), L"a\nb", 0)->found());

    RegEx::parseOptions(L"x", &options);
    EXPECT_TRUE(matchAt(*RegEx::create(L"a b # comment", options), L"ab", 0)->found());
}

TEST_F(RegExTest, FixHexEscapes) {
    std::wstring fixed;
    EXPECT_TRUE(RegEx::fixHexEscapes(L"\\x41", &fixed));
    EXPECT_EQ(L"\\x41\\x00", fixed);

    EXPECT_FALSE(RegEx::fixHexEscapes(L"a\\x4", &fixed));
    EXPECT_EQ(L"a\\x4", fixed);

    EXPECT_FALSE(RegEx::fixHexEscapes(L"\\xZZ", &fixed));
    EXPECT_EQ(L"\\xZZ", fixed);

    EXPECT_TRUE(RegEx::fixHexEscapes(L"\\x41\\x42", &fixed));
    EXPECT_EQ(L"\\x41\\x00\\x42\\x00", fixed);

    // Short patterns are copied as they are; braced escapes are left alone.
    EXPECT_FALSE(RegEx::fixHexEscapes(L"\\x4", &fixed));
    EXPECT_EQ(L"\\x4", fixed);
    EXPECT_FALSE(RegEx::fixHexEscapes(L"\\x{41}", &fixed));
    EXPECT_EQ(L"\\x{41}", fixed);

    // An escaped backslash followed by "x41" is literal text, not a byte escape.
    EXPECT_FALSE(RegEx::fixHexEscapes(L"\\\\x41", &fixed));
    EXPECT_EQ(L"\\\\x41", fixed);
    EXPECT_TRUE(RegEx::fixHexEscapes(L"\\\\\\x41", &fixed));
    EXPECT_EQ(L"\\\\\\x41\\x00", fixed);

    EXPECT_THROW(RegEx::fixHexEscapes(L"\\x41", nullptr), NullPointerException);
}

TEST_F(RegExTest, FixedHexEscapeMatchesOneUtf16Unit) {
    std::wstring fixed;
    RegEx::fixHexEscapes(L"\\x41+", &fixed);
    auto regex = RegEx::create(fixed);
    ASSERT_TRUE(regex->isCompiled());
    auto results = matchAt(*regex, L"AAB", 0);
    EXPECT_EQ(0, results->begin(0));
    EXPECT_EQ(2, results->end(0));
}

TEST_F(RegExTest, EmptyPatternCompilesNothing) {
    std::unique_ptr<RegEx> regexes[] = {RegEx::create(L""), RegEx::create(static_cast<const wchar_t*>(nullptr))};
    for (auto& regex : regexes) {
        EXPECT_FALSE(regex->isCompiled());
        EXPECT_EQ(0, regex->getErrorCode());
        RegExErrorInfo info;
        EXPECT_FALSE(regex->getErrorInfo(&info));
        auto results = matchAt(*regex, L"abc", 0);
        EXPECT_FALSE(results->found());
        EXPECT_EQ(0u, results->size());
    }
}

TEST_F(RegExTest, SyntaxErrorKeepsCodeAndMessage) {
    auto regex = RegEx::create(L"a(b");
    EXPECT_FALSE(regex->isCompiled());
    RegExErrorInfo info;
    ASSERT_TRUE(regex->getErrorInfo(&info));
    EXPECT_EQ(ONIGERR_END_PATTERN_WITH_UNMATCHED_PARENTHESIS, info.code);
    EXPECT_EQ(L"end pattern with unmatched parenthesis", info.message);
    EXPECT_EQ(0, info.begin);
    EXPECT_EQ(0, info.end);
    EXPECT_FALSE(matchAt(*regex, L"a(b", 0)->found());
    EXPECT_THROW(regex->getErrorInfo(nullptr), NullPointerException);
}

TEST_F(RegExTest, ErrorSpanOutlivesThePatternString) {
    std::unique_ptr<RegEx> regex;
    {
        auto pattern = std::make_unique<std::wstring>(L"(?<name>a)\\k<nope>");
        regex = RegEx::create(*pattern);
        pattern->assign(pattern->size(), L'#'); // scribble over the buffer, then free it
    }
    RegExErrorInfo info;
    ASSERT_TRUE(regex->getErrorInfo(&info));
    EXPECT_EQ(ONIGERR_UNDEFINED_NAME_REFERENCE, info.code);
    EXPECT_EQ(L"undefined name <nope> reference", info.message);
    EXPECT_EQ(13, info.begin); // the name, counted in characters
    EXPECT_EQ(17, info.end);
}

TEST_F(RegExTest, GroupsThatDidNotTakePart) {
    auto regex = RegEx::create(L"(a)|(b)");
    EXPECT_EQ(2, regex->getCaptureCount());
    auto onB = matchAt(*regex, L"b", 0);
    ASSERT_TRUE(onB->found());
    EXPECT_EQ(3u, onB->size());
    EXPECT_EQ(2u, onB->firstMatchedGroup());
    EXPECT_EQ(-1, onB->begin(1));
    EXPECT_EQ(-1, onB->end(1));
    EXPECT_EQ(0, onB->length(1));
    EXPECT_FALSE(onB->matched(1));
    EXPECT_EQ(0, onB->begin(2));
    EXPECT_EQ(1, onB->end(2));
    EXPECT_EQ(2u, onB->matchedCount());
    EXPECT_EQ(-1, onB->begin(5));
    EXPECT_EQ(-1, onB->end(5));

    EXPECT_EQ(1u, matchAt(*regex, L"a", 0)->firstMatchedGroup());
    auto plain = RegEx::create(L"ab");
    EXPECT_EQ(0, plain->getCaptureCount());
    EXPECT_EQ(0u, matchAt(*plain, L"ab", 0)->firstMatchedGroup());
}

TEST_F(RegExTest, NoMatchLeavesEveryGroupAbsent) {
    auto regex = RegEx::create(L"(x)(y)?");
    auto results = matchAt(*regex, L"abc", 0);
    EXPECT_FALSE(results->found());
    for (unsigned int i = 0; i < 4; ++i)
        EXPECT_EQ(-1, results->begin(i)) << i;
    EXPECT_EQ(0u, results->matchedCount());
    EXPECT_EQ(0, regex->getErrorCode()); // no match is not an error
}

TEST_F(RegExTest, MatchIsAnchoredAtThePosition) {
    auto regex = RegEx::create(L"b");
    EXPECT_FALSE(matchAt(*regex, L"ab", 0)->found());
    auto results = matchAt(*regex, L"ab", 1);
    ASSERT_TRUE(results->found());
    EXPECT_EQ(1, results->begin(0));
    EXPECT_EQ(2, results->end(0));

    // Look-behind sees the text before the position; the end of the range is a hard end.
    EXPECT_TRUE(matchAt(*RegEx::create(L"(?<=a)b"), L"ab", 1)->found());
    std::wstring text = L"abc";
    std::unique_ptr<MatchResultsRegEx> cut(
        RegEx::create(L"abc")->match(nullptr, text.data(), text.data() + 2, text.data()));
    EXPECT_FALSE(cut->found());
}

TEST_F(RegExTest, RangesThatDoNotHoldThePositionMatchNothing) {
    auto regex = RegEx::create(L"a*");
    std::wstring text = L"aaa";
    const wchar_t* p = text.data();
    MatchResultsRegEx results;
    EXPECT_FALSE(regex->match(&results, p, p - 1, p)->found());         // end before start
    EXPECT_FALSE(regex->match(&results, p, p + 3, p + 4)->found());     // past the end
    EXPECT_FALSE(regex->match(&results, p + 1, p + 3, p)->found());     // before the start
    EXPECT_FALSE(regex->match(&results, nullptr, nullptr, nullptr)->found());
    EXPECT_TRUE(regex->match(&results, p, p + 3, p + 3)->found());      // empty match at the end
    EXPECT_FALSE(regex->search(&results, p, p + 3, p, p + 5)->found());
}

TEST_F(RegExTest, ResultsAreReusedAndCleared) {
    auto regex = RegEx::create(L"(a)(b)?");
    MatchResultsRegEx results;
    std::wstring ab = L"ab";
    EXPECT_EQ(&results, regex->match(&results, ab.data(), ab.data() + 2, ab.data()));
    EXPECT_EQ(3u, results.matchedCount());
    std::wstring a = L"a";
    regex->match(&results, a.data(), a.data() + 1, a.data());
    EXPECT_EQ(2u, results.matchedCount()); // the cached count was dropped
    EXPECT_EQ(-1, results.begin(2));
}

TEST_F(RegExTest, SearchFindsTheFirstMatchInTheRange) {
    auto regex = RegEx::create(L"\\b\\w+nn\\b");
    const std::wstring text = L"a inn and a finn fan";
    const wchar_t* p = text.data();
    const wchar_t* end = p + text.size();
    std::unique_ptr<MatchResultsRegEx> results(regex->search(nullptr, p, end, p, end));
    ASSERT_TRUE(results->found());
    EXPECT_EQ(2, results->begin(0));
    EXPECT_EQ(5, results->end(0));

    regex->search(results.get(), p, end, p + 3, end);
    ASSERT_TRUE(results->found());
    EXPECT_EQ(12, results->begin(0));
    EXPECT_EQ(16, results->end(0));

    // Backwards: the last start at or before the range start.
    for (const wchar_t* pattern : {L"finn", L"\\b\\w+nn\\b"}) {
        RegEx::create(pattern)->search(results.get(), p, end, end, p);
        EXPECT_TRUE(results->found()) << pattern;
        EXPECT_EQ(12, results->begin(0)) << pattern;
    }
}

TEST_F(RegExTest, CatastrophicPatternEndsWithAnError) {
    auto regex = RegEx::create(L"(a+)+$");
    const std::wstring text = std::wstring(40, L'a') + L"b";
    const wchar_t* p = text.data();
    std::unique_ptr<MatchResultsRegEx> results(regex->match(nullptr, p, p + text.size(), p));
    EXPECT_FALSE(results->found());
    EXPECT_EQ(-1, results->begin(1));
    EXPECT_EQ(ONIGERR_RETRY_LIMIT_IN_MATCH_OVER, regex->getErrorCode());
    RegExErrorInfo info;
    ASSERT_TRUE(regex->getErrorInfo(&info));
    EXPECT_FALSE(info.message.empty());

    auto searching = RegEx::create(L"(a+)+$");
    searching->search(results.get(), p, p + text.size(), p, p + text.size());
    EXPECT_FALSE(results->found());
    EXPECT_EQ(ONIGERR_RETRY_LIMIT_IN_MATCH_OVER, searching->getErrorCode());
}

TEST_F(RegExTest, PatternSharedBetweenThreads) {
    std::shared_ptr<RegEx> regex = RegEx::create(L"(\\d+)-(\\d+)");
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::wstring text = L"x " + std::to_wstring(t * 100) + L"-" + std::to_wstring(t);
            MatchResultsRegEx results;
            for (int i = 0; i < 500; ++i) {
                regex->search(&results, text.data(), text.data() + text.size(), text.data(),
                              text.data() + text.size());
                std::map<unsigned int, std::wstring> groups;
                results.getCaptures(text.data(), static_cast<int>(text.size()), &groups);
                if (groups[2] == std::to_wstring(t))
                    ++good[t];
            }
        });
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(500, good[t]);
}
