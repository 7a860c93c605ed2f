#include "service/document/search/FinderRegEx.h"
#include "service/document/search/Replacer.h"

#include "../DocumentTestSupport.h"
#include "SearchTestSupport.h"

#include <gtest/gtest.h>

using tessel_test::documentWithGap;

namespace {

class ReplacerTest : public tessel_test::MainThreadTest {};

} // namespace

// A format expanded over the document gives what the format language gives over the same
// string, wherever the gap lies.
TEST_F(ReplacerTest, FormatsExpandOverTheDocumentAsOverTheString) {
    const struct {
        const wchar_t* text;
        const wchar_t* pattern;
        const wchar_t* format;
        const wchar_t* expected;
    } cases[] = {
        {L"say hello world", L"(\\w+) (\\w+)$", L"$2 $1", L"world hello"},
        {L"say hello world", L"h(\\w+)", L"\\u$1-\\U$0\\E!", L"Ello-HELLO!"},
        {L"key = value", L"(\\w+) = (\\w+)(x)?", L"(?3:has x:$2\\t$1)", L"value\tkey"},
        {L"a\u00e9b", L"\u00e9", L"[\\U$0]\\n", L"[\u00c9]\n"},
        {L"abc", L"b", L"$9$$", L"$$"},
    };
    for (const auto& c : cases) {
        const std::wstring text = c.text;
        for (int32_t gap = 0; gap <= static_cast<int32_t>(text.size()); ++gap) {
            std::unique_ptr<tessel::Document> document = documentWithGap(text, gap);
            tessel::FinderRegEx finder(c.pattern, false);
            ASSERT_TRUE(document->runFinder(finder, 0, document->getLength(), false)) << c.pattern;
            tessel::ReplacerFormat replacer(c.format);
            std::wstring out = L"old";
            EXPECT_TRUE(replacer.replace(finder.getResults(), *document, &out));
            EXPECT_EQ(c.expected, out) << c.format << " gap " << gap;
            std::wstring overString;
            tessel::expandReplaceFormat(tessel::parseReplaceFormat(c.format), finder.getResults(),
                                        tessel::WideTextRangeSource(text), &overString);
            EXPECT_EQ(overString, out);
        }
        std::wstring plain;
        tessel::ReplacerSimple(c.format).replace(pel::MatchResultsSimple(), *documentWithGap(text, 0), &plain);
        EXPECT_EQ(c.format, plain) << "plain text is given as it is";
    }
}
