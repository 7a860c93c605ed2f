#pragma once
// What a user's hands do to another program's windows, for the end-to-end tests: text typed as
// WM_CHAR into a window, keys (support/KeyInput.h) and the pointer's moves and clicks through
// SendInput, and a window brought to the front first, since SendInput goes to whichever window
// is active; text put on the clipboard for a paste. Chords with modifiers go through
// app/e2e/ChordInput.h.

#include "support/KeyInput.h"
#include "support/OtherProcess.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace tessel_test {

// Long enough for a start under a loaded machine; a hung program still fails in bounded time.
constexpr DWORD WAIT_MS = 20000;

// Sends each character as WM_CHAR and returns once the window handled it; false when it did not
// answer within 5 s.
inline bool typeText(HWND window, const std::wstring& text) {
    for (wchar_t c : text) {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(window, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 5000, &result))
            return false;
    }
    return true;
}

// Puts the text on the clipboard, as copying it elsewhere would.
inline bool copyToClipboard(const std::wstring& text) {
    if (!::OpenClipboard(nullptr))
        return false;
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool placed = false;
    if (void* bytes = block ? ::GlobalLock(block) : nullptr) {
        std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(bytes));
        ::GlobalUnlock(block);
        placed = ::SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
    if (!placed && block)
        ::GlobalFree(block);
    ::CloseClipboard();
    return placed;
}

// Makes the window the active one (its top-level window, that is) and waits until it is.
inline bool activate(HWND window) {
    HWND top = ::GetAncestor(window, GA_ROOT);
    return pollFor(
        [&] {
            if (::GetForegroundWindow() != top)
                ::SetForegroundWindow(top);
            return ::GetForegroundWindow() == top;
        },
        5000, 20);
}

// The pointer moved to the point of the screen, with the button flags of MOUSEINPUT.
inline INPUT mouseInput(POINT point, DWORD buttons) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((point.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((point.y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
    return input;
}

// The pointer moved to the point of the screen, its buttons left as they are.
inline bool movePointer(POINT point) {
    INPUT input = mouseInput(point, 0);
    return ::SendInput(1, &input, sizeof(INPUT)) == 1;
}

// A left click at the point of the screen, the pointer moved there first.
inline bool clickAt(POINT point) {
    INPUT inputs[] = {mouseInput(point, 0), mouseInput(point, MOUSEEVENTF_LEFTDOWN), mouseInput(point, MOUSEEVENTF_LEFTUP)};
    return ::SendInput(3, inputs, sizeof(INPUT)) == 3;
}

// A left double click at the point of the screen, the pointer moved there first.
inline bool doubleClickAt(POINT point) {
    INPUT inputs[] = {mouseInput(point, 0), mouseInput(point, MOUSEEVENTF_LEFTDOWN), mouseInput(point, MOUSEEVENTF_LEFTUP),
                      mouseInput(point, MOUSEEVENTF_LEFTDOWN), mouseInput(point, MOUSEEVENTF_LEFTUP)};
    return ::SendInput(5, inputs, sizeof(INPUT)) == 5;
}

// Whether `window` holds the mouse capture, as a view does from its press until the release.
inline bool holdsCapture(HWND window) {
    return window && threadInputOf(window).hwndCapture == window;
}

// The left button pressed at one point of the screen, dragged to another and released there.
// With `pressedIn`, the moves wait until that window took the press (it captures the mouse): a
// move's news of the keyboard (app/e2e/ChordInput.h) could otherwise reach the program first and
// let go a modifier the press was to be read with.
inline bool dragAt(POINT from, POINT to, HWND pressedIn = nullptr) {
    const POINT middle = {(from.x + to.x) / 2, (from.y + to.y) / 2};
    INPUT press[] = {mouseInput(from, 0), mouseInput(from, MOUSEEVENTF_LEFTDOWN)};
    INPUT moves[] = {mouseInput(middle, 0), mouseInput(to, 0), mouseInput(to, MOUSEEVENTF_LEFTUP)};
    if (::SendInput(2, press, sizeof(INPUT)) != 2)
        return false;
    const bool pressed = !pressedIn || pollFor([pressedIn] { return holdsCapture(pressedIn); }, WAIT_MS, 5);
    // Released even when the press was not seen, so that no button stays down.
    return ::SendInput(3, moves, sizeof(INPUT)) == 3 && pressed;
}

} // namespace tessel_test
