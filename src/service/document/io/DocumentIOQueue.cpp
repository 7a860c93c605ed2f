#include "service/document/io/DocumentIOQueue.h"

#include "pel/base/Assert.h"

namespace tessel {

namespace {

// Lets a waiter through a closed queue; a semaphore already at its maximum lets it through
// anyway (and keeps its count).
void wake(pel::LightSemaphore& semaphore) { semaphore.set(); }

} // namespace

DocumentIORequestPool::DocumentIORequestPool() {
    for (int i = 0; i < size; ++i)
        m_free[i] = i;
}

int DocumentIORequestPool::allocate() {
    m_available.wait(-1);
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    const int tid = m_free[m_alloc_ptr++];
    PEL_SOFT_ASSERT(m_alloc_ptr <= size);
    return tid;
}

void DocumentIORequestPool::release(int tid) {
    if (!PEL_SOFT_ASSERT(tid >= 0 && tid < size))
        return;
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (!PEL_SOFT_ASSERT(m_alloc_ptr > 0))
            return;
        m_free[--m_alloc_ptr] = tid;
        PEL_SOFT_ASSERT(m_alloc_ptr >= 0);
    }
    m_available.set();
}

int DocumentIORequestPool::takenCount() {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    return m_alloc_ptr;
}

int DocumentIORequestPool::indexOf(const DocumentIORequest* request) const {
    if (request < m_slots || request >= m_slots + size)
        return -1;
    return static_cast<int>(request - m_slots);
}

int DocumentIOQueue::push(int tid) {
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (m_closed)
            return CLOSED;
    }
    m_places.wait(-1);
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (m_closed) {
            wake(m_places); // the next pusher waiting on a closed queue
            return CLOSED;
        }
        m_ring[m_tail] = tid;
        m_tail = (m_tail + 1) % size;
        ++m_count;
    }
    m_items.set();
    return 0;
}

int DocumentIOQueue::pop(long milliseconds) {
    if (m_items.wait(milliseconds) != pel::Semaphore_Impl::Signalled)
        return TIMED_OUT;
    int tid;
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (m_closed || m_count == 0) {
            wake(m_items); // the next popper waiting on a closed queue
            return CLOSED;
        }
        tid = m_ring[m_head];
        m_head = (m_head + 1) % size;
        --m_count;
    }
    m_places.set();
    return tid;
}

bool DocumentIOQueue::empty() const {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    return m_count == 0;
}

void DocumentIOQueue::close() {
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
        if (m_closed)
            return;
        m_closed = true;
    }
    wake(m_items);
    wake(m_places);
}

} // namespace tessel
