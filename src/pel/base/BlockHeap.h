#pragma once
// A thread-safe heap for small objects that are made and freed by the million, such as the
// values of a tree read from a large document: blocks of one size class (multiples of 8 bytes
// up to MAX_BLOCK) are cut from 64 KiB slabs, so that making one takes a lock and a pointer
// step instead of a trip through the general heap, and the blocks of one tree lie together.
// A slab whose blocks are all free is kept for the next tree (the memory of one is usually
// needed again, and fresh memory costs a page fault per page), up to RESERVE_SLABS; beyond
// that it goes back to the system. Larger sizes go to the general heap.

#include <cstddef>
#include <cstdint>

namespace pel {

class BlockHeap {
public:
    static constexpr size_t MAX_BLOCK = 256;
    static constexpr size_t SLAB_SIZE = 64 * 1024;
    // Empty slabs kept for reuse instead of going back to the system at once: 256 MiB, a
    // sixteenth of the address space the program can use.
    static constexpr size_t RESERVE_SLABS = 4096;

    // Throws std::bad_alloc when no memory is left. A size of 0 gives a block of 8 bytes.
    static void* allocate(size_t size);
    // The size must be the one the block was allocated with.
    static void deallocate(void* block, size_t size);

    // Introspection for tests: slabs held from the system (in use or in reserve), and empty
    // slabs in reserve.
    static size_t slabCount();
    static size_t reserveCount();

private:
    class Impl;
    static Impl& instance();
};

// A base that makes a class and everything derived from it allocate from the block heap.
class BlockHeapObject {
public:
    static void* operator new(size_t size) { return BlockHeap::allocate(size); }
    static void operator delete(void* block, size_t size) { BlockHeap::deallocate(block, size); }
};

} // namespace pel
