#pragma once
// One thread of a BgScheduler's pool. It takes a job from the scheduler, runs its client's
// steps while it keeps the job (a step that keeps its worker makes no system call), answers the
// scheduler's commands between steps, and ends once it has waited too long for work.

#include "pel/thread/LegacyThread.h"
#include "pel/thread/Semaphore.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tessel {

class BgClient;
class BgJob;
class BgScheduler;

class BgWorker : public pel::LegacyThread {
public:
    BgWorker(BgScheduler* scheduler, int group, const std::wstring& name);
    // The scheduler joins a worker before it deletes it.
    ~BgWorker() override;

    // What clients read on the worker's own thread: GetTickCount taken before the current
    // step (or when the worker last took a job), the job it runs and the context of that
    // job's client for this worker.
    uint32_t getSliceStart() const { return m_sliceStart; }
    BgJob* getJob() const { return m_job; }
    void* getContext() const { return m_context; }
    BgScheduler* getScheduler() const { return m_scheduler; }
    int getGroup() const { return m_group; }

protected:
    int run(void* arg) override;

private:
    friend class BgScheduler;

    enum Command : int { COMMAND_NONE = 0, COMMAND_LOOK = 1, COMMAND_STOP = 2 };
    enum Wake { WAKE_NOTHING, WAKE_OWN, WAKE_WORK, WAKE_STOP, WAKE_IDLE_END };

    // Scheduler side: sets the command and releases the wake-up (once until it is taken).
    void wake(int command);
    Wake waitForWork();
    bool pollWakeup();
    void runStep();

    const int m_group;
    std::atomic<int> m_command{COMMAND_NONE};
    pel::Semaphore m_wakeup{0, 1};
    // Set before m_wakeup is released, so that a worker between steps tests a flag rather
    // than the semaphore.
    std::atomic<bool> m_wakeupPosted{false};
    bool m_ackPending = false;
    BgJob* m_job = nullptr; // written by the worker under the scheduler's lock
    BgScheduler* const m_scheduler;
    BgClient* m_client = nullptr; // client of the current job
    void* m_context = nullptr;    // that client's context for this worker
    uint32_t m_sliceStart = 0;
};

} // namespace tessel
