#pragma once
// Hard checks (log one line, then throw) and soft assertions (log and go on).
// The macros pass the check site's file and line; the functions never return.

#include "pel/base/Exception.h"

namespace pel {

[[noreturn]] void assertionViolation(const wchar_t* expression, const wchar_t* file, int line);
[[noreturn]] void nullPointerViolation(const wchar_t* expression, const wchar_t* file, int line);
[[noreturn]] void notReachedViolation(const wchar_t* file, int line);
[[noreturn]] void notImplementedViolation(const wchar_t* file, int line);

// Logs "Assertion failed for `expression` in file : line." under the "assert" source.
void softAssertion(const wchar_t* expression, const wchar_t* file, int line);

// The debugger hooks of the library do nothing in this build.
class Debugger {
public:
    static bool isAvailable() { return false; }
    static void enter() {}
    static void enter(const wchar_t*, int) {}
    static void enter(const wchar_t*) {}
    static void enter(const wchar_t*, const wchar_t*, int) {}
    static void message(const wchar_t*) {}
    static void message(const wchar_t*, const wchar_t*, int) {}
};

} // namespace pel

#define PEL_WIDEN_(text) L##text
#define PEL_WIDEN(text) PEL_WIDEN_(text)
#define PEL_FILE PEL_WIDEN(__FILE__)

#define PEL_ASSERT(condition)                                                        \
    do {                                                                             \
        if (!(condition))                                                            \
            ::pel::assertionViolation(PEL_WIDEN(#condition), PEL_FILE, __LINE__);   \
    } while (0)

#define PEL_CHECK_PTR(pointer)                                                       \
    do {                                                                             \
        if (!(pointer))                                                              \
            ::pel::nullPointerViolation(PEL_WIDEN(#pointer), PEL_FILE, __LINE__);   \
    } while (0)

#define PEL_NOT_REACHED() ::pel::notReachedViolation(PEL_FILE, __LINE__)
#define PEL_NOT_IMPLEMENTED() ::pel::notImplementedViolation(PEL_FILE, __LINE__)

// Evaluates to the condition, so a site can choose its fallback: if (!PEL_SOFT_ASSERT(x)) ...
#define PEL_SOFT_ASSERT(condition)                                                   \
    ((condition) ? true                                                              \
                 : (::pel::softAssertion(PEL_WIDEN(#condition), PEL_FILE, __LINE__), false))
