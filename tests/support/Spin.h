#pragma once
// Spins the calling thread for about the microseconds given: how a test's other program acts at a
// moment spread over a span of a few milliseconds, which a sleep would round to the system's tick.

#include <windows.h>

#include <cstdint>

namespace tessel_test {

inline void spin(int64_t micros) {
    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    do
        ::QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < micros);
}

} // namespace tessel_test
