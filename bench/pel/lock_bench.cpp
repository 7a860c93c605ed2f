// Lock and unlock pairs per second of the library's FastMutex: on one thread without
// contention, and with four threads taking the same mutex.
// Prints "fastmutex_uncontended <pairs/s> pairs/s" and "fastmutex_contended_4 <pairs/s> pairs/s".

#include "pel/thread/Event.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/Thread.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

constexpr int kUncontendedPairs = 20000000;
constexpr int kContendedPairsPerThread = 1000000;
constexpr int kThreads = 4;

volatile long s_shared = 0;

class Contender : public pel::Runnable {
public:
    Contender(pel::FastMutex& mutex, pel::Event& go) : m_mutex(mutex), m_go(go) {}
    void run() override {
        m_go.wait();
        for (int i = 0; i < kContendedPairsPerThread; ++i) {
            m_mutex.lock();
            s_shared = s_shared + 1;
            m_mutex.unlock();
        }
    }

private:
    pel::FastMutex& m_mutex;
    pel::Event& m_go;
};

double contendedRun() {
    pel::FastMutex mutex;
    pel::Event go(false);
    std::vector<std::unique_ptr<Contender>> bodies;
    std::vector<std::unique_ptr<pel::Thread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        bodies.emplace_back(new Contender(mutex, go));
        threads.emplace_back(new pel::Thread);
        threads.back()->start(*bodies.back());
    }
    const double start = seconds();
    go.signal();
    for (auto& thread : threads)
        thread->join();
    return seconds() - start;
}

} // namespace

int main() {
    pel::FastMutex mutex;
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = seconds();
        for (int i = 0; i < kUncontendedPairs; ++i) {
            mutex.lock();
            s_shared = s_shared + 1;
            mutex.unlock();
        }
        best = std::min(best, seconds() - start);
    }
    std::printf("fastmutex_uncontended %.0f pairs/s\n", kUncontendedPairs / best);

    best = 1e30;
    for (int run = 0; run < 3; ++run)
        best = std::min(best, contendedRun());
    std::printf("fastmutex_contended_4 %.0f pairs/s\n", kThreads * static_cast<double>(kContendedPairsPerThread) / best);
    return 0;
}
