#include "pel/thread/LegacyThread.h"

#include <memory>

namespace pel {

// What the new thread needs to call run(); owned by the thread from the moment it starts.
struct LegacyThread::StartRecord {
    void* argument;
    LegacyThread* thread;
    int result;
};

LegacyThread::LegacyThread() = default;

LegacyThread::LegacyThread(const std::wstring& name) : Thread(name) {}

LegacyThread::~LegacyThread() {
    {
        ScopedLock<Mutex_Impl> lock(m_stopMutex);
        m_stop = true;
    }
    try {
        join();
    } catch (...) {
        // ~Thread reports a thread it still finds running.
    }
}

bool LegacyThread::requestStop() {
    ScopedLock<Mutex_Impl> lock(m_stopMutex);
    m_stop = true;
    return true;
}

bool LegacyThread::isStopRequested() const {
    ScopedLock<Mutex_Impl> lock(m_stopMutex);
    return m_stop;
}

bool LegacyThread::start() {
    if (!isRunning()) {
        ScopedLock<Mutex_Impl> lock(m_stopMutex);
        m_stop = false;
    }
    std::unique_ptr<StartRecord> record(new StartRecord{nullptr, this, 0});
    startCallback(&legacyEntry, record.get());
    record.release(); // the new thread frees it
    return true;
}

int LegacyThread::legacyEntry(void* data) {
    std::unique_ptr<StartRecord> record(static_cast<StartRecord*>(data));
    record->result = record->thread->run(record->argument);
    return record->result;
}

} // namespace pel
