#pragma once
// Runs the calling thread's message loop until a condition holds, the way the application's
// main loop would deliver the message registry's window messages. Gives up after a generous
// limit so that a lost message fails the test instead of hanging it.

#include <functional>
#include <windows.h>

namespace tessel_test {

inline bool pumpUntil(const std::function<bool()>& done, DWORD limitMilliseconds = 30000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done())
            break;
        if (::GetTickCount() - start > limitMilliseconds)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Delivers whatever is queued now.
inline void pumpPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace tessel_test
