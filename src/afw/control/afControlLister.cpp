#include "afw/control/afControlLister.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"

#include <algorithm>

afControlLister* afControlLister::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlLister>(parent);
}

afControlLister::afControlLister(afViewPlatform* host) : afWidget(host) {
    setPaintFlags(PAINT_BUFFERED);
}

bool afControlLister::buildSeed(afSeed& seed) {
    static bool registered = false;
    afUseWidgetClass(*this, seed, L"afControlLister", IDC_ARROW, &registered,
                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, 0, CS_DBLCLKS);
    seed.title = getText();
    return true;
}

void afControlLister::onCreate() {
    if (const afWindowsUX* ux = afWindowsUX::getInstance())
        afWindowsUX::SetWindowTheme(ux, getHandle());
    setThemeClass(L"LISTVIEW");
    setScrollCallbacks(ScrollCallback::bind<afControlLister, &afControlLister::onScrollBar>(this), ScrollCallback());
    updateScrollBar();
}

// ---- Rows

void afControlLister::measureItems() {
    if (!m_measureItem) {
        m_itemWidth = DEFAULT_ITEM_WIDTH;
        m_itemHeight = DEFAULT_ITEM_HEIGHT;
        return;
    }
    bool grew = false;
    if (m_measureBegin)
        m_measureBegin();
    {
        const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
        for (int32_t index = 0; index < m_count; ++index) {
            SIZE size = {0, 0};
            const bool more = m_measureItem(index, index == m_selected, *canvas, size);
            if (m_measureWidths && size.cx > m_itemWidth) {
                m_itemWidth = size.cx + 32;
                grew = true;
            }
            if (size.cy > m_itemHeight) {
                m_itemHeight = size.cy;
                grew = true;
            }
            if (!more)
                break;
        }
    }
    if (m_measureEnd)
        m_measureEnd();
    if (grew) {
        invalidate();
        if (m_rowsMode != ROWS_FIT)
            relayout(L"afControlLister::measureItems");
    }
}

void afControlLister::setCount(int32_t count, bool remeasure) {
    const int32_t rows = m_visibleRows, width = m_itemWidth, height = m_itemHeight;
    m_count = std::max<int32_t>(count, 0);
    if (m_empty != (m_count == 0)) {
        m_empty = m_count == 0;
        invalidate();
    }
    if (m_rowsMode == ROWS_AT_MOST)
        m_visibleRows = std::min(m_count, m_fixedRows);
    else if (m_rowsMode == ROWS_EXACTLY)
        m_visibleRows = m_fixedRows;
    if (remeasure)
        measureItems();
    if (m_rowsMode == ROWS_FIT && m_itemHeight > 0)
        m_visibleRows = getClientRect().height() / m_itemHeight;
    m_first = std::max(0, std::min(m_first, lastFirst()));
    // The scroll bar first: showing or hiding it changes the width.
    updateScrollBar();
    if (!m_measureWidths)
        m_itemWidth = getClientRect().width();
    invalidate();
    // Only a changed size asks for a layout: the layout pass itself calls here.
    const bool resized = rows != m_visibleRows || width != m_itemWidth || height != m_itemHeight;
    if (m_rowsMode != ROWS_FIT && resized)
        relayout(L"afControlLister::setCount");
}

void afControlLister::setFixedRows(int32_t rows, uint32_t mode) {
    m_fixedRows = rows;
    m_rowsMode = mode;
    setCount(m_count, false);
}

void afControlLister::setEmptyText(const std::wstring& text) {
    m_emptyText = text;
    if (m_empty)
        invalidate();
}

void afControlLister::setPassive(bool passive) {
    m_passive = passive;
    setStyleBits(WS_TABSTOP, !passive);
    invalidate();
}

int32_t afControlLister::lastFirst() const {
    return std::max(0, m_count - m_visibleRows);
}

void afControlLister::updateScrollBar() {
    if (getHandle())
        setScrollInfo(SB_VERT, 0, m_count - 1, m_visibleRows, m_first, false);
}

void afControlLister::scrollToRow(int32_t first) {
    first = std::max(0, std::min(first, lastFirst()));
    if (first == m_first)
        return;
    m_first = first;
    updateScrollBar();
    invalidate();
}

void afControlLister::scroll(int code, int position) {
    switch (code) {
    case 1: scrollToRow(0); break;
    case 2: scrollToRow(lastFirst()); break;
    case 3: scrollToRow(m_first + 1); break;
    case 4: scrollToRow(m_first - 1); break;
    case 5: scrollToRow(m_first + m_visibleRows); break;
    case 6: scrollToRow(m_first - m_visibleRows); break;
    case 7:
    case 8: scrollToRow(position); break;
    default: break;
    }
}

void afControlLister::onScrollBar(afViewPlatform* /*view*/, int code, int position) {
    scroll(code, position);
}

void afControlLister::ensureVisible(int32_t index) {
    if (index < 0 || index >= m_count)
        return;
    if (index < m_first)
        scrollToRow(index);
    else if (m_visibleRows > 0 && index >= m_first + m_visibleRows)
        scrollToRow(index - m_visibleRows + 1);
}

bool afControlLister::select(int32_t index, bool allowNone) {
    if (m_count == 0) {
        // No row to select, and nothing for the owner to hear of.
        m_selected = -1;
        return false;
    }
    index = std::max(std::min(index, m_count - 1), allowNone ? -1 : 0);
    if (index == m_selected)
        return false;
    invalidateItem(m_selected);
    m_selected = index;
    if (index >= 0) {
        const int32_t first = m_first;
        ensureVisible(index);
        if (first == m_first)
            invalidateItem(index);
    }
    if (m_selectionChanged)
        m_selectionChanged(index);
    return true;
}

int32_t afControlLister::indexAt(int y) const {
    if (m_itemHeight <= 0 || y < 0)
        return -1;
    const int32_t index = y / m_itemHeight + m_first;
    return index < m_count ? index : -1;
}

bool afControlLister::itemRect(int32_t index, afRect& o_rect) const {
    if (index < m_first || index >= m_count || index >= m_first + m_visibleRows || m_itemHeight <= 0)
        return false;
    const LONG top = (index - m_first) * m_itemHeight;
    o_rect = afRect(0, top, m_itemWidth, top + m_itemHeight);
    return true;
}

void afControlLister::invalidateItem(int32_t index) {
    afRect rect;
    if (itemRect(index, rect))
        invalidate(rect);
}

// ---- Measure and layout

void afControlLister::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    setMeasuredDimension(resolveSize(m_itemWidth, widthSpec), resolveSize(m_itemHeight * m_visibleRows, heightSpec));
}

void afControlLister::onLayout(bool changed, const afRect& rect) {
    afWidget::onLayout(changed, rect);
    if (m_rowsMode == ROWS_FIT || !m_measureWidths)
        setCount(m_count, m_rowsMode == ROWS_FIT);
}

// ---- Input

bool afControlLister::onMouseDown(afMouseEvent& event) {
    const UINT message = event.message.message;
    if (!m_passive)
        requestFocus();
    const int32_t index = indexAt(static_cast<short>(HIWORD(event.message.lParam)));
    // A press below the last row leaves the selection as it is.
    if (index >= 0)
        select(index, false);
    // A double click comes as the second of two counted presses, not as the system's message.
    if (message == WM_LBUTTONDOWN && event.getClickCount() == 2 && index >= 0 && m_activate)
        m_activate(index);
    else if (message == WM_RBUTTONDOWN && m_contextMenu)
        m_contextMenu(index, event);
    return true;
}

bool afControlLister::onMouseWheel(afMouseEvent& /*event*/, int steps) {
    scrollToRow(m_first - steps);
    return true;
}

bool afControlLister::onKeyDown(afKeyEvent& event) {
    if (m_passive)
        return false;
    const bool ctrl = event.modifiers() == afKeyEvent::CTRL;
    switch (event.key()) {
    case VK_DOWN: select(m_selected + 1, false); return true;
    case VK_UP: select(m_selected - 1, false); return true;
    case VK_NEXT: select(ctrl ? m_count - 1 : m_selected + m_visibleRows, false); return true;
    case VK_PRIOR: select(ctrl ? 0 : m_selected - m_visibleRows, false); return true;
    case VK_RETURN:
        // The rows may have narrowed under a selection made before.
        if (m_selected >= 0 && m_selected < m_count && m_activate)
            m_activate(m_selected);
        return true;
    default: return false;
    }
}

bool afControlLister::onRawMessage(afMessage& msg) {
    if (msg.message == WM_GETDLGCODE) {
        msg.result = DLGC_WANTARROWS;
        return true;
    }
    if (msg.message == WM_SIZE)
        invalidate();
    return afWidget::onRawMessage(msg);
}

// ---- Drawing

void afControlLister::drawSelection(afCanvas& canvas, const afRect& rect) {
    const bool focused = hasFocus() || m_passive;
    const afWindowsUX* ux = afWindowsUX::getInstance();
    if (HTHEME theme = ux ? getTheme() : nullptr) {
        afRect inner = rect;
        inner.inset(1);
        afWindowsUX::DrawThemeBackground(ux, theme, canvas.getDC(), PART_LISTITEM,
                                         focused ? STATE_SELECTED : STATE_SELECTED_NOT_FOCUSED, &inner, nullptr);
        return;
    }
    canvas.fillRect(rect, afGetStockColour(focused ? SELECTION_COLOUR : PASSIVE_SELECTION_COLOUR));
}

bool afControlLister::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    const afRect client = getClientRect();
    const COLORREF background = afGetStockColour(BACKGROUND_COLOUR);
    if (m_empty) {
        canvas.fillRect(client, background);
        if (!m_emptyText.empty()) {
            afRect inner = client;
            inner.inset(EMPTY_MARGIN);
            canvas.selectFont(afGetStockFont(EMPTY_FONT));
            // Word-wrapped text cannot centre vertically by itself: measure, then place.
            const SIZE extent = canvas.measureText(m_emptyText.c_str(), static_cast<int>(m_emptyText.size()),
                                                   DT_CENTER | DT_WORDBREAK, std::max<LONG>(inner.width(), 1));
            afRect text = inner;
            text.top = inner.top + std::max<LONG>(0, (inner.height() - extent.cy) / 2);
            canvas.drawText(m_emptyText, text, DT_CENTER | DT_WORDBREAK, afGetStockColour(EMPTY_COLOUR));
        }
        return true;
    }
    LONG top = 0;
    if (m_itemHeight > 0) {
        const int32_t last = std::min(m_first + m_visibleRows, m_count);
        for (int32_t index = m_first; index < last && top < client.bottom; ++index) {
            const afRect row(0, top, m_itemWidth, top + m_itemHeight);
            if (m_drawItem)
                m_drawItem(canvas, index, index == m_selected, row);
            top += m_itemHeight;
        }
    }
    if (top < client.bottom)
        canvas.fillRect(afRect(client.left, top, client.right, client.bottom), background);
    return true;
}
