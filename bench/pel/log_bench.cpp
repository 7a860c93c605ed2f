// Log calls per second, formatting included, delivered to one listener that drops every line.
// Every line first goes to the debugger output, so the same line sent to OutputDebugStringW
// alone is measured too, as the peer.
// Prints "log_printf_dropping_listener <calls/s> calls/s", "debugger_output_alone <calls/s> calls/s"
// and the ratio of the two.

#include "pel/log/LogManager.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

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

class DroppingListener final : public pel::LogListener {
public:
    void onMessage(pel::LogMessage*) override { ++received; }
    long received = 0;
};

constexpr int kCalls = 100000;

} // namespace

int main() {
    DroppingListener listener;
    pel::LogManager_Impl::getInstance()->addListener(&listener, false);
    const uint32_t source = pel::LogManager_Impl::getInstance()->registerSource(L"Bench");
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = seconds();
        for (int i = 0; i < kCalls; ++i)
            pel::log_printf(pel::LOG_INFO, source, L"document %s line %d changed", L"C:\\work\\file.txt", i);
        best = std::min(best, seconds() - start);
    }
    pel::LogManager_Impl::getInstance()->removeListener(&listener);
    if (listener.received != 3L * kCalls) {
        std::fprintf(stderr, "log_bench: the listener received %ld of %d lines\n", listener.received, 3 * kCalls);
        return 1;
    }
    const double logRate = kCalls / best;

    best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = seconds();
        for (int i = 0; i < kCalls; ++i)
            ::OutputDebugStringW(L"document C:\\work\\file.txt line 123456 changed\n");
        best = std::min(best, seconds() - start);
    }
    const double debuggerRate = kCalls / best;
    std::printf("log_printf_dropping_listener %.0f calls/s\n", logRate);
    std::printf("debugger_output_alone %.0f calls/s\n", debuggerRate);
    std::printf("log_printf_vs_debugger_output %.2f ratio\n", logRate / debuggerRate);
    return 0;
}
