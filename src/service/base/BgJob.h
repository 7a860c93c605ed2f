#pragma once
// One repeatable background job of a BgClient, run by a BgScheduler in short slices. Every
// field is guarded by the scheduler's lock (BgScheduler::getLock), except flags, which the
// client's runJob sets outside it, and inFlight, which is interlocked.
//
// A job is given up with BgScheduler::releaseJob, never by deleting it while attached:
// dequeueJob leaves the job attached and in the queue, so a job is never deleted after
// dequeueJob alone.

#include <atomic>
#include <cstdint>
#include <deque>

namespace tessel {

class BgClient;
class BgScheduler;
class BgWorker;

class BgJob {
public:
    enum State : int32_t { IDLE = 0, QUEUED = 1, DEAD = 2 };
    static constexpr uint32_t FLAG_DONE = 1;
    static constexpr uint32_t FLAG_CANCELLED = 2;
    static constexpr int32_t DEFAULT_PRIORITY = 2;

    // What waits for the client, handed over on a worker (or the caller's) thread.
    enum NoticeKind : uint32_t { NOTICE_RECORD = 0, NOTICE_DISCARD = 1, NOTICE_UNQUEUED = 2, NOTICE_QUEUED = 3 };
    struct Notice {
        NoticeKind kind;
        void* record; // NOTICE_RECORD only
    };

    explicit BgJob(BgClient* i_client) : client(i_client) {}
    virtual ~BgJob() = default;
    BgJob(const BgJob&) = delete;
    BgJob& operator=(const BgJob&) = delete;

    // For the client's runJob: the job's work is complete.
    void markDone() { flags.fetch_or(FLAG_DONE, std::memory_order_acq_rel); }
    bool isDone() const { return (flags.load(std::memory_order_acquire) & FLAG_DONE) != 0; }

    int32_t state = IDLE;
    int32_t priority = DEFAULT_PRIORITY; // smaller runs first; 0 has slices of its own length
    std::atomic<uint32_t> flags{0};
    BgWorker* worker = nullptr;     // running it now
    BgWorker* lastWorker = nullptr; // ran it last
    BgScheduler* scheduler = nullptr;
    uint32_t deadline = 0; // GetTickCount at which the current slice ends
    uint32_t carry = 0;    // milliseconds left over from the previous slice
    std::deque<Notice> notices;
    std::atomic<int32_t> inFlight{0}; // messages about the job posted and not yet handled
    BgClient* const client;
};

} // namespace tessel
