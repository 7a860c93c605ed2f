#pragma once
// In-process mutexes over a critical section, a no-op mutex for single-threaded instantiations
// of templates, and the scoped lock that holds either.

#include <windows.h>

namespace pel {

class Mutex_Impl {
public:
    // Spin count 0x80000000 (the library's objects) pre-allocates the section's event.
    explicit Mutex_Impl(DWORD spinCount = 0x80000000);
    ~Mutex_Impl();
    Mutex_Impl(const Mutex_Impl&) = delete;
    Mutex_Impl& operator=(const Mutex_Impl&) = delete;

    void lock() { ::EnterCriticalSection(&m_section); }
    bool tryLock() { return ::TryEnterCriticalSection(&m_section) != 0; }
    // Tries every 5 ms until milliseconds have passed; always tries at least once.
    bool tryLock(long milliseconds);
    // As tryLock(milliseconds), throwing TimeoutException (empty message) when it fails.
    void lock(long milliseconds);
    void unlock() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class FastMutex : public Mutex_Impl {
public:
    FastMutex() : Mutex_Impl(4000) {}
};

class NullMutex {
public:
    void lock() {}
    bool tryLock() { return true; }
    bool tryLock(long) { return true; }
    void unlock() {}
};

template <class M>
class ScopedLock {
public:
    explicit ScopedLock(M& mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~ScopedLock() { m_mutex.unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    M& m_mutex;
};

} // namespace pel
