// The platform view's raw messages turned into view operations.

#include "afw/graphics/afCanvasBuffer.h"
#include "afw/graphics/afCanvasPaint.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/view/afInput.h"
#include "afw/view/afViewPlatform.h"

#include <cstdlib>

namespace {

// The scroll callback's codes for SB_LINEUP .. SB_BOTTOM.
constexpr int kScrollCodes[] = {4, 3, 6, 5, 7, 8, 1, 2};

// A double click's second press is a press like the first: the views count clicks themselves.
UINT pressOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDBLCLK:
        return WM_LBUTTONDOWN;
    case WM_RBUTTONDBLCLK:
        return WM_RBUTTONDOWN;
    case WM_MBUTTONDBLCLK:
        return WM_MBUTTONDOWN;
    default:
        return message;
    }
}

} // namespace

bool afViewPlatform::onRawMessage(afMessage& msg) {
    if (!m_hooks.empty()) {
        // A copy: a hook may remove itself.
        const std::vector<MessageHook> hooks = m_hooks;
        for (const MessageHook& hook : hooks)
            if (hook(msg))
                return true;
    }
    switch (msg.message) {
    case WM_THEMECHANGED:
        if ((m_theme || !m_themeClass.empty()) && afWindowsUX::getInstance()) {
            closeTheme();
            if (!m_themeClass.empty())
                openTheme();
        }
        return false;
    case WM_PRINTCLIENT: {
        const auto canvas = afCanvas::fromDC(reinterpret_cast<HDC>(msg.wParam));
        draw(*canvas, nullptr);
        msg.result = 0;
        return true;
    }
    case WM_MOUSELEAVE: {
        if (m_hovered) {
            afMouseEvent event = afMouseEvent::fromMessage(msg, afMouseEvent::BUTTON);
            afView* hovered = m_hovered;
            m_hovered = nullptr;
            hovered->dispatchMouseLeave(event);
        }
        m_tracking = false;
        return false;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
        return onScroll(msg);
    case WM_INITMENUPOPUP:
        return onInitMenuPopup(msg);
    case WM_MENUCHAR:
        return onMenuChar(msg);
    case WM_MENUCOMMAND:
        return onMenuCommand(msg);
    case WM_MEASUREITEM:
        return onMeasureItem(msg);
    case WM_DRAWITEM:
        return onDrawItem(msg);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        return onMouseMessage(msg);
    case WM_MOUSEWHEEL:
        return onWheel(msg);
    case WM_SETFOCUS:
        onFocusGained();
        return false;
    case WM_KILLFOCUS:
        onFocusLost();
        return false;
    case WM_SETTEXT:
        return onSetText(msg);
    case WM_PAINT:
        return onPaint(msg);
    case WM_ERASEBKGND: {
        if (!m_eraseCallback)
            return false;
        const auto canvas = afCanvas::fromDC(reinterpret_cast<HDC>(msg.wParam));
        m_eraseCallback(this, *canvas);
        msg.result = 1;
        return true;
    }
    case WM_CANCELMODE: {
        afMouseEvent event = afMouseEvent::fromMessage(msg, afMouseEvent::BUTTON);
        if (onMouseLeave(event) || (m_contentView && m_contentView->onMouseLeave(event)))
            m_tracking = false;
        return false;
    }
    case WM_SETCURSOR:
        if (!m_cursorCallback)
            return false;
        msg.result = m_cursorCallback(this, static_cast<short>(LOWORD(msg.lParam)), HIWORD(msg.lParam)) ? 1 : 0;
        return true;
    case WM_GETFONT:
        msg.result = reinterpret_cast<LRESULT>(m_font);
        return true;
    case WM_WINDOWPOSCHANGED:
        defaultProc(msg);
        if (refreshFrames(true) && !(::GetWindowLongW(m_window, GWL_STYLE) & WS_CHILD))
            relayout(L"afViewPlatform::onRawMessage::WM_WINDOWPOSCHANGED");
        return true;
    case WM_CHAR:
        if (m_suppressChars) {
            msg.result = 0;
            return true;
        }
        if (!m_charCallback)
            return false;
        m_charCallback(this, afCharEvent{static_cast<wchar_t>(msg.wParam), afGetKeyModifiers()});
        msg.result = 0;
        return true;
    default:
        return false;
    }
}

bool afViewPlatform::onMouseMessage(afMessage& msg) {
    afMouseEvent event = afMouseEvent::fromMessage(msg, afMouseEvent::BUTTON);
    afView* target = findViewAt(event.position.x, event.position.y);
    bool handled = false;
    switch (msg.message) {
    case WM_MOUSEMOVE:
        if (target != m_hovered) {
            afView* left = m_hovered;
            m_hovered = target;
            if (left)
                left->dispatchMouseLeave(event);
        }
        handled = target && target->dispatchMouseMove(event);
        if (handled && !m_tracking) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_window, 0};
            m_tracking = ::TrackMouseEvent(&track) != 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (target) {
            target->stampClickCount(event);
            handled = target->dispatchMouseUp(event);
        }
        break;
    default:
        if (target) {
            event.message.message = pressOf(msg.message);
            target->countClick(event);
            handled = target->dispatchMouseDown(event);
        }
        break;
    }
    if (handled)
        msg.result = 0;
    return handled;
}

bool afViewPlatform::onWheel(afMessage& msg) {
    m_wheelAccumulator += static_cast<short>(HIWORD(msg.wParam));
    if (std::abs(m_wheelAccumulator) <= 119)
        return false;
    const int steps = m_wheelAccumulator / 120;
    m_wheelAccumulator %= 120;
    afMouseEvent event = afMouseEvent::fromMessage(msg, afMouseEvent::WHEEL);
    if (!onMouseWheel(event, steps))
        return false;
    msg.result = 0;
    return true;
}

bool afViewPlatform::onScroll(afMessage& msg) {
    const bool vertical = msg.message == WM_VSCROLL;
    const ScrollCallback& callback = vertical ? m_verticalScroll : m_horizontalScroll;
    const unsigned request = LOWORD(msg.wParam);
    if (!callback || request >= sizeof kScrollCodes / sizeof kScrollCodes[0])
        return false;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    ::GetScrollInfo(m_window, vertical ? SB_VERT : SB_HORZ, &info);
    callback(this, kScrollCodes[request], info.nTrackPos);
    msg.result = 0;
    return true;
}

bool afViewPlatform::onSetText(afMessage& msg) {
    relayout(L"afViewPlatform::onRawMessage::WM_SETTEXT");
    const wchar_t* text = reinterpret_cast<const wchar_t*>(msg.lParam);
    if (!text)
        return false;
    if (!m_textFilter) {
        m_text = text;
        return false;
    }
    std::wstring filtered = text;
    if (!m_textFilter(this, filtered)) {
        // Refused: the window keeps its text.
        msg.result = FALSE;
        return true;
    }
    m_text = filtered;
    afMessage forwarded = msg;
    forwarded.lParam = reinterpret_cast<LPARAM>(filtered.c_str());
    msg.result = defaultProc(forwarded);
    return true;
}

bool afViewPlatform::onPaint(afMessage& msg) {
    const auto canvas = afCanvasPaint::create(this);
    const afRect area = canvas->getUpdateBox();
    if (m_paintFlags & PAINT_BUFFERED) {
        afRect visible;
        getVisibleRect(&visible);
        const auto buffer = afCanvasBuffer::create(*canvas, visible, true);
        draw(*buffer, &area);
    } else {
        draw(*canvas, &area);
    }
    msg.result = 0;
    return true;
}

bool afViewPlatform::onMenuChar(afMessage& msg) {
    msg.result = MAKELRESULT(0, MNC_SELECT);
    return true;
}
