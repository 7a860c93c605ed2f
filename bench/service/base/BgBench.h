#pragma once
// Shared pieces of the background-work benchmarks: tick counts, the median and 99th
// percentile of a set of samples beside a peer's, the message-only window of the bare-Win32
// peers, and the main-thread set-up that the scheduler and the task runner need.

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "support/Bench.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace bgbench {

inline int64_t ticks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline double tickMicroseconds() {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1e6 / static_cast<double>(frequency.QuadPart);
}

// Busy for the given microseconds (a step of work that keeps its thread).
inline void spin(double microseconds) {
    const int64_t end = ticks() + static_cast<int64_t>(microseconds / tickMicroseconds());
    while (ticks() < end) {
    }
}

struct Percentiles {
    double median;
    double p99;
};

inline Percentiles percentiles(std::vector<int64_t> samples) {
    std::sort(samples.begin(), samples.end());
    const double unit = tickMicroseconds();
    return {samples[samples.size() / 2] * unit, samples[samples.size() * 99 / 100] * unit};
}

// "<name>_median", "<name>_p99" in microseconds; with a peer, its figures first and the ratios.
inline void printLatency(const std::string& name, const Percentiles& ours, const std::string& peer,
                         const Percentiles* theirs) {
    if (theirs) {
        bench::figure((peer + "_median").c_str(), theirs->median, "us");
        bench::figure((peer + "_p99").c_str(), theirs->p99, "us");
    }
    bench::figureBeside((name + "_median").c_str(), ours.median, "us", peer.c_str(), theirs ? theirs->median : 0);
    bench::figureBeside((name + "_p99").c_str(), ours.p99, "us", peer.c_str(), theirs ? theirs->p99 : 0);
}

// A message-only window whose procedure calls onMessage for WM_APP + 1.
class PeerWindow {
public:
    explicit PeerWindow(void (*onMessage)(WPARAM, LPARAM)) {
        s_onMessage = onMessage;
        m_window = bench::messageOnlyWindow(&procedure, L"TESSEL_BG_BENCH_PEER");
    }
    ~PeerWindow() { ::DestroyWindow(m_window); }
    HWND handle() const { return m_window; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP + 1) {
            s_onMessage(wParam, lParam);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    static inline void (*s_onMessage)(WPARAM, LPARAM) = nullptr;
    HWND m_window;
};

// Dispatches messages until done() holds.
template <class Done>
void pumpUntil(Done done) {
    MSG message;
    while (!done() && ::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
}

// The main thread and the message registry, as the program's start-up makes them.
class MainThread {
public:
    MainThread() {
        pel::store_main_thread_id();
        if (!m_registry.initRegistry(::GetModuleHandleW(nullptr)))
            std::exit(1);
    }
    ~MainThread() { m_registry.releaseRegistry(); }

private:
    pel::MessageRegistry m_registry;
};

} // namespace bgbench
