#include "pel/files/FileWatcherThread.h"

#include "pel/base/Exception.h"
#include "pel/files/FileWatcher.h"
#include "pel/log/Log.h"

namespace pel {

namespace {

constexpr DWORD SETTLE_WAIT_MS = 200;

} // namespace

FileWatcherThread::FileWatcherThread(const std::wstring& name, FileWatcher* watcher)
    : LegacyThread(name), m_watcher(watcher) {}

FileWatcherThread::~FileWatcherThread() {
    requestStop();
    try {
        join();
    } catch (...) {
        // ~Thread reports a thread it still finds running.
    }
}

void FileWatcherThread::wake() {
    // A full count wakes the thread all the same.
    ::ReleaseSemaphore(m_semaphore.handle(), 1, nullptr);
}

bool FileWatcherThread::requestStop() {
    LegacyThread::requestStop();
    wake();
    return true;
}

bool FileWatcherThread::postDelivery() { return msgPostData(nullptr); }

void FileWatcherThread::onChange(DirObserverHandle* handle, WatchNotification* change) {
    ScopedLock<Mutex_Impl> lock(m_observing);
    if (m_observingOn && m_watcher)
        m_watcher->onChange(handle, change);
}

void FileWatcherThread::stopObserving() {
    ScopedLock<Mutex_Impl> lock(m_observing);
    m_observingOn = false;
}

void FileWatcherThread::detachWatcher() { m_watcher = nullptr; }

void FileWatcherThread::msgOnMessage(MessageData*) {
    if (m_watcher)
        m_watcher->deliver();
}

int FileWatcherThread::run(void*) {
    duplicate();
    DWORD timeout = INFINITE;
    while (!isStopRequested()) {
        const DWORD result = ::WaitForSingleObject(m_semaphore.handle(), timeout);
        if (isStopRequested())
            break;
        if (result != WAIT_OBJECT_0 && result != WAIT_TIMEOUT)
            continue;
        try {
            timeout = m_watcher->processPass() ? SETTLE_WAIT_MS : INFINITE;
        } catch (const Exception& e) {
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: %s\n", e.displayText().c_str());
        } catch (...) {
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: unknown exception\n");
        }
    }
    m_watcher->dropQueued();
    release();
    return 0;
}

} // namespace pel
