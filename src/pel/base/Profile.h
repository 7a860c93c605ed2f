#pragma once
// Profiling counters: one static counter per measured place adds up the time of each pass
// through a ProfileScope there; printProfileCounter writes the totals to the log.

#include <atomic>
#include <cstdint>
#include <string>

namespace pel {

struct ProfileCounter {
    explicit ProfileCounter(const wchar_t* i_name) : name(i_name) {}

    std::atomic<uint64_t> total{0}; // microseconds
    std::atomic<uint32_t> count{0};
    std::wstring name;
};

// Reads the profiling clock's frequency; run once at start (later calls change nothing).
void initProfileTimer();
// The profiling clock in microseconds (the performance counter, or the tick count when the
// system has none).
int64_t profileTimerNow();

struct ProfileScope {
    bool active = false;
    int64_t start = 0; // 0 when not measuring
    ProfileCounter* counter = nullptr;
};

// Starts measuring unless the scope already measures.
void profileTimerStart(ProfileScope* scope);
// Adds the time since the start to the counter and counts one pass; nothing when not measuring.
void profileTimerStop(ProfileScope* scope);
// Logs "  <name, padded to 23>:  <count> @ <total> ms" at DEBUG.
void printProfileCounter(const ProfileCounter& counter);

// Measures the enclosing block into a counter while it is alive.
class ScopedProfile {
public:
    explicit ScopedProfile(ProfileCounter& counter) {
        m_scope.active = true;
        m_scope.counter = &counter;
        profileTimerStart(&m_scope);
    }
    ~ScopedProfile() {
        if (m_scope.active)
            profileTimerStop(&m_scope);
    }
    ScopedProfile(const ScopedProfile&) = delete;
    ScopedProfile& operator=(const ScopedProfile&) = delete;

private:
    ProfileScope m_scope;
};

} // namespace pel
