#include "afw/view/afInput.h"

#include "pel/base/Assert.h"

#include <cwchar>

uint8_t afGetKeyModifiers() {
    // One read of the whole table: under Wine every GetKeyState is a round trip to the server.
    BYTE keys[256];
    if (!::GetKeyboardState(keys))
        return 0;
    static const struct {
        int key;
        uint8_t bit;
    } kModifiers[] = {
        {VK_CONTROL, AF_MODIFIER_CTRL}, {VK_SHIFT, AF_MODIFIER_SHIFT},   {VK_LMENU, AF_MODIFIER_LEFT_ALT},
        {VK_RMENU, AF_MODIFIER_RIGHT_ALT}, {VK_LWIN, AF_MODIFIER_LEFT_WIN}, {VK_RWIN, AF_MODIFIER_RIGHT_WIN},
    };
    uint8_t state = 0;
    for (const auto& modifier : kModifiers)
        if (keys[modifier.key] & 0x80)
            state |= modifier.bit;
    return state;
}

bool afKeyboardHasAltGr() {
    static HKL known = nullptr;
    static bool altGr = false;
    const HKL layout = ::GetKeyboardLayout(0);
    if (layout == known && known)
        return altGr;
    known = layout;
    altGr = false;
    // A character's key with Ctrl and Alt (1 Shift, 2 Ctrl, 4 Alt in the high byte); the scan
    // changes no state of the keyboard, as translating a key would.
    for (wchar_t character = 0x21; character < 0x250 && !altGr; ++character) {
        const SHORT key = ::VkKeyScanExW(character, layout);
        altGr = key != -1 && (HIBYTE(key) & 6) == 6;
    }
    return altGr;
}

void afGetCursorPos(int* o_x, int* o_y) {
    PEL_CHECK_PTR(o_x);
    PEL_CHECK_PTR(o_y);
    POINT point = {0, 0};
    ::GetCursorPos(&point);
    *o_x = point.x;
    *o_y = point.y;
}

namespace {
afTickSource s_tickSource = nullptr;
}

afTickSource afSetTickSource(afTickSource source) {
    const afTickSource previous = s_tickSource;
    s_tickSource = source;
    return previous;
}

clock_t afGetTicks() {
    return s_tickSource ? s_tickSource() : ::clock();
}

bool afIsInDoubleClickRect(POINT point, POINT reference) {
    const int halfWidth = ::GetSystemMetrics(SM_CXDOUBLECLK) / 2;
    const int halfHeight = ::GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    const RECT box = {reference.x - halfWidth, reference.y - halfHeight, reference.x + halfWidth,
                      reference.y + halfHeight};
    return ::PtInRect(&box, point) != 0;
}

bool afIsDoubleClickTime(clock_t* io_last) {
    PEL_CHECK_PTR(io_last);
    const clock_t now = afGetTicks();
    const bool quick = now - *io_last < static_cast<clock_t>(::GetDoubleClickTime()) * CLOCKS_PER_SEC / 1000;
    *io_last = now;
    return quick;
}

bool afIsDoubleClick(POINT point, POINT reference, clock_t* io_last) {
    const bool quick = afIsDoubleClickTime(io_last);
    return afIsInDoubleClickRect(point, reference) && quick;
}

std::wstring afCharToUpperString(wchar_t ch) {
    std::wstring text(1, ch);
    ::CharUpperBuffW(&text[0], 1);
    return text;
}

wchar_t afGetMnemonic(const wchar_t* text) {
    const wchar_t* ampersand = text ? std::wcschr(text, L'&') : nullptr;
    if (!ampersand || !ampersand[1])
        return 0;
    return afCharToUpperString(ampersand[1])[0];
}
