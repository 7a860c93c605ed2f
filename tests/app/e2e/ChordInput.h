#pragma once
// Key chords with modifiers into another program's window, the modifier still held when the
// key it is for arrives.
//
// A program under Wine takes the X server's keyboard for the truth each time X tells one of its
// windows about it: X sends a KeymapNotify after every EnterNotify and FocusIn (a window shown
// or activated under the pointer, and every pointer move of SendInput, which Wine makes as a
// warp inside a pointer grab, so that the pointer enters the window under it anew), and Wine
// then lets go every key that X has up. The keys of SendInput never reach X. Such news waits
// until the program's queue runs empty, which may be while the test's modifier is down: the key
// or click it was for then comes alone. So before a modifier goes down, the tests wait until the
// program has read all the news X sent it, and leave the pointer where its moves bring no more.

#include "app/e2e/UserInput.h"
#include "support/KeyInput.h"
#include "support/OtherProcess.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

namespace tessel_test {

// A corner of the screen that no window covers: the pointer's moves there tell no program
// anything.
inline bool bareCorner(POINT* o_corner) {
    const LONG right = ::GetSystemMetrics(SM_CXSCREEN) - 1, bottom = ::GetSystemMetrics(SM_CYSCREEN) - 1;
    for (POINT corner : {POINT{right, bottom}, POINT{0, bottom}, POINT{right, 0}, POINT{0, 0}})
        if (::WindowFromPoint(corner) == ::GetDesktopWindow()) {
            *o_corner = corner;
            return true;
        }
    return false;
}

// The work done on a thread of its own, which has no X connection: Wine's key reads and waits
// first handle the X events of the thread calling them, and the test's thread's are the pointer's
// moves of its own warps, which it would play back to the system as where the pointer is, late.
inline bool apart(const std::function<bool()>& work) {
    bool done = false;
    std::thread worker([&] { done = work(); });
    worker.join();
    return done;
}

// Whether Shift, held below as a probe (alone it does nothing), was let go by Wine.
inline bool probeLetGo() {
    return apart([] { return !(::GetAsyncKeyState(VK_SHIFT) & 0x8000); });
}

// Whether the window's thread answered a message sent now, so is past what it was doing then.
inline bool answers(HWND window) {
    return apart([window] {
        DWORD_PTR answer = 0;
        return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &answer) != 0;
    });
}

// Waits until the program of `window` has read the news of an entry of the pointer, and with it
// all that reached it before; false when older news was being read as it began.
//
// Shift is held, and is still held just before the pointer enters the window and leaves it for
// a bare corner: X sends the window a KeymapNotify for the entry and none for the exit, and the
// exit's warp begins with a pointer grab, which X answers only after it has sent all that the
// entry caused. Wine lets Shift go in a reading of the program's connection that began after
// Shift's press was checked, and a reading goes on until nothing is left there: either it began
// before the entry's news arrived, which an idle program reads at once, or after, and read it.
// Once the program answers a message sent after that, the reading is over. While the window is
// not yet shown, no entry brings news: the pointer enters again now and then.
inline bool readNews(HWND window, POINT inside, POINT corner, DWORD start) {
    // How long Shift stays held before the pointer enters again: a pace, not a deadline.
    const DWORD ENTRY_MS = 200;
    bool held = movePointer(corner) && holdKey(VK_SHIFT, true) && !probeLetGo(), read = false;
    while (held && !read && ::GetTickCount() - start <= WAIT_MS) {
        held = movePointer(inside) && movePointer(corner);
        read = held && pollFor(probeLetGo, ENTRY_MS, 1);
    }
    // Let go in the program's queue too, after its press there.
    return holdKey(VK_SHIFT, false) && read && answers(window);
}

// Waits until the program of `window` has read every KeymapNotify that X sent it, the pointer
// then outside its windows; with `rest`, the pointer then rests at that point of the screen over
// the window (where a press comes next, which then brings no news of its own).
//
// The news is read twice: a reading ends by sending X the program's own requests, such as the
// focus for a window it has just activated, whose news the second reading takes in. The rest
// comes last, when no news is left but its own. Empty once settled, else why not (the
// benchmarks drive Tessel too, without GoogleTest).
inline std::string settleKeyboard(HWND window, const POINT* rest = nullptr) {
    RECT client = {};
    POINT corner = {};
    if (!::GetClientRect(window, &client) || !bareCorner(&corner))
        return "no bare corner of the screen to leave the pointer in";
    POINT inside = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ::ClientToScreen(window, &inside);
    // Another program's window there would read the news in its stead.
    const HWND over = ::WindowFromPoint(inside);
    DWORD overProcess = 0, process = 0;
    ::GetWindowThreadProcessId(over, &overProcess);
    ::GetWindowThreadProcessId(window, &process);
    if (over != ::GetDesktopWindow() && overProcess != process)
        return "another program's window covers the middle of the window";
    const DWORD start = ::GetTickCount();
    for (int read = 0; read < 2;) {
        if (::GetTickCount() - start > WAIT_MS)
            return "the program never read the news of the pointer's entry";
        read += readNews(window, inside, corner, start);
    }
    if (!rest)
        return {};
    const bool rested = holdKey(VK_SHIFT, true) && movePointer(*rest) && pollFor(probeLetGo, WAIT_MS, 1);
    if (!holdKey(VK_SHIFT, false) || !rested || !answers(window))
        return "the program never read the news of the pointer's rest";
    return {};
}

// Whether one of the keys is a modifier, which news of the keyboard could let go.
inline bool holdsModifier(std::initializer_list<WORD> keys) {
    for (WORD key : keys)
        if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || (key >= VK_LSHIFT && key <= VK_RMENU))
            return true;
    return false;
}

// `window` made active, and for a chord with a modifier the keyboard's news read.
inline bool readyForChord(HWND window, std::initializer_list<WORD> keys) {
    return activate(window) && (!holdsModifier(keys) || settleKeyboard(window).empty());
}

// The chord into `window`, made ready for it first.
inline bool pressChordIn(HWND window, std::initializer_list<WORD> keys) {
    return readyForChord(window, keys) && pressChord(keys);
}

// The same, played as a quick hand often plays it (support/KeyInput.h's rollChord).
inline bool rollChordIn(HWND window, std::initializer_list<WORD> keys) {
    return readyForChord(window, keys) && rollChord(keys);
}

} // namespace tessel_test
