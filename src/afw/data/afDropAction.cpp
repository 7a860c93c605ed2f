#include "afw/data/afDropAction.h"

#include "afw/core/afLog.h"

#include <ole2.h>

DWORD toDropAction(uint32_t action) {
    switch (action) {
    case AF_DROP_NONE:
        return DROPEFFECT_NONE;
    case AF_DROP_COPY:
        return DROPEFFECT_COPY;
    case AF_DROP_MOVE:
        return DROPEFFECT_MOVE;
    case AF_DROP_LINK:
        return DROPEFFECT_LINK;
    default:
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDropAction::toDropAction(): Unknown afDropAction #%x.\n", action);
        return DROPEFFECT_NONE;
    }
}

afDropInfo afDropInfo::make(DWORD keys, POINTL point) {
    afDropInfo info;
    info.x = point.x;
    info.y = point.y;
    info.button = (keys & MK_LBUTTON)   ? AF_DROP_BUTTON_LEFT
                  : (keys & MK_RBUTTON) ? AF_DROP_BUTTON_RIGHT
                  : (keys & MK_MBUTTON) ? AF_DROP_BUTTON_MIDDLE
                                        : 0;
    info.modifiers = ((keys & MK_CONTROL) ? AF_DROP_CONTROL : 0) | ((keys & MK_SHIFT) ? AF_DROP_SHIFT : 0) |
                     ((keys & MK_ALT) ? AF_DROP_ALT : 0);
    return info;
}
