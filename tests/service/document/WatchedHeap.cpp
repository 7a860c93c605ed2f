// The document tests' program watches its heap.
#include "support/WatchedHeap.inl"
