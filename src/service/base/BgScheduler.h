#pragma once
// Runs many small, repeatable background jobs on a pool of BgWorker threads, in short slices
// ordered by priority (a smaller number runs first). A job is never run by two workers at once;
// results reach the UI thread only as messages through the message registry, where the
// scheduler, a MessageListener, hands them to the job's client.
//
// Workers start as work comes: a queued job that finds no worker waiting starts one, up to the
// pool's size; a worker that waits IDLE_END_MS without work ends. Each thread costs memory
// (about a megabyte under Wine), and most of the time one worker has work or none has.
//
// Jobs: a client's factory attaches each job (attachJob); enqueueJob or submitRecord queue
// it; dequeueJob makes it idle but leaves it attached and in the queue; releaseJob gives it up
// (cancels it, then deletes it at once, or marks it dead so that the UI-thread handler deletes
// it after the last message about it). A job is never deleted after dequeueJob alone.
//
// The job operations wait, while the job runs, for the end of its current step (a command
// handshake with its worker); they are meant for the UI thread. setWorkerCount is main-thread
// only. The scheduler is made on the main thread once the message registry runs.

#include "service/base/BgClient.h"
#include "service/base/BgJob.h"
#include "service/base/BgWorker.h"

#include "pel/legacy/MessageListener.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/Semaphore.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace tessel {

class BgScheduler : public pel::MessageListener {
public:
    // Slice lengths in milliseconds, for jobs of priority 0 and of any other priority.
    static constexpr uint32_t SLICE_MS = 100;
    static constexpr uint32_t SLICE_ZERO_MS = 300;
    static constexpr size_t NAME_LIMIT = 23;
    // How long a worker waits for work before it ends.
    static constexpr DWORD IDLE_END_MS = 30000;

    // Message codes to the UI thread (param1 the job or the worker, param2 the data).
    // MSG_WORKER_ENDED: a worker ended without being asked to; MSG_WORKER_IDLE_ENDED: one
    // ended after waiting IDLE_END_MS without work.
    enum MessageType : uint32_t { MSG_JOB_DONE = 0, MSG_CLIENT = 1, MSG_WORKER_ENDED = 2, MSG_WORKER_IDLE_ENDED = 3 };

    // The name (at most 23 characters kept) is also the name of the worker threads. No
    // workers until setWorkerCount.
    explicit BgScheduler(const char* name);
    // Ends every worker (and joins those that ended idle), deletes the jobs given up and still
    // waiting for their messages, and detaches the jobs still attached (their owners delete
    // them).
    ~BgScheduler();
    BgScheduler(const BgScheduler&) = delete;
    BgScheduler& operator=(const BgScheduler&) = delete;

    // The configured count when it is between 1 and the position of the highest set bit of
    // the affinity mask (counted from 1); otherwise 1 below 3, else one less, at most 4.
    static int getDefaultWorkerCount(int configured);
    static int getDefaultWorkerCount(int configured, DWORD_PTR affinityMask);

    // The pool's size. Main thread only (IllegalStateException "Not a main thread."). Workers
    // beyond the count stop now (a worker that stops while it runs a job puts the job back into
    // the queue first), queued jobs get workers up to it, and workers that ended idle are
    // joined.
    void setWorkerCount(int count);
    // The pool's size as set; getStartedWorkerCount: the workers whose threads run now.
    int getWorkerCount() const;
    int getStartedWorkerCount() const;
    // Below-normal priority for every worker, now and later.
    void setWorkersPriority();

    // Called by the client's factory: the job joins the queue idle. A null job is a
    // null-pointer violation; a job attached elsewhere is refused (soft assertion).
    void attachJob(BgJob* job);

    // Every operation below that takes a job ignores one that is null, attached elsewhere or
    // dead.
    void enqueueJob(BgJob* job, bool resort = false);
    // True when the job was queued (it is idle now, and was stopped after its current step).
    bool dequeueJob(BgJob* job);
    // The queue place changes at the job's next insertion (enqueueJob with resort).
    void setJobPriority(BgJob* job, int32_t priority);
    // Hands a record to the job (the client's takeRecord, on the worker or, when the job
    // runs, before this returns) and queues the job. False when the job was ignored: the
    // record stays the caller's.
    bool submitRecord(BgJob* job, void* record);
    // Every record not yet taken goes to the client's discardRecord, in order.
    void discardRecords(BgJob* job);
    // Stops the job after its current step, takes it out of the queue, discards its pending
    // records and detaches it; the owner keeps it.
    void cancelJob(BgJob* job);
    // Gives the job up: cancels it, then deletes it, or marks it dead while messages about it
    // are in flight (the handler deletes it after the last one).
    void releaseJob(BgJob* job);

    // Worker thread, from the client's runJob: posts (type, job, data) about the worker's
    // current job; type is MSG_JOB_DONE or MSG_CLIENT. False when nothing was posted.
    bool postJobMessage(BgWorker* worker, uint32_t type, UINT_PTR data);

    // With the lock held: places the job by priority (see BgScheduler.cpp).
    void insertJobByPriority(BgJob* job, bool appendZero);

    // The lock over the queue, the pool, the contexts and every field of the jobs.
    pel::Mutex_Impl& getLock() { return m_lock; }
    const std::string& getName() const { return m_name; }

    // The UI-thread handler of the scheduler's messages.
    void msgOnMessage(pel::MessageData* data) override;

    // Tests: the next worker to wait for work finds its wait failed.
    void injectWaitFailure() { m_failNextWait.store(true); }
    // Tests: how long a worker waits for work before it ends (IDLE_END_MS until set), and what
    // a worker whose wait ran out does before it decides whether to end (on its own thread,
    // without the lock; set while no worker runs).
    void setIdleEnd(DWORD milliseconds) { m_idleEndMs.store(milliseconds); }
    void setIdleEndHook(std::function<void()> hook) { m_idleEndHook = std::move(hook); }

private:
    friend class BgWorker;

    // Leaves the lock for its scope.
    class Unlocked {
    public:
        explicit Unlocked(pel::Mutex_Impl& lock) : m_lock(lock) { m_lock.unlock(); }
        ~Unlocked() { m_lock.lock(); }
        Unlocked(const Unlocked&) = delete;
        Unlocked& operator=(const Unlocked&) = delete;

    private:
        pel::Mutex_Impl& m_lock;
    };

    // Job side, with the lock held.
    bool isOurs(const BgJob* job) const;
    bool removeFromQueue(BgJob* job);
    BgJob* takeFromQueue();
    void handNotices(BgJob* job, BgWorker* worker);
    void interruptJob(BgJob* job);
    void deleteOrBury(BgJob* job);
    bool postAbout(BgJob* job, uint32_t type, UINT_PTR data);
    bool claimWakeup();
    void releaseWakeup(bool claimed);
    void wakeOne();
    size_t queuedJobs() const;

    // Worker side (BgSchedulerSlices.cpp).
    void takeNextJob(BgWorker& worker);
    bool settleHeldJob(BgWorker& worker, bool mayKeep);
    void startJob(BgJob* job, BgWorker& worker);
    void suspendJob(BgJob* job, BgWorker& worker);
    void dropJob(BgJob* job, BgWorker& worker);
    void* contextFor(BgWorker& worker, BgClient* client);
    void beforeIdleWait();
    void leftIdleWait();
    bool endIdle(BgWorker& worker);
    DWORD idleEndMs() const { return m_idleEndMs.load(); }
    void acknowledge(BgWorker& worker);
    void workerLeaving(BgWorker& worker);
    void postWorkerEnded(BgWorker& worker, uint32_t type);
    bool takeInjectedWaitFailure() { return m_failNextWait.exchange(false); }

    // Pool (BgSchedulerPool.cpp), with the lock held.
    void startWorker();
    void stopWorker();
    void handshake(BgWorker& worker, int command); // with the command lock, not the lock
    // Main thread, without the lock.
    void onWorkerEnded(BgWorker* worker, UINT_PTR id, bool idle);
    void joinIdleEnded();
    void onJobMessage(uint32_t type, BgJob* job, UINT_PTR data);

    mutable pel::Mutex_Impl m_lock;
    // One command handshake at a time; taken without the lock held. A critical section, not
    // a semaphore: uncontended, it costs the UI thread no system call.
    pel::Mutex_Impl m_commandLock;
    // Each idle worker lowers the count of pending wake-ups before it waits, so up to twice
    // the pool's size can be released at once: the maximum leaves room for any pool. Below
    // zero, it counts the workers waiting that no wake-up is meant for.
    pel::Semaphore m_work{0, 0x7FFFFFFF};
    int32_t m_pendingWakeups = 0;
    pel::Semaphore m_ack{0, 1};
    int m_threadPriority = 0;
    int m_size = 0;                    // as set
    std::vector<BgWorker*> m_workers;  // started and not stopped
    std::vector<BgWorker*> m_idleEnded; // ended idle, to be joined
    std::atomic<DWORD> m_idleEndMs{IDLE_END_MS};
    std::function<void()> m_idleEndHook;
    std::string m_name;
    std::vector<BgJob*> m_queue;
    std::map<std::pair<BgWorker*, BgClient*>, void*> m_contexts;
    std::vector<BgJob*> m_deadJobs; // given up, waiting for their last message
    std::atomic<bool> m_failNextWait{false};
};

} // namespace tessel
