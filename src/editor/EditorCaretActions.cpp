// The caret actions: each moves the caret of the editor its handler serves by one movement
// kind, plainly, extending a normal selection or extending a rectangle.
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "editor/EditorCaretMoves.h"
#include "editor/EditorCmd.h"
#include "service/document/controller/SelectionRange.h"

namespace tessel {

namespace {

// What the collapse of a non-empty selection does before a plain move.
enum Collapse { NO_COLLAPSE, COLLAPSE_FORWARD_ONLY, COLLAPSE_BACKWARD_ONLY, COLLAPSE_FORWARD_THEN, COLLAPSE_BACKWARD_THEN };

struct CaretActionRow {
    const wchar_t* id;
    const wchar_t* title;
    const wchar_t* key;
    uint32_t behaviorId;
    int movement;
    uint8_t flags;
    Collapse collapse;
};

constexpr uint32_t CARET = selection_ids::CARET;
constexpr uint32_t NORMAL = selection_ids::NORMAL;
constexpr uint32_t RECT = selection_ids::RECTANGLE;

const CaretActionRow CARET_ACTIONS[] = {
    {L"caret.move.char.right", L"Move Caret Right", L"Right", CARET, MOVE_CHAR_RIGHT, 0, COLLAPSE_FORWARD_ONLY},
    {L"caret.move.char.left", L"Move Caret Left", L"Left", CARET, MOVE_CHAR_LEFT, 0, COLLAPSE_BACKWARD_ONLY},
    {L"caret.move.line.up", L"Move Line Up", L"Up", CARET, MOVE_LINE_UP, 0, COLLAPSE_BACKWARD_THEN},
    {L"caret.move.line.down", L"Move Line Down", L"Down", CARET, MOVE_LINE_DOWN, 0, COLLAPSE_FORWARD_THEN},
    {L"caret.move.word.right", L"Move Caret Word Right", L"Ctrl+Right", CARET, MOVE_WORD_RIGHT, 0,
     COLLAPSE_FORWARD_ONLY},
    {L"caret.move.word.left", L"Move Caret Word Left", L"Ctrl+Left", CARET, MOVE_WORD_LEFT, 0,
     COLLAPSE_BACKWARD_ONLY},
    {L"caret.move.line.home", L"Move Line Home", L"Home", CARET, MOVE_LINE_HOME, 0, COLLAPSE_BACKWARD_THEN},
    {L"caret.move.line.end", L"Move Line End", L"End", CARET, MOVE_LINE_END, 0, COLLAPSE_FORWARD_THEN},
    {L"caret.move.page.up", L"Move Page Up", L"Page-Up", CARET, MOVE_PAGE_UP, 0, NO_COLLAPSE},
    {L"caret.move.page.down", L"Move Page Down", L"Page-Down", CARET, MOVE_PAGE_DOWN, 0, NO_COLLAPSE},
    {L"caret.move.document.home", L"Move Document Home", L"Ctrl+Home", CARET, MOVE_DOCUMENT_HOME, 0, NO_COLLAPSE},
    {L"caret.move.document.end", L"Move Document End", L"Ctrl+End", CARET, MOVE_DOCUMENT_END, 0, NO_COLLAPSE},
    {L"caret.select.normal.char.right", L"Select Caret Right", L"Shift+Right", NORMAL, MOVE_CHAR_RIGHT, 0,
     NO_COLLAPSE},
    {L"caret.select.normal.char.left", L"Select Caret Left", L"Shift+Left", NORMAL, MOVE_CHAR_LEFT, 0, NO_COLLAPSE},
    {L"caret.select.normal.line.up", L"Select Line Up", L"Shift+Up", NORMAL, MOVE_LINE_UP, 0, NO_COLLAPSE},
    {L"caret.select.normal.line.down", L"Select Line Down", L"Shift+Down", NORMAL, MOVE_LINE_DOWN, 0, NO_COLLAPSE},
    {L"caret.select.normal.word.right", L"Select Caret Word Right", L"Shift+Ctrl+Right", NORMAL, MOVE_WORD_RIGHT, 0,
     NO_COLLAPSE},
    {L"caret.select.normal.word.left", L"Select Caret Word Left", L"Shift+Ctrl+Left", NORMAL, MOVE_WORD_LEFT, 0,
     NO_COLLAPSE},
    {L"caret.select.normal.line.home", L"Select Line Home", L"Shift+Home", NORMAL, MOVE_LINE_HOME, 0, NO_COLLAPSE},
    {L"caret.select.normal.line.end", L"Select Line End", L"Shift+End", NORMAL, MOVE_LINE_END, 0, NO_COLLAPSE},
    {L"caret.select.normal.page.up", L"Select Page Up", L"Shift+Page-Up", NORMAL, MOVE_PAGE_UP, 0, NO_COLLAPSE},
    {L"caret.select.normal.page.down", L"Select Page Down", L"Shift+Page-Down", NORMAL, MOVE_PAGE_DOWN, 0,
     NO_COLLAPSE},
    {L"caret.select.normal.document.home", L"Select Document Home", L"Shift+Ctrl+Home", NORMAL, MOVE_DOCUMENT_HOME,
     0, NO_COLLAPSE},
    {L"caret.select.normal.document.end", L"Select Document End", L"Shift+Ctrl+End", NORMAL, MOVE_DOCUMENT_END, 0,
     NO_COLLAPSE},
    {L"caret.select.rect.char.right", L"Rect Caret Right", L"Alt+Right", RECT, MOVE_CHAR_RIGHT, 2, NO_COLLAPSE},
    {L"caret.select.rect.char.left", L"Rect Caret Left", L"Alt+Left", RECT, MOVE_CHAR_LEFT_IN_LINE, 2, NO_COLLAPSE},
    {L"caret.select.rect.line.up", L"Rect Line Up", L"Alt+Up", RECT, MOVE_LINE_UP, 2, NO_COLLAPSE},
    {L"caret.select.rect.line.down", L"Rect Line Down", L"Alt+Down", RECT, MOVE_LINE_DOWN, 2, NO_COLLAPSE},
    {L"caret.select.rect.word.right", L"Rect Caret Word Right", L"Alt+Ctrl+Right", RECT, MOVE_WORD_RIGHT, 0,
     NO_COLLAPSE},
    {L"caret.select.rect.word.left", L"Rect Caret Word Left", L"Alt+Ctrl+Left", RECT, MOVE_WORD_LEFT_IN_LINE, 0,
     NO_COLLAPSE},
    {L"caret.select.rect.line.home", L"Rect Line Home", L"Alt+Home", RECT, MOVE_LINE_HOME, 0, NO_COLLAPSE},
    {L"caret.select.rect.line.end", L"Rect Line End", L"Alt+End", RECT, MOVE_LINE_END, 0, NO_COLLAPSE},
    {L"caret.select.rect.page.up", L"Rect Page Up", L"Alt+Page-Up", RECT, MOVE_PAGE_UP, 0, NO_COLLAPSE},
    {L"caret.select.rect.page.down", L"Rect Page Down", L"Alt+Page-Down", RECT, MOVE_PAGE_DOWN, 0, NO_COLLAPSE},
    {L"caret.select.rect.document.home", L"Rect Document Home", L"Alt+Ctrl+Home", RECT, MOVE_DOCUMENT_HOME, 0,
     NO_COLLAPSE},
    {L"caret.select.rect.document.end", L"Rect Document End", L"Alt+Ctrl+End", RECT, MOVE_DOCUMENT_END, 0,
     NO_COLLAPSE},
};

bool runRow(const CaretActionRow& row, EditorCmd& handler) {
    if (!handler.getController())
        return false;
    switch (row.collapse) {
    case COLLAPSE_FORWARD_ONLY:
    case COLLAPSE_BACKWARD_ONLY:
        if (collapseSelection(handler, row.collapse == COLLAPSE_FORWARD_ONLY))
            return true;
        break;
    case COLLAPSE_FORWARD_THEN:
    case COLLAPSE_BACKWARD_THEN:
        collapseSelection(handler, row.collapse == COLLAPSE_FORWARD_THEN);
        break;
    case NO_COLLAPSE:
        break;
    }
    return runCaretCommand(handler.getEditor(), row.behaviorId, row.movement, row.flags);
}

} // namespace

void registerEditorCaretActions(afActionRegistry* registry, afActionContext* context) {
    for (const CaretActionRow& row : CARET_ACTIONS) {
        const CaretActionRow* at = &row;
        afAction* action = afRegisterAction(
            registry, new afActionSystem(row.title, context, row.id, L"ui.editor",
                                         [at](afActionHandler& handler, afActionEvent&) {
                                             EditorCmd* editorCmd = dynamic_cast<EditorCmd*>(&handler);
                                             return editorCmd && runRow(*at, *editorCmd);
                                         }));
        afAddKeyTriggerText(afApp::getKeyInvoker(), action, row.key, true);
    }
}

} // namespace tessel
