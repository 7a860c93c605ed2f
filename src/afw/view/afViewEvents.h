#pragma once
// What views receive of the window system: the message record a widget handles, and the
// mouse, key and character events built from it.

#include <cstdint>
#include <windows.h>

// One window message and the result its handler gives.
struct afMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;

    afMessage() = default;
    afMessage(HWND i_window, UINT i_message, WPARAM i_wParam, LPARAM i_lParam)
        : window(i_window), message(i_message), wParam(i_wParam), lParam(i_lParam) {}
};

struct afMouseEvent {
    enum Kind : uint32_t { BUTTON = 0, WHEEL = 4 };
    static constexpr int MAX_CLICK_COUNT = 7;

    // Of a mouse message: the message's own point on the screen (client points are mapped),
    // the modifier keys down now, a click count of 0.
    static afMouseEvent fromMessage(const afMessage& message, Kind kind);

    POINT position = {0, 0}; // screen
    // Bits 0-7 the kind, 8-15 the modifier state (afKeyModifier), 16-18 the click count.
    uint32_t flags = 0;
    wchar_t character = 0;
    afMessage message;

    Kind getKind() const { return static_cast<Kind>(flags & 0xFF); }
    uint8_t getModifiers() const { return static_cast<uint8_t>(flags >> 8); }
    int getClickCount() const { return static_cast<int>((flags >> 16) & 7); }
    // Stores min(count, 7).
    void setClickCount(int count);
};

struct afKeyEvent {
    // Modifier bits of a combination, above the virtual-key code in its low byte.
    static constexpr uint32_t CTRL = 0x100, SHIFT = 0x200, ALT = 0x400, RIGHT_ALT = 0x800;
    static constexpr uint32_t KEY_MASK = 0xFF;

    // Of a key message: its virtual-key code with the modifier keys down now.
    static afKeyEvent fromMessage(const afMessage& message);

    afMessage message;
    uint32_t combination = 0; // key code and modifiers, as the key combinations encode them

    uint32_t key() const { return combination & KEY_MASK; }
    uint32_t modifiers() const { return combination & ~KEY_MASK; }
};

struct afCharEvent {
    wchar_t character = 0;
    uint8_t modifiers = 0;
};
