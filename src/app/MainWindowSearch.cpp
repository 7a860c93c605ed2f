// Find and replace in the main window: the dialog over the window's search values, and the
// search run in the chosen scope's target, with what it did said in the status bar (and in the
// dialog while it is open).

#include "app/MainWindow.h"

#include "app/AppDialogs.h"
#include "app/StatusBar.h"

#include "components/SearchDialog.h"
#include "components/SearchManager.h"
#include "editor/Editor.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/controller/Selection.h"
#include "service/document/search/RegExSyntax.h"

namespace tessel {

namespace {

// A search that reaches the end of its area goes on from the other end without asking; why a
// search failed, and whether its pattern was refused, is kept for the user.
class SearchAnswers : public ISearchActionCallback {
public:
    bool shouldWrapAround(const SearchActionRecord&) override { return true; }
    void searchFailed(const SearchActionRecord&, const std::wstring& message) override { failure = message; }
    void patternRefused(const SearchActionRecord& record, const std::wstring& message) override {
        searchFailed(record, message);
        refused = true;
    }
    std::wstring failure;
    bool refused = false;
};

bool selectionSpansLines(DocumentController& controller) {
    const Selection& selection = controller.getSelection();
    return selection.getAnchor().line != selection.getCaret().line;
}

// The window the dialog belongs over: the one that holds the editor searched (the main window,
// or the bundle editor for the text of an entry).
afViewPlatform* windowOf(Editor& editor, afViewPlatform* fallback) {
    HWND root = editor.getHandle() ? ::GetAncestor(editor.getHandle(), GA_ROOT) : nullptr;
    afViewPlatform* window = root ? afViewPlatform::getWidget(root) : nullptr;
    return window ? window : fallback;
}

} // namespace

bool MainWindow::onFind(afActionEvent&) {
    askSearch(false, false);
    return true;
}

bool MainWindow::onFindNext(afActionEvent&) {
    if (m_search.findText.empty())
        askSearch(false, false);
    else
        find(false);
    return true;
}

bool MainWindow::onFindPrevious(afActionEvent&) {
    if (m_search.findText.empty())
        askSearch(false, true);
    else
        find(true);
    return true;
}

bool MainWindow::onReplace(afActionEvent&) {
    askSearch(true, false);
    return true;
}

bool MainWindow::askSearch(bool replace, bool backwards) {
    auto* editor = dynamic_cast<Editor*>(searchTarget());
    DocumentController* controller = editor ? editor->getController() : nullptr;
    if (!controller)
        return false;
    SearchParameters values = m_search;
    // Chosen anew at every opening, so that what the dialog shows is what the search uses: a
    // selection over lines is searched in itself; otherwise the whole document is, for the text
    // selected within a line when there is some.
    values.scope = SearchManager::SCOPE_DOCUMENT;
    if (!controller->isSelectionEmpty()) {
        if (selectionSpansLines(*controller)) {
            values.scope = SearchManager::SCOPE_SELECTION;
        } else {
            std::wstring selected;
            editor->getSearchText(SearchManager::SCOPE_DOCUMENT, selected);
            // A regular expression must find the selected text as it stands.
            if (!selected.empty())
                values.findText = values.regex ? escapeRegEx(selected) : selected;
        }
    }
    // The dialog searches only the text it was opened for: once that has closed (its tab, or its
    // entry in the bundle editor), it searches none.
    const SearchRunner run = [this, backwards, editor](SearchCommand command, const SearchParameters& chosen) {
        m_search = chosen;
        const uint32_t action = command == SearchCommand::FIND_NEXT ? search_actions::FIND
                                : command == SearchCommand::REPLACE ? search_actions::REPLACE
                                                                    : search_actions::REPLACE_ALL;
        return runSearch(action, backwards && action == search_actions::FIND, editor).outcome;
    };
    const bool confirmed = tessel::askSearch(windowOf(*editor, this), replace,
                                             SearchDialog::scopesOf(SearchManager::get()), values, run);
    m_search = values;
    return confirmed;
}

SearchSubscriber* MainWindow::searchTarget() const {
    SearchManager* manager = SearchManager::get();
    // Before the first search the scope is none: the document's target is the editor's all the same.
    const uint32_t scope = m_search.scope.getHash() == SearchParameters::SCOPE_NONE ? SearchManager::SCOPE_DOCUMENT
                                                                                   : m_search.scope.getHash();
    SearchSubscriber* target = manager ? manager->getTarget(scope) : nullptr;
    if (target)
        return target;
    // The scope's target is the editor that had the focus last; the active tab's is the one the
    // user sees when none has had it.
    Page* page = getActivePage();
    return page ? page->editor : nullptr;
}

bool MainWindow::find(bool backwards) {
    return runSearch(search_actions::FIND, backwards).done;
}

MainWindow::SearchReport MainWindow::runSearch(uint32_t action, bool backwards, const SearchSubscriber* only) {
    SearchReport report;
    SearchSubscriber* target = searchTarget();
    if (only && target != only) {
        report.outcome.message = L"The text this search was opened for is closed.";
        m_status->setMessage(report.outcome.message);
        ::MessageBeep(MB_OK);
        return report;
    }
    if (!target || m_search.findText.empty())
        return report;
    SearchAnswers answers;
    SearchActionRecord record;
    record.parameters = m_search;
    record.canReplace = action != search_actions::FIND;
    record.callback = &answers;
    ReplaceAllCounts counts;
    record.replaceAllCounts = &counts;
    report.done = target->ssOnAction(record, action, backwards);
    std::wstring& message = report.outcome.message;
    report.outcome.refused = answers.refused;
    if (!answers.failure.empty())
        // Nothing was replaced.
        message = answers.failure;
    else if (action == search_actions::REPLACE_ALL && counts.stopped)
        message = counts.replaced == 0 ? std::wstring(L"Replace All was stopped: nothing was replaced.")
                                       : L"Replace All was stopped: " + std::to_wstring(counts.replaced) + L" of " +
                                             std::to_wstring(counts.found) + L" matches were replaced.";
    else if (action == search_actions::REPLACE_ALL && counts.replaced > 0)
        message = counts.replaced == 1 ? L"Replaced 1 match"
                                       : L"Replaced " + std::to_wstring(counts.replaced) + L" matches";
    else if (!report.done)
        message = L"Not found";
    m_status->setMessage(message);
    if (!report.done && !counts.stopped)
        ::MessageBeep(MB_OK);
    return report;
}

} // namespace tessel
