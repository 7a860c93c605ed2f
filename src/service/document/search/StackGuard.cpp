#include "service/document/search/StackGuard.h"

#include <windows.h>

#include <algorithm>

namespace tessel {

namespace {

// The lowest address the guard lets the stack reach: the bottom of the thread's stack
// reservation plus the margin (a quarter of the stack for small stacks).
uintptr_t threadStackFloor() {
    MEMORY_BASIC_INFORMATION region = {};
    ::VirtualQuery(&region, &region, sizeof(region));
    const uintptr_t bottom = reinterpret_cast<uintptr_t>(region.AllocationBase);
    // The committed part of a stack runs up to its top.
    const uintptr_t top = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    return bottom + std::min<uintptr_t>(StackGuard::MARGIN, (top - bottom) / 4);
}

} // namespace

StackGuard::StackGuard() {
    static thread_local uintptr_t floor = threadStackFloor();
    m_floor = floor;
}

} // namespace tessel
