#pragma once
// Work a test runs from a timer of its thread, that is from whichever loop of the thread takes
// the timer next (a modal window's, the system's dialog's): how a test acts inside a loop that it
// cannot enter itself. One piece of work waits at a time.

#include <functional>
#include <utility>
#include <windows.h>

namespace tessel_test {

inline std::function<void()>& timedWork() {
    static std::function<void()> work;
    return work;
}

inline void CALLBACK runTimedWork(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    std::function<void()> work;
    work.swap(timedWork());
    if (work)
        work();
}

// Runs the work from a timer `delayMs` on; work still waiting is dropped.
inline void later(std::function<void()> work, UINT delayMs = 10) {
    timedWork() = std::move(work);
    ::SetTimer(nullptr, 0, delayMs, &runTimedWork);
}

// Whether work waits for its timer (false once it has begun).
inline bool laterWaits() {
    return static_cast<bool>(timedWork());
}

} // namespace tessel_test
