// The scheduler's pool of workers: their count, starting and stopping them, the command
// handshake, and joining workers that ended on their own.

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
    {
        Lock lock(m_lock);
        m_size = std::max(count, 0);
        while (static_cast<int>(m_workers.size()) > m_size)
            stopWorker();
        for (size_t queued = queuedJobs(); queued > 0; --queued)
            wakeOne();
    }
    joinIdleEnded();
}

int BgScheduler::getWorkerCount() const {
    Lock lock(m_lock);
    return m_size;
}

int BgScheduler::getStartedWorkerCount() const {
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
    // Its own wake-up: it looks at the queue as soon as it runs.
    ++m_pendingWakeups;
    m_work.set();
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

// A worker that ended idle waits in m_idleEnded to be joined; one that ended without being
// asked to is still in the pool, and its queued jobs may need a new one.
void BgScheduler::onWorkerEnded(BgWorker* worker, UINT_PTR id, bool idle) {
    if (!idle)
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                        L"BgScheduler: The worker thread %p finished without a reason\n", static_cast<void*>(worker));
    {
        Lock lock(m_lock);
        // A worker stopped or joined meanwhile is gone already, and its address may have been
        // reused.
        std::vector<BgWorker*>& list = idle ? m_idleEnded : m_workers;
        const auto it = std::find(list.begin(), list.end(), worker);
        if (it == list.end() || worker->id() != id)
            return;
        list.erase(it);
    }
    try {
        worker->join();
    } catch (...) {
        logCaughtException(L"BgScheduler::msgOnMessage()");
    }
    delete worker;
    if (idle)
        return;
    Lock lock(m_lock);
    for (size_t queued = queuedJobs(); queued > 0; --queued)
        wakeOne();
}

// Without the lock: a worker that ended idle may still be leaving, which takes the lock.
void BgScheduler::joinIdleEnded() {
    std::vector<BgWorker*> ended;
    {
        Lock lock(m_lock);
        ended.swap(m_idleEnded);
    }
    for (BgWorker* worker : ended) {
        try {
            worker->join();
        } catch (...) {
            logCaughtException(L"BgScheduler: joining a worker");
        }
        delete worker;
    }
}

} // namespace tessel
