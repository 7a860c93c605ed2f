// Find, replace and replace all through the search action and the search session, whose area
// is a span context that follows the edits; and a whole session from opening a file to saving
// it, against golden files.

#include "SpanTestSupport.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/LongEdit.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/search/FinderRegEx.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <algorithm>

using namespace tessel;
using Selected = std::pair<int32_t, int32_t>;

namespace {

const char* const savedGolden =
#include "golden/driver-saved.txt"
    ;
const wchar_t* const selectionsGolden =
#include "golden/driver-selections.txt"
    ;

class SearchActionTest : public tessel_test::SpanTest, public ISearchActionCallback {
protected:
    SearchActionTest() {
        record.canReplace = true;
        record.callback = this;
        record.parameters.scope = SearchActionRecord::SCOPE_DOCUMENT;
    }
    // Answers as told, counting the questions.
    bool shouldWrapAround(const SearchActionRecord&) override {
        ++asked;
        return wrap;
    }
    void searchFailed(const SearchActionRecord&, const std::wstring& message) override { failures += message + L"\n"; }
    bool act(uint32_t action, bool backwards = false) { return ssOnAction(*controller, record, action, backwards); }
    void search(const std::wstring& find, const std::wstring& replace = L"", bool regex = false) {
        record.parameters.findText = find;
        record.parameters.replaceText = replace;
        record.parameters.regex = regex;
    }
    Selected selected() { return tessel_test::offsetsOf(*controller); }

    SearchActionRecord record;
    bool wrap = true;
    int asked = 0;
    std::wstring failures;
};

} // namespace

TEST_F(SearchActionTest, FindWalksTheMatchesAndWrapsAroundOnceAsked) {
    load(L"ab ab ab");
    search(L"ab");
    // A selection scope with nothing selected searches the whole text.
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    select(8, 8);
    wrap = false;
    EXPECT_FALSE(act(search_actions::FIND));
    EXPECT_EQ(Selected(8, 8), selected()) << "a failed find leaves the selection";
    wrap = true;
    // The last action finds on from where the session stands.
    const struct {
        uint32_t action;
        bool backwards;
        Selected found;
    } steps[] = {{search_actions::FIND, false, {0, 2}},
                 {search_actions::FIND, false, {3, 5}},
                 {search_actions::FIND, true, {0, 2}},
                 {search_actions::FIND, true, {6, 8}},
                 {search_actions::FIND_ON, false, {6, 8}}};
    for (const auto& step : steps) {
        EXPECT_TRUE(act(step.action, step.backwards));
        EXPECT_EQ(step.found, selected());
    }
    EXPECT_EQ(3, asked) << "once at the end going forwards, once at the start going backwards";
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
        {L"a bbb cc", {}, L"\\w+", L"ab", true, L"ab ab ab"},
        {L"a bbb cc a bbb", {{0, 8, 0}, {11, 14, 0}}, L"\\w+", L"ab", true, L"ab ab ab a ab"},
        {L"a bbb cc a bbb", {{0, 8, 0}, {11, 14, 0}}, L"b", L"", false, L"a  cc a "},
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
    }
}

TEST_F(SearchActionTest, ReplaceReplacesOnlyAMatchThatIsStillSelected) {
    load(L"a1 a2 a3");
    search(L"a\\d", L"[$0]", true);
    EXPECT_TRUE(act(search_actions::FIND));
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
    // In a selection, each replace goes on inside it.
    load(L"a1 a2 a3");
    record.canReplace = true;
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    select(0, 5);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(act(search_actions::REPLACE));
    EXPECT_EQ(L"[a1] [a2] a3", text());
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
    const std::wstring invalid = L"The regular expression is not valid: ";
    EXPECT_EQ(invalid, failures.substr(0, invalid.size())) << "told, not taken for no match";
    EXPECT_GT(failures.size(), invalid.size() + 1) << "with the engine's message";
    failures.clear();
    search(L"t");
    EXPECT_FALSE(act(0x12345678));
    EXPECT_TRUE(log.contains(L"Editor::ssOnAction(): Invalid search action (12345678).\n", pel::LOG_INFO));
    // Finding on from where the session stands puts a caret there when nothing is left.
    wrap = false;
    select(1, 4);
    EXPECT_FALSE(act(search_actions::FIND_ON));
    EXPECT_EQ(Selected(4, 4), selected());
    load(L"");
    EXPECT_FALSE(act(search_actions::FIND)) << "nothing to search";
    EXPECT_EQ(L"", failures);
}

// A search the engine cannot finish (here it would overflow the stack on the long run of "a")
// is told to the user as a failure, never as "not found"; replace all then replaces nothing
// rather than the matches before it.
TEST_F(SearchActionTest, FailedSearchesAreToldApartFromNoMatch) {
    tessel_test::LogCapture log;
    const std::wstring deep = L"bz bz " + std::wstring(10000, L'a') + L"z";
    load(deep);
    search(L"(a|b)*z", L"X", true);
    select(6, 6);
    EXPECT_FALSE(act(search_actions::FIND));
    EXPECT_EQ(std::wstring(FinderRegEx::TOO_DEEP) + L"\n", failures);
    EXPECT_EQ(Selected(6, 6), selected()) << "a failed find leaves the selection";
    failures.clear();
    select(0, 0);
    EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(std::wstring(FinderRegEx::TOO_DEEP) + L"\n", failures);
    EXPECT_EQ(deep, text()) << "none of the three matches replaced";
    EXPECT_FALSE(document->getUndoContext().canUndo());
    EXPECT_FALSE(document->getFormat().modified);
    checkTree();
    // Without the long run every match goes.
    failures.clear();
    load(L"bz bz aaz");
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"X X X", text());
    EXPECT_EQ(L"", failures);
}

// In a read-only document a replacement is a failure the user is told of, never a count of
// replacements that did not happen; finding goes on as ever.
TEST_F(SearchActionTest, ReplacingInAReadOnlyDocumentFailsAndSaysWhy) {
    load(L"ab ab");
    document->setReadOnly(true);
    search(L"ab", L"X");
    ReplaceAllCounts counts;
    counts.replaced = -1;
    record.replaceAllCounts = &counts;
    const std::wstring refused = std::wstring(DocumentController::READ_ONLY_TEXT) + L"\n";
    EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(refused, failures);
    EXPECT_EQ(-1, counts.replaced) << "no count told";
    failures.clear();
    select(0, 2);
    EXPECT_FALSE(act(search_actions::REPLACE));
    EXPECT_EQ(refused, failures);
    EXPECT_EQ(L"ab ab", text());
    failures.clear();
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(L"", failures);
    checkTree();
}

// Each find of a Replace All searches on behind the match before: a pattern that looks ahead to
// the end of the text from every match would do hours of work in all, each find within its own
// budget. The finds share the budget of one search over the area, so Replace All stops with the
// error the user sees, replacing nothing.
TEST_F(SearchActionTest, ReplaceAllDoesTheWorkOfOneSearchOverItsArea) {
    tessel_test::LogCapture log;
    const std::wstring ahead = std::wstring(100000, L'a') + L"z";
    load(ahead);
    search(L"a(?=[^z]*z)", L"b", true);
    EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(std::wstring(FinderRegEx::TOO_LONG) + L"\n", failures);
    EXPECT_TRUE(ahead == text()) << "nothing replaced";
    EXPECT_FALSE(document->getUndoContext().canUndo());
    // The budget ends with the Replace All: a find goes on as before, and a short text is replaced.
    failures.clear();
    select(0, 0);
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(0, 1), selected());
    load(L"aaaz aaz");
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"bbbz bbz", text());
    EXPECT_EQ(L"", failures);
}

namespace {

// Reserves the free address space of the process, but for small pieces, until destroyed: an
// allocation of more than a few megabytes then fails.
class AddressSpaceBallast {
public:
    AddressSpaceBallast() {
        for (size_t size = size_t(1) << 30; size >= 64 * 1024;) {
            if (void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                m_blocks.emplace_back(block, size);
            else
                size /= 2;
        }
        // The smallest pieces go back, for what else runs meanwhile.
        for (size_t released = 0; released < (16u << 20) && !m_blocks.empty(); m_blocks.pop_back()) {
            ::VirtualFree(m_blocks.back().first, 0, MEM_RELEASE);
            released += m_blocks.back().second;
        }
    }
    ~AddressSpaceBallast() {
        for (const auto& block : m_blocks)
            ::VirtualFree(block.first, 0, MEM_RELEASE);
    }
    AddressSpaceBallast(const AddressSpaceBallast&) = delete;
    AddressSpaceBallast& operator=(const AddressSpaceBallast&) = delete;

private:
    std::vector<std::pair<void*, size_t>> m_blocks;
};

} // namespace

// Replace All keeps each match's offsets, and one buffer of the replacements only when they
// differ; it puts them in from the last, so that none moves the ones still to come.
TEST_F(SearchActionTest, ALargeReplaceAllIsOneEditAndRunningOutOfMemoryReplacesNothing) {
    std::wstring lines;
    for (int i = 0; i < 20000; ++i)
        lines += L"eel tree e\n";
    std::wstring plain = lines, longer;
    std::replace(plain.begin(), plain.end(), L'e', L'x');
    for (wchar_t c : lines)
        longer += c == L'e' ? std::wstring(L"[e]") : std::wstring(1, c);
    const struct {
        const wchar_t *find, *replace;
        bool regex;
        const std::wstring& expected;
    } cases[] = {{L"e", L"x", false, plain}, {L"e", L"[$0]", true, longer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replace);
        load(lines);
        search(c.find, c.replace, c.regex);
        select(0, 0);
        EXPECT_TRUE(act(search_actions::REPLACE_ALL));
        ASSERT_TRUE(c.expected == text());
        const auto behindLast = static_cast<int32_t>(c.expected.size() - 1);
        EXPECT_EQ(Selected(behindLast, behindLast), selected()) << "behind the last replacement";
        EXPECT_TRUE(controller->undo());
        EXPECT_TRUE(lines == text()) << "one undo takes back the whole replace all";
        EXPECT_FALSE(document->getUndoContext().canUndo());
    }
    // Replacements of a thousand units for each of forty thousand matches do not fit.
    const std::wstring many = std::wstring(40000, L'e');
    load(many);
    search(L"e", L"$0" + std::wstring(999, L'x'), true);
    select(0, 0);
    {
        const AddressSpaceBallast ballast;
        EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    }
    EXPECT_EQ(std::wstring(DocumentControllerSearchSession::NO_MEMORY) + L"\n", failures);
    EXPECT_TRUE(many == text()) << "nothing replaced";
    EXPECT_FALSE(document->getUndoContext().canUndo());
}

namespace {

// The pauses of a long edit as a test sees them: one every few steps (no clock), each checking
// that no transaction is open and noting what it tells, the user stopping the edit at the pause
// `stopAt` (0: never) or `during` running there.
class CountedPauses : public LongEditWait {
public:
    explicit CountedPauses(DocumentController& controller) : m_controller(controller) {}
    void begin() override { ++begun; }
    void end() override { ++ended; }
    bool pause(const std::wstring& progress) override {
        told.push_back(progress);
        idle = idle && m_controller.getLockDepth() == 0 && m_controller.getDocument().getLockCount() == 0 &&
               m_controller.isInLongEdit();
        if (during)
            during();
        return told.size() != stopAt;
    }
    DWORD pauseInterval() const override { return 0; }

    int begun = 0;
    int ended = 0;
    bool idle = true;
    size_t stopAt = 0;
    std::function<void()> during;
    std::vector<std::wstring> told;

private:
    DocumentController& m_controller;
};

} // namespace

// Replace All searches and replaces in steps with pauses between them, no transaction open
// there; the pauses tell its progress. Stopped, the matches replaced stay and are one undo step
// with the caret behind the last; stopped while it searches, even inside one long find, it
// replaces none; a pause in which the text changed stops it too; asked inside a transaction, it
// makes no pause.
TEST_F(SearchActionTest, ReplaceAllPausesBetweenItsStepsAndStopsWhereTheUserSays) {
    std::wstring lines;
    for (int i = 0; i < 1000; ++i)
        lines += L"ab\n";
    std::wstring replaced = lines;
    for (size_t at = 0; (at = replaced.find(L"ab", at)) != std::wstring::npos; at += 3)
        replaced.replace(at, 2, L"xyz");
    CountedPauses pauses(*controller);
    controllers->setLongEditWait(&pauses);
    ReplaceAllCounts counts;
    record.replaceAllCounts = &counts;
    load(lines);
    search(L"ab", L"xyz");
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_TRUE(replaced == text());
    EXPECT_EQ(1000, counts.found);
    EXPECT_EQ(1000, counts.replaced);
    EXPECT_FALSE(counts.stopped);
    EXPECT_EQ(1, pauses.begun);
    EXPECT_EQ(1, pauses.ended);
    EXPECT_TRUE(pauses.idle);
    ASSERT_GE(pauses.told.size(), 4u);
    EXPECT_EQ(L"Searching... ", pauses.told.front().substr(0, 13));
    EXPECT_EQ(L"Replacing... ", pauses.told.back().substr(0, 13));
    EXPECT_EQ(L" of 1000", pauses.told.back().substr(pauses.told.back().size() - 8));
    const size_t searching = std::count_if(pauses.told.begin(), pauses.told.end(), [](const std::wstring& told) {
        return told.compare(0, 9, L"Searching") == 0;
    });
    // The undo and the redo of so many replacements pause too; stopped, the walk stays inside
    // the step, which the next undo takes back whole, or a redo puts back.
    const auto replay = [&](bool redo, size_t stopAt) {
        pauses.told.clear();
        pauses.stopAt = stopAt;
        EXPECT_TRUE(redo ? controller->redo() : controller->undo());
        return pauses.told;
    };
    EXPECT_EQ(std::vector<std::wstring>(20, L"Undoing..."), replay(false, 20));
    EXPECT_FALSE(lines == text() || replaced == text()) << "stopped half way";
    replay(true, 0);
    EXPECT_TRUE(replaced == text()) << "the redo puts back the whole step";
    replay(false, 20);
    EXPECT_LT(20u, replay(false, 0).size());
    EXPECT_TRUE(lines == text()) << "the next undo takes back the rest of the step";
    EXPECT_FALSE(document->getUndoContext().canUndo());
    EXPECT_TRUE(pauses.idle);
    pauses.told.clear();
    pauses.stopAt = 0;

    // Stopped at the first pause of the replacing.
    pauses.told.clear();
    pauses.stopAt = searching + 1;
    select(0, 0);
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_TRUE(counts.stopped);
    EXPECT_EQ(1000, counts.found);
    ASSERT_GT(counts.replaced, 0);
    ASSERT_LT(counts.replaced, 1000);
    EXPECT_EQ(L"Replacing... " + std::to_wstring(counts.replaced) + L" of 1000", pauses.told.back());
    const int32_t behindLast = counts.replaced * 4 - 1;
    EXPECT_TRUE(replaced.substr(0, behindLast) + lines.substr(counts.replaced * 3 - 1) == text())
        << "the first ones replaced, the others as they were";
    EXPECT_EQ(Selected(behindLast, behindLast), selected()) << "behind the last replacement";
    EXPECT_TRUE(controller->undo());
    EXPECT_TRUE(lines == text()) << "one undo takes back what was replaced";
    EXPECT_FALSE(document->getUndoContext().canUndo());

    // Stopped while it searches: nothing replaced, no undo step.
    pauses.told.clear();
    pauses.stopAt = 1;
    EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    EXPECT_TRUE(counts.stopped);
    EXPECT_EQ(0, counts.replaced);
    EXPECT_TRUE(lines == text());
    EXPECT_FALSE(document->getUndoContext().canUndo());

    // What ran in a pause changed the text: the offsets found no longer hold.
    pauses.told.clear();
    pauses.stopAt = 0;
    pauses.during = [&] {
        if (pauses.told.size() == searching + 1)
            type(L"!");
    };
    select(0, 0);
    act(search_actions::REPLACE_ALL);
    EXPECT_TRUE(counts.stopped);
    EXPECT_EQ(searching + 1, pauses.told.size()) << "no step after that pause";
    pauses.during = nullptr;
    checkTree();

    // Inside a transaction the steps only deepen it.
    load(lines);
    pauses.told.clear();
    {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    }
    EXPECT_TRUE(pauses.told.empty());
    EXPECT_TRUE(replaced == text());

    // A find that runs long without a match pauses inside itself; stopped there, it replaces
    // nothing.
    const std::wstring distant = std::wstring(3000000, L'a') + L"b1";
    load(distant);
    search(L"[b-z]\\d", L"x", true);
    select(0, 0);
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    ASSERT_FALSE(pauses.told.empty());
    EXPECT_EQ(L"Searching... 0 found", pauses.told.front());
    EXPECT_TRUE(std::wstring(3000000, L'a') + L"x" == text());
    load(distant);
    pauses.told.clear();
    pauses.stopAt = 1;
    select(0, 0);
    EXPECT_FALSE(act(search_actions::REPLACE_ALL));
    EXPECT_TRUE(counts.stopped);
    EXPECT_EQ(0, counts.found);
    EXPECT_TRUE(distant == text());
    EXPECT_EQ(L"", failures) << "a stop is no failure";
    controllers->setLongEditWait(nullptr);
}

TEST_F(SearchActionTest, TheAreaFollowsEditsAndTheCaretLeavingIt) {
    load(L"x a x a x a");
    search(L"a", L"b");
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    select(2, 7);
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(2, 3), selected());
    DocumentControllerSearchSession& session = controller->getSearchSession();
    // Typing before the area moves it; the caret leaving it keeps it.
    select(0, 0);
    type(L"yy ");
    EXPECT_EQ(DocumentControllerSearchSession::UNSET, session.getStartPosition());
    EXPECT_EQ((std::vector<DocumentControllerSearchSession::Range>{{5, 10}}), session.getAreaRanges());
    // With the caret outside, a search goes on with the next range of the area.
    EXPECT_TRUE(act(search_actions::FIND));
    EXPECT_EQ(Selected(5, 6), selected());
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"yy x b x b x a", text());
    checkTree();
    // A reload drops the session: the next one starts at the caret.
    controller->onBeforeReload(*document);
    controller->onAfterReload(*document);
    EXPECT_EQ(SearchParameters::SCOPE_NONE, controller->getSearchSession().getScope());
    EXPECT_EQ(L"Span count = 1\n [0, 14] PI=-1 CI=0\n", dump());
}

// A file opened, typed into at three carets, the typing undone, a regular-expression replace
// all inside a selection, the file saved: the bytes saved and the ranges the view is told to
// repaint (selectionChanged) are the golden files'.
TEST_F(SearchActionTest, ADriverOpensTypesUndoesReplacesAllAndSaves) {
    tessel_test::TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    pel::FileIO::attachDevice(L"__winfs", &native, 0);
    folder.write(L"notes.txt", "alpha beta\r\nbeta alpha\r\nalphabet\r\n");
    DocumentManager::FileError error;
    document = documents->loadDocument((folder / L"notes.txt").c_str(), &error);
    ASSERT_TRUE(document && !error);
    controller = controllers->createController(*document);
    tessel_test::FakeEditor view;
    controller->setEditor(&view);
    std::wstring selections;
    controller->selectionChanged().add(this, [&](DocumentController&, const PositionRange& r) {
        selections += pel::formatString(L"%d:%d-%d:%d\n", r.start.line, r.start.lineOffset, r.end.line,
                                        r.end.lineOffset);
    });
    selectRanges({{0, 0, 0}, {11, 11, 0}, {22, 22, 0}});
    type(L"- ");
    EXPECT_EQ(L"- alpha beta\n- beta alpha\n- alphabet\n", text());
    EXPECT_TRUE(controller->undo());
    selectRanges({{6, 22, 0}}); // the carets the undo brought back go

    search(L"\\b(alpha|beta)\\b", L"\\U$1", true);
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    EXPECT_TRUE(act(search_actions::REPLACE_ALL));
    ASSERT_TRUE(documents->saveDocument((folder / L"notes.txt").c_str(), document, &error) && !error);
    std::string saved; // carriage returns shown as "\r", so that the golden file is plain text
    for (char byte : folder.read(L"notes.txt"))
        saved += byte == '\r' ? std::string("\\r") : std::string(1, byte);
    EXPECT_EQ(savedGolden + 1, saved);
    EXPECT_EQ(selectionsGolden + 1, selections);
    controller->selectionChanged().remove(this);
    controller->setEditor(nullptr);
    controllers->deleteController(controller);
    documents->releaseDocument(document);
    pel::FileIO::detachDevice(L"__winfs");
}

// A replacement at the start of one of the area's ranges stays inside it, as typing over the
// match keeps it there: the next Replace All of the series searches the whole area again, its
// first match included, in one range and in several.
TEST_F(SearchActionTest, ReplaceAllKeepsWhatItPutAtARangesStartInsideTheArea) {
    load(L"x x y y\r\n");
    search(L"x", L"\U00010400");
    ASSERT_TRUE(act(search_actions::REPLACE_ALL));
    search(L"\U00010428(\\s)", L"[$1]", true);
    ASSERT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"[ ][ ]y y\n", text());

    load(L"ab-ab-ab");
    record.parameters.scope = SearchActionRecord::SCOPE_SELECTION;
    selectRanges({{0, 2, 0}, {6, 8, 0}});
    search(L"a", L"cc");
    ASSERT_TRUE(act(search_actions::REPLACE_ALL));
    search(L"c", L"d");
    ASSERT_TRUE(act(search_actions::REPLACE_ALL));
    EXPECT_EQ(L"ddb-ab-ddb", text());
}
