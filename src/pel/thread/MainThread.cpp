#include "pel/thread/MainThread.h"

#include "pel/base/Exception.h"
#include "pel/log/Log.h"

#include <atomic>

namespace pel {

namespace {
std::atomic<uint32_t> s_mainThreadId{0};
}

uint32_t store_main_thread_id() {
    uint32_t expected = 0;
    const uint32_t current = ::GetCurrentThreadId();
    return s_mainThreadId.compare_exchange_strong(expected, current) ? current : expected;
}

uint32_t get_main_thread_id() { return s_mainThreadId.load(); }

bool is_main_thread() {
    const uint32_t id = s_mainThreadId.load();
    return id != 0 && id == ::GetCurrentThreadId();
}

uint32_t check_main_thread() {
    if (!is_main_thread())
        throw IllegalStateException(L"Not a main thread.");
    return ::GetCurrentThreadId();
}

DWORD_PTR getProcessAffinityMask() { return getProcessAffinityMask(::GetCurrentProcess()); }

DWORD_PTR getProcessAffinityMask(HANDLE process) {
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (!::GetProcessAffinityMask(process, &processMask, &systemMask)) {
        log_printf(LOG_ERROR, LOG_INTERNAL_SOURCE, L"MTL::GetProcessAffinityMask error %d\n",
                   static_cast<int>(::GetLastError()));
        return 0;
    }
    return processMask;
}

int getProcessorCount() {
    int count = 0;
    for (DWORD_PTR mask = getProcessAffinityMask(); mask; mask &= mask - 1)
        ++count;
    return count;
}

} // namespace pel
