#include "pel/base/Profile.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <windows.h>

namespace pel {

namespace {

// Counts per second of the performance counter; 0 when the system has none.
int64_t readFrequency() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"Timer: QueryPerformanceCounter is not available\n");
        return 0;
    }
    return frequency.QuadPart;
}

int64_t frequency() {
    static const int64_t value = readFrequency();
    return value;
}

} // namespace

void initProfileTimer() {
    frequency();
}

int64_t profileTimerNow() {
    const int64_t ticksPerSecond = frequency();
    if (ticksPerSecond == 0)
        return static_cast<int64_t>(GetTickCount()) * 1000;
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    // Whole seconds and the remainder apart, so the product cannot overflow.
    const int64_t seconds = counter.QuadPart / ticksPerSecond;
    const int64_t rest = counter.QuadPart % ticksPerSecond;
    return seconds * 1000000 + rest * 1000000 / ticksPerSecond;
}

void profileTimerStart(ProfileScope* scope) {
    PEL_CHECK_PTR(scope);
    if (scope->start == 0)
        scope->start = profileTimerNow();
}

void profileTimerStop(ProfileScope* scope) {
    PEL_CHECK_PTR(scope);
    if (scope->start == 0)
        return;
    const int64_t spent = profileTimerNow() - scope->start;
    scope->start = 0;
    if (!scope->counter)
        return;
    scope->counter->total.fetch_add(static_cast<uint64_t>(spent > 0 ? spent : 0), std::memory_order_relaxed);
    scope->counter->count.fetch_add(1, std::memory_order_relaxed);
}

void printProfileCounter(const ProfileCounter& counter) {
    const size_t width = 23;
    const std::wstring padding(counter.name.size() < width ? width - counter.name.size() : 0, L' ');
    const double milliseconds = static_cast<double>(counter.total.load(std::memory_order_relaxed)) / 1000.0;
    log_printf(LOG_DEBUG, LOG_UNKNOWN_SOURCE, L"  %s%s:  % 8d @ % .3f ms\n", counter.name.c_str(), padding.c_str(),
               static_cast<int>(counter.count.load(std::memory_order_relaxed)), milliseconds);
}

} // namespace pel
