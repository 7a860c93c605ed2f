#include "pel/log/LogManager.h"

#include "pel/base/Assert.h"
#include "pel/base/Symbol.h"
#include "pel/base/TAllocator.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>

namespace pel {

namespace {

// The lock, the record pool and the source names live until the process ends: a listener
// that was removed may still hold records after its manager is gone, and threads may log
// while the process's statics are destroyed.
struct LogGlobals {
    Mutex_Impl lock{0x80000000};
    TLockedAllocator<LogMessage, 512> pool;
    std::set<std::wstring> names;
};

LogGlobals& globals() {
    static LogGlobals* instance = new LogGlobals;
    return *instance;
}

std::atomic<LogManager_Impl*> s_instance{nullptr};

// Set when the process's statics are destroyed: threads may have been killed inside the
// library lock, so contexts that end after that are left to the system.
std::atomic<bool> s_processEnding{false};
struct ProcessEnd {
    ~ProcessEnd() { s_processEnding = true; }
} s_processEnd;

class DepthGuard {
public:
    explicit DepthGuard(int32_t& depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int32_t& m_depth;
};

// A listener that throws must neither stop the delivery to the others nor reach the caller of
// the log call.
void deliver(LogListener* listener, LogMessage* message) {
    try {
        if (listener->accepts(message))
            listener->onMessage(message);
    } catch (...) {
        debug_printf(L"LogManager: a log listener threw an exception\n");
    }
}

} // namespace

Mutex_Impl& libraryLock() { return globals().lock; }

// ---- LogMessage

void LogMessage::release() {
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        LogManager_Impl::destroyMessage(this);
}

void LogManager_Impl::destroyMessage(LogMessage* m) {
    if (m->getRefCount() != 0)
        assertionViolation(L"m->getRefCount() == 0", PEL_FILE, __LINE__);
    std::free(m->m_text);
    m->m_text = nullptr;
    m->m_sourceName = nullptr;
    m->m_next = nullptr;
    globals().pool.deallocate(m);
}

// ---- lifetime

LogManager_Impl::LogManager_Impl() {
    m_id_all = registerSource(L"ALL");
    m_id_internal = registerSource(L"LogManager");
    m_id_unknown = registerSource(L"Unknown");
    registerSource(L"Tessel");
    if (m_id_all != LOG_ALL_SOURCE)
        assertionViolation(L"m_id_all == LOG_ALL_SOURCE", PEL_FILE, __LINE__);
    if (m_id_unknown != LOG_UNKNOWN_SOURCE)
        assertionViolation(L"m_id_unknown == LOG_UNKNOWN_SOURCE", PEL_FILE, __LINE__);
    if (m_id_internal != LOG_INTERNAL_SOURCE)
        assertionViolation(L"m_id_internal == LOG_INTERNAL_SOURCE", PEL_FILE, __LINE__);
}

LogManager_Impl::~LogManager_Impl() {
    for (LogMessage* message : m_history)
        message->release();
    m_history.clear();
    m_sources.clear();
    m_listeners.clear();
}

LogManager_Impl* LogManager_Impl::getInstance() {
    if (LogManager_Impl* instance = s_instance.load(std::memory_order_acquire))
        return instance;
    ScopedLock<Mutex_Impl> lock(libraryLock());
    LogManager_Impl* instance = s_instance.load(std::memory_order_relaxed);
    if (!instance) {
        instance = new LogManager_Impl;
        s_instance.store(instance, std::memory_order_release);
    }
    return instance;
}

LogManager_Impl* LogManager_Impl::acquireLocked() {
    LogManager_Impl* instance = getInstance();
    ++instance->m_refCount;
    return instance;
}

void LogManager_Impl::releaseLocked(LogManager_Impl* instance) {
    if (--instance->m_refCount > 0)
        return;
    if (instance != s_instance.load(std::memory_order_relaxed))
        assertionViolation(L"instance == s_instance", PEL_FILE, __LINE__);
    s_instance.store(nullptr, std::memory_order_release);
    delete instance;
}

// The context lives in a fiber-local slot, whose callback the system runs when the thread
// ends (C++ thread_local storage may already be gone by the time its destructors run).
DWORD LogManager_Impl::contextIndex() {
    static const DWORD index = ::FlsAlloc(&contextEnded);
    return index;
}

void WINAPI LogManager_Impl::contextEnded(void* context) {
    if (!context || s_processEnding)
        return;
    // Called by the system at thread end: nothing may be thrown through its frames.
    try {
        destroyContext(static_cast<LogContextTLS*>(context));
    } catch (...) {
        debug_printf(L"LogManager: a thread's log context could not be released\n");
    }
}

// Null only when the system has no slot to give.
LogManager_Impl::LogContextTLS* LogManager_Impl::context(bool create) {
    const DWORD index = contextIndex();
    if (index == FLS_OUT_OF_INDEXES)
        return nullptr;
    LogContextTLS* context = static_cast<LogContextTLS*>(::FlsGetValue(index));
    if (!context && create) {
        context = new LogContextTLS;
        {
            ScopedLock<Mutex_Impl> lock(libraryLock());
            context->manager = acquireLocked();
        }
        if (!::FlsSetValue(index, context)) {
            destroyContext(context);
            return nullptr;
        }
    }
    return context;
}

void LogManager_Impl::destroyContext(LogContextTLS* tc) {
    while (LogMessage* message = tc->pendingHead) {
        tc->pendingHead = message->m_next;
        destroyMessage(message);
    }
    if (tc->manager) {
        ScopedLock<Mutex_Impl> lock(libraryLock());
        releaseLocked(tc->manager);
    }
    delete tc;
}

// ---- logging

void LogManager_Impl::log(const wchar_t* text, int level, uint32_t source) {
    ::OutputDebugStringW(text);
    try {
        LogContextTLS* tc = context(true);
        LogContextTLS callContext;
        if (!tc) {
            tc = &callContext;
            ScopedLock<Mutex_Impl> lock(libraryLock());
            callContext.manager = acquireLocked();
        }

        size_t length = std::wcslen(text);
        if (length > 0 && text[length - 1] == L'\n')
            --length;
        wchar_t* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
        LogMessage* message = copy ? globals().pool.allocate() : nullptr;
        if (message) {
            std::wmemcpy(copy, text, length);
            copy[length] = L'\0';
            message->m_refCount.store(0, std::memory_order_relaxed);
            message->m_level = level;
            message->m_source = source;
            message->m_sourceName = nullptr;
            message->m_text = copy;
            message->m_next = nullptr;

            if (tc->dispatchDepth > 0) { // logged by a listener: delivered after the current line
                if (tc->pendingTail)
                    tc->pendingTail->m_next = message;
                else
                    tc->pendingHead = message;
                tc->pendingTail = message;
                return;
            }
            {
                ScopedLock<Mutex_Impl> lock(libraryLock());
                tc->manager->dispatch(message, *tc);
            }
            tc->manager->flushPending(*tc);
        } else {
            std::free(copy);
        }

        if (tc == &callContext) {
            ScopedLock<Mutex_Impl> lock(libraryLock());
            releaseLocked(callContext.manager);
        }
    } catch (...) {
        // The line reached the debugger; the log call never fails its caller.
    }
}

void LogManager_Impl::dispatch(LogMessage* message, LogContextTLS& tc) {
    if (tc.dispatchDepth < 0)
        assertionViolation(L"open >= 0", PEL_FILE, __LINE__);
    DepthGuard dispatching(tc.dispatchDepth);

    auto source = m_sources.find(message->m_source);
    message->m_sourceName = source != m_sources.end() ? source->second : m_sources[m_id_unknown];

    message->addRef();
    m_history.push_back(message);
    if (m_history.size() > static_cast<size_t>(HISTORY_LIMIT)) {
        m_history.front()->release();
        m_history.pop_front();
    }

    DepthGuard inListener(tc.listenerLockDepth);
    for (LogListener* listener : m_listeners)
        deliver(listener, message);
}

void LogManager_Impl::flushPending(LogContextTLS& tc) {
    for (int passes = 0; tc.pendingHead;) {
        LogMessage* list = tc.pendingHead;
        tc.pendingHead = tc.pendingTail = nullptr;
        {
            ScopedLock<Mutex_Impl> lock(libraryLock());
            while (list) {
                LogMessage* next = list->m_next;
                list->m_next = nullptr;
                dispatch(list, tc);
                list = next;
            }
        }
        if (++passes == 4) {
            ::OutputDebugStringW(L"---- Recursive LOG in LogListener's handler detected ----\n");
            while (LogMessage* dropped = tc.pendingHead) {
                tc.pendingHead = dropped->m_next;
                destroyMessage(dropped);
            }
            tc.pendingTail = nullptr;
            return;
        }
    }
}

// ---- sources

uint32_t LogManager_Impl::registerSource(const wchar_t* name) {
    PEL_CHECK_PTR(name);
    const uint32_t id = Symbol::createTSymbol(name).getHash();
    ScopedLock<Mutex_Impl> lock(libraryLock());
    if (m_sources.find(id) == m_sources.end()) {
        debug_printf(L"LogManager: New log source %s (%08x) has been registered.", name, id);
        m_sources[id] = globals().names.insert(name).first->c_str();
    }
    return id;
}

const wchar_t* LogManager_Impl::getSourceName(uint32_t id) const {
    ScopedLock<Mutex_Impl> lock(libraryLock());
    auto found = m_sources.find(id);
    if (found == m_sources.end())
        found = m_sources.find(m_id_unknown);
    return found->second;
}

// ---- listeners

void LogManager_Impl::checkNotInListener(const wchar_t* expression) const {
    const LogContextTLS* tc = context(false);
    if (tc && tc->listenerLockDepth >= 1)
        assertionViolation(expression, PEL_FILE, __LINE__);
}

bool LogManager_Impl::addListener(LogListener* listener, bool replay) {
    if (!listener)
        assertionViolation(L"listener", PEL_FILE, __LINE__);
    checkNotInListener(L"!lmapIsLocked(t_context->tc)");
    LogContextTLS callContext;
    LogContextTLS* tc = nullptr;
    if (replay) {
        tc = context(true);
        if (!tc)
            tc = &callContext;
    }
    {
        ScopedLock<Mutex_Impl> lock(libraryLock());
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            assertionViolation(L"0", PEL_FILE, __LINE__);
        m_listeners.push_back(listener);
        ++m_refCount; // a registered listener keeps the manager, and with it the lines, alive
        if (replay) {
            // Lines the listener logs during the replay wait, as in a delivery, so that the
            // history does not change under it.
            DepthGuard dispatching(tc->dispatchDepth);
            DepthGuard inListener(tc->listenerLockDepth);
            for (LogMessage* message : m_history)
                deliver(listener, message);
        }
    }
    if (tc)
        flushPending(*tc);
    return true;
}

bool LogManager_Impl::removeListener(LogListener* listener) {
    if (!listener)
        assertionViolation(L"listener", PEL_FILE, __LINE__);
    checkNotInListener(L"!lmapIsLocked(t_context->tc)");
    ScopedLock<Mutex_Impl> lock(libraryLock());
    auto found = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (found == m_listeners.end())
        return false;
    m_listeners.erase(found);
    releaseLocked(this);
    return true;
}

} // namespace pel
