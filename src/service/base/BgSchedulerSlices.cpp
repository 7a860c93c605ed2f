// The worker side of the scheduler: what a worker does between two steps, under the lock.

#include "service/base/BgScheduler.h"

#include "service/base/TaskFailure.h"

#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

namespace {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

// Tick counts compared by their signed difference: the wrap of GetTickCount after 49.7 days
// changes nothing.
bool isBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

uint32_t sliceLength(const BgJob* job) {
    return job->priority != 0 ? BgScheduler::SLICE_MS : BgScheduler::SLICE_ZERO_MS;
}

} // namespace

void BgScheduler::takeNextJob(BgWorker& worker) {
    Lock lock(m_lock);
    if (worker.m_job) {
        if (settleHeldJob(worker, true))
            return;
    } else {
        // A worker back from waiting starts its job's slice now, not at its last step.
        worker.m_sliceStart = ::GetTickCount();
    }
    if (BgJob* job = takeFromQueue())
        startJob(job, worker);
}

// After a step (or when the worker stops, mayKeep false): hands the job's notices over, then
// keeps the job (true) or lets it go.
bool BgScheduler::settleHeldJob(BgWorker& worker, bool mayKeep) {
    BgJob* const job = worker.m_job;
    handNotices(job, &worker);
    if (job->state == BgJob::DEAD || job->scheduler != this) {
        dropJob(job, worker);
    } else if (job->state == BgJob::IDLE) {
        suspendJob(job, worker);
    } else if (job->isDone()) {
        job->flags.fetch_and(~BgJob::FLAG_DONE, std::memory_order_acq_rel);
        job->state = BgJob::IDLE;
        suspendJob(job, worker);
        postAbout(job, MSG_JOB_DONE, 0);
    } else if (!mayKeep) {
        suspendJob(job, worker); // still queued: another worker takes it up
        wakeOne();
    } else if (m_queue.empty()) {
        return true;
    } else {
        bool yield = false;
        try {
            yield = job->client->shouldYield(&worker, job);
        } catch (...) {
            logCaughtException(L"BgWorker: shouldYield");
        }
        if (!yield && !isBefore(job->deadline, worker.m_sliceStart))
            return true;
        suspendJob(job, worker);
    }
    return false;
}

void BgScheduler::startJob(BgJob* job, BgWorker& worker) {
    job->worker = &worker;
    worker.m_job = job;
    job->deadline = worker.m_sliceStart + job->carry + sliceLength(job);
    job->carry = 0;
    if (worker.m_client != job->client) {
        worker.m_client = job->client;
        worker.m_context = contextFor(worker, job->client);
    }
    try {
        job->client->onJobStarted(&worker, job);
    } catch (...) {
        logCaughtException(L"BgWorker: onJobStarted");
    }
    handNotices(job, &worker);
}

void BgScheduler::suspendJob(BgJob* job, BgWorker& worker) {
    // What is left of the slice carries over, at most one slice, so that a job that often
    // finishes early does not build up an ever longer slice.
    job->carry = isBefore(job->deadline, worker.m_sliceStart)
                     ? 0
                     : std::min(job->deadline - worker.m_sliceStart, sliceLength(job));
    try {
        job->client->onJobSuspended(&worker, job);
    } catch (...) {
        logCaughtException(L"BgWorker: onJobSuspended");
    }
    job->lastWorker = &worker;
    job->worker = nullptr;
    worker.m_job = nullptr;
    insertJobByPriority(job, false);
}

// A dead job is never queued again: the handler deletes it after its last message, the
// "done" posted here. A job detached meanwhile (cancelled from its own step) is only let go.
void BgScheduler::dropJob(BgJob* job, BgWorker& worker) {
    try {
        job->client->onJobSuspended(&worker, job);
    } catch (...) {
        logCaughtException(L"BgWorker: onJobSuspended");
    }
    job->worker = nullptr;
    worker.m_job = nullptr;
    if (job->state != BgJob::DEAD)
        return;
    job->lastWorker = &worker;
    if (std::find(m_deadJobs.begin(), m_deadJobs.end(), job) == m_deadJobs.end())
        m_deadJobs.push_back(job);
    postAbout(job, MSG_JOB_DONE, 0);
}

void* BgScheduler::contextFor(BgWorker& worker, BgClient* client) {
    const auto key = std::make_pair(&worker, client);
    const auto found = m_contexts.find(key);
    if (found != m_contexts.end())
        return found->second;
    void* context = nullptr;
    try {
        context = client->createWorkerContext(&worker);
    } catch (...) {
        logCaughtException(L"BgWorker: createWorkerContext");
    }
    m_contexts[key] = context;
    return context;
}

void BgScheduler::handNotices(BgJob* job, BgWorker* worker) {
    bool discarding = false;
    while (!job->notices.empty()) {
        const BgJob::Notice notice = job->notices.front();
        job->notices.pop_front();
        try {
            switch (notice.kind) {
            case BgJob::NOTICE_RECORD:
                if (discarding)
                    job->client->discardRecord(this, job, notice.record);
                else
                    job->client->takeRecord(this, job, notice.record);
                break;
            case BgJob::NOTICE_DISCARD:
                discarding = true;
                break;
            case BgJob::NOTICE_UNQUEUED:
                job->client->onUnqueued(worker, job);
                break;
            case BgJob::NOTICE_QUEUED:
                job->client->onQueued(worker, job);
                break;
            }
        } catch (...) {
            logCaughtException(L"BgScheduler: a notice of the client");
        }
    }
}

void BgScheduler::beforeIdleWait() {
    Lock lock(m_lock);
    --m_pendingWakeups;
}

// A worker whose wait failed takes back what it said before it: no wake-up reached it.
void BgScheduler::leftIdleWait() {
    Lock lock(m_lock);
    ++m_pendingWakeups;
}

// The worker's wait for work ran out. It ends only while more workers wait than wake-ups were
// claimed for them: a wake-up claimed (under the lock) and perhaps not yet released may be
// meant for this one, and the workers left must be enough to take every claimed wake-up. Once
// it is out of the pool, work that comes starts a new worker.
bool BgScheduler::endIdle(BgWorker& worker) {
    if (m_idleEndHook)
        m_idleEndHook();
    Lock lock(m_lock);
    if (m_pendingWakeups >= 0 || worker.isStopRequested())
        return false;
    const auto it = std::find(m_workers.begin(), m_workers.end(), &worker);
    if (it == m_workers.end())
        return false;
    ++m_pendingWakeups;
    m_workers.erase(it);
    m_idleEnded.push_back(&worker);
    return true;
}

void BgScheduler::acknowledge(BgWorker& worker) {
    worker.m_command.store(BgWorker::COMMAND_NONE, std::memory_order_release);
    worker.m_ackPending = false;
    m_ack.set();
}

void BgScheduler::workerLeaving(BgWorker& worker) {
    {
        Lock lock(m_lock);
        if (worker.m_job)
            settleHeldJob(worker, false);
        for (auto it = m_contexts.begin(); it != m_contexts.end();) {
            if (it->first.first != &worker) {
                ++it;
                continue;
            }
            try {
                it->first.second->destroyWorkerContext(&worker, it->second);
            } catch (...) {
                logCaughtException(L"BgWorker: destroyWorkerContext");
            }
            it = m_contexts.erase(it);
        }
        worker.m_client = nullptr;
        worker.m_context = nullptr;
    }
    if (worker.m_ackPending)
        acknowledge(worker);
}

void BgScheduler::postWorkerEnded(BgWorker& worker, uint32_t type) {
    pel::MessageData data;
    data.code = type;
    data.param1 = reinterpret_cast<UINT_PTR>(&worker);
    data.param2 = worker.id();
    if (!msgPostData(&data))
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"BgScheduler: cannot report the end of worker thread %p\n", static_cast<void*>(&worker));
}

} // namespace tessel
