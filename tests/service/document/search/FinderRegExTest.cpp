#include "service/document/search/FinderRegEx.h"

#include "../DocumentTestSupport.h"
#include "SearchTestSupport.h"

#include "support/LogCapture.h"

#include <boost/xpressive/regex_error.hpp>
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using tessel::FinderRegEx;
using tessel_test::documentWithGap;
using tessel_test::runFind;

namespace {

class FinderRegExTest : public tessel_test::MainThreadTest {};

std::wstring refusal(const std::wstring& pattern) {
    try {
        FinderRegEx finder(pattern, false);
    } catch (const boost::xpressive::regex_error& error) {
        return pel::formatString(L"%S", error.what());
    }
    return L"compiled";
}

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

// A repeated group recurses once per repetition: over a long line the search would overflow
// the stack. It ends as no match instead, logged, and the finder and the thread go on working.
TEST_F(FinderRegExTest, RecursionThatWouldOverflowTheStackEndsAsNoMatch) {
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
        EXPECT_EQ(L"none", runFind(*document, finder, 0, length, false));
        EXPECT_TRUE(log.contains(L"FinderRegEx::find(): The search needs more stack than the thread has", pel::LOG_ERROR));
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
    EXPECT_EQ(L"none", run.found);
    EXPECT_TRUE(log.contains(L"needs more stack", pel::LOG_ERROR));
}
