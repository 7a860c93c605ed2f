// Conversions between client pixels, display lines and document positions.
#include "editor/Editor.h"

#include "afw/unicode/afUnicode.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"

#include <algorithm>

namespace tessel {

bool Editor::pointToPosition(int32_t x, int32_t line, int32_t subline, TextPosition* o_position, bool allowVirtual,
                             bool byCell) {
    if (!m_controller || !o_position)
        return false;
    line = std::max(line, 0);
    if (x < 0) {
        *o_position = TextPosition(line, 0);
        return true;
    }
    if (line >= m_lineCache->getLineCount()) {
        *o_position = allowVirtual ? TextPosition(line, x / getCharWidth(), true) : m_controller->getEndPosition();
        return true;
    }
    const bool unwrapped = m_lineCache->isUnwrapped();
    const LineCache::Piece piece = unwrapped ? m_lineCache->pieceAtX(line, x) : m_lineCache->pieceOnRow(line, subline);
    if (!piece.data)
        return false;
    const afUnicodeData& data = *piece.data;
    const int sub = unwrapped ? 0 : std::max(std::min(subline - piece.firstSubline, data.sublineCount() - 1), 0);
    bool trailing = false;
    int extra = 0;
    const int inPiece = unwrapped ? x - piece.x : x;
    int offset = m_layout->getSublineOffsetFromX(data, sub, inPiece, trailing, extra);
    if (offset < 0) {
        // Uniscribe could not answer: the line start is a position that exists.
        *o_position = TextPosition(line, 0);
        return true;
    }
    if (!piece.last)
        extra = 0; // virtual space lies past the line's end only
    // The cell under x: the character whose right half x is on, but not at or past the end of
    // the line's text, where the cell is the one after it (a column's edge at the line's end).
    int row = 0;
    const bool pastText = piece.last && offset >= afUnicode::lengthOf(data) &&
                          inPiece >= m_layout->getSublineX(data, offset, false, 0, row);
    if (byCell && trailing && extra == 0 && offset > m_layout->sublineStart(data, sub) && !pastText)
        offset = std::max(m_layout->findStop(data, offset, false, false), 0);
    if (allowVirtual && extra > 0)
        *o_position = TextPosition(line, piece.end + extra, true);
    else
        *o_position = TextPosition(line, piece.start + offset);
    // A point at the end of a wrapped display line stays on that display line, the last one of
    // a piece too: the next piece starts the next display line.
    if (trailing && extra == 0 && sub + 1 < data.sublineCount() && offset == m_layout->sublineStart(data, sub + 1))
        o_position->isVirtual = true;
    if (!unwrapped && !piece.last && sub == data.sublineCount() - 1 && offset >= afUnicode::lengthOf(data))
        o_position->isVirtual = true;
    return true;
}

LineCache::Piece Editor::pieceShowing(const TextPosition& position) {
    LineCache::Piece piece = m_lineCache->pieceAt(position.line, position.lineOffset, false);
    // Wrapped, the seam between two pieces is a wrap point: it ends the earlier piece's last row.
    if (piece.data && piece.index > 0 && position.lineOffset == piece.start && position.isVirtual &&
        !m_lineCache->isUnwrapped())
        piece = m_lineCache->pieceAt(position.line, position.lineOffset, true);
    return piece;
}

namespace {

// Whether the piece's local offset, with the trailing flag, ends one of the piece's display
// lines (its last one too, for a piece that another follows when wrapped).
bool endsRowOf(const afUnicode& layout, const LineCache::Piece& piece, int local, bool isVirtual, bool unwrapped) {
    const afUnicodeData& data = *piece.data;
    if (!isVirtual || local <= 0 || local > afUnicode::lengthOf(data))
        return false;
    if (!unwrapped && !piece.last && local == afUnicode::lengthOf(data))
        return true;
    const int subline = layout.sublineOf(data, local, false);
    return subline > 0 && layout.sublineStart(data, subline) == local;
}

} // namespace

bool Editor::endsDisplayLine(const TextPosition& position) {
    if (!position.isVirtual || position.lineOffset <= 0)
        return false;
    const LineCache::Piece piece = pieceShowing(position);
    return piece.data && endsRowOf(*m_layout, piece, position.lineOffset - piece.start, true, m_lineCache->isUnwrapped());
}

int32_t Editor::sublineShowing(const TextPosition& position) {
    const LineCache::Piece piece = pieceShowing(position);
    if (!piece.data)
        return 0;
    const afUnicodeData& data = *piece.data;
    const int local = std::max(std::min(position.lineOffset - piece.start, afUnicode::lengthOf(data)), 0);
    // A position that ends a row shows on the row of the character before it.
    const bool endsRow = endsRowOf(*m_layout, piece, position.lineOffset - piece.start, position.isVirtual,
                                   m_lineCache->isUnwrapped());
    return piece.firstSubline + m_layout->sublineOf(data, local, endsRow);
}

int32_t Editor::positionToPoint(const TextPosition& position, bool exact, bool* o_onScreen) {
    if (o_onScreen)
        *o_onScreen = false;
    if (!m_controller)
        return 0;
    if (position.line >= m_lineCache->getLineCount() || position.line < 0)
        return getCharWidth() * position.lineOffset;
    const LineCache::Piece piece = pieceShowing(position);
    if (!piece.data)
        return 0;
    const afUnicodeData& data = *piece.data;
    const bool unwrapped = m_lineCache->isUnwrapped();
    const int base = unwrapped ? piece.x : 0;
    const int length = afUnicode::lengthOf(data);
    const int offset = std::max(std::min(position.lineOffset - piece.start, length), 0);
    const int extra = piece.last ? std::max(position.lineOffset - piece.end, 0) : 0;
    int subline = 0;
    if (endsRowOf(*m_layout, piece, position.lineOffset - piece.start, position.isVirtual, unwrapped))
        return base + m_layout->getSublineX(data, offset, true, 0, subline);
    int x = m_layout->getSublineX(data, offset, false, extra, subline);
    if (!exact && offset < length && extra == 0) {
        // The cell's left edge: a right-to-left character's cell starts where its end stands.
        const int next = m_layout->findStop(data, offset, true, false);
        int nextSubline = 0;
        const int end = m_layout->getSublineX(data, next, true, 0, nextSubline);
        if (nextSubline == subline)
            x = std::min(x, end);
    }
    if (o_onScreen)
        *o_onScreen = position.lineOffset - piece.start <= length;
    return base + x;
}

void Editor::refreshBottom() {
    m_bottom = m_top;
    m_bottom.advance(std::max(m_visibleLines - 1, 0));
}

SubLineIterator Editor::yToDisplayLine(int y) {
    const int lineHeight = getLineHeight();
    const int rows = y >= 0 ? y / lineHeight : -((-y + lineHeight - 1) / lineHeight);
    SubLineIterator at = m_top;
    at.advance(rows);
    at.subline = at.clampedSubline();
    return at;
}

int Editor::lineToY(int32_t line, int32_t subline) {
    const int lineHeight = getLineHeight();
    const int below = (m_visibleLines + 1) * lineHeight;
    if (line < m_top.line)
        return 0;
    SubLineIterator shown = m_top;
    shown.advance(m_visibleLines);
    // Compared by line first, so no line past the rows shown is measured.
    if (line > shown.line)
        return below;
    SubLineIterator target = m_lineCache->makeIterator(line, subline);
    if (target < m_top)
        return 0;
    SubLineIterator at = m_top;
    for (int row = 0; row <= m_visibleLines; ++row, at.advance(1))
        if (at == target)
            return row * lineHeight;
    return below;
}

bool Editor::clientPointToPosition(POINT point, TextPosition* o_position, bool allowVirtual, bool byCell) {
    if (!m_controller)
        return false;
    const SubLineIterator at = yToDisplayLine(point.y);
    const int x = point.x - (m_gutterWidth + m_textLeft) + m_scrollColumn * getCharWidth();
    return pointToPosition(x, at.line, at.subline, o_position, allowVirtual, byCell);
}

bool Editor::sublineIteratorFor(const TextPosition& position, SubLineIterator* o_iterator) {
    if (!m_controller)
        return false;
    TextPosition shown = position;
    shown.line = std::max(std::min(position.line, m_lineCache->getLineCount() - 1), 0);
    if (!m_lineCache->getLayout(shown.line))
        return false;
    *o_iterator = m_lineCache->makeIterator(shown.line, sublineShowing(shown));
    return true;
}

bool Editor::caretPoint(POINT* o_point) {
    if (!m_controller)
        return false;
    return positionPoint(m_controller->getSelection().getCaret(), o_point);
}

bool Editor::positionPoint(const TextPosition& position, POINT* o_point) {
    if (!m_controller)
        return false;
    SubLineIterator at;
    if (!sublineIteratorFor(position, &at))
        return false;
    // Judged by display line: rows from the top down to the last one that shows in full.
    refreshBottom();
    if (at < m_top || at > m_bottom)
        return false;
    int x = m_gutterWidth + m_textLeft - m_scrollColumn * getCharWidth() + positionToPoint(position, true, nullptr);
    // The blanks a wrapped row ends in stay on it past its edge: the caret after them stands at
    // the edge, where the row's text ends for the eye, and not hidden where it was before.
    const int right = textColumnRight(m_clientWidth);
    if (!m_lineCache->isUnwrapped() && x >= right)
        x = std::max(right - (m_caret ? m_caret->getWidth() : 1), m_gutterWidth + m_textLeft);
    if (x < m_gutterWidth + m_textLeft || x >= m_clientWidth)
        return false;
    o_point->x = x;
    o_point->y = lineToY(at.line, at.subline);
    return true;
}

bool Editor::scrollToShow(const TextPosition& position, bool centre) {
    if (!m_controller)
        return false;
    if (position.line >= 0 && position.line < m_lineCache->getLineCount()) {
        // The pieces of a long line around the position are measured before the view is placed
        // by them: measured later, by the paint, they would move what it shows.
        const LineCache::Piece piece = pieceShowing(position);
        const int32_t reach = m_lineCache->isUnwrapped() ? m_clientWidth : m_visibleLines + 1;
        if (piece.data)
            m_lineCache->settleAround(position.line, piece.index, reach);
    }
    SubLineIterator at;
    if (!sublineIteratorFor(position, &at))
        return false;
    refreshBottom();
    SubLineIterator top = m_top;
    const int32_t rows = std::max(m_visibleLines, 1);
    if (centre) {
        top = at;
        top.retreat(rows / 2);
    } else if (at < m_top) {
        top = at;
    } else if (at > m_bottom) {
        top = at;
        top.retreat(rows - 1);
    }
    top.normalize();
    const int32_t margin = m_preset.wordWrap ? 1 : 5;
    const int32_t column = positionToPoint(position, true, nullptr) / std::max(getCharWidth(), 1);
    int32_t scrollColumn = m_scrollColumn;
    if (column < scrollColumn + margin)
        scrollColumn = std::max(column - margin, 0);
    else if (m_visibleColumns > 2 * margin && column >= scrollColumn + m_visibleColumns - margin)
        scrollColumn = column - m_visibleColumns + margin + 1;
    return scrollTo(scrollColumn, top.line, top.clampedSubline(), false);
}

bool Editor::showCaret(bool centre) {
    if (!m_controller)
        return false;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    return scrollToShow(m_controller->getSelection().getCaret(), centre);
}

void Editor::placePopup(afRect& io_rect, int placement) {
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    POINT caret;
    if (!caretPoint(&caret) || placement == 2) {
        centerRect(io_rect);
        return;
    }
    // The caret is one pixel wide and a line high until the caret item lands.
    POINT anchor = {caret.x, caret.y + (placement == 0 ? getLineHeight() : 0)};
    ::ClientToScreen(getHandle(), &anchor);
    io_rect.offset(anchor.x - io_rect.left, anchor.y - io_rect.top);
    fitToMonitor(io_rect);
}

} // namespace tessel
