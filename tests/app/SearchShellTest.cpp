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

#include "pel/text/FormatString.h"

using namespace tessel;

namespace {

class SearchShellTest : public tessel_test::ShellFixture {
protected:
    void open(const std::string& text) {
        ASSERT_TRUE(startWithFile(L"s.txt", text));
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
    // The dialog answered as a user who types the texts and leaves the rest as shown, pressing
    // the buttons in turn: each one's answer is kept, and the dialog is then closed confirmed.
    void answerAsShown(const wchar_t* find, const wchar_t* with, std::vector<SearchCommand> presses = {}) {
        tessel::setSearchHook([this, find, with, presses](bool replace, SearchParameters& io_values,
                                                          const SearchRunner& run) {
            shownSearches.push_back(io_values);
            if (find)
                io_values.findText = find;
            io_values.replaceText = with;
            std::vector<SearchCommand> buttons = presses;
            if (buttons.empty())
                buttons.push_back(replace ? SearchCommand::REPLACE_ALL : SearchCommand::FIND_NEXT);
            for (SearchCommand button : buttons)
                searchOutcomes.push_back(run(button, io_values));
            return true;
        });
    }
    // The selection as "[anchor, caret)".
    std::wstring selected() {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
        const Selection& selection = controller->getSelection();
        return pel::formatString(L"[%d, %d)", controller->positionToOffset(selection.getAnchor()),
                                 controller->positionToOffset(selection.getCaret()));
    }
    static std::wstring span(const std::string& text, const std::string& part, size_t from = 0) {
        const size_t at = text.find(part, from);
        return pel::formatString(L"[%d, %d)", static_cast<int>(at), static_cast<int>(at + part.size()));
    }
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

// The scope is chosen again at each opening: after a Replace All in a selection over lines,
// the dialog opened with nothing selected (in that file or another) shows the whole document,
// and that is what it searches.
TEST_F(SearchShellTest, TheScopeShownIsChosenAgainAtEachOpeningAndIsTheOneSearched) {
    open("one one\none one\none one\n");
    select(8, 19);
    answerAsShown(L"one", L"1");
    run(L"search.replace");
    EXPECT_EQ(SearchManager::SCOPE_SELECTION, shownSearches.back().scope.getHash());
    EXPECT_EQ(L"one one\n1 1\n1 one\n", text());

    answerAsShown(L"one", L"2");
    run(L"search.replace");
    EXPECT_EQ(SearchManager::SCOPE_DOCUMENT, shownSearches.back().scope.getHash()) << "nothing is selected";
    EXPECT_EQ(L"2 2\n1 1\n1 2\n", text()) << "the whole document";

    base.write(L"files\\t.txt", "one\r\none\r\n");
    ASSERT_TRUE(window->openFile(file(L"t.txt")));
    controller = window->getActivePage()->controller;
    select(4, 9);
    answerAsShown(L"one", L"1");
    run(L"search.replace");
    EXPECT_EQ(SearchManager::SCOPE_SELECTION, shownSearches.back().scope.getHash());
    EXPECT_EQ(L"one\n1\n", text());
    ASSERT_TRUE(window->openFile(file(L"s.txt")));
    controller = window->getActivePage()->controller;
    answerAsShown(L"1", L"3");
    run(L"search.find");
    EXPECT_EQ(SearchManager::SCOPE_DOCUMENT, shownSearches.back().scope.getHash()) << "in another file";
    EXPECT_EQ(L"[4, 5)", selected()) << "found outside the other file's selection";
}

// A pattern across lines finds its text in a file of CR LF lines (the document holds line
// feeds), also after a search in a selection of other lines, whatever that left behind.
TEST_F(SearchShellTest, ARegularExpressionAcrossLinesFindsItsText) {
    const std::string lines = "int count_words(const char *s) {\r\n    int n = 0;\r\n    return n;\r\n}\r\n";
    open("#include <stdio.h>\r\n" + lines + "int main(void) {\r\n    int x = 1;\r\n    return x;\r\n}\r\n");
    std::string feeds;
    for (char c : text())
        feeds += static_cast<char>(c);
    select(static_cast<int32_t>(feeds.find("    return n")), static_cast<int32_t>(feeds.find("int main")));
    answerAsShown(L"n", L"n");
    run(L"search.replace");
    ASSERT_EQ(SearchManager::SCOPE_SELECTION, shownSearches.back().scope.getHash());

    SearchParameters regex = window->getSearch();
    regex.regex = true;
    window->setSearch(regex);
    answerAsShown(L"\\{\\n\\s+int", L"");
    // From the caret, which the Replace All left in the function, on.
    const std::wstring first = span(feeds, "{\n    int"), second = span(feeds, "{\n    int", feeds.find("main"));
    run(L"search.find");
    EXPECT_EQ(second, selected()) << narrow(status());
    run(L"search.find.next");
    EXPECT_EQ(first, selected()) << narrow(status());
    run(L"search.find.previous");
    EXPECT_EQ(second, selected()) << narrow(status());
}

// In regular-expression mode the text taken from a selection within a line is escaped, so that
// it finds that text; a pattern that does not compile is refused in the dialog with the reason.
TEST_F(SearchShellTest, TheSelectedTextIsEscapedForARegularExpression) {
    const std::string lines = "int count_words(const char *s);\nint n = count_words(\"a b\");\n";
    open(lines);
    SearchParameters regex;
    regex.regex = true;
    window->setSearch(regex);
    select(4, 16);
    answerAsShown(nullptr, L"");
    run(L"search.find");
    EXPECT_EQ(L"count_words\\(", shownSearches.back().findText);
    EXPECT_EQ(L"", searchOutcomes.back().message);
    EXPECT_EQ(span(lines, "count_words(", 5), selected()) << "the next one";

    regex.regex = false;
    window->setSearch(regex);
    run(L"search.find");
    EXPECT_EQ(L"count_words(", shownSearches.back().findText) << "plain text as it stands";

    regex.regex = true;
    window->setSearch(regex);
    answerAsShown(L"count_words(", L"");
    run(L"search.find");
    ASSERT_TRUE(searchOutcomes.back().refused);
    const std::wstring invalid = L"The regular expression is not valid: ";
    EXPECT_EQ(invalid, searchOutcomes.back().message.substr(0, invalid.size()));
}

// The replace dialog's Replace puts the replacement in place of the selected match and selects
// the next; Find Next only selects. Both go on from the other end, and say when nothing is left.
TEST_F(SearchShellTest, ReplaceReplacesTheSelectedMatchAndSelectsTheNext) {
    open("a1 a2 a3\n");
    select(0, 0);
    answerAsShown(L"a", L"bb", {SearchCommand::FIND_NEXT, SearchCommand::REPLACE, SearchCommand::FIND_NEXT});
    run(L"search.replace");
    EXPECT_EQ(L"bb1 a2 a3\n", text());
    EXPECT_EQ(L"[7, 8)", selected()) << "Find Next went past the next match";
    for (const SearchOutcome& outcome : searchOutcomes)
        EXPECT_EQ(L"", outcome.message);

    answerAsShown(L"a", L"bb", {SearchCommand::REPLACE, SearchCommand::REPLACE, SearchCommand::REPLACE});
    run(L"search.replace");
    EXPECT_EQ(L"bb1 bb2 bb3\n", text());
    EXPECT_EQ(L"Not found", searchOutcomes.back().message);
    EXPECT_EQ(L"Not found", status());
}

// A regular expression works on characters: "." takes a whole emoji and no line break, so Replace
// All changes only what the pattern meant and counts it; "\w" takes letters outside the BMP; an
// escape the engine does not know is refused with its reason and changes nothing.
TEST_F(SearchShellTest, ARegularExpressionReplacesWholeCharactersWithinLines) {
    open(u8"😀😀😀\r\nline one\r\nline two\r\nline three\r\nab\r\ncd\r\n\U0001D400\U0001D401 x\r\n");
    const std::wstring original = text();
    const struct {
        const wchar_t *find, *with;
        std::wstring text;
        const wchar_t* status;
    } cases[] = {
        {L"(.)", L"[$1]",
         L"[😀][😀][😀]\n[l][i][n][e][ ][o][n][e]\n[l][i][n][e][ ][t][w][o]\n[l][i][n][e][ ][t][h][r][e][e]\n[a][b]\n[c][d]\n"
         L"[\U0001D400][\U0001D401][ ][x]\n",
         L"Replaced 37 matches"},
        {L"o.*", L"X", L"😀😀😀\nline X\nline twX\nline three\nab\ncd\n\U0001D400\U0001D401 x\n", L"Replaced 2 matches"},
        {L"b.c", L"X", original, L"Not found"},
        {L"\\w+", L"W", L"😀😀😀\nW W\nW W\nW W\nW\nW\nW W\n", L"Replaced 10 matches"},
        {L"\\X", L"X", original, L"The regular expression is not valid: The escape \\X is not supported."},
    };
    for (const auto& c : cases) {
        SearchParameters values = replacing(c.find, c.with);
        values.regex = true;
        searches.push_back(values);
        run(L"search.replace");
        EXPECT_EQ(c.text, text()) << narrow(c.find);
        EXPECT_EQ(c.status, status()) << narrow(c.find);
        if (text() != original) {
            ASSERT_TRUE(controller->undo());
        }
        ASSERT_EQ(original, text());
    }
    // Found from the end of the emoji, the next character is past the line break; found
    // backwards from there, the last emoji is selected whole.
    select(6, 6);
    SearchParameters values = replacing(L".", L"");
    values.regex = true;
    searches.push_back(values);
    run(L"search.find");
    EXPECT_EQ(L"[7, 8)", selected()) << narrow(status());
    run(L"search.find.previous");
    EXPECT_EQ(L"[4, 6)", selected()) << narrow(status());
}

// Without Match case, letters outside the BMP find their other case, in plain text and in a
// regular expression, as letters inside it do.
TEST_F(SearchShellTest, IgnoringCaseFoldsLettersOutsideTheBmp) {
    open(u8"\U00010400\U00010401 \U00010428\U00010429 \u00c9clair \u00e9CLAIR\r\n");
    for (const bool regex : {false, true}) {
        const auto replaceAll = [&](const wchar_t* find, const wchar_t* with, bool matchCase) {
            SearchParameters values = replacing(find, with);
            values.regex = regex;
            values.matchCase = matchCase;
            searches.push_back(values);
            run(L"search.replace");
            const std::wstring replaced = text();
            EXPECT_TRUE(controller->undo());
            return replaced;
        };
        const char* mode = regex ? "regex" : "plain";
        EXPECT_EQ(L"x x \u00c9clair \u00e9CLAIR\n", replaceAll(L"\U00010428\U00010429", L"x", false)) << mode;
        EXPECT_EQ(L"Replaced 2 matches", status()) << mode;
        EXPECT_EQ(L"x \U00010428\U00010429 \u00c9clair \u00e9CLAIR\n", replaceAll(L"\U00010400\U00010401", L"x", true))
            << mode;
        EXPECT_EQ(L"Replaced 1 match", status()) << mode;
        EXPECT_EQ(L"\U00010400\U00010401 \U00010428\U00010429 y y\n", replaceAll(L"\u00e9clair", L"y", false)) << mode;
    }
}

// Replace All after Replace All, as a user runs them: the text a replacement put where the area
// began, or in place of all of it, stays in the area, so the next one finds it (matches shorter,
// longer and as long as their replacements, outside the BMP too).
TEST_F(SearchShellTest, ReplaceAllAfterReplaceAllFindsWhatTheFirstPutAtTheStart) {
    open("ab ab\r\n");
    const auto replaceAll = [&](const wchar_t* find, const wchar_t* with) {
        SearchParameters values = replacing(find, with);
        values.matchCase = false;
        searches.push_back(values);
        run(L"search.replace");
        return text();
    };
    EXPECT_EQ(L"c c\n", replaceAll(L"ab", L"c")) << narrow(status());
    EXPECT_EQ(L"d d\n", replaceAll(L"c", L"d")) << narrow(status());
    EXPECT_EQ(L"\U00010400 \U00010400\n", replaceAll(L"D", L"\U00010400")) << narrow(status());
    EXPECT_EQ(L"ee ee\n", replaceAll(L"\U00010428", L"ee")) << narrow(status());
    EXPECT_EQ(L"f\n", replaceAll(L"ee ee\n", L"f\n")) << narrow(status());
    EXPECT_EQ(L"g\n", replaceAll(L"f\n", L"g\n")) << narrow(status());
}

} // namespace
