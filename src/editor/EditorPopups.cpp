// The editor's popups: its hint popup (made on first use, hidden by keys, presses, scrolling and
// focus changes), the hint over the gutter's markers with the pointer's shape, and the context
// menu of edit actions.
#include "editor/Editor.h"

#include "afw/graphics/afStockResources.h"
#include "afw/menu/afMenu.h"
#include "afw/view/afInput.h"
#include "afw/view/afViewEvents.h"
#include "components/Hint.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCmd.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/ScopePath.h"

namespace tessel {

namespace {

// Drops a hint: its window first, as the framework's windows expect of their owners.
void dropHint(Hint*& hint) {
    if (!hint)
        return;
    hint->closeNow();
    delete hint;
    hint = nullptr;
}

bool hintShown(const Hint* hint) { return hint && hint->isDisplayed(); }

struct MenuRow {
    const wchar_t* action; // null: a separator
    const wchar_t* title;
    bool needsText;        // enabled only while the selection holds text
};

const MenuRow CONTEXT_MENU[] = {
    {L"edit.cut", L"Cu&t", true},
    {L"edit.copy", L"&Copy", true},
    {L"edit.paste", L"&Paste", false},
    {nullptr, nullptr, false},
    {L"edit.undo", L"&Undo", false},
    {L"edit.redo", L"&Redo", false},
    {nullptr, nullptr, false},
    {L"edit.select.all", L"Select &All", false},
    {L"edit.select.lines", L"Select &Lines", false},
    {L"edit.select.lines.text", L"Select &Lines Text", false},
    {L"edit.select.indent", L"Select &Indent Level", false},
};

} // namespace

Hint* Editor::getHintPopup() {
    if (!m_hintPopup)
        m_hintPopup = Hint::create(this);
    return m_hintPopup;
}

bool Editor::hideHintPopup() {
    if (!hintShown(m_hintPopup))
        return false;
    m_hintPopup->hide();
    return true;
}

void Editor::hideGutterHint() {
    if (hintShown(m_gutterHint))
        m_gutterHint->hide();
}

void Editor::dropHints() {
    dropHint(m_hintPopup);
    dropHint(m_gutterHint);
}

void Editor::setPointer(int stockCursor) {
    m_pointer = stockCursor;
    setCursor(afGetStockCursor(stockCursor).getHandle());
}

bool Editor::onSetCursor(afViewPlatform*, int hitTest, int) {
    // The client keeps the shape the last move chose; the bars and borders take the system's.
    if (hitTest != HTCLIENT)
        return false;
    setCursor(afGetStockCursor(m_pointer).getHandle());
    return true;
}

int Editor::hoverAt(POINT point) {
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    const int hit = hitTest(point);
    if (hit == HIT_GUTTER) {
        const std::vector<LineMarker>* markers = m_controller->getLineMarkers(yToDisplayLine(point.y).line);
        std::vector<std::wstring> lines;
        if (markers)
            for (const LineMarker& marker : *markers)
                if (!marker.text.empty())
                    lines.push_back(marker.text);
        if (!lines.empty()) {
            if (!m_gutterHint)
                m_gutterHint = Hint::create(this);
            m_gutterHint->clear();
            for (const std::wstring& line : lines)
                m_gutterHint->addText(line);
            POINT screen = point;
            ::ClientToScreen(getHandle(), &screen);
            m_gutterHint->showAt(screen.x, screen.y);
            return HIT_MARKER;
        }
    }
    hideGutterHint();
    return hit;
}

bool Editor::onMouseLeave(afMouseEvent&) {
    if (!m_controller)
        return false;
    // A drag under way keeps its mode: only the next press starts afresh.
    hideGutterHint();
    return true;
}

bool Editor::hasSelectedText() {
    return m_controller && !m_commandHandler->selectionIsEmpty();
}

bool Editor::runContextMenu(POINT point) {
    if (!m_controller)
        return false;
    // The menu's commands act on this editor: its handler and controller are the ones in force.
    ::SetFocus(getHandle());
    {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        if (hitTest(point) != HIT_SELECTION) {
            DocumentController::SelectionChange bracket(*m_controller);
            EditorBatch batch(*this);
            TextPosition position;
            if (clientPointToPosition(point, &position, false))
                m_controller->getSelection().set(position, position, CARET_ANCHOR, selection_ids::CARET);
        }
    }
    std::unique_ptr<afMenu> menu = afMenu::createPopup(std::wstring());
    if (!menu)
        return true;
    for (const MenuRow& row : CONTEXT_MENU) {
        if (!row.action) {
            menu->addSeparator();
            continue;
        }
        afMenuItem* item = menu->addItem(new afActionMenuItem(row.title, row.action));
        // Through the delegate, so that the refresh before the menu shows keeps them disabled.
        if (row.needsText)
            item->setEnabledDelegate(afMenuItem::StateDelegate::bind<Editor, &Editor::hasSelectedText>(this));
    }
    menu->updateItems();
    ScopePath contexts;
    contexts.append(getContexts());
    POINT screen = point;
    ::ClientToScreen(getHandle(), &screen);
    afMenuNode* chosen = menu->track(this, screen.x, screen.y, false);
    if (chosen && chosen->getKind() == afMenuNode::KIND_ITEM && m_controller)
        static_cast<afMenuItem*>(chosen)->execute(&contexts);
    return true;
}

} // namespace tessel
