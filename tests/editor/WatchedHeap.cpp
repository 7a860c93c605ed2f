// The editor tests' program watches its heap.
#include "support/WatchedHeap.inl"
