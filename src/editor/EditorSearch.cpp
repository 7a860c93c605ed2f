// The editor as a target of the search manager: its two scopes, registered once and made the
// editor's at each focus gain, the search actions run on the attached document, and the text a
// new search starts with.
#include "editor/Editor.h"

#include "components/SearchManager.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/Selection.h"

namespace tessel {

bool Editor::ssOnAction(const SearchActionRecord& record, uint32_t action, bool backwards) {
    return m_controller && tessel::ssOnAction(*m_controller, record, action, backwards);
}

int Editor::getSearchText(uint32_t scope, std::wstring& o_text) {
    if (!m_controller)
        return 0;
    if (m_controller->isSelectionEmpty() || scope != SEARCH_SCOPE_DOCUMENT)
        return 1;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    const std::vector<SelectionRange>& ranges = m_controller->getSelection().getRanges();
    const SelectionRange* newest = nullptr;
    for (const SelectionRange& range : ranges)
        if (!newest || range.id > newest->id)
            newest = &range;
    if (newest && newest->lower() >= 0)
        m_controller->getTextRange(newest->lower(), newest->upper() - newest->lower(), &o_text);
    return 1;
}

void Editor::registerSearchScopes() {
    SearchManager* search = SearchManager::get();
    if (!search)
        return;
    if (!search->isRegistered(this)) {
        search->addScope(SEARCH_SCOPE_DOCUMENT, L"Current document", this);
        search->addScope(SEARCH_SCOPE_SELECTION, L"Current selection", this);
    }
    m_searchScopesRegistered = true;
}

void Editor::setSearchScopesActive(bool active) {
    SearchManager* search = SearchManager::get();
    if (!m_searchScopesRegistered || !search)
        return;
    search->setScopeTarget(SEARCH_SCOPE_DOCUMENT, this, active);
    search->setScopeTarget(SEARCH_SCOPE_SELECTION, this, active);
}

} // namespace tessel
