#pragma once
// Keys as a user's fingers press them, through SendInput: the program reads the live modifier
// state, which posted key messages do not set, and the system makes the messages of its own kind
// (system keys with Alt, characters). They go to whichever window is active.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace tessel_test {

// A key going down, or up. The right Alt and Ctrl keys share their scan codes with the left ones
// and are told apart by the extended flag, as a keyboard sends them.
inline INPUT keyInput(WORD key, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (release ? KEYEVENTF_KEYUP : 0) | (key == VK_RMENU || key == VK_RCONTROL ? KEYEVENTF_EXTENDEDKEY : 0);
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

// The keys pressed in order and let go in the same order, as a quick hand often plays a chord:
// {VK_MENU, VK_DOWN} lets Alt go while Down is still down.
inline bool rollChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (int release = 0; release < 2; ++release)
        for (WORD key : keys)
            inputs.push_back(keyInput(key, release != 0));
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A key held down (a modifier for what comes next), or let go.
inline bool holdKey(WORD key, bool down) {
    INPUT input = keyInput(key, !down);
    return ::SendInput(1, &input, sizeof(INPUT)) == 1;
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

} // namespace tessel_test
