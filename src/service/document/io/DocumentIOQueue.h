#pragma once
// The loader's request slots and the queue that hands their indexes to it. The pool keeps a
// stack of free slot indexes, with a semaphore that makes a taker wait while all are in use; the
// queue is a ring with a semaphore of free places and one of queued items, and once closed it
// refuses every push and answers every pop with CLOSED. The semaphores are the process's own
// (pel::LightSemaphore): every request crosses to the loader and back, and they cost no system
// call while nobody has to wait.

#include "pel/thread/Mutex.h"
#include "pel/thread/Semaphore.h"
#include "service/document/io/DocumentIORequest.h"

namespace tessel {

class DocumentIORequestPool {
public:
    static constexpr int size = 64;

    DocumentIORequestPool();
    // Waits while every slot is taken; returns a free slot's index.
    int allocate();
    void release(int tid);
    DocumentIORequest& slot(int tid) { return m_slots[tid]; }
    // The index of a slot of this pool, -1 for anything else.
    int indexOf(const DocumentIORequest* request) const;
    // The slots taken now.
    int takenCount();

private:
    DocumentIORequest m_slots[size];
    int m_free[size];
    int m_alloc_ptr = 0; // slots taken: m_free[m_alloc_ptr..size) are free
    pel::Mutex_Impl m_lock;
    pel::LightSemaphore m_available{size, size};
};

class DocumentIOQueue {
public:
    static constexpr int size = 64;
    static constexpr int CLOSED = -2;
    static constexpr int TIMED_OUT = -3;

    // Waits for a free place; CLOSED at once when the queue is closed, else 0.
    int push(int tid);
    // Waits for a queued index and returns the oldest; CLOSED once the queue is closed,
    // TIMED_OUT when none came within milliseconds (unless that is negative; 0 only looks).
    int pop(long milliseconds = -1);
    // Whether no index is queued (one being pushed counts once it is in the ring).
    bool empty() const;
    // Refuses further pushes and wakes a waiting pop.
    void close();

private:
    int m_ring[size] = {};
    int m_head = 0; // the oldest entry
    int m_tail = 0; // where the next goes
    int m_count = 0;
    bool m_closed = false;
    mutable pel::Mutex_Impl m_lock{0x80000FA0};
    pel::LightSemaphore m_places{size, size};
    pel::LightSemaphore m_items{0, size};
};

} // namespace tessel
