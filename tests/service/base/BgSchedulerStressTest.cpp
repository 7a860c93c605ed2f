#include "service/base/BgScheduler.h"

#include "pel/base/Crc.h"
#include "service/base/BgTestSupport.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::BgSchedulerTest;
using tessel_test::BgTestJob;
using tessel_test::pumpUntil;

// Many jobs of fixed work on four workers while the UI thread keeps changing priorities,
// dequeuing and queueing jobs again: no job ever runs on two workers at once (the fixture
// checks), and each job's completion is reported exactly once.
TEST_F(BgSchedulerTest, StressOfPrioritiesDequeuesAndRequeues) {
    constexpr int kJobs = 200;
    constexpr int kSteps = 5000;
    constexpr int kOperations = 100000; // at most; the operations stop once every job is done
    scheduler->setWorkerCount(4);
    std::vector<BgTestJob*> all;
    for (int i = 0; i < kJobs; ++i) {
        all.push_back(job("job" + std::to_string(i), kSteps, i % 4));
        all.back()->step = [](BgWorker*, BgTestJob* self) {
            unsigned char block[1024];
            for (unsigned i = 0; i < sizeof(block); ++i)
                block[i] = static_cast<unsigned char>(i * self->stepsLeft);
            volatile uint32_t sink = pel::crc32(block, sizeof(block));
            (void)sink;
            if (--self->stepsLeft <= 0)
                self->markDone();
        };
        scheduler->enqueueJob(all.back());
    }

    std::mt19937 random(25);
    std::vector<BgTestJob*> taken; // dequeued while queued: only these are queued again
    const auto allReported = [&] {
        return std::all_of(all.begin(), all.end(), [](BgTestJob* j) { return j->doneCount > 0; });
    };
    for (int op = 0; op < kOperations && !allReported(); ++op) {
        BgTestJob* const some = all[random() % kJobs];
        switch (random() % 4) {
        case 0:
            scheduler->setJobPriority(some, static_cast<int32_t>(random() % 5));
            break;
        case 1:
            if (scheduler->dequeueJob(some))
                taken.push_back(some);
            break;
        default:
            if (!taken.empty()) {
                scheduler->enqueueJob(taken.back(), true);
                taken.pop_back();
            }
        }
        if (op % 64 == 0)
            tessel_test::dispatchPending();
    }
    for (BgTestJob* back : taken)
        scheduler->enqueueJob(back);
    ASSERT_TRUE(pumpUntil(allReported));
    tessel_test::dispatchPending();
    for (BgTestJob* each : all) {
        EXPECT_EQ(1, each->doneCount) << each->name;
        EXPECT_LE(each->stepsLeft.load(), 0) << each->name;
    }
}
