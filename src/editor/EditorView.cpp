// The editor's view state: its client size, wrap width and metrics, update batches and the
// invalidations they merge, and scrolling.
#include "editor/Editor.h"

#include "afw/unicode/afUnicode.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "service/base/TaskFailure.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>

namespace tessel {

namespace {

bool sameLook(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
    return ::EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.dxyLineButton == b.dxyLineButton &&
           a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
           std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
}

// Sets a scroll bar's range, page and position without drawing it; true when that changed how it
// looks, so that it must be drawn again. The themed bars are slow to draw (several milliseconds
// each under Wine), and typing at the end of the widest line grows the range by a column a key
// while the thumb stays put.
bool setScrollBar(HWND window, int bar, const SCROLLINFO& wanted) {
    SCROLLINFO current = {};
    current.cbSize = sizeof(SCROLLINFO);
    current.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (::GetScrollInfo(window, bar, &current) && current.nMin == wanted.nMin && current.nMax == wanted.nMax &&
        current.nPage == wanted.nPage && current.nPos == wanted.nPos)
        return false;
    const LONG object = bar == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL;
    SCROLLBARINFO before = {}, after = {};
    before.cbSize = after.cbSize = sizeof(SCROLLBARINFO);
    const bool measured = ::GetScrollBarInfo(window, object, &before) != FALSE;
    ::SetScrollInfo(window, bar, &wanted, FALSE);
    return !measured || !::GetScrollBarInfo(window, object, &after) || !sameLook(before, after);
}

} // namespace

int Editor::getLineHeight() const {
    return m_layout ? std::max(m_layout->getLineHeight(), 1) : 1;
}

int Editor::getCharWidth() const {
    return m_layout ? std::max(m_layout->getSpaceWidth(), 1) : 1;
}

void Editor::onLayout(bool, const afRect&) {
    takeClientSize();
}

void Editor::takeClientSize() {
    RECT client = {0, 0, 0, 0};
    if (getHandle())
        ::GetClientRect(getHandle(), &client);
    if (client.right == m_clientWidth && client.bottom == m_clientHeight)
        return;
    m_clientWidth = client.right;
    m_clientHeight = client.bottom;
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    recomputeWrap();
    recomputeView(false);
}

void Editor::recomputeWrap() {
    EditorBatch batch(*this);
    m_textLeft = 0;
    m_clampOnResize = true;
    if (!m_preset.wordWrap) {
        if (m_layout->setWrapWidth(0)) {
            m_repaintAll = m_scrollBarsDirty = true;
            invalidateLines(-1, -1, true, true);
        }
        return;
    }
    if (m_preset.boundaryBreak) {
        const bool changed = m_layout->setWrapWidth(m_preset.boundary * getCharWidth());
        // Centred by the width the text wraps at.
        if (m_preset.center)
            m_textLeft = std::max((m_clientWidth - m_gutterWidth - m_layout->getWrapWidth()) / 2, 0);
        m_repaintAll = m_scrollBarsDirty = true;
        if (changed)
            invalidateLines(-1, -1, true, true);
        recomputeView(true);
        return;
    }
    if (m_layout->setWrapWidth(std::max(m_clientWidth - m_gutterWidth - m_textLeft, 1))) {
        m_repaintAll = m_scrollBarsDirty = true;
        invalidateLines(-1, -1, true, true);
    }
}

void Editor::recomputeView(bool force) {
    if (!m_controller)
        return;
    const int32_t lines = std::max(m_clientHeight / getLineHeight(), 0);
    const int32_t columns = std::max((m_clientWidth - m_gutterWidth - m_textLeft) / getCharWidth(), 0);
    if (!force && lines == m_visibleLines && columns == m_visibleColumns)
        return;
    m_visibleLines = lines;
    m_visibleColumns = columns;
    EditorBatch batch(*this);
    m_scrollBarsDirty = true;
    if (m_clampOnResize) {
        m_clampOnResize = false;
        const int32_t column = std::max(std::min(m_scrollColumn, m_widestColumns - m_visibleColumns), 0);
        int32_t line = m_top.line;
        if (line + m_visibleLines > m_lineCount)
            line = std::max(m_lineCount - m_visibleLines, 0);
        if (column != m_scrollColumn || line != m_top.line)
            scrollTo(column, line, line == m_top.line ? m_top.subline : 0, false);
    }
    refreshBottom();
}

// ---- batches and invalidation

void Editor::beginUpdate() {
    if (m_updateDepth == 0) {
        if (m_caret)
            m_caret->clearFlags();
        m_scrollBarsDirty = m_clampOnResize = m_repaintAll = m_repaintText = m_rangeDirty = false;
        m_dirtyFirst = m_dirtyLast = 0;
    }
    ++m_updateDepth;
}

void Editor::endUpdate() {
    if (m_updateDepth != 1) {
        if (m_updateDepth > 1)
            --m_updateDepth;
        return;
    }
    // The outermost batch stays open while it flushes, so that a batch the flush opens itself (a
    // scroll bar that comes or goes resizes the client) joins it; it closes whatever the flush
    // does. A flush that fails (a line that cannot be laid out, memory) repaints all the text:
    // a batch left open would keep the editor from ever painting again, and a throw from here
    // would pass through the destructor of a batch.
    try {
        if (m_caret)
            m_caret->update();
        flush();
    } catch (...) {
        logCaughtException(L"Editor::endUpdate()");
        m_scrollBarsDirty = m_repaintAll = m_repaintText = m_rangeDirty = false;
        if (getHandle()) {
            const RECT text = {m_gutterWidth, 0, m_clientWidth, m_clientHeight};
            invalidateWindow(&text);
        }
    }
    m_updateDepth = 0;
}

void Editor::flush() {
    // A bar that shows or hides resizes the client on the spot, which asks for the bars again
    // (the vertical page shrinks when the horizontal bar appears); a few passes settle it.
    for (int pass = 0; m_scrollBarsDirty && pass < 3; ++pass) {
        m_scrollBarsDirty = false;
        updateScrollBars();
    }
    if (m_repaintAll) {
        invalidateClient(nullptr);
    } else {
        if (m_repaintText) {
            const RECT text = {m_gutterWidth, 0, m_clientWidth, m_clientHeight};
            invalidateClient(&text);
        }
        if (m_rangeDirty)
            invalidateLineRange();
    }
    m_scrollBarsDirty = m_repaintAll = m_repaintText = m_rangeDirty = false;
    // With no paint to come, the bars are drawn now; else after it (drawScrollBars).
    if (m_barsToDraw && getHandle() && !::GetUpdateRect(getHandle(), nullptr, FALSE))
        drawScrollBars();
}

void Editor::drawScrollBars() {
    const HWND window = getHandle();
    for (int bar : {SB_HORZ, SB_VERT})
        if (window && (m_barsToDraw & (1 << bar)))
            ::SetScrollInfo(window, bar, &m_barsSet[bar], TRUE);
    m_barsToDraw = 0;
}

void Editor::invalidateClient(const RECT* rect) {
    HWND window = getHandle();
    if (!window)
        return;
    if (rect) {
        // A change and the selection it moves repaint once when the first band holds the second.
        HRGN pending = ::CreateRectRgn(0, 0, 0, 0);
        HRGN wanted = ::CreateRectRgnIndirect(rect);
        const bool covered = ::GetUpdateRgn(window, pending, FALSE) != NULLREGION &&
                             ::CombineRgn(wanted, wanted, pending, RGN_DIFF) == NULLREGION;
        ::DeleteObject(wanted);
        ::DeleteObject(pending);
        if (covered)
            return;
    }
    invalidateWindow(rect);
}

void Editor::invalidateWindow(const RECT* rect) {
    ::InvalidateRect(getHandle(), rect, FALSE);
}

void Editor::invalidateLines(int32_t first, int32_t last, bool relayout, bool rewrap) {
    if (!m_lineCache)
        return;
    if (relayout || rewrap) {
        // Lines whose layouts were made from the text and styles they still have keep both
        // their layouts and their pixels: the parse that follows each keystroke mostly
        // confirms the colours of the line typed in.
        if (!rewrap && first >= 0 && last >= 0 && m_lineCache->holdsCurrentLayouts(first, last))
            return;
        if (first >= 0 && last >= 0)
            m_lineCache->dropLines(first, last);
        else if (first >= 0)
            m_lineCache->dropLinesFrom(first);
        else if (last < 0)
            m_lineCache->dropAll();
        else
            m_lineCache->dropLinesUpTo(last);
        recomputeView(true);
        if (!m_lineCache->isUnwrapped())
            last = -1;
    }
    if (first <= m_top.line && last >= 0 && last >= m_bottom.line) {
        m_repaintAll = true;
        return;
    }
    if (m_repaintAll)
        return;
    if (!m_rangeDirty) {
        m_dirtyFirst = first;
        m_dirtyLast = last;
        m_rangeDirty = true;
        return;
    }
    m_dirtyFirst = std::max(std::min(m_dirtyFirst, first), 0);
    m_dirtyLast = last == -1 || m_dirtyLast == -1 ? -1 : std::max(m_dirtyLast, last);
}

// ---- scrolling

int32_t Editor::sidewaysReach() const {
    if (!m_lineCache || m_lineCache->isUnwrapped())
        return m_widestColumns;
    const int32_t hidden = m_layout->getWrapWidth() - (m_clientWidth - m_gutterWidth - m_textLeft);
    const int32_t character = std::max(getCharWidth(), 1);
    return hidden > 0 ? (hidden + character - 1) / character : 0;
}

void Editor::scrollBy(int columns, int lines) {
    if (!m_controller)
        return;
    SubLineIterator target = m_top;
    target.advance(lines);
    const int32_t column = std::max(std::min(m_scrollColumn + columns, sidewaysReach()), 0);
    scrollTo(column, target.line, target.subline, false);
}

bool Editor::scrollTo(int32_t column, int32_t line, int32_t subline, bool force) {
    if (!m_controller)
        return false;
    // Nothing of a wrapped row lies beyond its reach, whatever asks (a scroll bar's end, a caret
    // to show).
    if (!m_lineCache->isUnwrapped())
        column = std::min(column, sidewaysReach());
    column = std::max(column, 0);
    line = std::max(line, 0);
    subline = std::max(subline, 0);
    if (line >= m_lineCount) {
        line = std::max(m_lineCount - 1, 0);
        subline = std::max(m_lineCache->getSubLineCount(line, true) - 1, 0);
    }
    SubLineIterator top = m_lineCache->makeIterator(line, subline);
    top.subline = top.clampedSubline();
    const bool sameTop = top.line == m_top.line && top.subline == m_top.subline;
    if (!force && column == m_scrollColumn && sameTop)
        return false;
    m_top = top;
    m_scrollColumn = column;
    refreshBottom();
    {
        EditorBatch batch(*this);
        m_scrollBarsDirty = true;
        // A sideways scroll leaves the gutter as it is: typing at the right edge scrolls a
        // column a key, and the gutter's rows then need no drawing.
        if (sameTop && !force)
            m_repaintText = true;
        else
            m_repaintAll = true;
        recomputeView(false);
    }
    if (getHandle())
        ::UpdateWindow(getHandle());
    return true;
}

void Editor::updateScrollBars() {
    HWND window = getHandle();
    if (!window || !m_controller)
        return;
    const auto setBar = [&](int bar, const SCROLLINFO& wanted) {
        m_barsSet[bar] = wanted;
        if (setScrollBar(window, bar, wanted))
            m_barsToDraw |= 1 << bar;
    };
    SCROLLINFO vertical = {};
    vertical.cbSize = sizeof(SCROLLINFO);
    vertical.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    vertical.nMin = 0;
    vertical.nMax = m_lineCount + m_visibleLines - 1;
    vertical.nPage = static_cast<UINT>(std::max(m_visibleLines, 0));
    vertical.nPos = m_top.line;
    if (m_top.line == m_lineCount - 1 && vertical.nMax > static_cast<int>(vertical.nPage) &&
        m_top.clampedSubline() == m_lineCache->getSubLineCount(m_top.line, true) - 1)
        ++vertical.nPos;
    setBar(SB_VERT, vertical);
    SCROLLINFO horizontal = {};
    horizontal.cbSize = sizeof(SCROLLINFO);
    horizontal.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    // A wrapped row reaches no further than the wrap width: blanks hanging past it do not widen
    // the range.
    const int32_t widest = m_lineCache->isUnwrapped() ? m_widestColumns
                                                      : std::min(m_widestColumns, m_visibleColumns + sidewaysReach());
    horizontal.nMax = std::max(widest - 1, 0);
    horizontal.nPage = static_cast<UINT>(std::max(m_visibleColumns, 0));
    horizontal.nPos = m_scrollColumn;
    setBar(SB_HORZ, horizontal);
}

} // namespace tessel
