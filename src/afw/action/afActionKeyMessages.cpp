// The key invoker's look at each message of the loop: key-downs bubble through the focused views,
// then run actions bound in the widget's contexts; typed characters run character triggers, or
// are swallowed after a consumed key.

#include "afw/action/afActionInvoker.h"
#include "afw/core/afApp.h"
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
        return keyDown(*msg, widget);
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        afKeyEvent event = afKeyEvent::fromMessage(afMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam));
        if (!widget || !widget->dispatchKeyUp(event))
            return false;
        m_suppressChar = true;
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
    if (widget && widget->dispatchKeyDown(event)) {
        m_suppressChar = true;
        return true;
    }
    if (afIsModifierKey(combination))
        return false;
    m_suppressChar = false;
    if (combination == 0 || !m_shortcuts.count(combination))
        return false;
    tessel::ScopePath contexts;
    collectContexts(widget, contexts);
    if (!afInvokeKey(this, contexts, widget, combination))
        return false;
    m_suppressChar = true;
    return true;
}
