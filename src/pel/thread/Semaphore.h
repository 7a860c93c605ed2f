#pragma once
// A counting Win32 semaphore whose system failures are hard checks rather than exceptions,
// with a wait on several handles at once; and LegacyMutex, the semaphore of count one that
// serves as a lock any thread may release.

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

class LegacyMutex : public Semaphore {
public:
    LegacyMutex() : Semaphore(1, 1) {}
    // wait(milliseconds) answers Signalled (0) when the lock was taken.
    void release() { set(); }
};

} // namespace pel
