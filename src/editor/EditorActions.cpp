// The editor actions: Show Scope (the caret's scope path in the hint popup), Select Grammar and
// Select Snippet (choosers of the installed grammars and of the snippets valid at the caret,
// through temporary actions that leave the registry as the chooser returns) and Go To Line. No
// controller lock is held across a chooser or the dialog: the loader thread shares the
// document's lock.
#include "editor/EditorCmd.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "components/Hint.h"
#include "components/StringDialog.h"
#include "editor/Editor.h"
#include "editor/EditorBundles.h"
#include "pel/base/Exception.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/bundles/snippets/SnippetInsertion.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

const struct {
    const wchar_t* id;
    const wchar_t* title;
    const wchar_t* key;
    bool (EditorCmd::*handler)(afActionEvent&);
} ACTIONS[] = {
    {L"show.scope", L"Show Scope", L"Ctrl+P", &EditorCmd::showScope},
    {L"launch.grammar", L"Select Grammar", L"Ctrl+Shift+G", &EditorCmd::selectGrammar},
    {L"launch.snippet", L"Select Snippet", L"Ctrl+Space", &EditorCmd::selectSnippet},
    {L"goto.line", L"Go To Line", L"Ctrl+G", &EditorCmd::goToLine},
};

// Offers one temporary action per entry, titled by the entry, sorted by title: the index of the
// chosen entry, -1 for none. The actions are registered only while the chooser runs.
int chooseEntry(Editor& editor, afActionContext* context, const std::vector<BundleEntryPtr>& entries) {
    afActionRegistry* registry = afApp::getActionRegistry();
    if (!registry || entries.empty())
        return -1;
    std::vector<afActionCandidate> candidates;
    for (const BundleEntryPtr& entry : entries) {
        afActionCandidate candidate;
        candidate.action = afRegisterAction(
            registry, new afActionSystem(entry->getTitle().c_str(), context, nullptr, nullptr, nullptr));
        candidates.push_back(candidate);
    }
    std::vector<afAction*> made;
    for (const afActionCandidate& candidate : candidates)
        made.push_back(candidate.action);
    afSortActionsByTitle(candidates);
    int row = -1;
    try {
        row = afShowActionSelectWindow(&editor, candidates);
    } catch (...) {
        for (afAction* action : made)
            afUnregisterAction(registry, action);
        throw;
    }
    int chosen = -1;
    if (row >= 0 && row < static_cast<int>(candidates.size()))
        chosen = static_cast<int>(std::find(made.begin(), made.end(), candidates[row].action) - made.begin());
    for (afAction* action : made)
        afUnregisterAction(registry, action);
    return chosen;
}

std::vector<BundleEntryPtr> installed(uint32_t type) {
    std::vector<BundleEntryPtr> entries;
    if (EditorBundles* bundles = getEditorBundles())
        for (BundleEntry* entry : bundles->getEntriesOfType(type))
            entries.emplace_back(entry);
    return entries;
}

// Whether the snippet applies at the scope: its selector matches unanchored, as its triggers do.
bool appliesAt(const SnippetBundleItem& snippet, ScopePath& scope) {
    try {
        const ScopeSelector selector(snippet.getScope());
        ScopeRank rank;
        return ScopeSelectorMatcher(selector, scope).match(&rank, false);
    } catch (const pel::Exception&) {
        return false; // a scope that is no selector applies nowhere
    }
}

// The scope at the caret, read in a transaction of its own.
void readCaretScope(DocumentController& controller, ScopePath& o_scope) {
    DocumentController::Lock lock(controller, DocumentController::LOCK_READ);
    controller.getCaretScope(o_scope);
}

} // namespace

void registerEditorActions(afActionRegistry* registry, afActionContext* context) {
    for (const auto& row : ACTIONS) {
        afAction* action = afRegisterAction(
            registry, new afActionSystem(row.title, context, row.id, L"ui.editor", afRunOp<EditorCmd>(row.handler)));
        afAddKeyTriggerText(afApp::getKeyInvoker(), action, row.key, true);
    }
}

bool EditorCmd::showScope(afActionEvent&) {
    if (!m_controller)
        return false;
    ScopePath scope;
    readCaretScope(*m_controller, scope);
    Hint* hint = m_editor.getHintPopup();
    if (!hint)
        return true;
    hint->clear();
    for (size_t i = 0; i < scope.size(); ++i)
        hint->addText(std::wstring(scope.segment(i).text, scope.segment(i).length));
    POINT at = {0, 0};
    m_editor.caretPoint(&at);
    at.y += m_editor.getLineHeight();
    ::ClientToScreen(m_editor.getHandle(), &at);
    hint->showAt(at.x, at.y);
    return true;
}

bool EditorCmd::selectGrammar(afActionEvent&) {
    if (!m_controller)
        return false;
    const std::vector<BundleEntryPtr> grammars = installed(BUNDLE_TYPE_GRAMMAR);
    const int chosen = chooseEntry(m_editor, getActionContext(), grammars);
    // The chooser's loop may have closed the document.
    if (chosen < 0 || !m_controller)
        return true;
    if (auto* grammar = dynamic_cast<GrammarBundleItem*>(grammars[chosen].get()))
        m_controller->setGrammar(grammar->getName());
    return true;
}

bool EditorCmd::selectSnippet(afActionEvent&) {
    if (!m_controller)
        return false;
    ScopePath scope;
    readCaretScope(*m_controller, scope);
    std::vector<BundleEntryPtr> snippets;
    for (const BundleEntryPtr& entry : installed(BUNDLE_TYPE_SNIPPET)) {
        auto* snippet = dynamic_cast<SnippetBundleItem*>(entry.get());
        if (snippet && appliesAt(*snippet, scope))
            snippets.push_back(entry);
    }
    const int chosen = chooseEntry(m_editor, getActionContext(), snippets);
    if (chosen >= 0 && m_controller)
        SnippetInsertion::insertItem(*m_controller, static_cast<SnippetBundleItem&>(*snippets[chosen]));
    return true;
}

bool EditorCmd::goToLine(afActionEvent&) {
    if (!m_controller)
        return false;
    int32_t lines = 0, current = 0;
    {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        lines = m_controller->getLineCount();
        current = m_controller->getSelection().getCaret().line + 1;
    }
    std::unique_ptr<StringDialog> dialog(StringDialog::create(&m_editor));
    dialog->setLabel(L"Line number: (1 - " + std::to_wstring(lines) + L")");
    dialog->setTitle(L"Go to line");
    dialog->setText(std::to_wstring(current));
    if (dialog->showModal() != afWindow::RESULT_OK || !m_controller)
        return true;
    const std::wstring text = dialog->getInputText();
    dialog.reset();
    wchar_t* end = nullptr;
    const unsigned long line = std::wcstoul(text.c_str(), &end, 10);
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    // The count read again: the document may have changed while the dialog was open.
    if (end == text.c_str() || line == 0 || line > static_cast<unsigned long>(m_controller->getLineCount()))
        return true;
    DocumentController::SelectionChange bracket(*m_controller);
    m_controller->getSelection().setCaretPosition(TextPosition(static_cast<int32_t>(line) - 1, 0),
                                                  CARET_ANCHOR | 8);
    return true;
}

} // namespace tessel
