#pragma once
// Frames a fault abandons, as the shell's tests make them: the work runs from a timer's callback
// (support/TimedWork.h), which the system calls inside a guard of its own, so that a fault raised
// under it ends the callback there and the frames between are never left, with the counts they
// kept; then the main loop's turn gives those back.

#include "afw/core/afMainLoop.h"
#include "support/MessagePump.h"
#include "support/TimedWork.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <windows.h>

namespace tessel_test {

// Runs the work under the system's guard and returns once it ended, or a fault ended it.
inline void underTheSystemsGuard(std::function<void()> work) {
    later(std::move(work), 1);
    ASSERT_TRUE(pumpUntil([] { return !laterWaits(); })) << "the timer never fired";
}

// The fault, as a wild pointer raises it.
[[noreturn]] inline void raiseFault() {
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    for (;;) {
    }
}

// The main loop's turn: what it gave back, as its check heard it (empty: nothing).
inline std::wstring settled() {
    std::wstring told;
    const afMainLoop::Check previous = afMainLoop::setCheck([&](const std::wstring& what) { told = what; });
    afMainLoop::settle();
    afMainLoop::setCheck(previous);
    return told;
}

} // namespace tessel_test
