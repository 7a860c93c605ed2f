#pragma once
// What a user's hands do to another program's windows, for the end-to-end tests: text typed as
// WM_CHAR into a window, key chords through SendInput (the program reads the live modifier
// state, which posted key messages do not set), clicks through SendInput, and a window brought to
// the front first, since SendInput goes to whichever window is active.

#include "support/OtherProcess.h"

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace tessel_test {

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

// A key going down, or up.
inline INPUT keyInput(WORD key, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Presses the keys in order and releases them in reverse, as fingers play a chord
// ({VK_CONTROL, 'S'}), into the active window.
inline bool pressChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (int release = 0; release < 2; ++release)
        for (size_t i = 0; i < keys.size(); ++i)
            inputs.push_back(keyInput(release ? keys.begin()[keys.size() - 1 - i] : keys.begin()[i], release != 0));
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A key held down (a modifier for what comes next), or let go.
inline bool holdKey(WORD key, bool down) {
    INPUT input = keyInput(key, !down);
    return ::SendInput(1, &input, sizeof(INPUT)) == 1;
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

// The left button pressed at one point of the screen, dragged to another and released there.
inline bool dragAt(POINT from, POINT to) {
    const POINT middle = {(from.x + to.x) / 2, (from.y + to.y) / 2};
    INPUT inputs[] = {mouseInput(from, 0), mouseInput(from, MOUSEEVENTF_LEFTDOWN), mouseInput(middle, 0),
                      mouseInput(to, 0), mouseInput(to, MOUSEEVENTF_LEFTUP)};
    return ::SendInput(5, inputs, sizeof(INPUT)) == 5;
}

// Types the text as Unicode key presses into the active window, through SendInput: it queues
// in order with the chords sent before and after it, which WM_CHAR sent straight to a window
// would overtake.
inline bool typeKeys(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The chord into `window`, made active first.
inline bool pressChordIn(HWND window, std::initializer_list<WORD> keys) {
    return activate(window) && pressChord(keys);
}

} // namespace tessel_test
