#include "service/base/BgScheduler.h"

#include "pel/base/Exception.h"
#include "service/base/BgTestSupport.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::BgSchedulerTest;
using tessel_test::BgTestClient;
using tessel_test::BgTestJob;
using tessel_test::logged;
using tessel_test::pumpUntil;

namespace {

// A job whose steps never end its work until told: it stays with its worker.
void endless(BgTestJob* job, std::atomic<bool>* finish) {
    job->step = [finish](BgWorker*, BgTestJob* self) {
        if (finish->load())
            self->markDone();
    };
}

} // namespace

TEST_F(BgSchedulerTest, JobsRunBySmallerPriorityFirstAndEqualsInTheOrderTheyCame) {
    struct Spec {
        const char* name;
        int32_t priority;
        int steps;
        int yields = 0;
        bool submitted = false; // queued by submitRecord (priority 0 goes next) rather than enqueueJob
    };
    struct Case {
        const char* title;
        std::vector<Spec> jobs; // attached in this order, then queued in this order
        std::vector<std::string> runs;
    };
    const std::vector<Case> cases = {
        {"[9, 7, 5, 3] and a 6", {{"9", 9, 1}, {"7", 7, 1}, {"5", 5, 1}, {"3", 3, 1}, {"6", 6, 1}}, {"3", "5", "6", "7", "9"}},
        {"equal priorities", {{"a", 3, 1}, {"b", 3, 1}}, {"a", "b"}},
        {"back from its slice behind its equals", {{"a", 3, 2, 1}, {"b", 3, 1}}, {"a", "b", "a"}},
        {"back from its slice before greater ones", {{"c", 2, 2, 1}, {"a", 3, 1}, {"b", 3, 1}}, {"c", "c", "a", "b"}},
        {"priority 0 submitted runs next", {{"y", 0, 1}, {"a", 5, 1}, {"z", 0, 1, 0, true}}, {"z", "y", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TearDown();
        SetUp();
        client.note("start");
        std::vector<BgTestJob*> made;
        for (const Spec& spec : c.jobs) {
            made.push_back(job(spec.name, spec.steps, spec.priority));
            made.back()->yields = spec.yields;
        }
        for (size_t i = 0; i < made.size(); ++i)
            if (c.jobs[i].submitted)
                scheduler->submitRecord(made[i], &r1);
            else
                scheduler->enqueueJob(made[i]);
        scheduler->setWorkerCount(1);
        ASSERT_TRUE(pumpUntil([&] { return allDone(made); }));
        std::vector<std::string> runs;
        const auto events = client.events();
        for (auto it = std::find(events.rbegin(), events.rend(), "start").base(); it != events.end(); ++it)
            if (it->compare(0, 4, "run ") == 0)
                runs.push_back(it->substr(4));
        EXPECT_EQ(c.runs, runs);
    }
}

TEST_F(BgSchedulerTest, DefaultWorkerCountFollowsTheHighestProcessorOfTheMask) {
    struct Case {
        DWORD_PTR mask;
        int forZero, forSix, forNine;
    };
    const Case cases[] = {
        {0, 1, 1, 1},      {0b1, 1, 1, 1},    {0b11, 1, 1, 1},   {0b111, 2, 2, 2},
        {0b1111, 3, 3, 3}, {0b1010, 3, 3, 3}, {0xFF, 4, 6, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.mask);
        EXPECT_EQ(c.forZero, BgScheduler::getDefaultWorkerCount(0, c.mask));
        EXPECT_EQ(c.forSix, BgScheduler::getDefaultWorkerCount(6, c.mask));
        EXPECT_EQ(c.forNine, BgScheduler::getDefaultWorkerCount(9, c.mask));
    }
    EXPECT_GE(BgScheduler::getDefaultWorkerCount(0), 1);
}

TEST_F(BgSchedulerTest, ClientSlotsOfAJobRunInOrderAndMessagesArriveOnTheUiThread) {
    scheduler->setWorkerCount(1);
    BgTestJob* one = job("one");
    one->step = [this](BgWorker* worker, BgTestJob* self) {
        EXPECT_EQ(self, worker->getJob());
        EXPECT_NE(nullptr, worker->getContext());
        EXPECT_TRUE(scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 42));
        self->markDone();
    };
    scheduler->enqueueJob(one);
    ASSERT_TRUE(pumpUntil([&] { return one->doneCount == 1; }));
    // The worker's calls in order; the UI thread's message may come before its "suspended".
    std::vector<std::string> events = client.events();
    const auto message = std::find(events.begin(), events.end(), "message one 42");
    ASSERT_NE(events.end(), message);
    events.erase(message);
    EXPECT_EQ((std::vector<std::string>{"context+", "started one", "queued one", "run one", "suspended one", "done one"}),
              events);
    EXPECT_EQ(0, one->inFlight.load());
    EXPECT_EQ(BgJob::IDLE, locked([&] { return one->state; }));

    // A second run on the same worker keeps its context.
    scheduler->enqueueJob(one);
    ASSERT_TRUE(pumpUntil([&] { return one->doneCount == 2; }));
    EXPECT_EQ(1, client.contextsMade.load());
}

TEST_F(BgSchedulerTest, ADequeuedRunningJobIsSuspendedIdleAndRunsAgainOnlyWhenQueued) {
    scheduler->setWorkerCount(1);
    std::atomic<bool> finish{false};
    BgTestJob* running = job("running");
    endless(running, &finish);
    scheduler->enqueueJob(running);
    ASSERT_TRUE(client.waitFor([&] { return running->stepsRun > 0; }));

    EXPECT_TRUE(scheduler->dequeueJob(running));
    EXPECT_FALSE(scheduler->dequeueJob(running)); // idle already
    EXPECT_EQ(nullptr, locked([&] { return running->worker; }));
    EXPECT_EQ(BgJob::IDLE, locked([&] { return running->state; }));
    const int steps = running->stepsRun;
    EXPECT_EQ(1u, client.eventsStarting("unqueued").size());

    // The worker goes on with other work and leaves the idle job where it is.
    BgTestJob* other = job("other");
    scheduler->enqueueJob(other);
    ASSERT_TRUE(pumpUntil([&] { return other->doneCount == 1; }));
    EXPECT_EQ(steps, running->stepsRun.load());

    scheduler->enqueueJob(running);
    ASSERT_TRUE(client.waitFor([&] { return running->stepsRun > steps; }));
    finish = true;
    ASSERT_TRUE(pumpUntil([&] { return running->doneCount == 1; }));
}

TEST_F(BgSchedulerTest, RecordsReachTheClientInOrderTakenOrDiscarded) {
    // A record for a running job is taken before submitRecord returns; the job runs on.
    scheduler->setWorkerCount(1);
    std::atomic<bool> finish{false};
    BgTestJob* running = job("running");
    endless(running, &finish);
    scheduler->enqueueJob(running);
    ASSERT_TRUE(client.waitFor([&] { return running->stepsRun > 0; }));
    EXPECT_TRUE(scheduler->submitRecord(running, &r1));
    EXPECT_EQ((std::vector<std::string>{"take running r1"}), client.eventsStarting("take"));
    const int steps = running->stepsRun;
    ASSERT_TRUE(client.waitFor([&] { return running->stepsRun > steps; }));
    finish = true;
    ASSERT_TRUE(pumpUntil([&] { return running->doneCount == 1; }));

    // With no worker, three records then a discard: all three go to discardRecord, in order.
    scheduler->setWorkerCount(0);
    BgTestJob* waiting = job("waiting");
    for (std::string* record : {&r1, &r2, &r3})
        EXPECT_TRUE(scheduler->submitRecord(waiting, record));
    scheduler->discardRecords(waiting);
    EXPECT_EQ((std::vector<std::string>{"discard waiting r1", "discard waiting r2", "discard waiting r3"}),
              client.eventsStarting("discard"));
    EXPECT_EQ(1u, client.eventsStarting("take").size());

    // Nothing is handed to a job that is not attached here.
    BgTestJob stray(&client, "stray", 1);
    EXPECT_FALSE(scheduler->submitRecord(&stray, &r1));
    EXPECT_FALSE(scheduler->submitRecord(nullptr, &r1));
}

TEST_F(BgSchedulerTest, AJobGivenUpGoesWithItsLastMessage) {
    scheduler->setWorkerCount(1);
    std::atomic<int> destroyed{0};
    BgTestJob* posting = job("posting");
    posting->destroyed = &destroyed;
    std::atomic<bool> posted{false};
    posting->step = [&](BgWorker* worker, BgTestJob*) {
        if (!posted) {
            scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 1);
            scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 2);
            posted = true;
        }
    };
    std::vector<int> destroyedAtMessage;
    client.onDead = [&](UINT_PTR) { destroyedAtMessage.push_back(destroyed); };
    scheduler->enqueueJob(posting);
    ASSERT_TRUE(client.waitFor([&] { return posted.load(); }));

    release(posting); // stops it after its step; two messages are still in flight
    EXPECT_EQ(0, destroyed.load());
    ASSERT_TRUE(pumpUntil([&] { return destroyed == 1; }));
    EXPECT_EQ((std::vector<int>{0, 0}), destroyedAtMessage);
    EXPECT_EQ((std::vector<std::string>{"dead message 1", "dead message 2"}), client.eventsStarting("dead"));

    // Without messages in flight it goes at once.
    BgTestJob* quiet = job("quiet");
    quiet->destroyed = &destroyed;
    release(quiet);
    EXPECT_EQ(2, destroyed.load());
}

TEST_F(BgSchedulerTest, AFailingStepCountsAsDoneAndTheWorkerGoesOn) {
    tessel_test::LogCapture capture;
    scheduler->setWorkerCount(1);
    BgTestJob* failing = job("failing");
    failing->step = [](BgWorker*, BgTestJob*) { throw pel::RuntimeException(L"bad grammar"); };
    BgTestJob* next = job("next");
    scheduler->enqueueJob(failing);
    scheduler->enqueueJob(next);
    ASSERT_TRUE(pumpUntil([&] { return failing->doneCount == 1 && next->doneCount == 1; }));
    EXPECT_TRUE(logged(capture, L"BgWorker: runJob failed: RuntimeException: bad grammar"));
}

TEST_F(BgSchedulerTest, AWorkerWhoseWaitFailsIsReplaced) {
    tessel_test::LogCapture capture;
    scheduler->setWorkerCount(1);
    scheduler->injectWaitFailure();
    BgTestJob* one = job("one");
    scheduler->enqueueJob(one);
    ASSERT_TRUE(pumpUntil([&] { return one->doneCount == 1; }));
    ASSERT_TRUE(pumpUntil([&] { return logged(capture, L"finished without a reason"); }));
    EXPECT_EQ(1, scheduler->getWorkerCount());
    EXPECT_FALSE(logged(capture, L"Assertion failed")) << "a worker was deleted while its thread ran";
    EXPECT_EQ(client.contextsMade.load(), client.contextsDestroyed.load() + 1);
}

TEST_F(BgSchedulerTest, FewerWorkersWhileJobsRunStillCompleteEveryJob) {
    scheduler->setWorkerCount(4);
    std::vector<BgTestJob*> four;
    for (const char* name : {"a", "b", "c", "d"}) {
        four.push_back(job(name, 2000));
        scheduler->enqueueJob(four.back());
    }
    ASSERT_TRUE(client.waitFor([&] {
        return std::all_of(four.begin(), four.end(), [](BgTestJob* j) { return j->stepsRun > 0; });
    }));
    scheduler->setWorkerCount(2);
    EXPECT_EQ(2, scheduler->getWorkerCount());
    ASSERT_TRUE(pumpUntil([&] { return allDone(four); }));
}

TEST_F(BgSchedulerTest, ABurstOfWakeUpsOnALargePoolRaisesNothing) {
    scheduler->setWorkerCount(12);
    std::vector<BgTestJob*> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(job("job" + std::to_string(i)));
    EXPECT_NO_THROW(for (BgTestJob* j : many) scheduler->enqueueJob(j));
    ASSERT_TRUE(pumpUntil([&] { return allDone(many); }));
}

TEST_F(BgSchedulerTest, NoWorkersAndTheDestructorEndEveryWorker) {
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "setWorkerCount(0)" : "destructor");
        const int count = 3;
        scheduler->setWorkerCount(count);
        // Each job holds its worker until all three run, so each worker takes one.
        std::atomic<int> inside{0};
        std::vector<HANDLE> threads(count);
        for (int i = 0; i < count; ++i) {
            BgTestJob* held = job("held" + std::to_string(i));
            held->step = [&, i](BgWorker*, BgTestJob* self) {
                ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &threads[i], 0,
                                  FALSE, DUPLICATE_SAME_ACCESS);
                ++inside;
                BgTestClient::waitFor([&] { return inside == count; });
                self->markDone();
            };
            scheduler->enqueueJob(held);
        }
        ASSERT_TRUE(client.waitFor([&] { return inside == count; }));
        if (pass == 0) {
            scheduler->setWorkerCount(0);
            EXPECT_EQ(0, scheduler->getWorkerCount());
        } else {
            for (BgTestJob* j : jobs)
                scheduler->releaseJob(j);
            jobs.clear();
            scheduler.reset(new BgScheduler("parser"));
        }
        for (HANDLE thread : threads) {
            EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 0));
            ::CloseHandle(thread);
        }
        EXPECT_EQ(client.contextsMade.load(), client.contextsDestroyed.load());
    }
}

TEST_F(BgSchedulerTest, CarriedSliceTimeStaysWithinOneSlice) {
    scheduler->setWorkerCount(1);
    BgTestJob* often = job("often");
    for (int round = 1; round <= 5; ++round) {
        often->stepsLeft = 1;
        scheduler->enqueueJob(often);
        ASSERT_TRUE(pumpUntil([&] { return often->doneCount == round; }));
        EXPECT_LE(locked([&] { return often->carry; }), BgScheduler::SLICE_MS);
    }
}
