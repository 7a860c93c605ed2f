#include "editor/EditorCaretMoves.h"

#include "afw/unicode/afUnicode.h"
#include "editor/Editor.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "editor/EditorCmd.h"
#include "afw/core/afLog.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"

#include <algorithm>

namespace tessel {

namespace {

int32_t lineLength(DocumentController& controller, int32_t line) {
    return controller.getLineBoundary(line, false, false).lineOffset;
}

// The next or previous character or word stop of a line's layout; from when there is none. A
// long line's pieces are searched in turn: the stop before a piece's first character lies in
// the piece before it, and a piece's end is a stop only when the next piece's first character
// is one.
bool stepInLine(Editor& editor, int32_t line, int32_t offset, bool forward, bool words, int32_t* o_offset) {
    LineCache& cache = *editor.getLineCache();
    const afUnicode& layout = *editor.getLayout();
    LineCache::Piece piece = cache.pieceAt(line, offset, !forward);
    if (!piece.data)
        return false;
    int32_t stop = layout.findStop(*piece.data, offset - piece.start, forward, words);
    while (forward && !piece.last && stop >= afUnicode::lengthOf(*piece.data)) {
        piece = cache.piece(line, piece.index + 1);
        stop = layout.findStop(*piece.data, -1, true, words);
    }
    while (!forward && stop < 0 && piece.index > 0) {
        piece = cache.piece(line, piece.index - 1);
        stop = layout.findStop(*piece.data, piece.end - piece.start, false, words);
    }
    *o_offset = stop < 0 ? stop : piece.start + stop;
    return true;
}

// Whether the offset is a wrap point of the line's layout: where one display line ends and the
// next starts.
bool isWrapPoint(Editor& editor, int32_t line, int32_t offset) {
    return editor.endsDisplayLine(TextPosition(line, offset, true));
}

TextPosition moveRight(Editor& editor, const TextPosition& from, bool words, bool allowVirtual) {
    DocumentController& c = *editor.getController();
    const int32_t count = c.getLineCount();
    TextPosition to = from;
    to.isVirtual = true;
    if (from.line < count && from.lineOffset < lineLength(c, from.line) && from.lineOffset >= 0) {
        int32_t offset = from.lineOffset;
        if (!stepInLine(editor, from.line, offset, true, words, &offset))
            return from;
        to.lineOffset = offset;
        // Stepping over a wrap point goes on to the start of the next display line.
        to.isVirtual = !isWrapPoint(editor, from.line, offset);
        return to;
    }
    if (allowVirtual && !words) {
        ++to.lineOffset;
        return to;
    }
    if (from.line >= count)
        return c.getEndPosition();
    if (from.line < count - 1)
        return TextPosition(from.line + 1, 0);
    return words ? c.getEndPosition() : from;
}

TextPosition moveLeft(Editor& editor, const TextPosition& from, bool words, bool inLine, bool allowVirtual) {
    DocumentController& c = *editor.getController();
    const int32_t count = c.getLineCount();
    TextPosition to = from;
    to.isVirtual = false;
    if (from.lineOffset <= 0) {
        if (inLine || from.line <= 0)
            return to;
        if (from.line <= count) {
            const int32_t previous = std::min(from.line - 1, count - 1);
            return TextPosition(previous, lineLength(c, previous));
        }
        return allowVirtual ? TextPosition(from.line - 1, 0) : c.getEndPosition();
    }
    const int32_t length = from.line < count ? lineLength(c, from.line) : 0;
    if (allowVirtual && !words && from.lineOffset > length) {
        --to.lineOffset;
        return to;
    }
    if (from.line >= count)
        return c.getEndPosition();
    int32_t offset = std::min(from.lineOffset, length);
    if (!stepInLine(editor, from.line, offset, false, words, &offset))
        return from;
    to.lineOffset = std::max(offset, 0);
    return to;
}

// Up or down by display lines, aiming at x.
TextPosition moveVertically(Editor& editor, const TextPosition& from, int32_t rows, bool allowVirtual, int32_t x,
                            bool byCell) {
    DocumentController& c = *editor.getController();
    SubLineIterator at;
    if (!editor.sublineIteratorFor(from, &at)) {
        pel::log_printf(1, AF_LOG_SOURCE, L"Editor::getOffset(): Cannot get subline iterator.\n");
        return TextPosition();
    }
    if (rows < 0)
        at.retreat(-rows);
    else
        at.advance(rows);
    if (at.state() == SubLineIterator::VALID) {
        TextPosition to;
        if (editor.pointToPosition(x, at.line, at.subline, &to, allowVirtual, byCell))
            return to;
        return from;
    }
    if (rows < 0)
        return TextPosition();
    if (from.line < c.getLineCount() && from.lineOffset <= lineLength(c, from.line)) {
        TextPosition end = c.getEndPosition();
        end.isVirtual = true;
        return end;
    }
    return from;
}

// The display line's start and end around an offset of a laid-out line.
bool displayLineBounds(Editor& editor, const TextPosition& at, int* o_subline, int* o_start, int* o_end) {
    LineCache& cache = *editor.getLineCache();
    if (at.line < 0 || at.line >= cache.getLineCount())
        return false;
    *o_subline = editor.sublineShowing(at);
    if (cache.isUnwrapped()) {
        // One display line holds every piece.
        *o_start = 0;
        *o_end = lineLength(*editor.getController(), at.line);
        return true;
    }
    const LineCache::Piece piece = cache.pieceOnRow(at.line, *o_subline);
    if (!piece.data)
        return false;
    afUnicode& layout = *editor.getLayout();
    const int subline = *o_subline - piece.firstSubline;
    bool wrapped = false;
    *o_start = piece.start + layout.sublineStart(*piece.data, subline);
    *o_end = piece.start + layout.sublineEnd(*piece.data, subline, wrapped);
    return true;
}

// A stop of End: on a wrap point it stays at the end of the display line it ends, so that the
// next End goes on from there.
TextPosition endStop(Editor& editor, int32_t line, int32_t offset) {
    return TextPosition(line, offset, isWrapPoint(editor, line, offset));
}

TextPosition moveLineEnd(Editor& editor, const TextPosition& from) {
    DocumentController& c = *editor.getController();
    if (from.line < 0 || from.line >= c.getLineCount())
        return from;
    const int32_t length = lineLength(c, from.line);
    const int32_t trimmed = c.getLineBoundary(from.line, true, false).lineOffset;
    if (from.lineOffset == length)
        return endStop(editor, from.line, trimmed);
    int subline = 0, start = 0, end = length;
    displayLineBounds(editor, from, &subline, &start, &end);
    const int32_t lo = std::min<int32_t>(trimmed, end), hi = std::max<int32_t>(trimmed, end);
    if (from.lineOffset < lo)
        return endStop(editor, from.line, lo);
    if (from.lineOffset < hi)
        return endStop(editor, from.line, hi);
    return TextPosition(from.line, length);
}

TextPosition moveLineHome(Editor& editor, const TextPosition& from) {
    DocumentController& c = *editor.getController();
    if (from.line < 0 || from.line >= c.getLineCount())
        return TextPosition(from.line, 0);
    const int32_t first = c.getLineContentStart(from.line, true).lineOffset;
    int subline = 0, start = 0, end = 0;
    if (displayLineBounds(editor, from, &subline, &start, &end) && subline > 0) {
        if (from.lineOffset > start)
            return TextPosition(from.line, start);
        return TextPosition(from.line, from.lineOffset <= first ? 0 : first);
    }
    return TextPosition(from.line, from.lineOffset == first ? 0 : first);
}

} // namespace

TextPosition computeCaretTarget(Editor& editor, const TextPosition& from, int movement, bool allowVirtual,
                                int32_t rememberedX, bool* o_horizontal, bool byCell) {
    bool horizontal = true;
    TextPosition to = from;
    switch (movement) {
    case MOVE_CHAR_RIGHT:
        to = moveRight(editor, from, false, allowVirtual);
        break;
    case MOVE_WORD_RIGHT:
        to = moveRight(editor, from, true, allowVirtual);
        break;
    case MOVE_CHAR_LEFT:
    case MOVE_CHAR_LEFT_IN_LINE:
        to = moveLeft(editor, from, false, movement == MOVE_CHAR_LEFT_IN_LINE, allowVirtual);
        break;
    case MOVE_WORD_LEFT:
    case MOVE_WORD_LEFT_IN_LINE:
        to = moveLeft(editor, from, true, movement == MOVE_WORD_LEFT_IN_LINE, allowVirtual);
        break;
    case MOVE_LINE_UP:
    case MOVE_LINE_DOWN:
    case MOVE_PAGE_UP:
    case MOVE_PAGE_DOWN: {
        horizontal = false;
        const int32_t rows = movement <= MOVE_LINE_DOWN ? 1 : std::max(editor.getVisibleLines(), 1);
        const bool up = movement == MOVE_LINE_UP || movement == MOVE_PAGE_UP;
        to = moveVertically(editor, from, up ? -rows : rows, allowVirtual, rememberedX, byCell);
        break;
    }
    case MOVE_LINE_END:
        to = moveLineEnd(editor, from);
        break;
    case MOVE_LINE_HOME:
        to = moveLineHome(editor, from);
        break;
    case MOVE_DOCUMENT_HOME:
        to = TextPosition();
        break;
    case MOVE_DOCUMENT_END:
        to = editor.getController()->getEndPosition();
        break;
    default:
        break;
    }
    if (o_horizontal)
        *o_horizontal = horizontal;
    return to;
}

bool runCaretCommand(Editor& editor, uint32_t behaviorId, int movement, uint8_t flags) {
    DocumentController* controller = editor.getController();
    if (!controller)
        return false;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
    DocumentController::SelectionChange bracket(*controller);
    Selection& selection = controller->getSelection();
    const bool allowVirtual = selection.getCaretVirtualMode() || (selection.getCaretFlags() & CARET_VIRTUAL) ||
                              (flags & CARET_VIRTUAL);
    // A column of carets goes on in the anchor's column, measured where the user sees it; on a
    // line where that column falls inside a character, the caret stands at its start, as the
    // rectangle's rows do.
    const bool vertical = movement == MOVE_LINE_UP || movement == MOVE_LINE_DOWN || movement == MOVE_PAGE_UP ||
                          movement == MOVE_PAGE_DOWN;
    const bool column = behaviorId == selection_ids::RECTANGLE && vertical &&
                        (selection.getAnchor() == selection.getCaret() ||
                         (selection.getBehaviorSetting() == selection_ids::RECTANGLE && selection.isColumn()));
    const int32_t x = column                ? editor.positionToPoint(selection.getAnchor(), true, nullptr)
                      : editor.getCaret() ? editor.getCaret()->getRememberedX()
                                          : 0;
    bool horizontal = true;
    const TextPosition target =
        computeCaretTarget(editor, selection.getCaret(), movement, allowVirtual, x, &horizontal, column);
    flags = static_cast<uint8_t>((flags & ~(CARET_ANCHOR | CARET_COLUMN)) | (horizontal ? CARET_ANCHOR : 0) |
                                 (column ? CARET_COLUMN : 0));
    EditorBatch batch(editor);
    DocumentController::SelectionChange inner(*controller);
    selection.set(target, selection.getAnchor(), flags, behaviorId);
    // Also a caret that stays (Ctrl+End at the end) comes into view when the view was taken
    // elsewhere: its notice, if any, only scrolls for a move.
    if (!(flags & CARET_KEEP_VIEW))
        editor.showCaret((flags & CARET_CENTRE) != 0);
    return true;
}

bool collapseSelection(EditorCmd& handler, bool forward) {
    DocumentController* controller = handler.getController();
    if (!controller)
        return false;
    Selection& selection = controller->getSelection();
    const bool nonEmpty = !selection.getCommittedRanges().empty() ||
                          (selection.getAnchor() != selection.getCaret() && !selection.isEmpty());
    if (!nonEmpty)
        return false;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
    DocumentController::SelectionChange bracket(*controller);
    selection.orderEnds(forward ? 1 : 0);
    selection.set(selection.getCaret(), selection.getCaret(), 0, selection_ids::CARET);
    return true;
}

} // namespace tessel
