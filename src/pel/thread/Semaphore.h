#pragma once
// A counting Win32 semaphore whose system failures are hard checks rather than exceptions,
// with a wait on several handles at once; a semaphore of the process without a system object;
// and LegacyMutex, the semaphore of count one that serves as a lock any thread may release.

#include <windows.h>

namespace pel {

class Semaphore_Impl {
public:
    enum WaitResult : int { Signalled = 0, Failed = 1, TimedOut = 2, Abandoned = 3 };

    Semaphore_Impl() = default;
    virtual ~Semaphore_Impl();
    Semaphore_Impl(const Semaphore_Impl&) = delete;
    Semaphore_Impl& operator=(const Semaphore_Impl&) = delete;

    void create(long initial, long maximum);
    // Releases one count.
    void set();
    // A negative time-out waits without limit. Answers Signalled, TimedOut or Abandoned.
    int wait(long milliseconds);
    // Waits without limit for any of the handles; o_index receives the position of the one
    // that ended the wait, -1 when none did.
    static int waitAny(const HANDLE* handles, DWORD count, int* o_index);

    HANDLE handle() const { return m_handle; }

protected:
    HANDLE m_handle = nullptr;
};

class Semaphore : public Semaphore_Impl {
public:
    Semaphore() = default;
    Semaphore(long initial, long maximum) { create(initial, maximum); }
};

// A semaphore of this process only: the same counting and waits, on a condition variable, so
// that taking and giving back cost no system call while nobody waits; it has no handle, so it
// cannot take part in waitAny.
class LightSemaphore {
public:
    LightSemaphore(long initial, long maximum) : m_count(initial), m_maximum(maximum) {}
    LightSemaphore(const LightSemaphore&) = delete;
    LightSemaphore& operator=(const LightSemaphore&) = delete;

    // Releases one count; nothing beyond the maximum.
    void set();
    // Semaphore_Impl::Signalled (0) when a count was taken, TimedOut when the time ran out
    // first; a negative time-out waits without limit.
    int wait(long milliseconds);

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_released = CONDITION_VARIABLE_INIT;
    long m_count;
    long m_maximum;
};

// The Document lock and its like: taken and given back around every load, save and edit, and
// tried by every parse slice.
class LegacyMutex : public LightSemaphore {
public:
    LegacyMutex() : LightSemaphore(1, 1) {}
    void release() { set(); }
};

} // namespace pel
