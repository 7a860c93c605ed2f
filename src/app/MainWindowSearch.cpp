// Find and replace in the main window: the dialog over the window's search values, and the
// search run in the chosen scope's target, with what it did said in the status bar.

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

namespace tessel {

namespace {

// A search that reaches the end of its area goes on from the other end without asking; why a
// search failed is kept for the status bar.
class SearchAnswers : public ISearchActionCallback {
public:
    bool shouldWrapAround(const SearchActionRecord&) override { return true; }
    void searchFailed(const SearchActionRecord&, const std::wstring& message) override { failure = message; }
    std::wstring failure;
};

bool selectionSpansLines(DocumentController& controller) {
    const Selection& selection = controller.getSelection();
    return selection.getAnchor().line != selection.getCaret().line;
}

} // namespace

bool MainWindow::onFind(afActionEvent&) {
    if (askSearch(false))
        find(false);
    return true;
}

bool MainWindow::onFindNext(afActionEvent&) {
    if (!m_search.findText.empty() || askSearch(false))
        find(false);
    return true;
}

bool MainWindow::onFindPrevious(afActionEvent&) {
    if (!m_search.findText.empty() || askSearch(false))
        find(true);
    return true;
}

bool MainWindow::onReplace(afActionEvent&) {
    if (askSearch(true))
        replaceAll();
    return true;
}

bool MainWindow::askSearch(bool replace) {
    Page* page = getActivePage();
    if (!page)
        return false;
    SearchParameters values = m_search;
    if (values.scope.getHash() == SearchParameters::SCOPE_NONE)
        values.scope = SearchManager::SCOPE_DOCUMENT;
    if (!page->controller->isSelectionEmpty()) {
        if (selectionSpansLines(*page->controller)) {
            values.scope = SearchManager::SCOPE_SELECTION;
        } else {
            std::wstring selected;
            page->editor->getSearchText(SearchManager::SCOPE_DOCUMENT, selected);
            if (!selected.empty())
                values.findText = selected;
            values.scope = SearchManager::SCOPE_DOCUMENT;
        }
    }
    const bool confirmed = tessel::askSearch(this, replace, SearchDialog::scopesOf(SearchManager::get()), values);
    m_search = values;
    return confirmed && !m_search.findText.empty();
}

SearchSubscriber* MainWindow::searchTarget() const {
    Page* page = getActivePage();
    if (!page)
        return nullptr;
    SearchManager* manager = SearchManager::get();
    SearchSubscriber* target = manager ? manager->getTarget(m_search.scope.getHash()) : nullptr;
    // The scope's target is the editor that had the focus last; the active tab's is the one the
    // user sees when none has had it.
    return target ? target : page->editor;
}

bool MainWindow::find(bool backwards) {
    SearchSubscriber* target = searchTarget();
    if (!target || m_search.findText.empty())
        return false;
    SearchAnswers answers;
    SearchActionRecord record;
    record.parameters = m_search;
    record.callback = &answers;
    const bool found = target->ssOnAction(record, search_actions::FIND, backwards);
    m_status->setMessage(found ? L"" : !answers.failure.empty() ? answers.failure : L"Not found");
    if (!found)
        ::MessageBeep(MB_OK);
    return found;
}

int32_t MainWindow::replaceAll() {
    SearchSubscriber* target = searchTarget();
    if (!target || m_search.findText.empty())
        return 0;
    SearchAnswers answers;
    SearchActionRecord record;
    record.parameters = m_search;
    record.canReplace = true;
    record.callback = &answers;
    int32_t replaced = 0;
    record.replacedCount = &replaced;
    target->ssOnAction(record, search_actions::REPLACE_ALL, false);
    if (!answers.failure.empty()) {
        // Nothing was replaced.
        m_status->setMessage(answers.failure);
        ::MessageBeep(MB_OK);
    } else if (replaced == 0) {
        m_status->setMessage(L"Not found");
        ::MessageBeep(MB_OK);
    } else {
        m_status->setMessage(replaced == 1 ? L"Replaced 1 match" : L"Replaced " + std::to_wstring(replaced) + L" matches");
    }
    return replaced;
}

} // namespace tessel
