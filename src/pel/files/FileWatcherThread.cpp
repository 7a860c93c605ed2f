#include "pel/files/FileWatcherThread.h"

#include "pel/base/Exception.h"
#include "pel/files/FileWatcher.h"
#include "pel/log/Log.h"

namespace pel {

namespace {

constexpr long SETTLE_WAIT_MS = 200;

} // namespace

FileWatcherThread::FileWatcherThread(const std::wstring& name, FileWatcher* watcher)
    : WorkerThread(name, 64), m_watcher(watcher) {}

FileWatcherThread::~FileWatcherThread() { stopAndJoin(); }

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
    long timeout = -1;
    bool idle = false; // the last pass found nothing left: a record that comes starts a new run
    while (!idle && !isStopRequested()) {
        waitForWakeUp(timeout);
        if (isStopRequested())
            break;
        try {
            idle = !m_watcher->processPass();
            timeout = SETTLE_WAIT_MS;
        } catch (const Exception& e) {
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: %s\n", e.displayText().c_str());
        } catch (...) {
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: unknown exception\n");
        }
    }
    if (!idle)
        m_watcher->dropQueued();
    release();
    return 0;
}

} // namespace pel
