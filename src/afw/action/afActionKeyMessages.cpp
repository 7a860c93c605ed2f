// The key invoker's look at each message of the loop: key-downs bubble through the focused views,
// then run actions bound in the widget's contexts; typed characters run character triggers, or
// are swallowed after a consumed key; Alt's release after a chord the application took is kept
// from the system's default handling.

#include "afw/action/afActionInvoker.h"
#include "afw/action/afKeyCombination.h"
#include "afw/core/afApp.h"
#include "afw/view/afInput.h"
#include "afw/view/afViewPlatform.h"
#include "service/parser/base/ScopePath.h"

namespace {

// The widget a key message without one of its own is for: this thread's foreground window's (a
// window of another process carries no pointer of ours), else the application's main widget.
afViewPlatform* fallbackWidget() {
    HWND foreground = ::GetForegroundWindow();
    if (foreground && ::GetWindowThreadProcessId(foreground, nullptr) == ::GetCurrentThreadId())
        if (afViewPlatform* widget = afViewPlatform::getWidget(foreground))
            return widget;
    afApp* app = afApp::getInstance();
    return app ? app->getMainWidget() : nullptr;
}

// Either Alt key may come as itself or as the generic one.
bool isAltKey(WPARAM key) { return key == VK_MENU || key == VK_LMENU || key == VK_RMENU; }

void collectContexts(afViewPlatform* widget, tessel::ScopePath& o_path) {
    if (!widget)
        return;
    widget->addContexts(o_path);
    afView::collectContexts(widget, o_path);
}

} // namespace

bool afActionInvokerKey::preTranslate(MSG* msg, afViewPlatform* widget) {
    if (!msg || msg->message < WM_KEYDOWN || msg->message > WM_SYSCHAR)
        return false;
    if (!widget)
        widget = fallbackWidget();
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Bit 30: the key was already down (a repeat).
        if (isAltKey(msg->wParam) && !(msg->lParam & (1 << 30)))
            m_altChord = false;
        return keyDown(*msg, widget);
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        afKeyEvent event = afKeyEvent::fromMessage(afMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam));
        if (widget && widget->dispatchKeyUp(event)) {
            m_suppressChar = true;
            return true;
        }
        if (!m_altChord || !isAltKey(msg->wParam))
            return false;
        m_altChord = false;
        return true;
    }
    case WM_CHAR:
    case WM_SYSCHAR: {
        if (m_suppressChar)
            return true;
        const wchar_t character = static_cast<wchar_t>(msg->wParam & 0xFFFF);
        // Most characters start nothing: their contexts are not collected.
        if (!character || !m_characters.count(character))
            return false;
        tessel::ScopePath contexts;
        collectContexts(widget, contexts);
        return afInvokeChar(this, contexts, character);
    }
    default: // WM_DEADCHAR
        return false;
    }
}

bool afActionInvokerKey::keyDown(const MSG& msg, afViewPlatform* widget) {
    // The modifier keys are read once, here: under Wine each read is a round trip to the server.
    afKeyEvent event = afKeyEvent::fromMessage(afMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam));
    // Kept: a view taking the key may change its event.
    const afKeyCombination combination = event.combination;
    const bool modifier = afIsModifierKey(combination);
    const bool withAlt = !modifier && (combination & (AF_KEY_ALT | AF_KEY_RIGHT_ALT)) != 0;
    if (widget && widget->dispatchKeyDown(event)) {
        m_suppressChar = true;
        m_altChord = m_altChord || withAlt;
        return true;
    }
    if (modifier)
        return false;
    m_suppressChar = false;
    // A binding made for the chord as it is, else for what the right Alt means.
    afKeyCombination bound = combination;
    if (bound != 0 && !m_shortcuts.count(bound) && (bound & AF_KEY_RIGHT_ALT))
        bound = afAltReading(combination, afKeyboardHasAltGr());
    if (bound == 0 || !m_shortcuts.count(bound))
        return false;
    tessel::ScopePath contexts;
    collectContexts(widget, contexts);
    if (!afInvokeKey(this, contexts, widget, bound))
        return false;
    m_suppressChar = true;
    m_altChord = m_altChord || withAlt;
    return true;
}
