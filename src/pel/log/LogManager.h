#pragma once
// The process's log manager: the registry of source names, the listeners, a history of the
// last 511 lines for listeners that come late, and one context per thread that holds back
// the lines a listener logs itself until the line it handles is delivered.
//
// It is made by the first log call or getInstance and lives while any thread that logged is
// alive or any listener is registered; after that a new one starts with the fixed sources.

#include "pel/log/Log.h"
#include "pel/log/LogListener.h"
#include "pel/log/LogMessage.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace pel {

// The library lock: one process-wide critical section around the log manager and the log
// file's queue.
Mutex_Impl& libraryLock();

class LogManager_Impl {
public:
    struct LogContextTLS {
        int32_t dispatchDepth = 0;     // > 0 while this thread delivers to listeners
        int32_t listenerLockDepth = 0; // > 0 while this thread is inside a listener
        LogMessage* pendingHead = nullptr;
        LogMessage* pendingTail = nullptr;
        LogManager_Impl* manager = nullptr; // holds one reference
    };

    static constexpr int HISTORY_LIMIT = 511;

    static LogManager_Impl* getInstance();

    // text: one line ending in a newline, as the log call makes it.
    void log(const wchar_t* text, int level, uint32_t source);

    uint32_t registerSource(const wchar_t* name);
    const wchar_t* getSourceName(uint32_t id) const;

    // With replay, the listener first receives the lines still in the history, oldest first.
    // Neither call may come from inside a listener; a duplicate or a null listener is an
    // assertion violation.
    bool addListener(LogListener* listener, bool replay);
    bool removeListener(LogListener* listener);

    LogManager_Impl(const LogManager_Impl&) = delete;
    LogManager_Impl& operator=(const LogManager_Impl&) = delete;

private:
    friend class LogMessage;

    LogManager_Impl();
    ~LogManager_Impl();

    static LogManager_Impl* acquireLocked();
    static void releaseLocked(LogManager_Impl* manager);
    static DWORD contextIndex();
    static void WINAPI contextEnded(void* context);
    static LogContextTLS* context(bool create);
    static void destroyMessage(LogMessage* message);
    static void destroyContext(LogContextTLS* context);

    void dispatch(LogMessage* message, LogContextTLS& tc);
    void flushPending(LogContextTLS& tc);
    void checkNotInListener(const wchar_t* expression) const;

    int32_t m_refCount = 0; // thread contexts and registered listeners; under the library lock
    std::map<uint32_t, const wchar_t*> m_sources;
    std::vector<LogListener*> m_listeners;
    std::deque<LogMessage*> m_history;
    uint32_t m_id_all = 0;
    uint32_t m_id_internal = 0;
    uint32_t m_id_unknown = 0;
};

} // namespace pel
