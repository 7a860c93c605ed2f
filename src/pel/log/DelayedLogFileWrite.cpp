#include "pel/log/DelayedLogFileWrite.h"

#include "pel/base/Timestamp.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"

namespace pel {

DelayedLogFileWrite::DelayedLogFileWrite(LogFile& owner) : m_owner(owner) {}

DelayedLogFileWrite::~DelayedLogFileWrite() {
    // run() uses this object's members: the thread ends before they go.
    requestStop();
    try {
        join();
    } catch (...) {
        // ~Thread reports a thread it still finds running.
    }
    ScopedLock<Mutex_Impl> lock(libraryLock());
    for (LogMessage* message : m_queue)
        message->release();
    m_queue.clear();
}

bool DelayedLogFileWrite::requestStop() {
    LegacyThread::requestStop();
    wake();
    return true;
}

void DelayedLogFileWrite::wake() {
    // A full count (256 wake-ups pending) already wakes the writer: the refused release is
    // no failure.
    ::ReleaseSemaphore(m_semaphore.handle(), 1, nullptr);
}

void DelayedLogFileWrite::enqueue(LogMessage* message) {
    ScopedLock<Mutex_Impl> lock(libraryLock());
    message->addRef();
    m_queue.push_back(message);
    const int64_t now = currentTimeMillis();
    if (now < m_lastWakeUp || now - m_lastWakeUp < WAKE_UP_INTERVAL_MS)
        return;
    m_lastWakeUp = now;
    m_wakeUps.fetch_add(1);
    wake();
}

size_t DelayedLogFileWrite::queuedCount() const {
    ScopedLock<Mutex_Impl> lock(libraryLock());
    return m_queue.size();
}

int DelayedLogFileWrite::run(void*) {
    while (!isStopRequested()) {
        // Signalled, timed out and abandoned waits all go on; a failed wait is a hard check.
        m_semaphore.wait(WAIT_MS);
        writeQueue(false);
    }
    writeQueue(true);
    return 0;
}

void DelayedLogFileWrite::writeQueue(bool force) {
    ScopedLock<Mutex_Impl> lock(libraryLock());
    const int64_t now = currentTimeMillis();
    // The front is taken afresh each time: writing may log, and a line logged here (by this
    // thread, outside any delivery) is delivered, and may be queued, at once.
    while (!m_queue.empty()) {
        LogMessage* message = m_queue.front();
        if (!m_owner.write(message) && !force)
            break;
        m_lastWrite = now;
        m_queue.pop_front();
        message->release();
    }
    if (!force && now - m_lastWrite < FLUSH_IDLE_MS)
        return;
    m_lastWrite = now;
    m_owner.flush();
}

} // namespace pel
