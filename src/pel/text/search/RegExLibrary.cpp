#include "pel/text/search/RegExLibrary.h"

#include "pel/log/Log.h"

#include <oniguruma.h>

#include <atomic>
#include <mutex>

namespace pel {

namespace {

std::mutex g_library_mutex;
std::atomic<bool> g_library_ready{false};

} // namespace

void initRegExLibrary() {
    if (g_library_ready.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(g_library_mutex);
    if (g_library_ready.load(std::memory_order_relaxed))
        return;
    OnigEncoding encodings[] = {ONIG_ENCODING_UTF16_LE, ONIG_ENCODING_ASCII};
    const int result = onig_initialize(encodings, 2);
    if (result != ONIG_NORMAL)
        log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"initRegExLibrary(): onig_initialize failed with %d\n", result);
    // The engine's default is the same figure; set it so no build option can switch it off.
    onig_set_retry_limit_in_match(REGEX_RETRY_LIMIT);
    g_library_ready.store(true, std::memory_order_release);
}

void shutdownRegExLibrary() {
    std::lock_guard<std::mutex> lock(g_library_mutex);
    if (!g_library_ready.load(std::memory_order_relaxed))
        return;
    onig_end();
    g_library_ready.store(false, std::memory_order_release);
}

} // namespace pel
