#include "pel/thread/WorkerThread.h"

namespace pel {

WorkerThread::WorkerThread(const std::wstring& name, long maxWakeUps) : LegacyThread(name), m_wakeUp(0, maxWakeUps) {}

WorkerThread::~WorkerThread() { stopAndJoin(); }

bool WorkerThread::requestStop() {
    LegacyThread::requestStop();
    wake();
    return true;
}

void WorkerThread::wake() { ::ReleaseSemaphore(m_wakeUp.handle(), 1, nullptr); }

void WorkerThread::stopAndJoin() {
    requestStop();
    try {
        join();
    } catch (...) {
        // ~Thread reports a thread it still finds running.
    }
}

} // namespace pel
