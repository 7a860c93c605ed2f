#pragma once
// The scheduler's tests: a BgClient whose jobs take a number of steps (or a step given by the
// test), a log of the client calls in the order they came (readable from any thread), a count
// of jobs run on two workers at once, and a fixture with a running message registry.

#include "service/base/BgScheduler.h"

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tessel_test {

class BgTestJob : public tessel::BgJob {
public:
    BgTestJob(tessel::BgClient* client, const std::string& i_name, int steps, int32_t i_priority = 2)
        : tessel::BgJob(client), name(i_name), stepsLeft(steps) {
        priority = i_priority;
    }
    ~BgTestJob() override {
        if (destroyed)
            ++*destroyed;
    }

    const std::string name;
    std::atomic<int> stepsLeft;
    std::atomic<int> stepsRun{0};
    std::atomic<bool> inUse{false};
    int doneCount = 0; // UI thread
    std::atomic<int>* destroyed = nullptr;
    // Replaces the counting step when set; runs on the worker.
    std::function<void(tessel::BgWorker*, BgTestJob*)> step;
    // Answers shouldYield this many times with true.
    std::atomic<int> yields{0};
};

class BgTestClient : public tessel::BgClient {
public:
    void* createWorkerContext(tessel::BgWorker* worker) override {
        note("context+");
        ++contextsMade;
        return new int(0);
    }
    void destroyWorkerContext(tessel::BgWorker* worker, void* context) override {
        note("context-");
        ++contextsDestroyed;
        delete static_cast<int*>(context);
    }
    void runJob(tessel::BgWorker* worker, tessel::BgJob* job) override {
        BgTestJob* const test = static_cast<BgTestJob*>(job);
        if (test->inUse.exchange(true))
            ++overlaps;
        note("run " + test->name);
        if (test->step)
            test->step(worker, test);
        else if (--test->stepsLeft <= 0)
            test->markDone();
        ++test->stepsRun;
        test->inUse = false;
    }
    void onJobStarted(tessel::BgWorker*, tessel::BgJob* job) override { note("started " + nameOf(job)); }
    void onJobSuspended(tessel::BgWorker*, tessel::BgJob* job) override { note("suspended " + nameOf(job)); }
    bool shouldYield(tessel::BgWorker*, tessel::BgJob* job) override {
        std::atomic<int>& yields = static_cast<BgTestJob*>(job)->yields;
        return yields > 0 && yields-- > 0;
    }
    void onUnqueued(tessel::BgWorker*, tessel::BgJob* job) override { note("unqueued " + nameOf(job)); }
    void onQueued(tessel::BgWorker*, tessel::BgJob* job) override { note("queued " + nameOf(job)); }
    void onJobDone(tessel::BgScheduler*, tessel::BgJob* job) override {
        ++static_cast<BgTestJob*>(job)->doneCount;
        note("done " + nameOf(job));
    }
    void onJobMessage(tessel::BgScheduler*, tessel::BgJob* job, UINT_PTR data) override {
        note("message " + nameOf(job) + " " + std::to_string(data));
    }
    void onDeadJobMessage(tessel::BgScheduler*, tessel::BgJob* job, UINT_PTR data) override {
        note("dead message " + std::to_string(data));
        if (onDead)
            onDead(data);
    }
    void takeRecord(tessel::BgScheduler*, tessel::BgJob* job, void* record) override {
        note("take " + nameOf(job) + " " + *static_cast<std::string*>(record));
    }
    void discardRecord(tessel::BgScheduler*, tessel::BgJob* job, void* record) override {
        note("discard " + nameOf(job) + " " + *static_cast<std::string*>(record));
    }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // The events that begin with prefix, in order.
    std::vector<std::string> eventsStarting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& event : events())
            if (event.compare(0, prefix.size(), prefix) == 0)
                found.push_back(event);
        return found;
    }
    // Waits, without dispatching messages, until done holds; false after a generous limit (a
    // lost event rather than a slow one).
    static bool waitFor(const std::function<bool()>& done) {
        const DWORD start = ::GetTickCount();
        while (!done()) {
            if (::GetTickCount() - start > 30000)
                return done();
            ::Sleep(1);
        }
        return true;
    }
    void note(const std::string& event) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(event);
    }

    std::atomic<int> contextsMade{0};
    std::atomic<int> contextsDestroyed{0};
    std::atomic<int> overlaps{0};
    std::function<void(UINT_PTR)> onDead;

private:
    static std::string nameOf(tessel::BgJob* job) { return static_cast<BgTestJob*>(job)->name; }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

inline bool logged(const LogCapture& capture, const std::wstring& part) {
    for (const auto& line : capture.lines())
        if (line.text.find(part) != std::wstring::npos)
            return true;
    return false;
}

class BgSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        pel::store_main_thread_id(); // the test runner's thread stands in for the entry point
        registry.reset(new pel::MessageRegistry);
        ASSERT_TRUE(registry->initRegistry(::GetModuleHandleW(nullptr)));
        scheduler.reset(new tessel::BgScheduler("parser"));
    }
    void TearDown() override {
        scheduler->setWorkerCount(0);
        for (BgTestJob* job : jobs)
            scheduler->releaseJob(job);
        jobs.clear();
        scheduler.reset();
        registry->releaseRegistry();
        registry.reset();
        EXPECT_EQ(0, client.overlaps.load()) << "a job ran on two workers at once";
    }

    // A job of this test's client, attached to the scheduler (idle).
    BgTestJob* job(const std::string& name, int steps = 1, int32_t priority = 2) {
        BgTestJob* made = new BgTestJob(&client, name, steps, priority);
        scheduler->attachJob(made);
        jobs.push_back(made);
        return made;
    }
    // The job is given up by the test: the scheduler deletes it.
    void release(BgTestJob* given) {
        jobs.erase(std::find(jobs.begin(), jobs.end(), given));
        scheduler->releaseJob(given);
    }
    template <class F>
    auto locked(F read) {
        pel::ScopedLock<pel::Mutex_Impl> lock(scheduler->getLock());
        return read();
    }
    bool allDone(const std::vector<BgTestJob*>& some, int times = 1) const {
        return std::all_of(some.begin(), some.end(), [&](BgTestJob* j) { return j->doneCount == times; });
    }

    BgTestClient client;
    std::unique_ptr<pel::MessageRegistry> registry;
    std::unique_ptr<tessel::BgScheduler> scheduler;
    std::vector<BgTestJob*> jobs;
    std::string r1 = "r1", r2 = "r2", r3 = "r3";
};

} // namespace tessel_test
