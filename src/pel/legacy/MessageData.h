#pragma once
// The small records that travel through the message registry: a listener's message (three
// payload words) and a plain window message as raw listeners see it.

#include <cstdint>
#include <windows.h>

namespace pel {

struct MessageData {
    // Bit 0 of flags: the record is the registry's pooled copy, returned after delivery.
    static constexpr uint32_t F_POOLED = 1;

    uint32_t code = 0;    // message kind, defined by the receiving listener's class
    UINT_PTR param1 = 0;
    UINT_PTR param2 = 0;
    uint32_t flags = 0;   // the registry decides bit 0; the other bits carry no meaning
};

// A window message that reached the registry window and is not a registry message. The lParam
// comes before the wParam.
struct RawMessage {
    HWND window;
    UINT message;
    LPARAM lParam;
    WPARAM wParam;
};

} // namespace pel
