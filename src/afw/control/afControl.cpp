#include "afw/control/afControl.h"

#include <commctrl.h>

afControl::afControl(afViewPlatform* host) : afWidget(host) {
    setMessageHook(MessageHook::bind<afControl, &afControl::reflect>(this));
}

afControl::~afControl() {
    setMessageHook(MessageHook());
}

bool afControl::buildSeed(afSeed& seed) {
    seed.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    seed.x = seed.y = seed.width = seed.height = 0;
    return true;
}

bool afControl::createWidget(const afSeed& seed) {
    if (!afWidget::createWidget(seed))
        return false;
    attachHandle(getHandle(), true);
    return true;
}

bool afControl::reflect(afMessage& msg) {
    HWND window = getHandle();
    if (!window)
        return false;
    const bool mine = (msg.message == WM_COMMAND && reinterpret_cast<HWND>(msg.lParam) == window) ||
                      (msg.message == WM_NOTIFY && msg.lParam &&
                       reinterpret_cast<const NMHDR*>(msg.lParam)->hwndFrom == window);
    return mine && onReflectedMessage(msg);
}
