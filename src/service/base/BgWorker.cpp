#include "service/base/BgWorker.h"

#include "service/base/BgClient.h"
#include "service/base/BgJob.h"
#include "service/base/BgScheduler.h"
#include "service/base/TaskFailure.h"

namespace tessel {

BgWorker::BgWorker(BgScheduler* scheduler, int group, const std::wstring& name)
    : pel::LegacyThread(name), m_group(group), m_scheduler(scheduler) {}

BgWorker::~BgWorker() {
    requestStop();
    try {
        join();
    } catch (...) {
        logCaughtException(L"BgWorker::~BgWorker()");
    }
}

void BgWorker::wake(int command) {
    m_command.store(command, std::memory_order_release);
    if (!m_wakeupPosted.exchange(true, std::memory_order_acq_rel))
        m_wakeup.set();
}

bool BgWorker::pollWakeup() {
    if (!m_wakeupPosted.load(std::memory_order_acquire))
        return false;
    // The release follows the flag at once; taking it keeps the semaphore's count at 0.
    m_wakeup.wait(-1);
    m_wakeupPosted.store(false, std::memory_order_release);
    m_ackPending = true;
    return true;
}

BgWorker::Wake BgWorker::waitForWork() {
    if (m_job)
        return pollWakeup() ? WAKE_OWN : WAKE_NOTHING;
    m_scheduler->beforeIdleWait();
    const HANDLE handles[2] = {m_wakeup.handle(), m_scheduler->m_work.handle()};
    int index = -1;
    int result = pel::Semaphore::TimedOut;
    while (result == pel::Semaphore::TimedOut) {
        result = pel::Semaphore::waitAny(handles, 2, &index, static_cast<long>(m_scheduler->idleEndMs()));
        // Unless a wake-up is on its way to this worker: then it waits on for it.
        if (result == pel::Semaphore::TimedOut && m_scheduler->endIdle(*this))
            return WAKE_IDLE_END;
    }
    if (index == 0) {
        m_wakeupPosted.store(false, std::memory_order_release);
        m_ackPending = true;
    }
    if (result != pel::Semaphore::Signalled) {
        m_scheduler->leftIdleWait();
        return WAKE_STOP;
    }
    return m_scheduler->takeInjectedWaitFailure() ? WAKE_STOP : index == 0 ? WAKE_OWN : WAKE_WORK;
}

void BgWorker::runStep() {
    m_job->flags.fetch_and(~BgJob::FLAG_DONE, std::memory_order_acq_rel);
    m_sliceStart = ::GetTickCount();
    try {
        m_client->runJob(this, m_job);
    } catch (...) {
        // The job counts as done: the worker goes on with the next one.
        logCaughtException(L"BgWorker: runJob");
        m_job->markDone();
    }
}

int BgWorker::run(void*) {
    m_ackPending = false;
    Wake wake = waitForWork();
    for (;; wake = waitForWork()) {
        if (wake == WAKE_STOP || wake == WAKE_IDLE_END ||
            (wake == WAKE_OWN && m_command.load(std::memory_order_acquire) == COMMAND_STOP))
            break;
        m_scheduler->takeNextJob(*this);
        if (m_ackPending)
            m_scheduler->acknowledge(*this);
        if (m_job)
            runStep();
        m_ackPending = false;
    }
    m_scheduler->workerLeaving(*this);
    // The last thing this thread does with the scheduler: the handler may delete this object
    // once it has joined the thread.
    if (wake == WAKE_IDLE_END)
        m_scheduler->postWorkerEnded(*this, BgScheduler::MSG_WORKER_IDLE_ENDED);
    else if (!isStopRequested())
        m_scheduler->postWorkerEnded(*this, BgScheduler::MSG_WORKER_ENDED);
    return 0;
}

} // namespace tessel
