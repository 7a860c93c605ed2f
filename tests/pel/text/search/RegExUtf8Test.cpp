#include "pel/text/Utf8Text.h"
#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExLibrary.h"
#include "pel/text/search/RegExSet.h"

#include "RegExErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace pel;
using pel_test::errorOf;

namespace {

// Every group as "(begin,end)" in units of the text, or "no match".
std::wstring groups(const MatchResults& results, const Utf8Text* bytes = nullptr) {
    if (!results.found())
        return L"no match";
    std::wstring text;
    const auto unit = [&](int offset) {
        return offset < 0 || !bytes ? offset : static_cast<int>(bytes->unitOffset(static_cast<size_t>(offset)));
    };
    for (unsigned int i = 0; i < results.size(); ++i)
        text += L"(" + std::to_wstring(unit(results.begin(i))) + L"," + std::to_wstring(unit(results.end(i))) + L")";
    return text;
}

std::unique_ptr<RegEx> compile(const wchar_t* pattern, RegExEncoding encoding) {
    std::wstring fixed;
    RegEx::fixHexEscapes(pattern, &fixed);
    return RegEx::create(fixed, RegExOptions(), encoding);
}

bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

// Matched at each character of a text beyond ASCII (accents, CJK, a pair, a lone surrogate), an
// expression compiled for UTF-8 finds over the UTF-8 form what it finds compiled for UTF-16, byte
// escapes read as code points; given UTF-16 text, it converts it and answers in units.
TEST(RegExUtf8, MatchesWhatTheUtf16FormMatchesAtEveryCharacter) {
    initRegExLibrary();
    const std::wstring text = L"A\u00E9\u00C9x \u4E2D\u6587\xD83D\xDE00" L"b\xD800_\u00E9\u00E9A1\n";
    Utf8Text bytes(text.data(), text.size());
    const wchar_t* patterns[] = {
        L"\\x41",         L"\\xE9",          L"[\\x00-\\x7F]+", L"[^\\x00-\\x7F]+", L"(?i)\u00E9+", L"\\w+",
        L"(.)(.)",        L"(?<=\u00E9)\\w", L"\\b\\w",         L"[\\x{4E00}-\\x{9FFF}]+(\\X)",  L"\\x{1F600}",
        L"(?<!\\x{1F600})b", L"\\W+",        L"\\s*$",          L"\\S(?=\\n)",   L"(?:\u00E9|A)\\d?",
    };
    MatchResultsRegEx utf16, utf8, converted;
    for (const wchar_t* pattern : patterns) {
        const std::unique_ptr<RegEx> wide = compile(pattern, RegExEncoding::UTF16);
        const std::unique_ptr<RegEx> narrow = compile(pattern, RegExEncoding::UTF8);
        ASSERT_TRUE(narrow->isCompiled()) << pattern;
        EXPECT_EQ(RegExEncoding::UTF8, narrow->getEncoding());
        EXPECT_EQ(wide->getCaptureCount(), narrow->getCaptureCount());
        for (size_t at = 0; at <= text.size(); ++at) {
            if (at < text.size() && isLowSurrogate(text[at]) && at > 0 && text[at - 1] == 0xD83D)
                continue; // inside the pair
            const wchar_t* w = text.data();
            wide->match(&utf16, w, w + text.size(), w + at);
            narrow->matchUtf8(&utf8, bytes.data(), bytes.end(), bytes.data() + bytes.byteOffset(at));
            narrow->match(&converted, w, w + text.size(), w + at);
            EXPECT_EQ(groups(utf16), groups(utf8, &bytes)) << pattern << " at " << at;
            EXPECT_EQ(groups(utf16), groups(converted)) << pattern << " at " << at;
        }
        const wchar_t* w = text.data();
        wide->search(&utf16, w, w + text.size(), w + 1, w + text.size());
        narrow->searchUtf8(&utf8, bytes.data(), bytes.end(), bytes.data() + 1, bytes.end());
        EXPECT_EQ(groups(utf16), groups(utf8, &bytes)) << pattern << " searched";
    }
    // The class form UTF-16 mis-matches is right in UTF-8 as written.
    const std::unique_ptr<RegEx> nested = compile(L"[a[^\\x00-\\x7F]]+", RegExEncoding::UTF8);
    nested->matchUtf8(&utf8, bytes.data(), bytes.end(), bytes.data());
    EXPECT_EQ(L"no match", groups(utf8, &bytes));
    nested->matchUtf8(&utf8, bytes.data(), bytes.end(), bytes.data() + 1);
    EXPECT_EQ(L"(1,3)", groups(utf8, &bytes));
    // A lone surrogate in a pattern (a delimiter captured from a line) stands for U+FFFD as it does
    // in the text, so it matches the lone surrogate it was taken from.
    const std::unique_ptr<RegEx> lone = RegEx::create(std::wstring(L"\xD800_"), RegExOptions(), RegExEncoding::UTF8);
    ASSERT_TRUE(lone->isCompiled());
    const wchar_t* w = text.data();
    EXPECT_EQ(L"(10,12)", groups(*lone->search(&converted, w, w + text.size(), w, w + text.size())));
    // Each form runs over its own text only.
    EXPECT_FALSE(compile(L"x", RegExEncoding::UTF16)->matchUtf8(&utf8, "x", "x" + 1, "x")->found());
}

TEST(RegExUtf8, APatternThatDoesNotCompileReportsWhatTheUtf16FormReports) {
    const wchar_t* patterns[] = {L"a(b", L"(?<name>a)\\k<nope>", L"\u00E9(?<n\u00E9>a)\\k<\u00F1ope>", L"[b-a]",
                                 L"\u3042\u3042(?<\u3042>x)(?<\u3042>y)\\g<\u3042>", L"\\x{110000}", L"\\p{Nope\u00E9}"};
    for (const wchar_t* pattern : patterns) {
        const std::unique_ptr<RegEx> wide = RegEx::create(pattern, RegExOptions(), RegExEncoding::UTF16);
        const std::unique_ptr<RegEx> narrow = RegEx::create(pattern, RegExOptions(), RegExEncoding::UTF8);
        EXPECT_FALSE(narrow->isCompiled()) << pattern;
        EXPECT_EQ(errorOf(*wide), errorOf(*narrow)) << pattern;
        EXPECT_EQ(pattern, narrow->getPattern());
    }
}

TEST(RegExUtf8, ASetOfUtf8ExpressionsAnswersInBytesAndLeavesOutAUtf16One) {
    const std::unique_ptr<RegEx> acute = RegEx::create(L"\u00E9+", RegExOptions(), RegExEncoding::UTF8);
    const std::unique_ptr<RegEx> smile = RegEx::create(L"\\x{1F600}(\\w)", RegExOptions(), RegExEncoding::UTF8);
    const std::unique_ptr<RegEx> wide = RegEx::create(L"x", RegExOptions(), RegExEncoding::UTF16);
    RegExSetSearch set({smile.get(), wide.get(), acute.get()});
    const std::string text = "x \xF0\x9F\x98\x80\xC3\xA9\xC3\xA9 \xC3\xA9";
    MatchResultsRegEx results;
    const char* t = text.data();
    EXPECT_EQ(0, set.searchUtf8(&results, t, t + text.size(), t));
    EXPECT_EQ(L"(2,8)(6,8)", groups(results));
    EXPECT_EQ(2, set.searchUtf8(&results, t, t + text.size(), t + 3));
    EXPECT_EQ(L"(6,10)", groups(results));
    EXPECT_EQ(-1, set.searchUtf8(&results, t, t + text.size(), t + text.size()));
    const std::wstring wideText = L"x\u00E9";
    EXPECT_EQ(-1, set.search(&results, wideText.data(), wideText.data() + 2, wideText.data())) << "UTF-8 text only";
}

// The engine may answer a search of a pattern anchored at the subject's end with a match that
// begins before where the search began: the wrapper answers what the search asked, the first
// match from its start.
TEST(RegExUtf8, ASearchNeverAnswersAMatchBeginningBeforeItsStart) {
    initRegExLibrary();
    struct Case {
        const wchar_t* pattern;
        const wchar_t* text;
        size_t from;
        const wchar_t* found;
    } cases[] = {
        {L"(?:\\ ?B){2,}\\z", L"BB", 1, L"no match"},
        {L"(?:\\ ?B){2,}\\z", L"BB", 0, L"(0,2)"},
        {L"(?:\\ ?B){2,}\\z", L"xB BB", 1, L"(1,5)"},
        {L"(?:\\ ?B){2,}\\z", L"B\u00E9BB", 1, L"(2,4)"},
        {L"(?:\\ ?(B)){1,}\\z", L"BB", 1, L"(1,2)(1,2)"},
    };
    MatchResultsRegEx results;
    for (const Case& c : cases) {
        const std::unique_ptr<RegEx> narrow = compile(c.pattern, RegExEncoding::UTF8);
        ASSERT_TRUE(narrow->isCompiled()) << c.pattern;
        const std::wstring text = c.text;
        narrow->search(&results, text.data(), text.data() + text.size(), text.data() + c.from,
                       text.data() + text.size());
        EXPECT_EQ(c.found, groups(results)) << c.pattern << " on " << text.c_str() << " from " << c.from;
    }
}
