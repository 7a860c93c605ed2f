// Latencies of the background scheduler, each beside the bare Win32 mechanism it rests on:
// - on an idle pool, submitRecord to the first runJob, beside a bare thread woken by a
//   semaphore;
// - postJobMessage to onJobMessage, beside a bare PostMessageW to a message-only window;
// - the UI thread's time inside submitRecord to a job running 50 us steps (what every edit of
//   a document being parsed pays), beside a two-thread semaphore round trip.
// Medians and 99th percentiles in microseconds.

#include "BgBench.h"
#include "pel/thread/Event.h"
#include "pel/thread/Semaphore.h"
#include "pel/thread/Thread.h"
#include "service/base/BgScheduler.h"

#include <atomic>
#include <functional>
#include <vector>

namespace {

constexpr int kSamples = 2000;
constexpr double kStepMicroseconds = 50;
// Long enough for a thread that has just handed over to be asleep again.
constexpr double kIdleMicroseconds = 300;

// A client whose job step is given by the benchmark; records, messages and completions are
// counted or timed through callbacks.
class TimingClient : public tessel::BgClient {
public:
    void* createWorkerContext(tessel::BgWorker*) override { return nullptr; }
    void destroyWorkerContext(tessel::BgWorker*, void*) override {}
    void runJob(tessel::BgWorker* worker, tessel::BgJob* job) override { step(worker, job); }
    void onQueued(tessel::BgWorker*, tessel::BgJob*) override {}
    void onJobDone(tessel::BgScheduler*, tessel::BgJob*) override { ++done; }
    void onJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR data) override { message(data); }
    void onDeadJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR) override {}
    void takeRecord(tessel::BgScheduler*, tessel::BgJob*, void*) override {}

    std::function<void(tessel::BgWorker*, tessel::BgJob*)> step;
    std::function<void(UINT_PTR)> message;
    int done = 0;
};

struct Setup {
    bgbench::MainThread main;
    tessel::BgScheduler scheduler{"parser"};
    TimingClient client;
    tessel::BgJob job{&client};
    Setup() {
        scheduler.setWorkerCount(1);
        scheduler.attachJob(&job);
    }
    ~Setup() { scheduler.cancelJob(&job); }
};

// submitRecord on an idle pool to the step that follows; the job is done after each step.
std::vector<int64_t> submitToRun(Setup& s) {
    std::vector<int64_t> samples;
    int64_t submitted = 0;
    s.client.step = [&](tessel::BgWorker*, tessel::BgJob* job) {
        samples.push_back(bgbench::ticks() - submitted);
        job->markDone();
    };
    static int record;
    for (int i = 0; i < kSamples; ++i) {
        bgbench::spin(kIdleMicroseconds); // the worker is asleep in its wait for work
        submitted = bgbench::ticks();
        s.scheduler.submitRecord(&s.job, &record);
        bgbench::pumpUntil([&] { return s.client.done == i + 1; });
    }
    s.client.done = 0;
    return samples;
}

// postJobMessage to onJobMessage; the worker waits for each message to arrive before the next.
std::vector<int64_t> postToMessage(Setup& s) {
    std::vector<int64_t> samples;
    pel::Event arrived;
    int64_t posted = 0;
    s.client.message = [&](UINT_PTR) {
        samples.push_back(bgbench::ticks() - posted);
        arrived.signal();
    };
    s.client.step = [&](tessel::BgWorker* worker, tessel::BgJob* job) {
        for (int i = 0; i < kSamples; ++i) {
            posted = bgbench::ticks();
            s.scheduler.postJobMessage(worker, tessel::BgScheduler::MSG_CLIENT, i);
            arrived.wait();
        }
        job->markDone();
    };
    s.scheduler.enqueueJob(&s.job);
    bgbench::pumpUntil([&] { return s.client.done == 1; });
    s.client.done = 0;
    return samples;
}

// The UI thread's time inside submitRecord while the job runs 50 us steps without end.
std::vector<int64_t> submitToRunningJob(Setup& s) {
    std::vector<int64_t> samples;
    std::atomic<int> steps{0};
    std::atomic<bool> finish{false};
    s.client.step = [&](tessel::BgWorker*, tessel::BgJob* job) {
        bgbench::spin(kStepMicroseconds);
        ++steps;
        if (finish)
            job->markDone();
    };
    static int record;
    s.scheduler.enqueueJob(&s.job);
    for (int i = 0; i < kSamples; ++i) {
        // Each submit meets the job in the middle of its work, as an edit of a parsed document.
        const int seen = steps;
        while (steps < seen + 2)
            ::SwitchToThread();
        const int64_t start = bgbench::ticks();
        s.scheduler.submitRecord(&s.job, &record);
        samples.push_back(bgbench::ticks() - start);
    }
    finish = true;
    bgbench::pumpUntil([&] { return s.client.done == 1; });
    s.client.done = 0;
    return samples;
}

// ---- the bare peers

// A thread waiting on a semaphore, released with a time stamp.
std::vector<int64_t> semaphoreWake() {
    std::vector<int64_t> samples;
    pel::Semaphore wake(0, 1);
    pel::Event woken;
    std::atomic<int64_t> released{0};
    struct Body : pel::Runnable {
        std::function<void()> f;
        void run() override { f(); }
    } body;
    body.f = [&] {
        for (int i = 0; i < kSamples; ++i) {
            wake.wait(-1);
            samples.push_back(bgbench::ticks() - released);
            woken.signal();
        }
    };
    pel::Thread thread;
    thread.start(body);
    for (int i = 0; i < kSamples; ++i) {
        bgbench::spin(kIdleMicroseconds); // the thread is asleep: the wake is a real one
        released = bgbench::ticks();
        wake.set();
        woken.wait();
    }
    thread.join();
    return samples;
}

int64_t s_posted = 0;
std::vector<int64_t>* s_postSamples = nullptr;
pel::Event* s_postArrived = nullptr;

void onPeerMessage(WPARAM, LPARAM) {
    s_postSamples->push_back(bgbench::ticks() - s_posted);
    s_postArrived->signal();
}

// A thread posting a bare window message and waiting for it to arrive.
std::vector<int64_t> bareMessage() {
    std::vector<int64_t> samples;
    pel::Event arrived;
    s_postSamples = &samples;
    s_postArrived = &arrived;
    bgbench::PeerWindow window(&onPeerMessage);
    struct Body : pel::Runnable {
        HWND window;
        pel::Event* arrived;
        void run() override {
            for (int i = 0; i < kSamples; ++i) {
                s_posted = bgbench::ticks();
                ::PostMessageW(window, WM_APP + 1, i, 0);
                arrived->wait();
            }
        }
    } body;
    body.window = window.handle();
    body.arrived = &arrived;
    pel::Thread thread;
    thread.start(body);
    bgbench::pumpUntil([&] { return samples.size() == kSamples; });
    thread.join();
    return samples;
}

// One semaphore round trip between two threads.
std::vector<int64_t> semaphoreRoundTrip() {
    std::vector<int64_t> samples;
    pel::Semaphore ping(0, 1), pong(0, 1);
    struct Body : pel::Runnable {
        pel::Semaphore* ping;
        pel::Semaphore* pong;
        void run() override {
            for (int i = 0; i < kSamples; ++i) {
                ping->wait(-1);
                pong->set();
            }
        }
    } body;
    body.ping = &ping;
    body.pong = &pong;
    pel::Thread thread;
    thread.start(body);
    for (int i = 0; i < kSamples; ++i) {
        const int64_t start = bgbench::ticks();
        ping.set();
        pong.wait(-1);
        samples.push_back(bgbench::ticks() - start);
    }
    thread.join();
    return samples;
}

} // namespace

int main() {
    Setup setup;
    const bgbench::Percentiles wake = bgbench::percentiles(semaphoreWake());
    const bgbench::Percentiles submit = bgbench::percentiles(submitToRun(setup));
    bgbench::printLatency("bg_submit_to_run", submit, "semaphore_wake", &wake);

    const bgbench::Percentiles post = bgbench::percentiles(bareMessage());
    const bgbench::Percentiles message = bgbench::percentiles(postToMessage(setup));
    bgbench::printLatency("bg_post_to_message", message, "postmessage", &post);

    const bgbench::Percentiles roundTrip = bgbench::percentiles(semaphoreRoundTrip());
    const bgbench::Percentiles inside = bgbench::percentiles(submitToRunningJob(setup));
    bgbench::printLatency("bg_submit_while_running", inside, "semaphore_round_trip", &roundTrip);
    return 0;
}
