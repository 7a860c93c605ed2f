#include "afw/view/afViewEvents.h"

#include "afw/view/afInput.h"

#include <algorithm>

afMouseEvent afMouseEvent::fromMessage(const afMessage& message, Kind kind) {
    afMouseEvent event;
    event.message = message;
    event.flags = static_cast<uint32_t>(kind) | static_cast<uint32_t>(afGetKeyModifiers()) << 8;
    // The point the message is about, not where the cursor is by the time it is handled;
    // messages without a point (leaving, cancelling) take the point of the last message read.
    const UINT id = message.message;
    const bool screenPoint = id == WM_MOUSEWHEEL || id == WM_MOUSEHWHEEL;
    const bool clientPoint = !screenPoint && id >= WM_MOUSEFIRST && id <= WM_MOUSELAST;
    const DWORD packed = screenPoint || clientPoint ? static_cast<DWORD>(message.lParam) : ::GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))};
    if (clientPoint && message.window)
        ::ClientToScreen(message.window, &point);
    event.position = point;
    return event;
}

afKeyEvent afKeyEvent::fromMessage(const afMessage& message) {
    afKeyEvent event;
    event.message = message;
    // The modifier byte, shifted above the key code, is the combination's modifier bits.
    event.combination = (static_cast<uint32_t>(message.wParam) & KEY_MASK) | static_cast<uint32_t>(afGetKeyModifiers()) << 8;
    return event;
}

void afMouseEvent::setClickCount(int count) {
    const uint32_t clamped = static_cast<uint32_t>(std::min(std::max(count, 0), MAX_CLICK_COUNT));
    flags = (flags & ~(7u << 16)) | clamped << 16;
}
