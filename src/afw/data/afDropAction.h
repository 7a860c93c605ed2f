#pragma once
// What a drag and drop does: the framework's action codes (one at a time, or a set of bits for
// the actions a drag allows) and the record of where and with which buttons and keys a drop
// would happen.

#include <cstdint>
#include <windows.h>

enum afDropAction : uint32_t {
    AF_DROP_REFUSED = 0,   // an action that was not allowed
    AF_DROP_NONE = 1,
    AF_DROP_CANCELLED = 2, // the user pressed Escape
    AF_DROP_COPY = 4,
    AF_DROP_MOVE = 8,
    AF_DROP_LINK = 16,
};

// Copy, move or link: the actions that really drop something.
inline bool afIsDropDone(uint32_t action) {
    return action == AF_DROP_COPY || action == AF_DROP_MOVE || action == AF_DROP_LINK;
}

// The system's drop effect of none, copy, move or link; any other value logs and gives none.
DWORD toDropAction(uint32_t action);

enum afDropButton : uint8_t {
    AF_DROP_BUTTON_LEFT = 1,
    AF_DROP_BUTTON_RIGHT = 2,
    AF_DROP_BUTTON_MIDDLE = 4,
};

enum afDropModifier : uint8_t {
    AF_DROP_CONTROL = 1,
    AF_DROP_SHIFT = 2,
    AF_DROP_ALT = 4,
};

// Where a drop would happen. Read as one word, button | modifiers << 8 gives the bits of a key
// combination (0x100 Ctrl, 0x200 Shift, 0x400 Alt).
struct afDropInfo {
    int32_t x = 0, y = 0; // screen coordinates of the mouse
    uint8_t button = 0;   // the first held of left, right, middle
    uint8_t modifiers = 0;
    uint8_t reserved[2] = {0, 0};

    // From the system's key state (MK_* bits) and mouse point.
    static afDropInfo make(DWORD keys, POINTL point);
    uint32_t getKeys() const { return button | static_cast<uint32_t>(modifiers) << 8; }
};
