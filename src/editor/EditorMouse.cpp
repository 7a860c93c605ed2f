// Mouse selection: a press places the caret (two presses a word, three a line, the gutter a
// line), Shift extends, Ctrl adds a range, Alt selects a rectangle; a drag extends by the unit
// of the press; a press on the selection places the caret on release.
#include "editor/Editor.h"

#include "afw/graphics/afStockResources.h"
#include "afw/view/afInput.h"
#include "afw/view/afViewEvents.h"
#include "afw/view/afViewTimer.h"
#include "editor/EditorBatch.h"
#include "pel/base/CharacterProperties.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"

#include <algorithm>
#include <cmath>

namespace tessel {

namespace {

POINT clientPointOf(HWND window, const afMouseEvent& event) {
    POINT point = event.position;
    ::ScreenToClient(window, &point);
    return point;
}

bool isWordChar(uint32_t c) { return (pel::getCharacterProperties(c) & pel::CHARACTER_WORD) != 0; }

} // namespace

int Editor::hitTest(POINT point) {
    if (point.x < m_gutterWidth)
        return HIT_GUTTER;
    TextPosition position;
    Selection& selection = m_controller->getSelection();
    if (!selection.isEmpty() && clientPointToPosition(point, &position, false) && selection.contains(position))
        return HIT_SELECTION;
    return HIT_TEXT;
}

void Editor::wordAround(const TextPosition& position, TextPosition* o_start, TextPosition* o_end) {
    *o_start = *o_end = position;
    // Only the word's own units are read: its line may be many megabytes long.
    m_controller->getRunAround(position, isWordChar, &o_start->lineOffset, &o_end->lineOffset);
}

bool Editor::wordOrCharacterAt(POINT point, TextPosition* o_start, TextPosition* o_end) {
    TextPosition cell;
    if (!clientPointToPosition(point, &cell, false, true) || m_controller->isBeyondLineEnd(cell) ||
        cell.line >= m_controller->getLineCount())
        return false;
    const int32_t lineStart = m_controller->getDocument().getLineStart(cell.line);
    const int32_t lineEnd = lineStart + m_controller->getDocument().getLineLength(cell.line);
    // Past the line's text, its last character.
    int32_t at = m_controller->characterStart(lineStart + cell.lineOffset);
    if (at >= lineEnd && at > lineStart)
        at = m_controller->previousCharacter(lineEnd);
    *o_start = *o_end = TextPosition(cell.line, at - lineStart);
    if (at >= lineEnd)
        return true;
    if (isWordChar(m_controller->codePointAt(at)))
        wordAround(*o_start, o_start, o_end);
    else
        o_end->lineOffset = m_controller->nextCharacter(at) - lineStart;
    return true;
}

void Editor::lineAround(int32_t line, TextPosition* o_start, TextPosition* o_end) {
    *o_start = TextPosition(line, 0);
    *o_end = line < m_controller->getLineCount() ? m_controller->getLineBoundary(line, false, false)
                                                 : TextPosition(line, 0, true);
    o_end->isVirtual = true;
}

bool Editor::onMouseDown(afMouseEvent& event) {
    const POINT point = clientPointOf(getHandle(), event);
    if (event.message.message == WM_RBUTTONDOWN)
        return runContextMenu(point);
    if (event.message.message != WM_LBUTTONDOWN)
        return false;
    m_downPoint = point;
    if (!m_controller)
        return false;
    const uint8_t modifiers = event.getModifiers();
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    const int hit = hitTest(point);
    ::SetFocus(getHandle());
    setCapture(true);
    if (hit == HIT_SELECTION && !(modifiers & (AF_MODIFIER_SHIFT | AF_MODIFIER_CTRL))) {
        m_dragMode = DRAG_ON_SELECTION;
        return true;
    }
    pressAt(point, event.getClickCount(), hit == HIT_GUTTER, modifiers);
    return true;
}

void Editor::pressAt(POINT point, int clickCount, bool gutter, uint8_t modifiers) {
    DocumentController::SelectionChange bracket(*m_controller);
    EditorBatch batch(*this);
    const bool alt = (modifiers & (AF_MODIFIER_LEFT_ALT | AF_MODIFIER_RIGHT_ALT)) != 0;
    TextPosition position;
    if (!clientPointToPosition(point, &position, alt))
        return;
    m_dragMode = gutter || clickCount >= 3 ? DRAG_LINE : clickCount == 2 ? DRAG_WORD : DRAG_CHARACTER;
    if (m_dragMode == DRAG_LINE) {
        lineAround(position.line, &m_anchorRange.start, &m_anchorRange.end);
        m_caretVisibleFollow = false;
    } else if (m_dragMode != DRAG_WORD || !wordOrCharacterAt(point, &m_anchorRange.start, &m_anchorRange.end)) {
        m_dragMode = DRAG_CHARACTER;
        m_anchorRange.start = m_anchorRange.end = position;
    }
    Selection& selection = m_controller->getSelection();
    const uint8_t flags = CARET_ANCHOR | (alt ? CARET_VIRTUAL : 0);
    if (modifiers & AF_MODIFIER_SHIFT) {
        // A drag goes on from the selection's own anchor.
        const TextPosition anchor = selection.getAnchor();
        selection.set(m_anchorRange.end, anchor, flags, selection_ids::CURRENT);
        m_anchorRange.start = anchor;
    }
    else if (modifiers & AF_MODIFIER_CTRL)
        selection.setWithBehavior(m_anchorRange.start, m_anchorRange.end, alt ? selection_ids::RECTANGLE : selection_ids::NORMAL);
    else
        selection.set(m_anchorRange.end, m_anchorRange.start, flags, alt ? selection_ids::RECTANGLE : selection_ids::NORMAL);
    m_caretVisibleFollow = true;
}

int Editor::autoScrollSpeed(int distance, uint32_t tick) {
    // The most negative bounds first, so that each band keeps its own speed.
    if (distance < -48)
        return -5;
    if (distance < -16)
        return -2;
    if (distance < -3)
        return -1;
    if (distance > 48)
        return 5;
    if (distance > 16)
        return 2;
    if (distance > 3)
        return 1;
    if (distance == 0 || tick % 5 != 0)
        return 0;
    return distance > 0 ? 1 : -1;
}

void Editor::autoScrollStep(POINT point, uint32_t tick) {
    if (!m_controller)
        return;
    const int top = 0, bottom = m_visibleLines * getLineHeight();
    const int left = m_gutterWidth + m_textLeft, right = m_clientWidth;
    const int dy = point.y < top ? point.y - top : point.y > bottom ? point.y - bottom : 0;
    const int dx = point.x < left ? point.x - left : point.x > right ? point.x - right : 0;
    const int lines = (m_autoScrollAxes & 1) ? autoScrollSpeed(dy, tick) : 0;
    // Only along the axes the view scrolls: a wrapped view would slide its rows out of sight.
    const int columns = (m_autoScrollAxes & 2) && sidewaysReach() > 0 ? autoScrollSpeed(dx, tick) : 0;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    scrollBy(columns, lines);
    if (m_dragMode != DRAG_NONE && m_dragMode != DRAG_ON_SELECTION)
        dragTo(point);
}

bool Editor::onAutoScrollTick(afViewTimer* timer) {
    // The capture went to another window: the drag is over, the view stays.
    if (!hasCapture()) {
        stopTimer(m_autoScrollTimer);
        return true;
    }
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(getHandle(), &point);
    autoScrollStep(point, timer->getTickCount());
    return true;
}

void Editor::dragTo(POINT point) {
    // Outside the text area the view scrolls on its own until the pointer comes back.
    const bool inside = point.x >= m_gutterWidth + m_textLeft && point.x < m_clientWidth && point.y >= 0 &&
                        point.y < m_visibleLines * getLineHeight();
    if (inside == m_autoScrollTimer.isRunning()) {
        if (inside)
            stopTimer(m_autoScrollTimer);
        else
            startTimer(m_autoScrollTimer);
    }
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    DocumentController::SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    const bool rectangle = selection.getBehaviorSetting() == selection_ids::RECTANGLE;
    // A rectangle dragged within the cell of the anchor's column is a column of carets: on each
    // line the caret stands where that column falls, at the start of a character it falls in.
    const int cell = std::max(getCharWidth(), 1);
    const int32_t column = positionToPoint(m_anchorRange.start, true, nullptr);
    const int32_t pointed = point.x - (m_gutterWidth + m_textLeft) + m_scrollColumn * cell;
    const bool inColumn = rectangle && m_dragMode == DRAG_CHARACTER &&
                          std::lround(double(pointed) / cell) == std::lround(double(column) / cell);
    if (inColumn)
        point.x += column - pointed;
    TextPosition position;
    if (!clientPointToPosition(point, &position, rectangle, inColumn))
        return;
    TextPosition anchor = m_anchorRange.start, caret = position;
    if (m_dragMode != DRAG_CHARACTER) {
        TextPosition start, end;
        if (m_dragMode != DRAG_WORD)
            lineAround(position.line, &start, &end);
        else if (!wordOrCharacterAt(point, &start, &end))
            start = end = position;
        const bool forward = position >= m_anchorRange.start;
        anchor = forward ? m_anchorRange.start : m_anchorRange.end;
        caret = forward ? end : start;
    }
    selection.set(caret, anchor, CARET_ANCHOR | (inColumn ? CARET_COLUMN : 0), selection_ids::CURRENT);
}

bool Editor::onMouseMove(afMouseEvent& event) {
    if (!m_controller)
        return false;
    const POINT point = clientPointOf(getHandle(), event);
    // Without the capture (lost to another window mid-drag too) the pointer only hovers.
    const bool dragging = hasCapture() && m_dragMode != DRAG_NONE;
    int kind = HIT_TEXT;
    if (!dragging)
        kind = hoverAt(point);
    else if (m_dragMode == DRAG_ON_SELECTION)
        kind = afIsInDoubleClickRect(point, m_downPoint) ? HIT_SELECTION : HIT_TEXT;
    else
        dragTo(point);
    setPointer(kind == HIT_MARKER ? AF_CURSOR_HAND : kind == HIT_TEXT ? AF_CURSOR_IBEAM : AF_CURSOR_ARROW);
    m_caretVisibleFollow = true;
    return true;
}

bool Editor::onMouseUp(afMouseEvent& event) {
    if (!m_controller)
        return false;
    const POINT point = clientPointOf(getHandle(), event);
    // A press that lost the capture ends without touching the selection.
    const bool captured = hasCapture();
    if (captured && m_dragMode == DRAG_ON_SELECTION) {
        // A press on the selection that did not become a drag places the caret, or selects by
        // the unit of its click count (a triple click lands on the word the double click chose).
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        pressAt(point, event.getClickCount(), false, 0);
    } else if (captured && m_dragMode != DRAG_NONE) {
        dragTo(point);
    }
    m_dragMode = DRAG_NONE;
    stopTimer(m_autoScrollTimer);
    setCapture(false);
    m_caretVisibleFollow = true;
    return true;
}

} // namespace tessel
