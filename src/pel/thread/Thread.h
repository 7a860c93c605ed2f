#pragma once
// The library's threads: a named, numbered Thread runs a Runnable (or, for LegacyThread, a
// callback) on a new Win32 thread that registers with the crash reporter and hands every
// exception escaping its body to the ThreadErrorHandler. Code on the thread finds its Thread
// through Thread::current().

#include "pel/thread/Mutex.h"

#include <cstdint>
#include <string>
#include <windows.h>

namespace pel {

class ThreadLocalStorage;

class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

// The Win32 side of a Thread: its target, handle and settings.
class ThreadImpl {
public:
    using Callback = int (*)(void* data);

protected:
    ThreadImpl() = default;
    ~ThreadImpl() = default;
    ThreadImpl(const ThreadImpl&) = delete;
    ThreadImpl& operator=(const ThreadImpl&) = delete;

    void startImpl(Runnable& target);
    void startImpl(Callback callback, void* data);
    void joinImpl();
    bool isRunningImpl() const;
    void setPriorityImpl(int priority);
    bool isCurrentImpl() const;
    static ThreadImpl* currentImpl();

    Runnable* m_target = nullptr;
    Callback m_callback = nullptr;
    void* m_callbackData = nullptr;
    HANDLE m_handle = nullptr;
    DWORD m_threadId = 0;
    int m_priority = 0;
    DWORD m_stackSize = 0;

private:
    bool m_startCancelled = false; // a failed start lets its thread end without the body
    void checkNotRunning() const;
    void create(LPTHREAD_START_ROUTINE entry);
    static DWORD WINAPI runnableEntry(void* self);
    static DWORD WINAPI callbackEntry(void* self);
};

class Thread : private ThreadImpl {
public:
    // Named "#" and the thread's number (1 for the first Thread of the process).
    Thread();
    explicit Thread(const std::wstring& name);
    // Joins a thread still running (a soft assertion: owners join first); the storage goes
    // only once the body cannot use it any more.
    virtual ~Thread();

    // SystemException "thread already running" while the previous run is alive.
    void start(Runnable& target);
    // Waits for the thread to end and closes its handle; returns at once when there is none.
    void join();
    bool isRunning() const;

    // A Win32 priority value (0 normal); applied at once when the thread runs.
    void setPriority(int priority);
    int getPriority() const { return m_priority; }
    void setName(const std::wstring& name);
    std::wstring getName() const;
    uint32_t id() const { return m_id; }
    DWORD threadId() const { return m_threadId; }
    // Null before start and after join; callers may test it with GetExitCodeThread.
    HANDLE handle() const { return m_handle; }

    // This thread's storage, made on first use; only the thread itself calls it.
    ThreadLocalStorage& tls();
    // The Thread running the calling code, or null on any other thread.
    static Thread* current();
    // Tests: the next count starts fail as one the system refuses (SystemException "cannot
    // create thread").
    static void failNextStarts(int count);

protected:
    void startCallback(Callback callback, void* data);

private:
    friend class ThreadLocalStorage;
    void init();

    uint32_t m_id = 0;
    std::wstring m_name;
    ThreadLocalStorage* m_storage = nullptr;
    mutable FastMutex m_nameMutex;
};

} // namespace pel
