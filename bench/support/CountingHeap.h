#pragma once
// Counts the live heap bytes and the allocations of a benchmark program through its own
// operator new, pools included: include it in exactly one source file of the program.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <new>

namespace bench {

inline std::atomic<long long> g_liveBytes{0};
inline std::atomic<long long> g_allocations{0};

// Each block carries its size in front, so a delete knows what it gives back.
constexpr size_t HEAP_HEADER = 8;

inline long long liveBytes() { return g_liveBytes.load(); }
inline long long allocations() { return g_allocations.load(); }

} // namespace bench

void* operator new(size_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size + bench::HEAP_HEADER);
    if (!block)
        throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    bench::g_liveBytes += static_cast<long long>(size);
    ++bench::g_allocations;
    return static_cast<char*>(block) + bench::HEAP_HEADER;
}

void operator delete(void* p) noexcept {
    if (!p)
        return;
    void* block = static_cast<char*>(p) - bench::HEAP_HEADER;
    bench::g_liveBytes -= static_cast<long long>(*static_cast<size_t*>(block));
    HeapFree(GetProcessHeap(), 0, block);
}

void* operator new[](size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
