#include "pel/base/BlockHeap.h"

#include "pel/thread/Mutex.h"

#include <windows.h>

#include <atomic>
#include <new>

namespace pel {

namespace {

constexpr size_t GRANULE = 8;
constexpr size_t CLASS_COUNT = BlockHeap::MAX_BLOCK / GRANULE;

struct FreeBlock {
    FreeBlock* next;
};

// The head of a slab; its blocks follow.
struct Slab {
    Slab* previous; // in its class's list of slabs with free blocks
    Slab* next;
    FreeBlock* free;  // blocks given back
    char* untouched;  // blocks never handed out begin here
    uint32_t used;
    uint32_t capacity;
    uint32_t classIndex;
    bool listed; // in the list of slabs with free blocks
};

constexpr size_t HEADER = (sizeof(Slab) + GRANULE - 1) / GRANULE * GRANULE;

// The system hands out memory in aligned units of the slab's size: a block finds its slab by
// rounding its address down.
Slab* slabOf(void* block) {
    return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(block) & ~(BlockHeap::SLAB_SIZE - 1));
}

// The heap's locks are held for a few instructions: a spin lock that yields its time slice
// when it keeps finding the lock taken costs one atomic exchange when it is free.
class SpinLock {
public:
    void lock() {
        for (int spins = 0; m_taken.exchange(true, std::memory_order_acquire); ++spins) {
            if (spins < 64)
                YieldProcessor();
            else
                ::SwitchToThread();
        }
    }
    void unlock() { m_taken.store(false, std::memory_order_release); }

private:
    std::atomic<bool> m_taken{false};
};

using Lock = ScopedLock<SpinLock>;

} // namespace

class BlockHeap::Impl {
public:
    void* allocate(size_t classIndex) {
        SizeClass& sizeClass = m_classes[classIndex];
        Lock lock(sizeClass.lock);
        Slab* slab = sizeClass.withFree;
        if (!slab) {
            slab = takeSlab(classIndex);
            if (!slab)
                throw std::bad_alloc();
            link(sizeClass, slab);
        }
        void* block;
        if (FreeBlock* free = slab->free) {
            slab->free = free->next;
            block = free;
        } else {
            block = slab->untouched;
            slab->untouched += (classIndex + 1) * GRANULE;
        }
        if (++slab->used == slab->capacity)
            unlink(sizeClass, slab);
        return block;
    }

    void deallocate(void* block) {
        Slab* slab = slabOf(block);
        SizeClass& sizeClass = m_classes[slab->classIndex];
        {
            Lock lock(sizeClass.lock);
            FreeBlock* free = static_cast<FreeBlock*>(block);
            free->next = slab->free;
            slab->free = free;
            if (!slab->listed)
                link(sizeClass, slab);
            if (--slab->used != 0)
                return;
            unlink(sizeClass, slab);
        }
        giveBack(slab);
    }

    size_t slabCount() {
        Lock lock(m_reserveLock);
        return m_slabs;
    }

    size_t reserveCount() {
        Lock lock(m_reserveLock);
        return m_reserveCount;
    }

private:
    struct SizeClass {
        SpinLock lock;
        Slab* withFree = nullptr;
    };

    static void link(SizeClass& sizeClass, Slab* slab) {
        slab->previous = nullptr;
        slab->next = sizeClass.withFree;
        if (slab->next)
            slab->next->previous = slab;
        sizeClass.withFree = slab;
        slab->listed = true;
    }

    static void unlink(SizeClass& sizeClass, Slab* slab) {
        (slab->previous ? slab->previous->next : sizeClass.withFree) = slab->next;
        if (slab->next)
            slab->next->previous = slab->previous;
        slab->previous = slab->next = nullptr;
        slab->listed = false;
    }

    // An empty slab for the class, from the reserve or the system; null when there is no memory.
    Slab* takeSlab(size_t classIndex) {
        Slab* slab = nullptr;
        {
            Lock lock(m_reserveLock);
            if ((slab = m_reserve) != nullptr) {
                m_reserve = slab->next;
                --m_reserveCount;
            }
        }
        if (!slab) {
            // The system hands out whole, aligned allocation units of this size.
            slab = static_cast<Slab*>(::VirtualAlloc(nullptr, SLAB_SIZE, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
            if (!slab)
                return nullptr;
            Lock lock(m_reserveLock);
            ++m_slabs;
        }
        const size_t blockSize = (classIndex + 1) * GRANULE;
        slab->previous = slab->next = nullptr;
        slab->free = nullptr;
        slab->untouched = reinterpret_cast<char*>(slab) + HEADER;
        slab->used = 0;
        slab->capacity = static_cast<uint32_t>((SLAB_SIZE - HEADER) / blockSize);
        slab->classIndex = static_cast<uint32_t>(classIndex);
        slab->listed = false;
        return slab;
    }

    void giveBack(Slab* slab) {
        {
            Lock lock(m_reserveLock);
            if (m_reserveCount < RESERVE_SLABS) {
                slab->next = m_reserve;
                m_reserve = slab;
                ++m_reserveCount;
                return;
            }
            --m_slabs;
        }
        ::VirtualFree(slab, 0, MEM_RELEASE);
    }

    SizeClass m_classes[CLASS_COUNT];
    SpinLock m_reserveLock;
    Slab* m_reserve = nullptr; // empty slabs, chained through next
    size_t m_reserveCount = 0;
    size_t m_slabs = 0;
};

BlockHeap::Impl& BlockHeap::instance() {
    // Never destroyed: blocks may still be given back while the program ends.
    static Impl* const heap = new Impl();
    return *heap;
}

void* BlockHeap::allocate(size_t size) {
    if (size > MAX_BLOCK)
        return ::operator new(size);
    return instance().allocate(size == 0 ? 0 : (size - 1) / GRANULE);
}

void BlockHeap::deallocate(void* block, size_t size) {
    if (!block)
        return;
    if (size > MAX_BLOCK)
        ::operator delete(block);
    else
        instance().deallocate(block);
}

size_t BlockHeap::slabCount() { return instance().slabCount(); }

size_t BlockHeap::reserveCount() { return instance().reserveCount(); }

} // namespace pel
