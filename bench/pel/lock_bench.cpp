// Lock and unlock pairs per second of the library's FastMutex: on one thread without
// contention, and with four threads taking the same mutex.

#include "pel/thread/Event.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/Thread.h"
#include "support/Bench.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

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

// Seconds from the start signal until all four threads are done.
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
    const double start = bench::seconds();
    go.signal();
    for (auto& thread : threads)
        thread->join();
    return bench::seconds() - start;
}

} // namespace

int main() {
    pel::FastMutex mutex;
    const double alone = bench::bestOf(3, [&] {
        for (int i = 0; i < kUncontendedPairs; ++i) {
            mutex.lock();
            s_shared = s_shared + 1;
            mutex.unlock();
        }
    });
    bench::figure("fastmutex_uncontended", kUncontendedPairs / alone, "pairs/s");

    double contended = 1e30;
    for (int run = 0; run < 3; ++run)
        contended = std::min(contended, contendedRun());
    bench::figure("fastmutex_contended_4", kThreads * static_cast<double>(kContendedPairsPerThread) / contended,
                  "pairs/s");
    return 0;
}
