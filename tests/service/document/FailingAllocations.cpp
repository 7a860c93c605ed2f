#include "FailingAllocations.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<DWORD> s_thread{0}; // the armed thread, 0 for none
unsigned s_countdown = 0;       // touched by the armed thread only
std::atomic<bool> s_failed{false};

void* allocate(std::size_t size) {
    if (s_thread.load(std::memory_order_relaxed) == ::GetCurrentThreadId() && --s_countdown == 0) {
        s_thread = 0;
        s_failed = true;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

} // namespace

namespace tessel_test {

void failAllocation(unsigned count) {
    s_failed = false;
    s_countdown = count;
    s_thread = count ? ::GetCurrentThreadId() : 0;
}

bool stopFailingAllocations() {
    s_thread = 0;
    return s_failed.exchange(false);
}

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
