// Tab and Escape in the editor: Tab moves through the active snippet, indents or unindents a
// selection, expands the tab trigger before the caret (the word goes, then its action runs in
// a new undo step) or inserts indentation; Escape leaves the snippet and extra ranges.
#include "editor/Editor.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/action/afActionTrigger.h"
#include "afw/core/afApp.h"
#include "afw/view/afViewEvents.h"
#include "editor/EditorCmd.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/ScopePath.h"

namespace tessel {

bool Editor::onKeyDown(afKeyEvent& event) {
    if (!m_controller)
        return false;
    const uint32_t key = event.key();
    if (key == VK_ESCAPE && hideHintPopup())
        return true;
    const bool modifier = key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_LWIN || key == VK_RWIN;
    if (!modifier)
        hideHintPopup();
    if (key == VK_TAB) {
        const bool ctrl = (event.modifiers() & afKeyEvent::CTRL) != 0;
        if (ctrl != m_ctrlTabTyping)
            return false;
        return onTab((event.modifiers() & afKeyEvent::SHIFT) != 0);
    }
    if (key == VK_ESCAPE)
        return onEscape();
    return false;
}

bool Editor::onEscape() {
    if (m_escapeMode != 1)
        return false;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    DocumentController::SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    if (!selection.getCommittedRanges().empty()) {
        // The extra ranges go; the primary one stays as it was.
        const TextPosition caret = selection.getCaret(), anchor = selection.getAnchor();
        const uint32_t behaviorId = selection.getBehaviorSetting();
        selection.set(caret, caret, 0, selection_ids::CARET);
        selection.set(caret, anchor, 0, behaviorId);
    }
    m_controller->leaveSpanContext();
    return true;
}

bool Editor::onTab(bool backward) {
    if (m_controller->gotoTabStop(!backward))
        return true;
    {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
        DocumentController::SelectionChange bracket(*m_controller);
        Selection& selection = m_controller->getSelection();
        const std::vector<SelectionRange>& ranges = selection.getRanges();
        bool anyText = false;
        for (const SelectionRange& range : ranges)
            anyText = anyText || range.start != range.end;
        if (backward || anyText) {
            // As the indent commands do it: the lines stay selected whole.
            afActionEvent event;
            return backward ? m_commandHandler->unindentLines(event) : m_commandHandler->indentLines(event);
        }
        if (ranges.size() > 1) {
            std::wstring indent;
            m_controller->makeIndent(m_controller->getTabWidth(), &indent);
            m_controller->typeText(indent.c_str(), static_cast<int32_t>(indent.size()));
            return true;
        }
    }
    expandTabTrigger();
    return true;
}

// The last `most` units before the caret on its line (all of them when fewer): only what is
// matched is read, as the line may be many megabytes long.
static std::wstring textBeforeCaret(DocumentController& controller, size_t most) {
    const TextPosition caret = controller.getSelection().getCaret();
    const Document& document = controller.getDocument();
    const bool exists = caret.line >= 0 && caret.line < document.getLineCount();
    const int32_t before = exists ? std::min(document.getLineLength(caret.line), std::max(caret.lineOffset, 0)) : 0;
    const int32_t count = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(before), most));
    std::wstring text;
    if (exists)
        controller.getTextRange(document.getLineStart(caret.line) + before - count, count, &text);
    return text;
}

void Editor::expandTabTrigger() {
    std::vector<afActionCandidate> candidates;
    std::wstring before;
    // The scope at the caret leads: snippets are bound to the language there.
    ScopePath contexts;
    contexts.append(getContexts());
    afActionRegistry* registry = afApp::getActionRegistry();
    afActionInvokerTab* invoker =
        registry ? dynamic_cast<afActionInvokerTab*>(afFindInvoker(registry, AF_ACTION_KIND_TAB_TRIGGER)) : nullptr;
    {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
        before = textBeforeCaret(*m_controller, afTabTriggerReach(invoker));
        if (invoker)
            afFindTabTriggers(invoker, candidates, contexts, before.c_str(), before.size());
        if (candidates.empty()) {
            // With soft tabs on a long line, the caret's place within its tab stop comes from the
            // tabs its pieces hold: the caret's column would walk the line from its start.
            const int32_t offset = m_controller->getCaretOffset();
            const TextPosition caret = m_controller->offsetToPosition(offset);
            const bool soft = m_controller->getFormat().indentation.soft;
            const int32_t afterTab =
                soft && m_lineCache ? m_lineCache->unitsAfterTab(caret.line, caret.lineOffset) : -1;
            std::wstring indent;
            m_controller->getIndentTextAt(offset, &indent, afterTab);
            m_controller->typeText(indent.c_str(), static_cast<int32_t>(indent.size()));
            return;
        }
    }
    // No lock is held across the chooser's loop: the loader thread shares the document's lock.
    int chosen = 0;
    if (candidates.size() > 1) {
        chosen = afShowActionSelectWindow(this, candidates);
        if (chosen < 0 || chosen >= static_cast<int>(candidates.size()))
            return;
    }
    const afActionCandidate& candidate = candidates[chosen];
    const std::wstring word = candidate.trigger ? candidate.trigger->getText() : std::wstring();
    if (!m_controller || word.empty())
        return;
    if (candidates.size() > 1) {
        // The path points into the scopes of that time: the chooser's loop may have changed them.
        contexts.clear();
        contexts.append(getContexts());
    }
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    // The text may have changed while the chooser was open: the word must still be there.
    const std::wstring now = textBeforeCaret(*m_controller, word.size());
    if (now.size() < word.size() || now.compare(now.size() - word.size(), word.size(), word) != 0)
        return;
    m_controller->splitEdit();
    m_controller->removeAt(-static_cast<int32_t>(word.size()), m_controller->getCaretOffset());
    afActionEventTab tabEvent;
    tabEvent.text = word;
    tabEvent.action = candidate.action;
    tabEvent.trigger = candidate.trigger;
    tabEvent.contexts = &contexts;
    candidate.action->run(tabEvent);
}

} // namespace tessel
