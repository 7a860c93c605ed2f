#pragma once
// Runs the calling thread's message loop, as the application's main loop would, until a
// condition holds; false after a generous limit, so that a lost message fails the test.

#include <functional>
#include <windows.h>

namespace tessel_test {

inline bool pumpUntil(const std::function<bool()>& done, DWORD limitMilliseconds = 30000) {
    const DWORD start = ::GetTickCount();
    for (MSG message; !done(); ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        if (!done() && ::GetTickCount() - start > limitMilliseconds)
            return false;
    }
    return true;
}

} // namespace tessel_test
