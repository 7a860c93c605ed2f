#include "SpanTestSupport.h"

#include "service/parser/base/ScopePath.h"

#include <random>

using namespace tessel;
using tessel_test::SpanTest;

using tessel_test::offsetsOf;

TEST_F(SpanTest, TypingInAPlaceholderGrowsItAndRewritesItsMirrors) {
    struct Case {
        const wchar_t* snippet;
        int32_t anchor, caret; // what the typing replaces
        const wchar_t* typed;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"${1:a} ${1}", 1, 1, L"xy", L"axy axy"},
        {L"for (${1:i} = 0; ${1} < ${2:n}; ${1}++)", 6, 6, L"j", L"for (ij = 0; ij < n; ij++)"},
        {L"for (${1:i} = 0; ${1} < ${2:n}; ${1}++)", 5, 6, L"j", L"for (j = 0; j < n; j++)"},
        // Mirrors before their primary, two of them at one place.
        {L"${2:x}${1}${1}<${1:a}>", 5, 5, L"b", L"xabab<ab>"},
        // Behind a nested placeholder, typing stays in the current one around it.
        {L"<${1:a${2:b}c}> ${1} ${2}", 3, 3, L"z", L"<abzc> abzc b"},
        {L"<${1:a${2:b}c}> ${1} ${2}", 2, 2, L"z", L"<azbc> azbc b"},
        // Transformed mirrors show the substitution of every match or of the first.
        {L"${1:x} ${1/(\\w+)/\\u$1/}", 0, 1, L"foo", L"foo Foo"},
        {L"${1:x} ${1/a/b/}", 0, 1, L"aaa", L"aaa baa"},
        {L"${1:x} ${1/q/b/g}", 0, 1, L"aaa", L"aaa aaa"},
        {L"${1:x} ${1/a/b/g}", 0, 1, L"aaa", L"aaa bbb"},
        // An edit after a placeholder moves the ones behind it (the next Tab selects "zb").
        {L"foo(${1:a}, ${2:b})", 7, 7, L"z", L"foo(a, zb)"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.snippet);
        load(L"");
        insertSnippet(test.snippet, 0);
        select(test.anchor, test.caret);
        type(test.typed);
        EXPECT_EQ(test.expected, text());
        checkTree();
    }
    EXPECT_TRUE(controller->gotoTabStop(true));
    EXPECT_EQ(std::make_pair(8, 9), offsetsOf(*controller));
    // Undo and redo bring back a mirror that still transforms every match.
    load(L"");
    insertSnippet(L"${1:x} ${1/a/b/g}", 0);
    select(0, 1);
    type(L"aaa");
    controller->undo();
    controller->redo();
    select(3, 3);
    type(L"a");
    EXPECT_EQ(L"aaaa bbbb", text());
}

TEST_F(SpanTest, TabWalksTheStopsAndLeavesTheSnippet) {
    struct Case {
        const wchar_t* snippet;
        std::vector<bool> keys; // true: Tab, false: Shift+Tab
        std::pair<int32_t, int32_t> selected;
        bool inSnippet;
    };
    const Case cases[] = {
        // The last numbered stop, then the final stop 0: selected, and the snippet is over.
        {L"(${1:a}${2:b}${0:c})", {true}, {2, 3}, true},
        {L"(${1:a}${2:b}${0:c})", {true, true}, {3, 4}, false},
        // Without a stop 0 the caret goes to the end.
        {L"(${1:a}${2:b})", {true, true}, {4, 4}, false},
        {L"(${1:a}${2:b})", {true, false}, {1, 2}, true},
        // Shift+Tab from stop 1 leaves the snippet, the caret at its end.
        {L"(${1:a}${2:b})", {false}, {4, 4}, false},
        // A disabled stop is passed over.
        {L"(${1:a}${2:b}${3:c})", {true}, {3, 4}, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.snippet);
        load(L"");
        SpanContext* snippet = insertSnippet(test.snippet, 0);
        if (snippet->findTabStop(3, false))
            snippet->findTabStop(2, false)->primary->setEnabled(false);
        for (bool forward : test.keys)
            EXPECT_TRUE(controller->gotoTabStop(forward));
        EXPECT_EQ(test.selected, offsetsOf(*controller));
        EXPECT_EQ(test.inSnippet, manager().countSpans() > 1);
        checkTree();
    }
    // Outside a snippet Tab is not taken.
    load(L"x");
    EXPECT_FALSE(controller->gotoTabStop(true));
}

TEST_F(SpanTest, UndoRestoresTheSpansAndTheCurrentSpan) {
    load(L"");
    insertSnippet(L"f(${1:a}, ${1})", 0);
    const std::wstring before = dump();
    Span* current = manager().getCurrentSpan();
    const int32_t start = current->getStart();
    select(2, 3);
    type(L"xyz");
    EXPECT_EQ(L"f(xyz, xyz)", text());
    controller->undo();
    EXPECT_EQ(L"f(a, a)", text());
    EXPECT_EQ(before, dump());
    EXPECT_EQ(start, manager().getCurrentSpan()->getStart());
    EXPECT_TRUE(manager().getCurrentSpan()->isPrimary());
    controller->redo();
    EXPECT_EQ(L"f(xyz, xyz)", text());
    checkTree();
    // The restored placeholder still has its mirror.
    select(5, 5);
    type(L"!");
    EXPECT_EQ(L"f(xyz!, xyz!)", text());
}

TEST_F(SpanTest, TheCaretScopeNamesTheSnippet) {
    insertSnippet(L"${1:a}", 0, L"app.document.context.snippet");
    ScopePath path;
    controller->getCaretScope(path);
    const std::wstring scope = path.toString();
    // Innermost first.
    EXPECT_EQ(0u, scope.find(L"app.document.context.snippet ui.selection.normal")) << scope;
}

TEST_F(SpanTest, TheDumpShowsEverySpanUntilTheCaretLeavesTheSnippet) {
    load(L"><");
    insertSnippet(L"f(${1:a${2:b}})", 1);
    EXPECT_EQ(L"Span count = 8\n"
              L" [0, 7] PI=-1 CI=0   [[  [1, 5] PI=0 CI=1   [[  [1, 2] PI=1 CI=1 [3, 2] PI=1 CI=1   [[  [3, 1] "
              L"PI=3 CI=1 [4, 1] PI=3 CI=1   [[  [4, 1] PI=5 CI=1 ]]\n"
              L" ]]\n"
              L" [5, 1] PI=1 CI=1 ]]\n"
              L" ]]\n",
              dump());
    // Moving out of the snippet drops it; what is typed there grows the root.
    select(7, 7);
    EXPECT_EQ(L"Span count = 1\n [0, 7] PI=-1 CI=0\n", dump());
    type(L"!");
    EXPECT_EQ(L"Span count = 1\n [0, 8] PI=-1 CI=0\n", dump());
}

// Random edits, caret moves, Tab, undo and redo on nested placeholders and mirrors: the tree
// keeps its shape, and a primary's mirrors follow every edit of it.
TEST_F(SpanTest, RandomEditsKeepTheTreeWhole) {
    std::mt19937 random(33);
    const auto pick = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, std::max(low, high))(random);
    };
    const std::wstring snippet = L"${2}f(${1:a${2:b}c}, ${2}, ${1/(b)/B/g}, ${3:d}) ${1} ${0}";
    load(L"");
    int mirrorChecks = 0;
    for (int step = 0; step < 5000; ++step) {
        SCOPED_TRACE(step);
        if (manager().countSpans() == 1 || document->getLength() > 300) {
            if (document->getLength() > 300)
                load(L"");
            insertSnippet(snippet, pick(0, document->getLength()));
        }
        const Span* current = manager().getCurrentSpan();
        const int32_t nearby = pick(current->getStart(), current->getEnd());
        const int32_t at = pick(0, 3) ? nearby : pick(0, document->getLength());
        const std::wstring before = text();
        // Typing, a removal, a caret move, Tab or Shift+Tab, undo or redo.
        const int32_t action = pick(0, 6);
        if (action < 5)
            select(at, at);
        if (action < 2) {
            type(std::wstring(static_cast<size_t>(pick(1, 2)), static_cast<wchar_t>(L'k' + pick(0, 5))));
        } else if (action < 4) {
            DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
            controller->deleteChars(pick(0, 1) ? pick(1, 3) : -pick(1, 3));
        } else if (action == 5) {
            controller->gotoTabStop(pick(0, 3) != 0);
        } else if (action == 6) {
            pick(0, 1) ? controller->undo() : controller->redo();
        }
        checkTree();
        if (HasFatalFailure())
            return;
        // The stops an edit went through show their primary's text in every mirror.
        if (action >= 4 || text() == before)
            continue;
        for (const Span* span = manager().getCurrentSpan(); span; span = span->getParent()) {
            if (!span->isPrimary())
                continue;
            const SpanContext* context = static_cast<const SpanContext*>(const_cast<Span*>(span)->getContext());
            const std::wstring primary = textOf(*span);
            ++mirrorChecks;
            for (const Span* mirror : context->findTabStop(span->getTabStop())->spans) {
                std::wstring expected = primary;
                if (mirror->getClassTag() == SPAN_CLASS_TRANSFORMATION)
                    static_cast<const SpanTransformation*>(mirror)->transform(primary, expected);
                ASSERT_EQ(expected, textOf(*mirror));
            }
        }
    }
    // The snippet lived long enough to be edited often.
    EXPECT_GT(mirrorChecks, 500);
}
