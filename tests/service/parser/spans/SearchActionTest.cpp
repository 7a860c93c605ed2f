// Find, replace and replace all through the search action and the search session, whose area
// is a span context that follows the edits.

#include "SpanTestSupport.h"

#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"
#include "support/LogCapture.h"

using namespace tessel;
using tessel_test::SpanTest;
using tessel_test::offsetsOf;

namespace {

// Answers the wrap-around question as told and counts the questions.
struct WrapCounter : ISearchActionCallback {
    bool answer = true;
    int asked = 0;
    bool shouldWrapAround(const SearchActionRecord&) override {
        ++asked;
        return answer;
    }
};

class SearchActionTest : public SpanTest {
protected:
    SearchActionTest() {
        record.canReplace = true;
        record.callback = &wrap;
        record.parameters.scope = SearchActionRecord::SCOPE_DOCUMENT;
    }
    bool act(uint32_t action, bool backwards = false) { return ssOnAction(*controller, record, action, backwards); }
    void search(const std::wstring& find, const std::wstring& replace = L"", bool regex = false) {
        record.parameters.findText = find;
        record.parameters.replaceText = replace;
        record.parameters.regex = regex;
    }
    void selectRanges(const std::vector<SelectionRange>& ranges) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        selection().applyRanges(ranges);
    }
    std::pair<int32_t, int32_t> selected() { return offsetsOf(*controller); }

    SearchActionRecord record;
    WrapCounter wrap;
};

using Selected = std::pair<int32_t, int32_t>;

} // namespace

TEST_F(SearchActionTest, FindWalksTheMatchesAndWrapsAroundOnceAsked) {
    load(L"ab ab ab");
    search(L"ab");
    // A selection scope with nothing selected searches the whole text.
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    select(8, 8);
    wrap.answer = false;
    EXPECT_FALSE(act(search_actions::FIND));
    EXPECT_EQ(1, wrap.asked);
    EXPECT_EQ(Selected(8, 8), selected()) << "a failed find leaves the selection";
    wrap.answer = true;
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(2, wrap.asked) << "asked once more";
    EXPECT_EQ(Selected(0, 2), selected()) << "the first match from the start";
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(3, 5), selected());
    EXPECT_TRUE(act(search_actions::FIND, true));
    EXPECT_EQ(Selected(0, 2), selected()) << "find previous";
    EXPECT_TRUE(act(search_actions::FIND, true));
    EXPECT_EQ(Selected(6, 8), selected()) << "backwards around the start";
    EXPECT_EQ(3, wrap.asked);
    // After the user moves the caret, the next find starts there.
    select(4, 4);
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(6, 8), selected());
    EXPECT_FALSE(document->getFormat().modified) << "finding only selects";
    EXPECT_FALSE(document->getUndoContext().canUndo());
    checkTree();
}

TEST_F(SearchActionTest, ReplaceAllChangesExactlyTheSearchedText) {
    struct Case {
        const wchar_t* text;
        std::vector<SelectionRange> selected; // none: the whole text
        const wchar_t *find, *replace;
        bool regex;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"xa ya", {{0, 2, 0}}, L"a", L"Z", true, L"xZ ya"},
        {L"xa ya", {{0, 1, 0}}, L"a", L"Z", true, L"xa ya"},
        {L"aa-aa-aa-aa", {{0, 2, 0}, {6, 8, 0}}, L"a", L"bc", false, L"bcbc-aa-bcbc-aa"},
        {L"one two one", {}, L"one", L"", false, L" two "},
        {L"baaa ba", {}, L"a*", L"<$0>", true, L"b<aaa> b<a>"},
        {L"Cat cat", {}, L"(c)at", L"\\u$1og", true, L"Cog Cog"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        load(test.text);
        search(test.find, test.replace, test.regex);
        record.parameters.scope =
            test.selected.empty() ? SearchActionRecord::SCOPE_DOCUMENT : SearchActionRecord::SCOPE_SELECTION;
        selectRanges(test.selected.empty() ? std::vector<SelectionRange>{{0, 0, 0}} : test.selected);
        EXPECT_EQ(std::wstring(test.expected) != test.text, act(search_actions::REPLACE_ALL));
        EXPECT_EQ(test.expected, text());
        checkTree();
        controller->undo();
        EXPECT_EQ(test.text, text()) << "one undo takes back the whole replace all";
        controller->getSearchSession().clear();
    }
}

TEST_F(SearchActionTest, ReplaceReplacesOnlyAMatchThatIsStillSelected) {
    load(L"a1 a2 a3");
    search(L"a\\d", L"[$0]", true);
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(0, 2), selected());
    EXPECT_TRUE(act(search_actions::REPLACE));
    EXPECT_EQ(L"[a1] a2 a3", text());
    EXPECT_EQ(Selected(5, 7), selected()) << "the next match";
    // The selection no longer a match: nothing changes but the selection.
    select(5, 6);
    EXPECT_TRUE(act(search_actions::REPLACE));
    EXPECT_EQ(L"[a1] a2 a3", text());
    EXPECT_EQ(Selected(8, 10), selected());
    record.canReplace = false;
    EXPECT_FALSE(act(search_actions::REPLACE));
    EXPECT_EQ(L"[a1] a2 a3", text());
    checkTree();
}

TEST_F(SearchActionTest, BadSearchesAreRefusedAndLogged) {
    tessel_test::LogCapture log;
    load(L"text");
    search(L"");
    EXPECT_FALSE(act(search_actions::FIND));
    EXPECT_TRUE(log.contains(L"DocumentControllerSearchSession::setFinder(): Find string was empty.", pel::LOG_ERROR));
    search(L"(", L"", true);
    EXPECT_FALSE(act(search_actions::FIND));
    EXPECT_TRUE(log.contains(L"DocumentControllerSearchSession::setFinder(): Cannot compile regular expression: `",
                             pel::LOG_ERROR));
    search(L"t");
    EXPECT_FALSE(act(0x12345678));
    EXPECT_TRUE(log.contains(L"Editor::ssOnAction(): Invalid search action (12345678).\n", pel::LOG_INFO));
    // The action that finds on from where the session stands selects, or puts a caret there.
    EXPECT_TRUE(act(search_actions::FIND_ON));
    EXPECT_EQ(Selected(0, 1), selected());
    EXPECT_TRUE(act(search_actions::FIND_ON));
    EXPECT_EQ(Selected(3, 4), selected());
    wrap.answer = false;
    EXPECT_FALSE(act(search_actions::FIND_ON));
    EXPECT_EQ(Selected(4, 4), selected());
    load(L"");
    EXPECT_FALSE(act(search_actions::FIND)) << "nothing to search";
}

TEST_F(SearchActionTest, TheAreaFollowsEditsAndTheCaretLeavingIt) {
    load(L"x a x a x a");
    search(L"a", L"b");
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    selectRanges({{2, 7, 0}});
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(2, 3), selected());
    DocumentControllerSearchSession& session = controller->getSearchSession();
    // Typing before the area moves it; the caret leaving it keeps it.
    select(0, 0);
    type(L"yy ");
    EXPECT_EQ(DocumentControllerSearchSession::UNSET, session.getStartPosition());
    EXPECT_EQ(3, session.getPosition());
    ASSERT_EQ(1u, session.getAreaRanges().size());
    EXPECT_EQ(DocumentControllerSearchSession::Range(5, 10), session.getAreaRanges()[0]);
    // With the caret outside, a search goes on with the next range of the area.
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(5, 6), selected());
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"yy x b x b x a", text());
    checkTree();
}
