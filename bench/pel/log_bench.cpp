// Log calls per second, formatting included, delivered to one listener that drops every line.
// Every line first goes to the debugger output, so the peer is that call alone on a line of
// the same length.

#include "pel/log/LogManager.h"
#include "support/Bench.h"

namespace {

class DroppingListener final : public pel::LogListener {
public:
    void onMessage(pel::LogMessage*) override { ++received; }
    long received = 0;
};

const int kCalls = bench::scaled(100000, 1000);

} // namespace

int main() {
    DroppingListener listener;
    pel::LogManager_Impl::getInstance()->addListener(&listener, false);
    const uint32_t source = pel::LogManager_Impl::getInstance()->registerSource(L"Bench");
    const double logging = bench::bestOf(3, [&] {
        for (int i = 0; i < kCalls; ++i)
            pel::log_printf(pel::LOG_INFO, source, L"document %s line %d changed", L"C:\\work\\file.txt", 100000 + i);
    });
    pel::LogManager_Impl::getInstance()->removeListener(&listener);
    if (listener.received != 3L * kCalls) {
        std::fprintf(stderr, "log_bench: the listener received %ld of %d lines\n", listener.received, 3 * kCalls);
        return 1;
    }
    const double debugger = bench::bestOf(3, [] {
        for (int i = 0; i < kCalls; ++i)
            ::OutputDebugStringW(L"document C:\\work\\file.txt line 123456 changed\n");
    });
    bench::figure("debugger_output_alone", kCalls / debugger, "calls/s");
    bench::figureBeside("log_printf_dropping_listener", kCalls / logging, "calls/s", "debugger_output",
                        kCalls / debugger);
    return 0;
}
