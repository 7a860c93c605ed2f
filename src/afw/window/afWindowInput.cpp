// The window's keyboard: dialog navigation, mnemonics, keys (Alt+F4 as the close box), default
// buttons, and the focus it keeps across deactivation and a minimise.

#include "afw/action/afKeyCombination.h"
#include "afw/core/afActivation.h"
#include "afw/core/afLog.h"
#include "afw/view/afInput.h"
#include "afw/window/afIButton.h"
#include "afw/window/afWindow.h"

#include <algorithm>

bool afWindow::preTranslateMessage(MSG& msg) {
    switch (msg.message) {
    case WM_CHAR:
    case WM_SYSCHAR:
        // Bit 29: the Alt key was down.
        return handleMnemonic(static_cast<wchar_t>(msg.wParam), (msg.lParam & (1 << 29)) != 0);
    case WM_PAINT:
        return false;
    case WM_SYSKEYDOWN:
        // Alt+F4 that no view took closes as the close box does, whatever control has the focus
        // (the system's own handling does not come out of every control); posted, as the system
        // posts it, so that the close runs from the loop.
        if (msg.wParam == VK_F4 && (msg.lParam & (1 << 29)) && getHandle()) {
            ::PostMessageW(getHandle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        }
        break;
    default:
        break;
    }
    return getHandle() && ::IsDialogMessageW(getHandle(), &msg);
}

bool afWindow::handleMnemonic(wchar_t ch, bool alt) {
    if (!alt && m_mnemonicsNeedAlt)
        return false;
    ::CharUpperBuffW(&ch, 1);
    std::vector<afView*> views;
    for (int i = 0; i < getChildCount(); ++i)
        collectMnemonicViews(getChildAt(i), ch, views);
    if (views.empty())
        return false;
    if (views.size() == 1)
        return views.front()->onMnemonic(ch);
    // Views sharing the character take the focus in turn.
    const auto focused = std::find(views.begin(), views.end(), getFocusedWidget());
    afView* next = focused != views.end() && focused + 1 != views.end() ? *(focused + 1) : views.front();
    next->requestFocus();
    return true;
}

void afWindow::collectMnemonicViews(afView* view, wchar_t ch, std::vector<afView*>& o_views) {
    if (!view->isVisible() || !view->isEnabled())
        return;
    if (view->hasMnemonic(ch))
        o_views.push_back(view);
    for (int i = 0; i < view->getChildCount(); ++i)
        collectMnemonicViews(view->getChildAt(i), ch, o_views);
}

bool afWindow::onKeyDown(afKeyEvent& event) {
    const uint32_t modifiers = event.modifiers();
    switch (event.key()) {
    case VK_ESCAPE:
        if (getFlags() & FLAG_ATTACHED)
            return false;
        close(RESULT_CANCEL);
        return true;
    case VK_RETURN:
        if (modifiers)
            return false;
        if (afIButton* button = dynamic_cast<afIButton*>(m_currentDefault)) {
            button->click();
            return true;
        }
        return false;
    case VK_TAB:
        if (modifiers == 0 || modifiers == afKeyEvent::CTRL)
            focusNextTabStop(false);
        else if (modifiers == afKeyEvent::SHIFT || modifiers == (afKeyEvent::CTRL | afKeyEvent::SHIFT))
            focusNextTabStop(true);
        else
            return false;
        return true;
    case VK_F4:
        if ((afAltReading(event.combination, afKeyboardHasAltGr()) & ~afKeyEvent::KEY_MASK) != afKeyEvent::ALT)
            return false;
        close(RESULT_CANCEL);
        return true;
    default:
        return false;
    }
}

void afWindow::focusNextTabStop(bool previous) {
    HWND window = getHandle();
    if (!window)
        return;
    const afViewPlatform* focused = getFocusedWidget();
    HWND next = ::GetNextDlgTabItem(window, focused ? focused->getHandle() : nullptr, previous);
    if (!next || next == window)
        return;
    if (afViewPlatform* widget = getWidget(next))
        widget->requestFocus();
    else
        ::SetFocus(next);
}

// ---- Default buttons

void afWindow::setDefaultButton(afView* button, bool temporary) {
    afView* previous = m_currentDefault;
    m_currentDefault = button;
    if (!temporary)
        m_defaultButton = button;
    if (previous)
        previous->invalidate();
    if (button && button != previous)
        button->invalidate();
}

void afWindow::onChildFocus(afViewPlatform* child, bool gained) {
    // Not passed on to the host: that is the owner window, whose buttons these are not.
    if (!gained)
        return;
    // Kept for when the window itself gets the keyboard again (an owned window's own focus comes
    // here too: it is not this window's to keep).
    if (child && child->getHandle() && getHandle() && ::IsChild(getHandle(), child->getHandle())) {
        m_lastFocus = child;
        m_lastFocusWindow = child->getHandle();
    }
    afView* current = dynamic_cast<afIButton*>(child) ? child : m_defaultButton;
    if (current != m_currentDefault)
        setDefaultButton(current, true);
}

void afWindow::onChildRemoved(afView* child) {
    afViewPlatform::onChildRemoved(child);
    // What the window remembers of a removed branch is forgotten: it may be deleted next.
    const auto removed = [child](const afView* view) { return view && (view == child || child->hasDescendant(view)); };
    if (removed(m_defaultButton))
        m_defaultButton = nullptr;
    if (removed(m_currentDefault))
        m_currentDefault = nullptr;
    if (removed(m_savedFocus)) {
        m_savedFocus = nullptr;
        m_savedFocusWindow = nullptr;
    }
    if (removed(m_lastFocus)) {
        m_lastFocus = nullptr;
        m_lastFocusWindow = nullptr;
    }
}

// ---- Activation

afViewPlatform* afWindow::savedFocusWidget() const {
    // Only while the window still carries the widget (its "AFWIDGETPTR", kept in the widget
    // table): a handle of a destroyed window may have been given to another one.
    return m_savedFocus && getWidget(m_savedFocusWindow) == m_savedFocus ? m_savedFocus : nullptr;
}

void afWindow::restoreFocus() {
    const auto usable = [this](const afViewPlatform* widget, HWND window) {
        return widget && getWidget(window) == widget && ::IsWindowVisible(window) && ::IsWindowEnabled(window);
    };
    HWND target = usable(m_savedFocus, m_savedFocusWindow)  ? m_savedFocusWindow
                  : usable(m_lastFocus, m_lastFocusWindow) ? m_lastFocusWindow
                                                           : nullptr;
    if (target && ::GetFocus() != target)
        ::SetFocus(target);
}

bool afWindow::onActivate(afMessage& msg) {
    if (LOWORD(msg.wParam) != WA_INACTIVE) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"WM_ACTIVATED(true)");
        afActivation::noteActive(msg.window);
        if (savedFocusWidget())
            ::SetFocus(m_savedFocusWindow);
    } else {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"WM_ACTIVATED(false)");
        m_savedFocus = getFocusedWidget();
        m_savedFocusWindow = m_savedFocus ? m_savedFocus->getHandle() : nullptr;
    }
    HWND other = reinterpret_cast<HWND>(msg.lParam);
    if (other && ::IsChild(msg.window, other))
        return false;
    onActivated();
    msg.result = 0;
    return true;
}
