#pragma once
// A thread-safe free list of fixed-size blocks. Blocks go back to the list, never to the heap,
// until the pool itself is destroyed; a maximum, when set, bounds how many ever exist.

#include "pel/thread/Mutex.h"

#include <cstdint>
#include <vector>

namespace pel {

class MemoryPool {
public:
    // max_alloc 0 means no limit; otherwise it must be at least pre_alloc.
    MemoryPool(uint32_t blockSize, int32_t pre_alloc = 0, int32_t max_alloc = 0);
    ~MemoryPool();
    MemoryPool(const MemoryPool&) = delete;
    MemoryPool& operator=(const MemoryPool&) = delete;

    // A free block, or a new one; OutOfMemoryException "MemoryPool exhausted" past the maximum.
    void* get();
    void release(void* block);

    int32_t available() const;
    int32_t allocated() const;
    uint32_t blockSize() const { return m_blockSize; }

private:
    const uint32_t m_blockSize;
    const int32_t m_maxAlloc;
    int32_t m_allocated;
    std::vector<void*> m_free;
    mutable FastMutex m_mutex;
};

} // namespace pel
