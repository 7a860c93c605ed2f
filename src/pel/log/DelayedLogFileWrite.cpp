#include "pel/log/DelayedLogFileWrite.h"

#include "pel/base/Timestamp.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"

namespace pel {

DelayedLogFileWrite::DelayedLogFileWrite(LogFile& owner) : WorkerThread(L"DelayedLogWrite", 256), m_owner(owner) {}

DelayedLogFileWrite::~DelayedLogFileWrite() {
    stopAndJoin(); // run() uses this object's members
    ScopedLock<Mutex_Impl> lock(libraryLock());
    for (LogMessage* message : m_queue)
        message->release();
    m_queue.clear();
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
    return m_queue.size() + m_inHand.load();
}

int DelayedLogFileWrite::run(void*) {
    while (!isStopRequested()) {
        // Signalled, timed out and abandoned waits all go on; a failed wait is a hard check.
        waitForWakeUp(WAIT_MS);
        writeQueue(false);
    }
    writeQueue(true);
    return 0;
}

void DelayedLogFileWrite::writeQueue(bool force) {
    std::deque<LogMessage*> batch;
    {
        ScopedLock<Mutex_Impl> lock(libraryLock());
        batch.swap(m_queue);
        m_inHand = batch.size();
    }
    const int64_t now = currentTimeMillis();
    // A failed write logs its report; the file takes nothing more, so the report is not queued.
    while (!batch.empty()) {
        LogMessage* message = batch.front();
        if (!m_owner.write(message) && !force)
            break;
        m_lastWrite = now;
        batch.pop_front();
        --m_inHand;
        message->release();
    }
    if (!batch.empty()) {
        ScopedLock<Mutex_Impl> lock(libraryLock());
        m_queue.insert(m_queue.begin(), batch.begin(), batch.end());
        m_inHand = 0;
    }
    if (!force && now - m_lastWrite < FLUSH_IDLE_MS)
        return;
    m_lastWrite = now;
    m_owner.flush();
}

} // namespace pel
