#include "pel/stream/RandomStream.h"

#include "pel/base/Random.h"
#include "pel/base/SHA1Engine.h"
#include "pel/base/Timestamp.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace pel {

namespace {

constexpr int BUFFER_SIZE = 256;

// Carried from one fill to the next across the process, so that fills started within one clock
// tick (whose generators are seeded alike) still differ.
std::atomic<uint32_t> g_mix{0};

// 128 bytes of whatever differs between processes, threads and moments.
void fillWorkArea(uint32_t (&area)[32], const void* caller) {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    area[0] = static_cast<uint32_t>(counter.QuadPart);
    area[1] = static_cast<uint32_t>(counter.QuadPart >> 32);
    area[2] = ::GetCurrentProcessId();
    area[3] = ::GetCurrentThreadId();
    area[4] = ::GetTickCount();
    area[5] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(caller));
    area[6] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&counter));
    for (int i = 7; i < 32; ++i)
        area[i] = area[i - 7] * 2654435761u + static_cast<uint32_t>(i);
}

} // namespace

RandomBuf::RandomBuf() : BufferedStreamBuf(BUFFER_SIZE, std::ios_base::in) {}

int RandomBuf::readFromDevice(char* buffer, int length) {
    Random first(256);
    Random second(64);
    const uint32_t step = second.next();
    uint32_t mix = g_mix.fetch_add(step) + step;

    SHA1Engine engine;
    const int64_t now = currentTimeMicros();
    engine.update(&now, sizeof now);
    const RandomBuf* self = this;
    engine.update(&self, sizeof self);
    engine.update(buffer, static_cast<size_t>(length));
    uint32_t workArea[32];
    fillWorkArea(workArea, buffer);
    engine.update(workArea, sizeof workArea);

    int produced = 0;
    while (produced < length) {
        for (int i = 0; i < 100; ++i) {
            const uint32_t r = second.next();
            engine.update(&r, sizeof r);
            engine.update(&mix, sizeof mix);
            mix += first.next();
        }
        const DigestEngine::Digest digest = engine.digest();
        for (size_t i = 0; i < digest.size() && produced < length; ++i) {
            engine.update(static_cast<char>(digest[i]));
            buffer[produced++] = static_cast<char>(digest[i]);
        }
    }
    g_mix.fetch_add(mix);
    return produced;
}

} // namespace pel
