// The definitions of WatchedHeap.h and the operator new and delete they watch, over malloc and
// free: included in exactly one source file of a test program.

#include "support/WatchedHeap.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<DWORD> s_failingThread{0}; // the armed thread, 0 for none
unsigned s_countdown = 0;              // touched by the armed thread only
std::atomic<bool> s_failed{false};
std::atomic<DWORD> s_watchedThread{0}; // the thread whose largest block is noted, 0 for none
std::size_t s_largest = 0;             // touched by the watched thread only

void* allocate(std::size_t size) {
    const DWORD thread = ::GetCurrentThreadId();
    if (s_failingThread.load(std::memory_order_relaxed) == thread && --s_countdown == 0) {
        s_failingThread = 0;
        s_failed = true;
        throw std::bad_alloc();
    }
    if (s_watchedThread.load(std::memory_order_relaxed) == thread && size > s_largest)
        s_largest = size;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

} // namespace

namespace tessel_test {

void failAllocation(unsigned count) {
    s_failed = false;
    s_countdown = count;
    s_failingThread = count ? ::GetCurrentThreadId() : 0;
}

bool stopFailingAllocations() {
    s_failingThread = 0;
    return s_failed.exchange(false);
}

LargestAllocation::LargestAllocation() {
    s_largest = 0;
    s_watchedThread = ::GetCurrentThreadId();
}

LargestAllocation::~LargestAllocation() { s_watchedThread = 0; }

std::size_t LargestAllocation::bytes() const { return s_largest; }

} // namespace tessel_test

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
