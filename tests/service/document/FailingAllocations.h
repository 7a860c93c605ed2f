#pragma once
// Allocations that fail on purpose: the document tests' program replaces operator new, and a test
// makes one chosen allocation of its own thread throw std::bad_alloc, to see that whatever fails
// on the way leaves nothing half done.

namespace tessel_test {

// From now on, the `count`-th allocation through operator new on the calling thread throws
// std::bad_alloc (once); 0 cancels what is armed.
void failAllocation(unsigned count);
// Cancels what is armed; whether the armed allocation came and failed.
bool stopFailingAllocations();

} // namespace tessel_test
