#pragma once
// A counting Win32 semaphore whose system failures are hard checks rather than exceptions,
// with a wait on several handles at once; a semaphore of the process without a system object;
// and LegacyMutex, the semaphore of count one that serves as a lock any thread may release.

#include <windows.h>

#include <cstddef>

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
    // Waits for any of the handles, without limit unless milliseconds is 0 or more; o_index
    // receives the position of the one that ended the wait, -1 when none did (TimedOut).
    static int waitAny(const HANDLE* handles, DWORD count, int* o_index, long milliseconds = -1);

    HANDLE handle() const { return m_handle; }

protected:
    HANDLE m_handle = nullptr;
};

class Semaphore : public Semaphore_Impl {
public:
    Semaphore() = default;
    Semaphore(long initial, long maximum) { create(initial, maximum); }
};

// A semaphore of this process only: the same counting and waits, on condition variables, so
// that taking and giving back cost no system call while nobody waits; it has no handle, so it
// cannot take part in waitAny. It is fair: a count given back while threads wait goes to the
// one that has waited longest, so a thread that gives back and asks again at once (a worker
// between two slices) queues behind the others instead of taking the count again first.
class LightSemaphore {
public:
    LightSemaphore(long initial, long maximum) : m_count(initial), m_maximum(maximum) {}
    LightSemaphore(const LightSemaphore&) = delete;
    LightSemaphore& operator=(const LightSemaphore&) = delete;

    // Releases one count, to the oldest waiter if there is one; nothing beyond the maximum.
    void set();
    // Semaphore_Impl::Signalled (0) when a count was taken, TimedOut when the time ran out
    // first; a negative time-out waits without limit, 0 only tries.
    int wait(long milliseconds);
    // How many threads wait now.
    size_t waiting() const;

private:
    // One per waiting thread, on its stack, queued oldest first.
    struct Waiter {
        CONDITION_VARIABLE granted = CONDITION_VARIABLE_INIT;
        bool hasCount = false;
        Waiter* next = nullptr;
        Waiter* previous = nullptr;
    };
    void unlink(Waiter& waiter);

    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    long m_count; // never above 0 while someone waits: a count given back goes to a waiter
    long m_maximum;
    Waiter* m_oldest = nullptr;
    Waiter* m_newest = nullptr;
};

// The Document lock and its like: taken and given back around every load, save and edit, and
// tried by every parse slice.
class LegacyMutex : public LightSemaphore {
public:
    LegacyMutex() : LightSemaphore(1, 1) {}
    void release() { set(); }
};

} // namespace pel
