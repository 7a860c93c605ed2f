#include "pel/thread/Thread.h"

#include "pel/CrashReporter.h"
#include "pel/base/Assert.h"
#include "pel/thread/ThreadErrorHandler.h"
#include "pel/thread/ThreadLocalStorage.h"

#include <atomic>
#include <exception>

namespace pel {

namespace {

// The Win32 TLS index that holds each library thread's ThreadImpl.
DWORD tlsIndex() {
    static const DWORD index = [] {
        const DWORD allocated = ::TlsAlloc();
        if (allocated == TLS_OUT_OF_INDEXES)
            throw SystemException(L"cannot allocate thread context key");
        return allocated;
    }();
    return index;
}

std::atomic<uint32_t> s_threadCounter{0};
std::atomic<int> s_failingStarts{0};

// Runs a thread body the way every library thread does: registered with the crash reporter,
// published in the TLS index, and no exception leaving towards the system.
template <class Body>
void runBody(ThreadImpl* self, Body body) {
    CrashReporter_Impl::installThread();
    try {
        ::TlsSetValue(tlsIndex(), self);
        body();
    } catch (const Exception& e) {
        ThreadErrorHandler::handle(e);
    } catch (const std::exception& e) {
        ThreadErrorHandler::handle(e);
    } catch (...) {
        ThreadErrorHandler::handle();
    }
    CrashReporter_Impl::uninstallThread();
}

} // namespace

// ---- ThreadImpl

DWORD WINAPI ThreadImpl::runnableEntry(void* arg) {
    ThreadImpl* self = static_cast<ThreadImpl*>(arg);
    if (self->m_startCancelled)
        return 0;
    Runnable* target = self->m_target;
    runBody(self, [target] { target->run(); });
    return 0;
}

DWORD WINAPI ThreadImpl::callbackEntry(void* arg) {
    ThreadImpl* self = static_cast<ThreadImpl*>(arg);
    if (self->m_startCancelled)
        return 0;
    const Callback callback = self->m_callback;
    void* const data = self->m_callbackData;
    runBody(self, [callback, data] { callback(data); });
    return 0;
}

bool ThreadImpl::isRunningImpl() const {
    DWORD code = 0;
    return m_handle && ::GetExitCodeThread(m_handle, &code) && code == STILL_ACTIVE;
}

bool ThreadImpl::isCurrentImpl() const { return m_handle && m_threadId == ::GetCurrentThreadId(); }

void ThreadImpl::checkNotRunning() const {
    if (isRunningImpl())
        throw SystemException(L"thread already running");
}

void ThreadImpl::startImpl(Runnable& target) {
    checkNotRunning();
    m_target = &target;
    create(&runnableEntry);
}

void ThreadImpl::startImpl(Callback callback, void* data) {
    checkNotRunning();
    m_callback = callback;
    m_callbackData = data;
    create(&callbackEntry);
}

void ThreadImpl::create(LPTHREAD_START_ROUTINE entry) {
    tlsIndex(); // the failure to get one belongs to the starting thread
    if (m_handle) { // an earlier run that ended without a join
        ::CloseHandle(m_handle);
        m_handle = nullptr;
    }
    // Created suspended so that handle and id are in place before the body can look at them,
    // and so that a start that fails leaves no thread behind: the thread is let go without
    // its body, and waited for.
    DWORD id = 0;
    HANDLE handle = s_failingStarts.load() > 0 && s_failingStarts.fetch_sub(1) > 0
                        ? nullptr
                        : ::CreateThread(nullptr, m_stackSize, entry, this, CREATE_SUSPENDED, &id);
    if (!handle)
        throw SystemException(L"cannot create thread");
    if (m_priority != 0 && !::SetThreadPriority(handle, m_priority)) {
        m_startCancelled = true;
        ::ResumeThread(handle);
        ::WaitForSingleObject(handle, INFINITE);
        ::CloseHandle(handle);
        m_startCancelled = false;
        throw SystemException(L"cannot set thread priority");
    }
    m_handle = handle;
    m_threadId = id;
    ::ResumeThread(handle);
}

void ThreadImpl::joinImpl() {
    if (!m_handle)
        return;
    // Waiting for oneself would never end.
    if (isCurrentImpl() || ::WaitForSingleObject(m_handle, INFINITE) != WAIT_OBJECT_0)
        throw SystemException(L"cannot join thread");
    if (::CloseHandle(m_handle))
        m_handle = nullptr;
}

void ThreadImpl::setPriorityImpl(int priority) {
    if (priority == m_priority)
        return;
    m_priority = priority;
    if (isRunningImpl() && !::SetThreadPriority(m_handle, priority))
        throw SystemException(L"cannot set thread priority");
}

ThreadImpl* ThreadImpl::currentImpl() { return static_cast<ThreadImpl*>(::TlsGetValue(tlsIndex())); }

// ---- Thread

Thread::Thread() {
    init();
    m_name = L"#" + std::to_wstring(m_id);
}

Thread::Thread(const std::wstring& name) : m_name(name) { init(); }

void Thread::init() { m_id = ++s_threadCounter; }

Thread::~Thread() {
    if (isCurrentImpl()) {
        // The body destroys its own Thread: nothing to wait for, but the thread must no
        // longer find this object.
        ::TlsSetValue(tlsIndex(), nullptr);
    } else if (!PEL_SOFT_ASSERT(!isRunning())) {
        try {
            joinImpl();
        } catch (...) {
        }
    }
    delete m_storage;
    if (m_handle)
        ::CloseHandle(m_handle);
}

void Thread::start(Runnable& target) { startImpl(target); }

void Thread::startCallback(Callback callback, void* data) { startImpl(callback, data); }

void Thread::join() { joinImpl(); }

bool Thread::isRunning() const { return isRunningImpl(); }

void Thread::setPriority(int priority) { setPriorityImpl(priority); }

void Thread::setName(const std::wstring& name) {
    ScopedLock<FastMutex> lock(m_nameMutex);
    m_name = name;
}

std::wstring Thread::getName() const {
    ScopedLock<FastMutex> lock(m_nameMutex);
    return m_name;
}

ThreadLocalStorage& Thread::tls() {
    if (!m_storage)
        m_storage = new ThreadLocalStorage;
    return *m_storage;
}

void Thread::failNextStarts(int count) { s_failingStarts.store(count); }

Thread* Thread::current() {
    ThreadImpl* impl = currentImpl();
    return impl ? static_cast<Thread*>(impl) : nullptr;
}

} // namespace pel
