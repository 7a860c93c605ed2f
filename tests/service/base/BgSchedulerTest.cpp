#include "service/base/BgScheduler.h"

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::pumpUntil;

namespace {

// A job of a number of steps, or of a step the test gives; it counts its runs and completions.
struct TestJob : BgJob {
    TestJob(BgClient* client, std::string i_name, int steps, int32_t i_priority)
        : BgJob(client), name(std::move(i_name)), stepsLeft(steps) {
        priority = i_priority;
    }
    ~TestJob() override {
        if (destroyed)
            ++*destroyed;
    }
    std::string name;
    std::atomic<int> stepsLeft;
    std::atomic<int> stepsRun{0};
    std::atomic<int> completions{0};
    std::atomic<bool> inUse{false};
    std::atomic<int> yields{0}; // shouldYield answers true this many times
    int doneCount = 0;          // UI thread
    std::atomic<int>* destroyed = nullptr;
    std::function<void(BgWorker*, TestJob*)> step;
};

// Logs the calls that tests look at, from any thread, counts jobs run twice at once, and keeps
// a handle of each worker thread that ran a job.
class TestClient : public BgClient {
public:
    ~TestClient() override {
        for (HANDLE thread : m_threads)
            ::CloseHandle(thread);
    }
    void* createWorkerContext(BgWorker*) override {
        HANDLE thread = nullptr;
        if (::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &thread, SYNCHRONIZE,
                              FALSE, 0)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_threads.push_back(thread);
        }
        return ++contexts, new int(0);
    }
    void destroyWorkerContext(BgWorker*, void* context) override { --contexts, delete static_cast<int*>(context); }
    void runJob(BgWorker* worker, BgJob* job) override {
        TestJob* const test = static_cast<TestJob*>(job);
        overlaps += test->inUse.exchange(true) ? 1 : 0;
        note("run " + test->name);
        if (test->step)
            test->step(worker, test);
        else if (--test->stepsLeft <= 0)
            ++test->completions, test->markDone();
        ++test->stepsRun;
        test->inUse = false;
    }
    bool shouldYield(BgWorker*, BgJob* job) override { return static_cast<TestJob*>(job)->yields-- > 0; }
    void onQueued(BgWorker*, BgJob*) override {}
    void onJobDone(BgScheduler*, BgJob* job) override { ++static_cast<TestJob*>(job)->doneCount; }
    void onJobMessage(BgScheduler*, BgJob*, UINT_PTR data) override { note("message " + std::to_string(data)); }
    void onDeadJobMessage(BgScheduler*, BgJob* job, UINT_PTR data) override {
        note("dead " + std::to_string(data) + " destroyed " + std::to_string(*static_cast<TestJob*>(job)->destroyed));
    }
    void takeRecord(BgScheduler*, BgJob*, void* record) override { note("take " + *static_cast<std::string*>(record)); }
    void discardRecord(BgScheduler*, BgJob*, void* record) override {
        note("discard " + *static_cast<std::string*>(record));
    }

    void note(const std::string& event) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(event);
    }
    // The logged events that begin with prefix, less the prefix; the log starts anew.
    std::vector<std::string> take(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> found;
        for (const std::string& event : m_events)
            if (event.compare(0, prefix.size(), prefix) == 0)
                found.push_back(event.substr(prefix.size()));
        m_events.clear();
        return found;
    }

    // Worker threads that ran a job, and whether every one of them has ended.
    size_t threadCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads.size();
    }
    bool threadsEnded() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::all_of(m_threads.begin(), m_threads.end(),
                           [](HANDLE thread) { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
    }

    std::atomic<int> contexts{0};
    std::atomic<int> overlaps{0};

private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<HANDLE> m_threads;
};

// Waits, without dispatching messages, until done holds; false after a generous limit.
bool waitFor(const std::function<bool()>& done) {
    for (const DWORD start = ::GetTickCount(); !done(); ::Sleep(1))
        if (::GetTickCount() - start > 30000)
            return false;
    return true;
}

class BgSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        pel::store_main_thread_id(); // the test runner's thread stands in for the entry point
        registry.reset(new pel::MessageRegistry);
        ASSERT_TRUE(registry->initRegistry(::GetModuleHandleW(nullptr)));
        scheduler.reset(new BgScheduler("parser"));
    }
    void TearDown() override {
        scheduler->setWorkerCount(0);
        EXPECT_EQ(0, client.contexts.load()) << "every worker destroyed its contexts";
        for (TestJob* each : jobs)
            scheduler->releaseJob(each);
        jobs.clear();
        scheduler.reset();
        registry->releaseRegistry();
        registry.reset();
        EXPECT_EQ(0, client.overlaps.exchange(0)) << "a job ran on two workers at once";
    }

    // A job attached to the scheduler (idle); the fixture gives it up at the end.
    TestJob* job(const std::string& name, int steps = 1, int32_t priority = 2) {
        jobs.push_back(new TestJob(&client, name, steps, priority));
        scheduler->attachJob(jobs.back());
        return jobs.back();
    }
    // A job that keeps its worker until finish is set; queued, and seen running.
    TestJob* endless(const std::string& name) {
        TestJob* made = job(name);
        made->step = [this](BgWorker*, TestJob* self) {
            if (finish)
                self->markDone();
        };
        scheduler->enqueueJob(made);
        EXPECT_TRUE(waitFor([&] { return made->stepsRun > 0; }));
        return made;
    }
    template <class F>
    auto locked(F read) {
        pel::ScopedLock<pel::Mutex_Impl> lock(scheduler->getLock());
        return read();
    }
    static bool allDone(const std::vector<TestJob*>& some) {
        return std::all_of(some.begin(), some.end(), [](TestJob* j) { return j->doneCount > 0; });
    }

    TestClient client;
    std::unique_ptr<pel::MessageRegistry> registry;
    std::unique_ptr<BgScheduler> scheduler;
    std::vector<TestJob*> jobs;
    std::string r1 = "r1", r2 = "r2", r3 = "r3";
    std::atomic<bool> finish{false};
};

} // namespace

TEST_F(BgSchedulerTest, JobsRunBySmallerPriorityFirstAndEqualsInTheOrderTheyCame) {
    struct Spec {
        const char* name;
        int32_t priority;
        int steps = 1;
        int yields = 0;
        bool submitted = false; // queued by submitRecord (priority 0 goes next), else enqueueJob
    };
    const struct {
        const char* title;
        std::vector<Spec> jobs; // attached, then queued, in this order
        std::vector<std::string> runs;
    } cases[] = {
        {"[9, 7, 5, 3] and a 6", {{"9", 9}, {"7", 7}, {"5", 5}, {"3", 3}, {"6", 6}}, {"3", "5", "6", "7", "9"}},
        {"equal priorities", {{"a", 3}, {"b", 3}}, {"a", "b"}},
        {"back from its slice behind its equals", {{"a", 3, 2, 1}, {"b", 3}}, {"a", "b", "a"}},
        {"back from its slice before greater ones", {{"c", 2, 2, 1}, {"a", 3}, {"b", 3}}, {"c", "c", "a", "b"}},
        {"priority 0 submitted runs next", {{"y", 0}, {"a", 5}, {"z", 0, 1, 0, true}}, {"z", "y", "a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        std::vector<TestJob*> made;
        for (const Spec& spec : c.jobs) {
            made.push_back(job(spec.name, spec.steps, spec.priority));
            made.back()->yields = spec.yields;
        }
        for (size_t i = 0; i < made.size(); ++i)
            c.jobs[i].submitted ? (void)scheduler->submitRecord(made[i], &r1) : scheduler->enqueueJob(made[i]);
        scheduler->setWorkerCount(1);
        ASSERT_TRUE(pumpUntil([&] { return allDone(made); }));
        EXPECT_EQ(c.runs, client.take("run "));
        scheduler->setWorkerCount(0);
    }
}

TEST_F(BgSchedulerTest, DefaultWorkerCountFollowsTheHighestProcessorOfTheMask) {
    const struct {
        DWORD_PTR mask;
        int forZero, forSix, forNine;
    } cases[] = {{0, 1, 1, 1},      {0b1, 1, 1, 1},    {0b11, 1, 1, 1},   {0b111, 2, 2, 2},
                 {0b1111, 3, 3, 3}, {0b1010, 3, 3, 3}, {0xFF, 4, 6, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.mask);
        EXPECT_EQ(c.forZero, BgScheduler::getDefaultWorkerCount(0, c.mask));
        EXPECT_EQ(c.forSix, BgScheduler::getDefaultWorkerCount(6, c.mask));
        EXPECT_EQ(c.forNine, BgScheduler::getDefaultWorkerCount(9, c.mask));
    }
}

TEST_F(BgSchedulerTest, ADequeuedRunningJobIsSuspendedIdleAndRunsAgainOnlyWhenQueued) {
    scheduler->setWorkerCount(1);
    TestJob* running = endless("running");
    EXPECT_TRUE(scheduler->dequeueJob(running));
    EXPECT_FALSE(scheduler->dequeueJob(running)); // idle already
    EXPECT_TRUE(locked([&] { return !running->worker && running->state == BgJob::IDLE; }));
    const int steps = running->stepsRun;

    // The worker goes on with other work and leaves the idle job where it is.
    TestJob* other = job("other");
    scheduler->enqueueJob(other);
    ASSERT_TRUE(pumpUntil([&] { return other->doneCount == 1; }));
    EXPECT_EQ(steps, running->stepsRun.load());
    scheduler->enqueueJob(running);
    ASSERT_TRUE(waitFor([&] { return running->stepsRun > steps; }));
    finish = true;
    ASSERT_TRUE(pumpUntil([&] { return running->doneCount == 1; }));
}

TEST_F(BgSchedulerTest, RecordsReachTheClientInOrderTakenOrDiscarded) {
    // A record for a running job is taken before submitRecord returns; the job runs on.
    scheduler->setWorkerCount(1);
    TestJob* running = endless("running");
    EXPECT_TRUE(scheduler->submitRecord(running, &r1));
    EXPECT_EQ((std::vector<std::string>{"r1"}), client.take("take "));
    const int steps = running->stepsRun;
    ASSERT_TRUE(waitFor([&] { return running->stepsRun > steps; }));

    // With no worker, three records and a discard: all three go to discardRecord, in order.
    scheduler->setWorkerCount(0);
    TestJob* waiting = job("waiting");
    for (std::string* record : {&r1, &r2, &r3})
        EXPECT_TRUE(scheduler->submitRecord(waiting, record));
    scheduler->discardRecords(waiting);
    EXPECT_EQ((std::vector<std::string>{"r1", "r2", "r3"}), client.take("discard "));
    TestJob stray(&client, "stray", 1, 2); // attached nowhere: the record stays the caller's
    EXPECT_FALSE(scheduler->submitRecord(&stray, &r1));
}

TEST_F(BgSchedulerTest, AJobGivenUpGoesWithItsLastMessage) {
    scheduler->setWorkerCount(1);
    std::atomic<int> destroyed{0};
    std::atomic<bool> posted{false};
    TestJob* posting = job("posting");
    posting->destroyed = &destroyed;
    posting->step = [&](BgWorker* worker, TestJob*) {
        if (!posted) {
            EXPECT_TRUE(scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 1));
            EXPECT_TRUE(scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 2));
            posted = true;
        }
    };
    scheduler->enqueueJob(posting);
    ASSERT_TRUE(waitFor([&] { return posted.load(); }));
    jobs.erase(std::find(jobs.begin(), jobs.end(), posting));
    scheduler->releaseJob(posting); // stops it after its step; two messages are in flight
    EXPECT_EQ(0, destroyed.load());
    ASSERT_TRUE(pumpUntil([&] { return destroyed == 1; }));
    EXPECT_EQ((std::vector<std::string>{"1 destroyed 0", "2 destroyed 0"}), client.take("dead "));

    // A live job's messages reach onJobMessage; without messages in flight it goes at once.
    TestJob* quiet = job("quiet");
    quiet->destroyed = &destroyed;
    quiet->step = [&](BgWorker* worker, TestJob* self) {
        scheduler->postJobMessage(worker, BgScheduler::MSG_CLIENT, 3);
        self->markDone();
    };
    scheduler->enqueueJob(quiet);
    ASSERT_TRUE(pumpUntil([&] { return quiet->doneCount == 1; }));
    EXPECT_EQ((std::vector<std::string>{"3"}), client.take("message "));
    jobs.pop_back();
    scheduler->releaseJob(quiet);
    EXPECT_EQ(2, destroyed.load());

    // Marked dead by its owner while it runs: its worker drops it after the step, and the
    // handler deletes it.
    TestJob* marked = endless("marked");
    marked->destroyed = &destroyed;
    jobs.pop_back();
    locked([&] { return marked->state = BgJob::DEAD; });
    ASSERT_TRUE(pumpUntil([&] { return destroyed == 3; }));
}

TEST_F(BgSchedulerTest, AFailingStepCountsAsDoneAndAWorkerWhoseWaitFailsIsReplaced) {
    tessel_test::LogCapture capture;
    scheduler->setWorkerCount(1);
    TestJob* failing = job("failing");
    failing->step = [](BgWorker*, TestJob*) { throw pel::RuntimeException(L"bad grammar"); };
    scheduler->enqueueJob(failing);
    ASSERT_TRUE(pumpUntil([&] { return failing->doneCount == 1; }));
    EXPECT_TRUE(capture.contains(L"BgWorker: runJob failed: RuntimeException: bad grammar", 3));

    scheduler->injectWaitFailure();
    TestJob* after = job("after");
    scheduler->enqueueJob(after);
    ASSERT_TRUE(pumpUntil([&] { return after->doneCount == 1; }));
    ASSERT_TRUE(pumpUntil([&] { return capture.contains(L"BgScheduler: The worker thread", 1); }));
    EXPECT_TRUE(capture.contains(L"finished without a reason"));
    EXPECT_EQ(1, scheduler->getWorkerCount());
    EXPECT_FALSE(capture.contains(L"Assertion failed")) << "a worker was deleted while its thread ran";
}

TEST_F(BgSchedulerTest, PoolsShrinkWhileJobsRunAndBurstsOnLargePoolsRaiseNothing) {
    // Two of the four workers stop while each holds a job: their jobs go on elsewhere.
    scheduler->setWorkerCount(4);
    std::vector<TestJob*> four;
    for (const char* name : {"a", "b", "c", "d"})
        four.push_back(endless(name));
    scheduler->setWorkerCount(2);
    EXPECT_EQ(2, scheduler->getWorkerCount());
    finish = true;
    ASSERT_TRUE(pumpUntil([&] { return allDone(four); }));

    scheduler->setWorkerCount(12);
    std::vector<TestJob*> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(job("job" + std::to_string(i)));
    EXPECT_NO_THROW(for (TestJob* j : many) scheduler->enqueueJob(j));
    ASSERT_TRUE(pumpUntil([&] { return allDone(many); }));
}

TEST_F(BgSchedulerTest, NoWorkersAndTheDestructorEndEveryWorker) {
    // A worker's contexts go when its thread ends.
    for (const bool destructor : {false, true}) {
        SCOPED_TRACE(destructor ? "destructor" : "setWorkerCount(0)");
        scheduler->setWorkerCount(3);
        std::vector<TestJob*> some;
        for (int i = 0; i < 6; ++i) {
            some.push_back(job("some", 50));
            scheduler->enqueueJob(some.back());
        }
        ASSERT_TRUE(pumpUntil([&] { return allDone(some); }));
        EXPECT_GT(client.contexts.load(), 0);
        if (destructor)
            scheduler.reset(new BgScheduler("parser")); // the old one detaches the idle jobs
        else
            scheduler->setWorkerCount(0);
        EXPECT_EQ(0, scheduler->getWorkerCount());
        EXPECT_EQ(0, client.contexts.load());
    }
}

TEST_F(BgSchedulerTest, CarriedSliceTimeStaysWithinOneSlice) {
    scheduler->setWorkerCount(1);
    TestJob* often = job("often");
    for (int round = 1; round <= 5; ++round) {
        often->stepsLeft = 1;
        scheduler->enqueueJob(often);
        ASSERT_TRUE(pumpUntil([&] { return often->doneCount == round; }));
        EXPECT_LE(locked([&] { return often->carry; }), BgScheduler::SLICE_MS);
    }
}

// Many jobs of fixed work on four workers while the UI thread changes priorities, queues jobs
// (running or not, done or not), dequeues them and queues them again: no job runs on two
// workers at once (TearDown checks), and each completion is reported once: never lost, never
// twice. (A job dequeued in the step that completes it is not reported: its owner let it go.)
TEST_F(BgSchedulerTest, StressOfPrioritiesDequeuesAndRequeues) {
    scheduler->setWorkerCount(4);
    std::vector<TestJob*> all;
    for (int i = 0; i < 200; ++i) {
        all.push_back(job("job" + std::to_string(i), 20000, i % 4));
        scheduler->enqueueJob(all.back());
    }
    std::mt19937 random(25);
    std::vector<TestJob*> taken; // dequeued while queued: queued again later
    for (int op = 0; op < 100000 && !allDone(all); ++op) {
        TestJob* const some = all[random() % all.size()];
        const unsigned choice = random() % 4;
        if (choice == 0) {
            scheduler->setJobPriority(some, static_cast<int32_t>(random() % 5));
            scheduler->enqueueJob(some, true);
        } else if (choice == 1 && scheduler->dequeueJob(some)) {
            taken.push_back(some);
        } else if (choice > 1 && !taken.empty()) {
            scheduler->enqueueJob(taken.back(), true);
            taken.pop_back();
        }
        if (op % 64 == 0)
            tessel_test::dispatchPending();
    }
    for (TestJob* back : taken)
        scheduler->enqueueJob(back);
    ASSERT_TRUE(pumpUntil([&] { return allDone(all); }));
    for (TestJob* each : all)
        EXPECT_LE(each->doneCount, each->completions.load()) << each->name;
}

TEST_F(BgSchedulerTest, WorkersStartAsJobsComeUpToThePoolSize) {
    scheduler->setWorkerCount(3);
    EXPECT_EQ(3, scheduler->getWorkerCount());
    EXPECT_EQ(0, scheduler->getStartedWorkerCount()) << "no work, no thread";

    // Each job that finds every worker busy starts one, until the pool is full; then the jobs
    // share the workers by slices.
    std::vector<TestJob*> running;
    for (int i = 1; i <= 3; ++i) {
        running.push_back(endless("e" + std::to_string(i)));
        EXPECT_EQ(i, scheduler->getStartedWorkerCount());
    }
    running.push_back(endless("e4"));
    EXPECT_EQ(3, scheduler->getStartedWorkerCount());
    EXPECT_EQ(3, scheduler->getWorkerCount());
    finish = true;
    ASSERT_TRUE(pumpUntil([&] { return allDone(running); }));

    // A smaller pool stops the workers beyond it; a larger one starts none without work.
    scheduler->setWorkerCount(1);
    EXPECT_EQ(1, scheduler->getStartedWorkerCount());
    scheduler->setWorkerCount(4);
    EXPECT_EQ(1, scheduler->getStartedWorkerCount());
    EXPECT_EQ(4, scheduler->getWorkerCount());
}

TEST_F(BgSchedulerTest, AWorkerEndsAfterWaitingWithoutWorkAndTheNextJobStartsOneAgain) {
    scheduler->setIdleEnd(0);
    scheduler->setWorkerCount(2);
    TestJob* once = job("once");
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        scheduler->enqueueJob(once);
        ASSERT_TRUE(pumpUntil([&] { return once->doneCount == round; }));
        // Its end is handled on this thread: the worker is joined, its contexts gone.
        ASSERT_TRUE(pumpUntil(
            [&] { return scheduler->getStartedWorkerCount() == 0 && client.contexts == 0 && client.threadsEnded(); }));
        EXPECT_EQ(2, scheduler->getWorkerCount());
    }
    EXPECT_EQ(3u, client.threadCount()) << "a new worker for each job";
}

// The worker's wait for work runs out; just then, before it decides to end, a job comes. The
// job finds the worker still waiting and claims a wake-up for it rather than a new worker: the
// worker must stay for it.
TEST_F(BgSchedulerTest, AJobQueuedAsAWorkerDecidesToEndStillRuns) {
    HANDLE atDecision = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE decide = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<bool> armed{false};
    scheduler->setIdleEnd(0);
    scheduler->setIdleEndHook([&] {
        if (armed.exchange(false)) {
            ::SetEvent(atDecision);
            ::WaitForSingleObject(decide, 30000);
        }
    });
    scheduler->setWorkerCount(1);
    TestJob* first = job("first");
    TestJob* second = job("second");
    armed = true;
    scheduler->enqueueJob(first);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(atDecision, 30000)) << "the worker's wait never ran out";
    EXPECT_EQ(1, first->stepsRun.load());
    scheduler->enqueueJob(second);
    EXPECT_EQ(1, scheduler->getStartedWorkerCount()) << "the waiting worker was to take the job";
    ::SetEvent(decide);
    ASSERT_TRUE(pumpUntil([&] { return second->doneCount == 1; }));
    EXPECT_EQ(1u, client.threadCount()) << "the same worker ran both";
    ASSERT_TRUE(pumpUntil([&] { return scheduler->getStartedWorkerCount() == 0; }));
    ::CloseHandle(atDecision);
    ::CloseHandle(decide);
}

// Workers that end as soon as they find no work, while rounds of jobs come: every job queued
// runs, whether it came before a worker decided to end or after.
TEST_F(BgSchedulerTest, StressOfJobsQueuedWhileWorkersEndIdle) {
    scheduler->setIdleEnd(0);
    scheduler->setWorkerCount(3);
    std::vector<TestJob*> some;
    for (int i = 0; i < 6; ++i)
        some.push_back(job("job" + std::to_string(i)));
    std::vector<int> expected(some.size(), 0);
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        const size_t count = 1 + random() % some.size();
        for (size_t i = 0; i < count; ++i) {
            scheduler->enqueueJob(some[i]);
            ++expected[i];
            if (random() % 3 == 0)
                ::SwitchToThread();
        }
        ASSERT_TRUE(pumpUntil([&] {
            for (size_t i = 0; i < some.size(); ++i)
                if (some[i]->doneCount != expected[i])
                    return false;
            return true;
        })) << "round " << round;
        EXPECT_LE(scheduler->getStartedWorkerCount(), 3);
    }
}

TEST_F(BgSchedulerTest, NoWorkerThreadOutlivesTheSchedulerWhetherStartedEndedIdleOrNeverStarted) {
    // Never started: nothing to end.
    scheduler->setWorkerCount(4);
    scheduler.reset(new BgScheduler("parser"));
    EXPECT_EQ(0u, client.threadCount());

    // Two workers hold jobs that never finish: the destructor stops them after their step.
    scheduler->setWorkerCount(4);
    endless("a");
    endless("b");
    EXPECT_EQ(2, scheduler->getStartedWorkerCount());
    scheduler.reset(new BgScheduler("parser"));
    EXPECT_EQ(2u, client.threadCount());
    EXPECT_TRUE(client.threadsEnded());

    // A worker that ended idle, its end not yet handled (no message dispatched): the destructor
    // joins it, and the message that comes later finds nothing.
    scheduler->setIdleEnd(0);
    scheduler->setWorkerCount(2);
    TestJob* once = job("once");
    scheduler->enqueueJob(once);
    ASSERT_TRUE(waitFor([&] { return once->stepsRun == 1 && scheduler->getStartedWorkerCount() == 0; }));
    scheduler.reset(new BgScheduler("parser"));
    EXPECT_EQ(3u, client.threadCount());
    EXPECT_TRUE(client.threadsEnded());
    EXPECT_EQ(0, client.contexts.load());
    tessel_test::dispatchPending();
}

TEST_F(BgSchedulerTest, AJobWhoseWorkerCannotStartRunsOnTheWorkerOfTheNext) {
    tessel_test::LogCapture capture;
    scheduler->setWorkerCount(2);
    TestJob* first = job("first");
    pel::Thread::failNextStarts(1);
    EXPECT_NO_THROW(scheduler->enqueueJob(first));
    EXPECT_EQ(0, scheduler->getStartedWorkerCount());
    EXPECT_TRUE(capture.contains(L"BgScheduler: starting a worker failed: SystemException: cannot create thread"));
    TestJob* second = job("second");
    scheduler->enqueueJob(second);
    ASSERT_TRUE(pumpUntil([&] { return first->doneCount == 1 && second->doneCount == 1; }));
}
