#pragma once
// The main loop's part in tests: dispatches window messages until done() holds, false after a
// generous limit (a lost message rather than a slow one); or only what is queued now.

#include <windows.h>

#include <functional>

namespace tessel_test {

inline bool pumpUntil(const std::function<bool()>& done, DWORD limit = 30000) {
    const DWORD start = ::GetTickCount();
    for (; !done(); ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            ::DispatchMessageW(&message);
        if (!done() && ::GetTickCount() - start > limit)
            return false;
    }
    return true;
}

// Dispatches what is queued for this thread now, without waiting for more.
inline void dispatchPending() {
    for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        ::DispatchMessageW(&message);
}

} // namespace tessel_test
