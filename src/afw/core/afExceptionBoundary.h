#pragma once
// The one place an exception stops on its way out of framework code that the system called:
// a window procedure, the message loops, timer procedures, COM methods. An exception cannot
// unwind through the system's frames (the process would end with every unsaved document), so
// it is reported to the thread error handler there and the program goes on.

#include <utility>

// Reports the exception being handled; call it only inside a catch block. Never throws.
void afReportCurrentException() noexcept;

// Runs body; an exception it throws is reported and swallowed. True when body completed.
template <class Body>
bool afGuard(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        afReportCurrentException();
        return false;
    }
}
