// The scheduler's pool of workers: their count, starting and stopping them, the command
// handshake, and the replacement of a worker that ended on its own.

#include "service/base/BgScheduler.h"

#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"
#include "service/base/TaskFailure.h"

#include <algorithm>
#include <memory>

namespace tessel {

namespace {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

constexpr int kMaxDefaultWorkers = 4;

} // namespace

int BgScheduler::getDefaultWorkerCount(int configured) {
    return getDefaultWorkerCount(configured, pel::getProcessAffinityMask());
}

int BgScheduler::getDefaultWorkerCount(int configured, DWORD_PTR affinityMask) {
    int bits = 0;
    for (DWORD_PTR mask = affinityMask; mask; mask >>= 1)
        ++bits;
    if (configured >= 1 && configured <= bits)
        return configured;
    return bits < 3 ? 1 : std::min(bits - 1, kMaxDefaultWorkers);
}

void BgScheduler::setWorkerCount(int count) {
    pel::check_main_thread();
    Lock lock(m_lock);
    while (static_cast<int>(m_workers.size()) < count)
        startWorker();
    while (static_cast<int>(m_workers.size()) > std::max(count, 0))
        stopWorker();
}

int BgScheduler::getWorkerCount() const {
    Lock lock(m_lock);
    return static_cast<int>(m_workers.size());
}

void BgScheduler::setWorkersPriority() {
    Lock lock(m_lock);
    for (BgWorker* worker : m_workers)
        if (worker->getPriority() != THREAD_PRIORITY_BELOW_NORMAL)
            worker->setPriority(THREAD_PRIORITY_BELOW_NORMAL);
    m_threadPriority = THREAD_PRIORITY_BELOW_NORMAL;
}

void BgScheduler::startWorker() {
    std::wstring name;
    for (char c : m_name)
        name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    std::unique_ptr<BgWorker> worker(new BgWorker(this, 0, name));
    worker->setPriority(m_threadPriority);
    m_workers.push_back(worker.get());
    try {
        worker->start();
    } catch (...) {
        m_workers.pop_back();
        throw;
    }
    worker.release();
    wakeOne();
}

// With the lock held; leaves it while the worker ends.
void BgScheduler::stopWorker() {
    BgWorker* const worker = m_workers.front();
    worker->requestStop();
    {
        Unlocked unlocked(m_lock);
        {
            pel::ScopedLock<pel::Mutex_Impl> command(m_commandLock);
            handshake(*worker, BgWorker::COMMAND_STOP);
        }
        worker->join();
    }
    m_workers.erase(std::find(m_workers.begin(), m_workers.end(), worker));
    delete worker;
}

// The worker answers after its current step; the thread's end answers too, for a worker that
// ended on its own.
void BgScheduler::handshake(BgWorker& worker, int command) {
    worker.wake(command);
    const HANDLE handles[2] = {m_ack.handle(), worker.handle()};
    int index = -1;
    pel::Semaphore::waitAny(handles, 2, &index);
}

void BgScheduler::onWorkerEnded(BgWorker* worker, UINT_PTR id) {
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                    L"BgScheduler: The worker thread %p finished without a reason\n", static_cast<void*>(worker));
    int group = 0;
    {
        Lock lock(m_lock);
        // A worker stopped meanwhile is gone already, and its address may have been reused.
        const auto it = std::find(m_workers.begin(), m_workers.end(), worker);
        if (it == m_workers.end() || worker->id() != id)
            return;
        group = worker->getGroup();
        m_workers.erase(it);
    }
    try {
        worker->join();
    } catch (...) {
        logCaughtException(L"BgScheduler::msgOnMessage()");
    }
    delete worker;
    Lock lock(m_lock);
    if (std::none_of(m_workers.begin(), m_workers.end(), [&](BgWorker* w) { return w->getGroup() == group; }))
        startWorker();
}

} // namespace tessel
