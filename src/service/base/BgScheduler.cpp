#include "service/base/BgScheduler.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"
#include "pel/thread/Thread.h"
#include "service/base/TaskFailure.h"

#include <algorithm>

namespace tessel {

namespace {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

} // namespace

BgScheduler::BgScheduler(const char* name) : m_name(name ? name : "") {
    if (m_name.size() > NAME_LIMIT)
        m_name.resize(NAME_LIMIT);
}

BgScheduler::~BgScheduler() {
    try {
        {
            Lock lock(m_lock);
            m_size = 0; // a job put back by a stopping worker starts no other
            while (!m_workers.empty())
                stopWorker();
        }
        joinIdleEnded();
    } catch (...) {
        logCaughtException(L"BgScheduler::~BgScheduler()");
    }
    for (BgJob* job : m_deadJobs)
        delete job;
    for (BgJob* job : m_queue)
        job->scheduler = nullptr;
}

// ---- jobs

bool BgScheduler::isOurs(const BgJob* job) const { return job && job->scheduler == this && job->state != BgJob::DEAD; }

void BgScheduler::attachJob(BgJob* job) {
    PEL_CHECK_PTR(job);
    Lock lock(m_lock);
    if (job->scheduler == this || job->state == BgJob::DEAD)
        return;
    if (!PEL_SOFT_ASSERT(job->scheduler == nullptr))
        return;
    job->scheduler = this;
    job->state = BgJob::IDLE;
    job->flags.fetch_and(~BgJob::FLAG_CANCELLED, std::memory_order_acq_rel);
    insertJobByPriority(job, false);
}

void BgScheduler::enqueueJob(BgJob* job, bool resort) {
    bool wake = false;
    {
        Lock lock(m_lock);
        if (!isOurs(job))
            return;
        if (job->state == BgJob::IDLE) {
            job->state = BgJob::QUEUED;
            job->flags.fetch_and(~BgJob::FLAG_CANCELLED, std::memory_order_acq_rel);
            job->notices.push_back({BgJob::NOTICE_QUEUED, nullptr});
        }
        // A running job is in no queue: it goes back by priority when its worker lets it go.
        if (resort && !job->worker && !m_queue.empty() && m_queue.front() != job && removeFromQueue(job))
            insertJobByPriority(job, true);
        wake = claimWakeup();
    }
    releaseWakeup(wake);
}

bool BgScheduler::dequeueJob(BgJob* job) {
    Lock lock(m_lock);
    if (!isOurs(job) || job->state != BgJob::QUEUED)
        return false;
    job->state = BgJob::IDLE;
    job->notices.push_back({BgJob::NOTICE_UNQUEUED, nullptr});
    interruptJob(job);
    return true;
}

void BgScheduler::setJobPriority(BgJob* job, int32_t priority) {
    Lock lock(m_lock);
    if (isOurs(job))
        job->priority = priority;
}

bool BgScheduler::submitRecord(BgJob* job, void* record) {
    bool wake = false;
    {
        Lock lock(m_lock);
        if (!isOurs(job))
            return false;
        if (job->state == BgJob::QUEUED) {
            job->state = BgJob::IDLE;
            job->notices.push_back({BgJob::NOTICE_UNQUEUED, nullptr});
            job->notices.push_back({BgJob::NOTICE_RECORD, record});
            interruptJob(job);
        } else {
            job->notices.push_back({BgJob::NOTICE_RECORD, record});
        }
        if (!job->worker) {
            removeFromQueue(job);
            insertJobByPriority(job, true);
        }
        if (job->state == BgJob::IDLE) {
            job->state = BgJob::QUEUED;
            job->flags.fetch_and(~BgJob::FLAG_CANCELLED, std::memory_order_acq_rel);
        }
        wake = claimWakeup();
    }
    releaseWakeup(wake);
    return true;
}

void BgScheduler::discardRecords(BgJob* job) {
    Lock lock(m_lock);
    if (!isOurs(job))
        return;
    job->notices.push_front({BgJob::NOTICE_DISCARD, nullptr});
    interruptJob(job);
    handNotices(job, nullptr);
}

void BgScheduler::cancelJob(BgJob* job) {
    Lock lock(m_lock);
    if (!isOurs(job))
        return;
    job->flags.fetch_or(BgJob::FLAG_CANCELLED, std::memory_order_acq_rel);
    job->state = BgJob::IDLE;
    job->notices.push_front({BgJob::NOTICE_DISCARD, nullptr});
    interruptJob(job);
    removeFromQueue(job);
    handNotices(job, nullptr);
    // The worker has let the job go, unless the job cancels itself from its own step: then its
    // worker lets it go after the step, and the job stays alive until then.
    job->scheduler = nullptr;
    job->lastWorker = nullptr;
}

void BgScheduler::releaseJob(BgJob* job) {
    if (!job)
        return;
    cancelJob(job);
    Lock lock(m_lock);
    if (job->state == BgJob::DEAD || !PEL_SOFT_ASSERT(job->scheduler == nullptr))
        return;
    job->state = BgJob::DEAD;
    deleteOrBury(job);
}

// A dead job goes once nothing can reach it any more: no message in flight, no worker.
void BgScheduler::deleteOrBury(BgJob* job) {
    if (job->inFlight.load(std::memory_order_acquire) == 0 && !job->worker) {
        const auto it = std::find(m_deadJobs.begin(), m_deadJobs.end(), job);
        if (it != m_deadJobs.end())
            m_deadJobs.erase(it);
        delete job;
    } else if (std::find(m_deadJobs.begin(), m_deadJobs.end(), job) == m_deadJobs.end()) {
        m_deadJobs.push_back(job);
    }
}

// Smaller numbers run earlier and the next job is taken from the back, so priorities never
// increase from front to back; a job goes in front of its equals and runs after them, unless
// it has priority 0 and appendZero is set: then it runs next.
void BgScheduler::insertJobByPriority(BgJob* job, bool appendZero) {
    if (appendZero && job->priority == 0) {
        m_queue.push_back(job);
        return;
    }
    size_t place = m_queue.size();
    while (place > 0 && m_queue[place - 1]->priority <= job->priority)
        --place;
    m_queue.insert(m_queue.begin() + place, job);
}

bool BgScheduler::removeFromQueue(BgJob* job) {
    const auto it = std::find(m_queue.begin(), m_queue.end(), job);
    if (it == m_queue.end())
        return false;
    m_queue.erase(it);
    return true;
}

// Idle jobs keep their place; the queued job nearest the back runs next.
BgJob* BgScheduler::takeFromQueue() {
    for (size_t i = m_queue.size(); i > 0; --i) {
        BgJob* const job = m_queue[i - 1];
        if (job->state == BgJob::QUEUED) {
            m_queue.erase(m_queue.begin() + (i - 1));
            return job;
        }
    }
    return nullptr;
}

// A wake-up for a worker that waits for work; else, while the pool has room and queued jobs
// outnumber the wake-ups on their way, a new worker (which has its own wake-up); else one for
// the next worker to wait, while fewer are pending than there are workers. The release itself
// may come after the lock is left (releaseWakeup), so that the woken worker finds the lock free.
bool BgScheduler::claimWakeup() {
    const int32_t started = static_cast<int32_t>(m_workers.size());
    if (m_pendingWakeups >= 0 && started < m_size && static_cast<int32_t>(queuedJobs()) > m_pendingWakeups) {
        try {
            startWorker();
            return false;
        } catch (...) {
            // The job waits for a worker that comes later: one running now, or one that the
            // next job starts.
            logCaughtException(L"BgScheduler: starting a worker");
        }
    }
    if (m_pendingWakeups >= started)
        return false;
    ++m_pendingWakeups;
    return true;
}

void BgScheduler::releaseWakeup(bool claimed) {
    if (claimed)
        m_work.set();
}

void BgScheduler::wakeOne() { releaseWakeup(claimWakeup()); }

size_t BgScheduler::queuedJobs() const {
    return static_cast<size_t>(
        std::count_if(m_queue.begin(), m_queue.end(), [](const BgJob* job) { return job->state == BgJob::QUEUED; }));
}

// Waits, with the lock left, until the job's worker has ended its step and handled the job's
// new state. A step that interrupts its own job is not waited for: its worker looks at the
// job after the step anyway.
void BgScheduler::interruptJob(BgJob* job) {
    if (!job->worker || pel::Thread::current() == job->worker)
        return;
    Unlocked unlocked(m_lock);
    pel::ScopedLock<pel::Mutex_Impl> command(m_commandLock);
    // Another caller's command may have let the job go meanwhile. A worker that holds a job
    // is stopped only through a command, so it stays alive while the command lock is held.
    BgWorker* worker = nullptr;
    {
        Lock relock(m_lock);
        worker = job->worker;
    }
    if (worker)
        handshake(*worker, BgWorker::COMMAND_LOOK);
}

// ---- messages

bool BgScheduler::postJobMessage(BgWorker* worker, uint32_t type, UINT_PTR data) {
    PEL_CHECK_PTR(worker);
    PEL_ASSERT(type == MSG_JOB_DONE || type == MSG_CLIENT);
    BgJob* const job = worker->m_job;
    return job && postAbout(job, type, data);
}

bool BgScheduler::postAbout(BgJob* job, uint32_t type, UINT_PTR data) {
    job->inFlight.fetch_add(1, std::memory_order_acq_rel);
    pel::MessageData message;
    message.code = type;
    message.param1 = reinterpret_cast<UINT_PTR>(job);
    message.param2 = data;
    if (msgPostData(&message))
        return true;
    job->inFlight.fetch_sub(1, std::memory_order_acq_rel);
    pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE, L"BgScheduler: cannot post message %u of job %p\n",
                    static_cast<unsigned>(type), static_cast<void*>(job));
    return false;
}

void BgScheduler::msgOnMessage(pel::MessageData* data) {
    if (!data)
        return;
    if (data->code == MSG_WORKER_ENDED || data->code == MSG_WORKER_IDLE_ENDED)
        onWorkerEnded(reinterpret_cast<BgWorker*>(data->param1), data->param2, data->code == MSG_WORKER_IDLE_ENDED);
    else if (data->code == MSG_JOB_DONE || data->code == MSG_CLIENT)
        onJobMessage(data->code, reinterpret_cast<BgJob*>(data->param1), data->param2);
}

void BgScheduler::onJobMessage(uint32_t type, BgJob* job, UINT_PTR data) {
    bool dead = false;
    {
        Lock lock(m_lock);
        job->inFlight.fetch_sub(1, std::memory_order_acq_rel);
        dead = job->state == BgJob::DEAD;
    }
    try {
        if (dead) {
            if (type == MSG_CLIENT)
                job->client->onDeadJobMessage(this, job, data);
        } else if (type == MSG_JOB_DONE) {
            job->client->onJobDone(this, job);
        } else {
            job->client->onJobMessage(this, job, data);
        }
    } catch (...) {
        logCaughtException(L"BgScheduler::msgOnMessage()");
    }
    if (dead) {
        Lock lock(m_lock);
        deleteOrBury(job);
    }
}

} // namespace tessel
