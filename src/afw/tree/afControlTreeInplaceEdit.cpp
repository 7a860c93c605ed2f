#include "afw/tree/afControlTreeInplaceEdit.h"

#include "afw/core/afLog.h"

bool afControlTreeInplaceEdit::onKeyDown(afKeyEvent& event) {
    switch (event.key()) {
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_DELETE:
    case VK_F2:
        // Taken before the action system sees it, and handed to the box, which ends or
        // steers the edit.
        defaultProc(event.message);
        return true;
    default:
        return false;
    }
}

void afControlTreeInplaceEdit::release() {
    HWND box = getHandle();
    if (!box)
        return;
    restorePreviousProcedure();
    detachHandle(box);
    forgetHandle();
    onDestroyed();
}

void afControlTreeInplaceEdit::onDestroyed() {
    pel::log_printf(pel::LOG_INFO, AF_LOG_SOURCE, L"afControlTreeInplaceEdit::onRawMessage(): WM_NCDESTROY received.\n");
    afControl::onDestroyed();
}
