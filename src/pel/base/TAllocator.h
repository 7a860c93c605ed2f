#pragma once
// A chunked pool of ready-constructed objects of one type: N objects are built when their chunk
// is made and destroyed when it is freed, so a slot handed out is a live object. At most two
// empty chunks are kept in reserve. TLockedAllocator serialises every call.

#include "pel/base/Assert.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <new>
#include <set>

namespace pel {

template <class T, int N, class M = NullMutex>
class TAllocator {
    static_assert(N > 0, "a chunk holds at least one object");

public:
    TAllocator() = default;
    TAllocator(const TAllocator&) = delete;
    TAllocator& operator=(const TAllocator&) = delete;

    ~TAllocator() {
        for (Chunk* chunk : m_set)
            destroyChunk(chunk);
    }

    T* allocate() {
        ScopedLock<M> lock(m_mutex);
        if (!m_current)
            createChunk();
        Chunk* c = m_current;
        T* object = c->slots[--c->free_count];
        c->inUse[object - c->object(0)] = true;
        if (++c->m_ref_counter == 1) {
            --m_supply_depot;
            PEL_ASSERT(m_supply_depot >= 0);
        }
        if (c->m_ref_counter == N) {
            PEL_ASSERT(c->prev == nullptr);
            unlink(c);
        }
        return object;
    }

    void deallocate(T* object) {
        if (!object)
            return;
        ScopedLock<M> lock(m_mutex);
        Chunk* c = findChunk(object);
        // A foreign or repeated pointer must not reach the slot stack, where it would be handed
        // out twice: these are hard checks.
        const uintptr_t offset = reinterpret_cast<uintptr_t>(object) - reinterpret_cast<uintptr_t>(c->heap);
        PEL_ASSERT(offset % sizeof(T) == 0);
        bool& inUse = c->inUse[offset / sizeof(T)];
        PEL_ASSERT(inUse);
        inUse = false;
        c->slots[c->free_count++] = object;
        --c->m_ref_counter;
        if (c->free_count == 1) // it was full, so out of the free-chunk list
            linkAtHead(c);
        if (c->m_ref_counter == 0) {
            if (m_supply_depot >= 2) {
                unlink(c);
                m_set.erase(c);
                if (m_cached == c)
                    m_cached = nullptr;
                destroyChunk(c);
            } else {
                ++m_supply_depot;
            }
        }
    }

    // Introspection for tests and statistics.
    size_t chunkCount() const { return m_set.size(); }
    int32_t reserveCount() const { return m_supply_depot; }

private:
    struct Chunk {
        Chunk* prev = nullptr;
        Chunk* next = nullptr;
        int32_t free_count = 0;
        int32_t m_ref_counter = 0;
        T* slots[N];
        bool inUse[N] = {}; // handed out and not yet given back
        alignas(T) unsigned char heap[N * sizeof(T)];

        T* object(int i) { return reinterpret_cast<T*>(heap) + i; }
        bool holds(const void* p) const {
            return p >= static_cast<const void*>(heap) && p < static_cast<const void*>(heap + sizeof(heap));
        }
    };

    struct ChunkAddressLess {
        bool operator()(const Chunk* a, const Chunk* b) const {
            return reinterpret_cast<uintptr_t>(a) < reinterpret_cast<uintptr_t>(b);
        }
    };

    void createChunk() {
        Chunk* c = new Chunk;
        int built = 0;
        try {
            for (; built < N; ++built)
                new (c->object(built)) T();
        } catch (...) {
            while (built > 0)
                c->object(--built)->~T();
            delete c;
            throw;
        }
        for (int i = 0; i < N; ++i)
            c->slots[i] = c->object(N - 1 - i);
        c->free_count = N;
        m_set.insert(c);
        linkAtHead(c);
        // A new chunk is empty: it enters the reserve, and its first allocation takes it out.
        ++m_supply_depot;
    }

    void destroyChunk(Chunk* c) {
        PEL_SOFT_ASSERT(c->m_ref_counter == 0);
        for (int i = 0; i < N; ++i)
            c->object(i)->~T();
        delete c;
    }

    Chunk* findChunk(const T* p) {
        if (m_cached && m_cached->holds(p))
            return m_cached;
        auto it = m_set.upper_bound(reinterpret_cast<Chunk*>(const_cast<T*>(p)));
        PEL_ASSERT(it != m_set.begin());
        --it;
        PEL_ASSERT((*it)->holds(p));
        m_cached = *it;
        return m_cached;
    }

    void linkAtHead(Chunk* c) {
        c->prev = nullptr;
        c->next = m_current;
        if (m_current)
            m_current->prev = c;
        m_current = c;
    }

    // Takes a chunk out of the free-chunk list wherever it stands in it.
    void unlink(Chunk* c) {
        if (c->prev)
            c->prev->next = c->next;
        else if (m_current == c)
            m_current = c->next;
        if (c->next)
            c->next->prev = c->prev;
        c->prev = c->next = nullptr;
    }

    Chunk* m_current = nullptr;
    std::set<Chunk*, ChunkAddressLess> m_set;
    Chunk* m_cached = nullptr;
    int32_t m_supply_depot = 0;
    M m_mutex;
};

template <class T, int N>
using TLockedAllocator = TAllocator<T, N, Mutex_Impl>;

} // namespace pel
