#include "service/bundles/snippets/SnippetInsertion.h"

#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/bundles/snippets/SnippetReader.h"

#include "../EntryValueSupport.h"
#include "service/parser/spans/SpanTestSupport.h"
#include "support/LogCapture.h"


using namespace tessel;
using tessel_test::LogCapture;

namespace {

class SnippetInsertionTest : public tessel_test::SpanTest {
protected:
    // Inserts the snippet at the current selection in one edit.
    void insert(const std::wstring& content) {
        const std::unique_ptr<Snippet> snippet = SnippetReader().read(content);
        ASSERT_TRUE(snippet);
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        ASSERT_TRUE(SnippetInsertion::insertSnippet(*controller, *snippet));
    }
    // A snippet item holding the content.
    boost::intrusive_ptr<SnippetBundleItem> item(const std::wstring& content) {
        boost::intrusive_ptr<SnippetBundleItem> entry(new SnippetBundleItem, false);
        ErrorList errors;
        entry->readValue(tessel_test::EntryValue(L"{title: 'T' content: " + content + L"}").dictionary(), &errors);
        return entry;
    }
    bool inSnippet() { return manager().findContext(SnippetInsertion::CONTEXT_NAME) != nullptr; }
};

} // namespace

// Each range gets its own selected text; the final stop (the first range's), or the end of the
// text where there is no stop, ends the snippet with the caret there.
TEST_F(SnippetInsertionTest, EachRangeGetsItsOwnSelectedTextAndWithoutStopsTheCaretFollows) {
    EXPECT_EQ(0x74162508u, SnippetInsertion::contextId());
    const struct {
        const wchar_t *text, *snippet, *expected;
        std::vector<SelectionRange> ranges;
        int32_t caret;
    } rows[] = {{L"x yy", L"[$SELECTED_TEXT]$0", L"[x] [yy]", {{0, 1, 0}, {2, 4, 1}}, 3},
                {L"ab", L"<${NAME:x}${UNSET}>", L"a<x>b", {{1, 1, 0}}, 4}};
    for (const auto& row : rows) {
        load(row.text);
        selectRanges(row.ranges);
        insert(row.snippet);
        EXPECT_EQ(row.expected, text());
        EXPECT_EQ(std::make_pair(row.caret, row.caret), tessel_test::offsetsOf(*controller)) << row.snippet;
        EXPECT_FALSE(inSnippet());
        checkTree();
        EXPECT_TRUE(controller->undo());
        EXPECT_EQ(row.text, text());
    }
}

TEST_F(SnippetInsertionTest, LinesAfterTheFirstTakeTheLinesIndentation) {
    const struct {
        bool spaces;
        const wchar_t* line;
        const wchar_t* snippet;
        const wchar_t* text;
    } rows[] = {
        {true, L"        ", L"a\n\tb", L"        a\n            b"},
        {false, L"\t\t", L"a\r\n    b\n", L"\t\ta\n\t\t\tb\n\t\t"},
        {true, L"  x", L"a\n${1:b\n c}", L"  xa\n  b\n   c"},
    };
    for (const auto& row : rows) {
        load(row.line);
        {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            controller->setIndentation(4, row.spaces);
            selection().setCaretOffset(document->getLength());
        }
        insert(row.snippet);
        EXPECT_EQ(row.text, text()) << row.snippet;
        checkTree();
    }
}

// Blanks after the insertion point (what a new line left of a blank line) are no indentation
// of it: the lines below take only the blanks before it.
TEST_F(SnippetInsertionTest, BlanksAfterTheInsertionPointDoNotIndentTheLinesBelow) {
    const struct {
        bool spaces;
        const wchar_t* line;
        int32_t caret;
        const wchar_t* text;
    } rows[] = {
        {true, L"      ", 4, L"    for {\n        x\n    }  "},
        {false, L"\t  \t", 1, L"\tfor {\n\t\tx\n\t}  \t"},
        {true, L"    y", 2, L"  for {\n      x\n  }  y"},
    };
    for (const auto& row : rows) {
        load(row.line);
        {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            controller->setIndentation(4, row.spaces);
            selection().setCaretOffset(row.caret);
        }
        insert(L"for {\n\t${1:x}\n}");
        EXPECT_EQ(row.text, text()) << row.line;
        checkTree();
    }
}

TEST_F(SnippetInsertionTest, AReadOnlyDocumentTakesNoSnippet) {
    load(L"x");
    document->setReadOnly(true);
    const std::unique_ptr<Snippet> snippet = SnippetReader().read(L"for {\n\t$1\n}");
    ASSERT_TRUE(snippet);
    tessel_test::LogCapture log;
    {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        EXPECT_FALSE(SnippetInsertion::insertSnippet(*controller, *snippet));
    }
    EXPECT_EQ(L"x", text());
    EXPECT_FALSE(inSnippet()) << "no span context is left behind";
    EXPECT_FALSE(log.contains(L"an open edit transaction"));
    checkTree();
}

TEST_F(SnippetInsertionTest, MastersLeadTheirMirrorsAndTransformationsFollowTyping) {
    load(L"");
    insert(L"$1-${1:foo} ${1/(\\w+)/\\u$1/g} ${2:x}${2/X/y/i}");
    EXPECT_EQ(L"foo-foo Foo xy", text());
    EXPECT_EQ(std::make_pair(4, 7), tessel_test::offsetsOf(*controller)); // the placeholder selected
    type(L"ab cd");
    EXPECT_EQ(L"ab cd-ab cd Ab Cd xy", text());
    EXPECT_TRUE(inSnippet());
    checkTree();
    EXPECT_TRUE(controller->undo());
    EXPECT_TRUE(controller->undo());
    EXPECT_EQ(L"", text());
}

TEST_F(SnippetInsertionTest, AnItemWithASyntaxErrorChangesNothing) {
    load(L"abc");
    LogCapture log;
    EXPECT_FALSE(SnippetInsertion::insertItem(*controller, *item(L"'${1/a'")));
    EXPECT_FALSE(SnippetInsertion::insertItem(*controller, *item(L"'x${'")));
    EXPECT_EQ(L"abc", text());
    EXPECT_EQ(0u, controller->getLockDepth());
    EXPECT_FALSE(SnippetInsertion::insertSnippet(*controller, *SnippetReader().read(L"x"))); // no edit open
    EXPECT_TRUE(log.contains(L"Parsing ended unexpectedly."));
    type(L"z");
    EXPECT_EQ(L"zabc", text());
    EXPECT_TRUE(SnippetInsertion::insertItem(*controller, *item(L"'<$1>'")));
    EXPECT_EQ(L"z<>abc", text());
    EXPECT_TRUE(controller->undo());
    EXPECT_EQ(L"zabc", text());
}

