#include "pel/text/search/RegExLibrary.h"

#include "pel/log/Log.h"

#include <oniguruma.h>

#include <atomic>
#include <mutex>

namespace pel {

namespace {

std::mutex g_library_mutex;
std::atomic<bool> g_library_ready{false};

OnigCodePoint (*g_pairToCode)(const OnigUChar* p, const OnigUChar* end) = nullptr;

bool isHighSurrogateByte(OnigUChar high) { return high >= 0xD8 && high <= 0xDB; }
bool isLowSurrogateByte(OnigUChar high) { return high >= 0xDC && high <= 0xDF; }

// The engine's UTF-16LE encoding takes every high surrogate for the first half of a pair and
// so reads, and steps, past a lone one: at the end of a text beyond the text itself. Here a
// high surrogate makes a pair only with a low surrogate after it. Looking at that next unit is
// safe: RegEx never hands the engine a text whose last unit is a high surrogate.
int surrogateSafeLength(const OnigUChar* p) {
    return isHighSurrogateByte(p[1]) && isLowSurrogateByte(p[3]) ? 4 : 2;
}

OnigCodePoint surrogateSafeCode(const OnigUChar* p, const OnigUChar* end) {
    if (surrogateSafeLength(p) == 4)
        return g_pairToCode(p, end);
    return static_cast<OnigCodePoint>(p[1] << 8 | p[0]);
}

// Once, before the engine starts: its case folding reaches these through the encoding too.
void makeLoneSurrogatesSafe() {
    OnigEncodingType& encoding = OnigEncodingUTF16_LE;
    if (encoding.mbc_enc_len == &surrogateSafeLength)
        return;
    g_pairToCode = encoding.mbc_to_code;
    encoding.mbc_enc_len = &surrogateSafeLength;
    encoding.mbc_to_code = &surrogateSafeCode;
}

} // namespace

void initRegExLibrary() {
    if (g_library_ready.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(g_library_mutex);
    if (g_library_ready.load(std::memory_order_relaxed))
        return;
    makeLoneSurrogatesSafe();
    OnigEncoding encodings[] = {ONIG_ENCODING_UTF16_LE, ONIG_ENCODING_UTF8, ONIG_ENCODING_ASCII};
    const int result = onig_initialize(encodings, sizeof(encodings) / sizeof(encodings[0]));
    if (result != ONIG_NORMAL)
        log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"initRegExLibrary(): onig_initialize failed with %d\n", result);
    // The engine's default is the same figure; set it so no build option can switch it off.
    onig_set_retry_limit_in_match(REGEX_RETRY_LIMIT);
    onig_set_parse_depth_limit(REGEX_PARSE_DEPTH_LIMIT);
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
