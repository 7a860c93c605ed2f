// Steps per second of the background scheduler: 64 jobs of 2 000 steps, each step one unit of
// work (the CRC-32 of 1 KiB), on 1 and on 4 workers, beside the same units submitted one by
// one to the Win32 thread pool (TrySubmitThreadpoolCallback). A step that keeps its worker
// should cost no system call.

#include "BgBench.h"
#include "pel/base/Crc.h"
#include "service/base/BgScheduler.h"

#include <atomic>
#include <memory>
#include <vector>

namespace {

constexpr int kJobs = 64;
constexpr int kSteps = 2000;
constexpr int kUnits = kJobs * kSteps;

unsigned char s_block[1024];
std::atomic<uint32_t> s_sink{0};

void unitOfWork() { s_sink.fetch_add(pel::crc32(s_block, sizeof(s_block)), std::memory_order_relaxed); }

class CountingJob : public tessel::BgJob {
public:
    using tessel::BgJob::BgJob;
    int stepsLeft = kSteps;
};

class CountingClient : public tessel::BgClient {
public:
    void* createWorkerContext(tessel::BgWorker*) override { return nullptr; }
    void destroyWorkerContext(tessel::BgWorker*, void*) override {}
    void runJob(tessel::BgWorker*, tessel::BgJob* job) override {
        unitOfWork();
        if (--static_cast<CountingJob*>(job)->stepsLeft == 0)
            job->markDone();
    }
    void onQueued(tessel::BgWorker*, tessel::BgJob*) override {}
    void onJobDone(tessel::BgScheduler*, tessel::BgJob*) override { ++done; }
    void onJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR) override {}
    void onDeadJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR) override {}
    void takeRecord(tessel::BgScheduler*, tessel::BgJob*, void*) override {}
    int done = 0;
};

// Seconds for all 64 jobs on a pool of the given size, from the first enqueueJob to the last
// onJobDone.
double schedulerRun(int workers) {
    tessel::BgScheduler scheduler("parser");
    scheduler.setWorkerCount(workers);
    CountingClient client;
    std::vector<std::unique_ptr<CountingJob>> jobs;
    for (int i = 0; i < kJobs; ++i) {
        jobs.emplace_back(new CountingJob(&client));
        scheduler.attachJob(jobs.back().get());
    }
    const double start = bench::seconds();
    for (auto& job : jobs)
        scheduler.enqueueJob(job.get());
    bgbench::pumpUntil([&] { return client.done == kJobs; });
    const double elapsed = bench::seconds() - start;
    for (auto& job : jobs)
        scheduler.cancelJob(job.get());
    return elapsed;
}

std::atomic<int> s_poolLeft{0};
HANDLE s_poolDone = nullptr;

void CALLBACK poolUnit(PTP_CALLBACK_INSTANCE, void*) {
    unitOfWork();
    if (s_poolLeft.fetch_sub(1) == 1)
        ::SetEvent(s_poolDone);
}

double threadPoolRun() {
    s_poolLeft = kUnits;
    const double start = bench::seconds();
    for (int i = 0; i < kUnits; ++i)
        while (!::TrySubmitThreadpoolCallback(&poolUnit, nullptr, nullptr))
            ::Sleep(0);
    ::WaitForSingleObject(s_poolDone, INFINITE);
    return bench::seconds() - start;
}

} // namespace

int main() {
    bgbench::MainThread main;
    for (unsigned i = 0; i < sizeof(s_block); ++i)
        s_block[i] = static_cast<unsigned char>(i * 7);
    s_poolDone = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);

    // Alternating runs, the best of each, so that a busy moment of the machine favours none.
    double one = 1e30, four = 1e30, pool = 1e30;
    for (int run = 0; run < 3; ++run) {
        one = std::min(one, schedulerRun(1));
        four = std::min(four, schedulerRun(4));
        pool = std::min(pool, threadPoolRun());
    }
    const double poolRate = kUnits / pool;
    bench::figure("threadpool_units", poolRate, "units/s");
    bench::figureBeside("bg_steps_1_worker", kUnits / one, "steps/s", "threadpool", poolRate);
    bench::figureBeside("bg_steps_4_workers", kUnits / four, "steps/s", "threadpool", poolRate);
    ::CloseHandle(s_poolDone);
    return 0;
}
