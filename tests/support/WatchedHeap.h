#pragma once
// A test program's own operator new, which a test watches on its own thread: it makes one chosen
// allocation throw std::bad_alloc, to see that whatever fails on the way leaves nothing half
// done, or it notes the largest block asked for, to see that an action on a huge text copies none
// of it. A program that uses it includes WatchedHeap.inl in exactly one of its source files.

#include <cstddef>

namespace tessel_test {

// From now on, the `count`-th allocation through operator new on the calling thread throws
// std::bad_alloc (once); 0 cancels what is armed.
void failAllocation(unsigned count);
// Cancels what is armed; whether the armed allocation came and failed.
bool stopFailingAllocations();

// While it lives, the largest block asked for through operator new on the thread that made it
// (one watch at a time).
class LargestAllocation {
public:
    LargestAllocation();
    ~LargestAllocation();
    LargestAllocation(const LargestAllocation&) = delete;
    LargestAllocation& operator=(const LargestAllocation&) = delete;
    std::size_t bytes() const;
};

} // namespace tessel_test
