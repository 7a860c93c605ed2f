#pragma once
// The side of a background job that does the real work: the BgScheduler calls these slots, in
// this order, on the threads noted. Worker-side slots other than runJob run under the
// scheduler's lock; runJob runs outside it. The notice hand-overs of discardRecords and
// cancelJob run on the caller's thread (the worker is then null).

#include <cstdint>
#include <windows.h>

namespace tessel {

class BgJob;
class BgScheduler;
class BgWorker;

class BgClient {
public:
    virtual ~BgClient() = default;

    // 0, 1: the client's context for one worker, made the first time the worker runs a job of
    // this client and destroyed when the worker ends (on the worker's thread).
    virtual void* createWorkerContext(BgWorker* worker) = 0;
    virtual void destroyWorkerContext(BgWorker* worker, void* context) = 0;
    // 2: one step of work, on a worker thread; sets the job's done flag (BgJob::markDone) when
    // the job's work is complete. An exception counts as done (and is logged).
    virtual void runJob(BgWorker* worker, BgJob* job) = 0;
    // 3, 4: the job was handed to a worker / left it.
    virtual void onJobStarted(BgWorker* worker, BgJob* job) {}
    virtual void onJobSuspended(BgWorker* worker, BgJob* job) {}
    // 5: asked after a step when other jobs wait; true gives the worker to them.
    virtual bool shouldYield(BgWorker* worker, BgJob* job) { return false; }
    // 6, 7: notices "unqueued" and "queued" (the latter only from BgScheduler::enqueueJob).
    virtual void onUnqueued(BgWorker* worker, BgJob* job) {}
    virtual void onQueued(BgWorker* worker, BgJob* job) = 0;
    // 8, 9, 10: UI thread. A job's work completed; a message posted by BgScheduler::postJobMessage
    // for a live job; the same for a job given up meanwhile (the data is the client's to free).
    virtual void onJobDone(BgScheduler* scheduler, BgJob* job) {}
    virtual void onJobMessage(BgScheduler* scheduler, BgJob* job, UINT_PTR data) = 0;
    virtual void onDeadJobMessage(BgScheduler* scheduler, BgJob* job, UINT_PTR data) = 0;
    // 11, 12: a record given to BgScheduler::submitRecord is taken into the job, or discarded
    // (BgScheduler::discardRecords, BgScheduler::cancelJob).
    virtual void takeRecord(BgScheduler* scheduler, BgJob* job, void* record) = 0;
    virtual void discardRecord(BgScheduler* scheduler, BgJob* job, void* record) {}
};

} // namespace tessel
