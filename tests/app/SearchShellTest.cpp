// Find and replace as the main window runs them: the values the dialog gets, the scope and
// comparison it returns, and what the status bar then says.

#include "ShellFixture.h"

#include "app/StatusBar.h"

#include "bundles/ToolStripStatus.h"

#include "components/SearchManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/document/controller/SelectionRange.h"
#include "service/document/search/FinderRegEx.h"

using namespace tessel;

namespace {

class SearchShellTest : public tessel_test::ShellFixture {
protected:
    void open(const std::string& text) {
        base.write(L"files\\s.txt", text);
        ASSERT_TRUE(start(L"\"" + file(L"s.txt") + L"\""));
        controller = window->getActivePage()->controller;
        // The start's own activities (the bundle load) show over messages until they end.
        ASSERT_TRUE(tessel_test::pumpUntil([] { return ToolStripStatus::getActivities().empty(); }));
    }
    std::wstring text() {
        std::wstring out;
        controller->getText(&out);
        return out;
    }
    SearchParameters replacing(const wchar_t* find, const wchar_t* with) {
        SearchParameters values;
        values.findText = find;
        values.replaceText = with;
        values.scope = SearchManager::SCOPE_DOCUMENT;
        return values;
    }
    std::wstring status() { return window->getStatusBar()->getShownText(); }
    void select(int32_t anchor, int32_t caret) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        controller->getSelection().setOffsets(anchor, caret, selection_ids::NORMAL);
    }

    DocumentController* controller = nullptr;
};

TEST_F(SearchShellTest, MatchCaseAndWholeWordDecideWhatIsReplacedAndTheCountIsShown) {
    open("local Local locally local\n");
    SearchParameters values = replacing(L"local", L"x");
    values.matchCase = true;
    searches.push_back(values);
    run(L"search.replace");
    EXPECT_EQ(L"x Local xly x\n", text());
    EXPECT_EQ(L"Replaced 3 matches", status());

    ASSERT_TRUE(controller->undo());
    values.wholeWord = true;
    searches.push_back(values);
    run(L"search.replace");
    EXPECT_EQ(L"x Local locally x\n", text());
    EXPECT_EQ(L"Replaced 2 matches", status());

    ASSERT_TRUE(controller->undo());
    values.matchCase = false;
    searches.push_back(values);
    run(L"search.replace");
    EXPECT_EQ(L"x x locally x\n", text()) << "without Match case";
    EXPECT_EQ(3u, shownSearches.size());
    EXPECT_TRUE(shownSearches.back().wholeWord) << "the dialog shows the last values";
}

TEST_F(SearchShellTest, ASelectionOverLinesIsTheScopeByItselfAndTextOutsideItStays) {
    open("one one\none one\none one\n");
    select(8, 19); // from the second line into the third
    SearchParameters answer = replacing(L"one", L"1");
    answer.scope = SearchManager::SCOPE_SELECTION;
    searches.push_back(answer);
    run(L"search.replace");
    ASSERT_EQ(1u, shownSearches.size());
    EXPECT_EQ(SearchManager::SCOPE_SELECTION, shownSearches[0].scope.getHash()) << "chosen by itself";
    EXPECT_EQ(L"one one\n1 1\n1 one\n", text());
    EXPECT_EQ(L"Replaced 3 matches", status());

    // A selection within a line is what a new search looks for, in the whole document.
    select(4, 7);
    searches.push_back(replacing(L"one", L"one"));
    run(L"search.find");
    ASSERT_EQ(2u, shownSearches.size());
    EXPECT_EQ(L"one", shownSearches[1].findText);
    EXPECT_EQ(SearchManager::SCOPE_DOCUMENT, shownSearches[1].scope.getHash());
}

TEST_F(SearchShellTest, AMissSaysNotFoundAndARegularExpressionReplacesWithItsGroups) {
    open("alpha beta\n");
    SearchParameters values = replacing(L"gamma", L"");
    searches.push_back(values);
    run(L"search.find");
    EXPECT_EQ(L"Not found", status());
    EXPECT_EQ(0u, searches.size());
    // F3 searches again without asking.
    run(L"search.find.next");
    EXPECT_EQ(1u, shownSearches.size());
    EXPECT_EQ(L"Not found", status());

    values = replacing(L"(\\w+) (\\w+)", L"$2 $1");
    values.regex = true;
    searches.push_back(values);
    run(L"search.replace");
    EXPECT_EQ(L"beta alpha\n", text());
    EXPECT_EQ(L"Replaced 1 match", status());

    // A cancelled dialog searches nothing and keeps what was typed.
    tessel::setSearchHook([](bool, SearchParameters& io_values, const SearchRunner&) {
        io_values.findText = L"typed";
        return false;
    });
    run(L"search.find");
    EXPECT_EQ(L"typed", window->getSearch().findText);
    EXPECT_EQ(L"Replaced 1 match", status());
}

// A regular expression the engine cannot finish on this text (it would overflow the stack on
// the long run of "a") is a failure the status bar says, not "Not found"; Replace All then
// replaces none of the matches before it.
TEST_F(SearchShellTest, AFailedSearchSaysWhyAndReplacesNothing) {
    const std::string deep = "bz bz " + std::string(10000, 'a') + "z\n";
    open(deep);
    SearchParameters values = replacing(L"(a|b)*z", L"X");
    values.regex = true;
    select(6, 6);
    searches.push_back(values);
    run(L"search.find");
    EXPECT_EQ(FinderRegEx::TOO_DEEP, status());
    searches.push_back(values);
    run(L"search.replace");
    EXPECT_EQ(FinderRegEx::TOO_DEEP, status());
    EXPECT_EQ(std::wstring(deep.begin(), deep.end()), text());
}

// A regular expression that does not compile is not "Not found": the status bar says what the
// engine found wrong, for Find and for Replace All, and nothing changes.
TEST_F(SearchShellTest, AnInvalidRegularExpressionSaysWhy) {
    open("a(b\n");
    SearchParameters values = replacing(L"(", L"x");
    values.regex = true;
    const std::wstring invalid = L"The regular expression is not valid: ";
    for (const wchar_t* command : {L"search.find", L"search.replace"}) {
        searches.push_back(values);
        run(command);
        EXPECT_EQ(invalid, status().substr(0, invalid.size())) << command;
        EXPECT_GT(status().size(), invalid.size()) << command << ": the engine's message follows";
    }
    EXPECT_EQ(L"a(b\n", text());
}

} // namespace
