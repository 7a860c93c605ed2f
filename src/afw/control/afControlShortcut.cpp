#include "afw/control/afControlShortcut.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/view/afViewEvents.h"

#include <algorithm>

afControlShortcut* afControlShortcut::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlShortcut>(parent);
}

afControlShortcut::afControlShortcut(afViewPlatform* host) : afWidget(host) {
    setPaintFlags(PAINT_BUFFERED);
}

bool afControlShortcut::isIncomplete(afKeyCombination key) {
    switch (key & afKeyEvent::KEY_MASK) {
    case 0:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
        return true;
    default:
        return false;
    }
}

bool afControlShortcut::buildSeed(afSeed& seed) {
    static bool registered = false;
    afUseWidgetClass(*this, seed, L"afControlShortcut", IDC_IBEAM, &registered, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    seed.title.clear();
    return true;
}

void afControlShortcut::onCreate() {
    setParentBackground(true);
    const afRect& padding = getPadding();
    if (padding.left != 15 || padding.top != 6 || padding.right != 15 || padding.bottom != 6) {
        setPadding(15, 6, 15, 6);
        relayout(L"afView::setPadding");
    }
    setMinimumSize(80, 0);
}

void afControlShortcut::setKey(afKeyCombination key) {
    if (key == m_shownKey)
        return;
    m_shownKey = key;
    m_text = afFormatKeyCombination(key);
    invalidate();
    relayout(L"afControlShortcut::setKey");
}

void afControlShortcut::commitKey(afKeyCombination key) {
    if (key != m_committedKey) {
        m_committedKey = key;
        const std::vector<Listener> listeners = m_listeners;
        for (const Listener& listener : listeners)
            listener(this);
    }
    setKey(key);
}

void afControlShortcut::setState(uint32_t state) {
    if (state == m_state)
        return;
    if (state == STATE_IDLE && isIncomplete(m_shownKey))
        commitKey(0); // an unfinished capture clears the shortcut
    else if (state == STATE_FOCUSED)
        requestFocus();
    else if (state == STATE_CAPTURING) {
        m_armed = true;
        requestFocus();
    }
    invalidate();
    m_state = state;
}

void afControlShortcut::startCapture() {
    m_armed = true;
    setState(STATE_CAPTURING);
}

bool afControlShortcut::onKeyDown(afKeyEvent& event) {
    if (m_state == STATE_CAPTURING) {
        const uint32_t key = event.key();
        if (key == VK_ESCAPE) {
            setKey(m_committedKey);
            setState(STATE_FOCUSED);
        } else if ((key == VK_BACK || key == VK_DELETE) && !event.modifiers() && m_shownKey) {
            commitKey(0);
            setState(STATE_FOCUSED);
        } else if (isIncomplete(event.combination)) {
            setKey(event.combination);
        } else {
            commitKey(event.combination);
            setState(STATE_FOCUSED);
        }
        m_armed = false;
        return true;
    }
    if (m_state == STATE_FOCUSED && !event.modifiers() && (event.key() == VK_RETURN || event.key() == VK_SPACE)) {
        startCapture();
        return true;
    }
    return false;
}

bool afControlShortcut::onKeyUp(afKeyEvent& event) {
    if (m_state != STATE_CAPTURING || m_armed)
        return false;
    const uint32_t key = event.key();
    if (key != VK_CONTROL && key != VK_SHIFT && key != VK_MENU && key != VK_LWIN && key != VK_RWIN)
        return false;
    // Releasing a modifier shows what is still held.
    if (isIncomplete(event.combination)) {
        setKey(event.combination);
    } else {
        commitKey(event.combination);
        setState(STATE_FOCUSED);
    }
    return true;
}

bool afControlShortcut::onMouseDown(afMouseEvent& /*event*/) {
    if (m_state != STATE_CAPTURING)
        startCapture();
    return true;
}

bool afControlShortcut::onMouseUp(afMouseEvent& /*event*/) {
    return true;
}

void afControlShortcut::setHot(bool hot) {
    if (hot == m_hot)
        return;
    m_hot = hot;
    invalidate();
}

bool afControlShortcut::onMouseMove(afMouseEvent& /*event*/) {
    setHot(true);
    return true;
}

bool afControlShortcut::onMouseLeave(afMouseEvent& /*event*/) {
    setHot(false);
    return false;
}

void afControlShortcut::onFocusGained() {
    afWidget::onFocusGained();
    setState(STATE_FOCUSED);
}

void afControlShortcut::onFocusLost() {
    if (m_state != STATE_IDLE && isIncomplete(m_shownKey))
        commitKey(0);
    m_state = STATE_IDLE;
    m_armed = false;
    afWidget::onFocusLost();
    invalidate();
}

bool afControlShortcut::onRawMessage(afMessage& msg) {
    if (msg.message == WM_GETDLGCODE && m_state == STATE_CAPTURING) {
        // While capturing every key is the field's, Tab and Enter included.
        msg.result = DLGC_WANTALLKEYS;
        return true;
    }
    return afWidget::onRawMessage(msg);
}

void afControlShortcut::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    if (getFont())
        canvas->selectFont(getFont());
    const SIZE text = canvas->measureText(m_text.c_str(), static_cast<int>(m_text.size()), DT_SINGLELINE);
    // The edit frame: its edge and one pixel of content inset on each side.
    const int frameX = 2 * (::GetSystemMetrics(SM_CXEDGE) + 1);
    const int frameY = 2 * (::GetSystemMetrics(SM_CYEDGE) + 1);
    const afRect& padding = getPadding();
    const int32_t width = std::max<int32_t>(padding.left + text.cx + padding.right + frameX, getMinimumWidth());
    const int32_t height = std::max<int32_t>(padding.top + text.cy + padding.bottom + frameY, getMinimumHeight());
    setMeasuredDimension(resolveSize(width, widthSpec), resolveSize(height, heightSpec));
}

bool afControlShortcut::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    afRect rect;
    getVisibleRect(&rect);
    if (m_state == STATE_CAPTURING) {
        const afWindowsUX* ux = afWindowsUX::getInstance();
        HTHEME theme = ux ? afWindowsUX::OpenThemeData(ux, getHandle(), L"EDIT") : nullptr;
        if (theme) {
            afWindowsUX::DrawThemeBackground(ux, theme, canvas.getDC(), PART_EDITBORDER, STATE_BORDER_FOCUSED, &rect,
                                             nullptr);
            afWindowsUX::CloseThemeData(ux, theme);
        } else {
            RECT edge = rect;
            ::DrawEdge(canvas.getDC(), &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
            canvas.fillRect(edge, afGetStockColour(FIELD_COLOUR));
        }
    }
    afRect text = rect;
    const afRect& padding = getPadding();
    text.inset(padding.left, padding.top, padding.right, padding.bottom);
    if (getFont())
        canvas.selectFont(getFont());
    COLORREF colour = afGetStockColour(TEXT_COLOUR);
    if (m_state == STATE_CAPTURING && m_armed) {
        canvas.fillRect(text, afGetStockColour(ARMED_COLOUR));
        colour = afGetStockColour(ARMED_TEXT_COLOUR);
    }
    canvas.drawText(m_text, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, colour);
    return true;
}
