// The message registry: messages per second from four worker threads to one listener on the
// main thread, which runs a plain GetMessageW loop, beside the same four threads posting a bare
// window message to a plain message-only window (the peer: what the system's queue costs); and
// the time from post to delivery while the main thread waits for each message.

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/Event.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/Bench.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kWorkers = 4;
const int kPostsPerWorker = bench::scaled(25000, 500);
const int kIdleRounds = bench::scaled(5000, 100);

int64_t ticks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double tickMicroseconds() {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1e6 / static_cast<double>(frequency.QuadPart);
}

// Each message carries the tick count of its post in its two parameters.
class LatencyListener final : public pel::MessageListener {
public:
    void msgOnMessage(pel::MessageData* data) override {
        const int64_t sent = (static_cast<int64_t>(data->param2) << 32) | static_cast<uint32_t>(data->param1);
        latencies.push_back(ticks() - sent);
        if (delivered)
            delivered->signal();
    }
    std::vector<int64_t> latencies;
    pel::Event* delivered = nullptr;
};

bool postNow(LatencyListener& listener) {
    const int64_t now = ticks();
    pel::MessageData data;
    data.param1 = static_cast<UINT_PTR>(static_cast<uint32_t>(now));
    data.param2 = static_cast<UINT_PTR>(static_cast<uint32_t>(now >> 32));
    return listener.msgPostData(&data);
}

class Poster : public pel::Runnable {
public:
    Poster(LatencyListener& listener, int count, pel::Event* delivered)
        : m_listener(listener), m_count(count), m_delivered(delivered) {}
    void run() override {
        for (int i = 0; i < m_count; ++i) {
            while (!postNow(m_listener)) // the window queue is full: the main thread catches up
                ::Sleep(0);
            if (m_delivered)
                m_delivered->wait();
        }
    }

private:
    LatencyListener& m_listener;
    int m_count;
    pel::Event* m_delivered;
};

// The peer: a plain message-only window that counts what it receives.
long s_rawReceived = 0;

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 1) {
        ++s_rawReceived;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class RawPoster : public pel::Runnable {
public:
    explicit RawPoster(HWND window) : m_window(window) {}
    void run() override {
        for (int i = 0; i < kPostsPerWorker; ++i)
            while (!::PostMessageW(m_window, WM_APP + 1, i, 0))
                ::Sleep(0);
    }

private:
    HWND m_window;
};

// Messages per second of one run: kWorkers threads run makeBody(), the main thread dispatches
// until done().
template <class MakeBody, class Done>
double fourWorkerRate(MakeBody makeBody, Done done) {
    std::vector<std::unique_ptr<pel::Runnable>> bodies;
    std::vector<std::unique_ptr<pel::Thread>> threads;
    const double start = bench::seconds();
    for (int t = 0; t < kWorkers; ++t) {
        bodies.emplace_back(makeBody());
        threads.emplace_back(new pel::Thread);
        threads.back()->start(*bodies.back());
    }
    MSG message;
    while (!done() && ::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
    const double elapsed = bench::seconds() - start;
    for (auto& thread : threads)
        thread->join();
    return kWorkers * kPostsPerWorker / elapsed;
}

void pumpUntil(const LatencyListener& listener, size_t count) {
    MSG message;
    while (listener.latencies.size() < count && ::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
}

// Median and 99th percentile in microseconds.
void percentiles(std::vector<int64_t> values, const char* name) {
    std::sort(values.begin(), values.end());
    const double unit = tickMicroseconds();
    const std::string prefix(name);
    bench::figure((prefix + "_median").c_str(), values[values.size() / 2] * unit, "us");
    bench::figure((prefix + "_p99").c_str(), values[values.size() * 99 / 100] * unit, "us");
}

} // namespace

int main() {
    pel::store_main_thread_id();
    pel::MessageRegistry registry;
    if (!registry.initRegistry(::GetModuleHandleW(nullptr)))
        return 1;

    // The two alternate, so that a busy moment of the machine does not favour either.
    const HWND window = bench::messageOnlyWindow(&countingProcedure, L"TESSEL_BENCH_PEER");
    double bestRate = 0;
    double peerRate = 0;
    const size_t total = kWorkers * kPostsPerWorker;
    for (int run = 0; run < 5; ++run) {
        LatencyListener listener;
        listener.latencies.reserve(total);
        bestRate = std::max(bestRate, fourWorkerRate([&] { return new Poster(listener, kPostsPerWorker, nullptr); },
                                                     [&] { return listener.latencies.size() == total; }));
        s_rawReceived = 0;
        peerRate = std::max(peerRate, fourWorkerRate([&] { return new RawPoster(window); },
                                                     [&] { return size_t(s_rawReceived) == total; }));
    }
    ::DestroyWindow(window);

    LatencyListener idle;
    pel::Event delivered;
    idle.delivered = &delivered;
    Poster body(idle, kIdleRounds, &delivered);
    pel::Thread worker;
    worker.start(body);
    pumpUntil(idle, kIdleRounds);
    worker.join();

    registry.releaseRegistry();
    bench::figure("postmessage_4_workers", peerRate, "msgs/s");
    bench::figureBeside("registry_messages_4_workers", bestRate, "msgs/s", "postmessage", peerRate);
    percentiles(idle.latencies, "registry_latency");
    return 0;
}
