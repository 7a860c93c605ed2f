#include "pel/thread/Semaphore.h"

#include "pel/base/Assert.h"

namespace pel {

Semaphore_Impl::~Semaphore_Impl() {
    // A destructor never throws: a failed close is reported and passed over.
    if (m_handle)
        PEL_SOFT_ASSERT(::CloseHandle(m_handle) != 0);
    m_handle = nullptr;
}

void Semaphore_Impl::create(long initial, long maximum) {
    PEL_ASSERT(!m_handle);
    m_handle = ::CreateSemaphoreW(nullptr, initial, maximum, nullptr);
    if (!m_handle)
        assertionViolation(L"0", PEL_FILE, __LINE__);
}

void Semaphore_Impl::set() {
    PEL_ASSERT(m_handle);
    if (!::ReleaseSemaphore(m_handle, 1, nullptr))
        assertionViolation(L"0", PEL_FILE, __LINE__);
}

int Semaphore_Impl::wait(long milliseconds) {
    PEL_ASSERT(m_handle);
    switch (::WaitForSingleObject(m_handle, milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds))) {
    case WAIT_OBJECT_0:
        return Signalled;
    case WAIT_TIMEOUT:
        return TimedOut;
    case WAIT_ABANDONED:
        return Abandoned;
    default:
        assertionViolation(L"0", PEL_FILE, __LINE__);
    }
}

int Semaphore_Impl::waitAny(const HANDLE* handles, DWORD count, int* o_index, long milliseconds) {
    PEL_CHECK_PTR(o_index);
    *o_index = -1;
    const DWORD limit = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    const DWORD result = ::WaitForMultipleObjects(count, handles, FALSE, limit);
    if (result < WAIT_OBJECT_0 + MAXIMUM_WAIT_OBJECTS && result - WAIT_OBJECT_0 < count) {
        *o_index = static_cast<int>(result - WAIT_OBJECT_0);
        return Signalled;
    }
    if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
        *o_index = static_cast<int>(result - WAIT_ABANDONED_0);
        return Abandoned;
    }
    return result == WAIT_TIMEOUT ? TimedOut : Failed;
}

void LightSemaphore::unlink(Waiter& waiter) {
    (waiter.previous ? waiter.previous->next : m_oldest) = waiter.next;
    (waiter.next ? waiter.next->previous : m_newest) = waiter.previous;
    waiter.next = waiter.previous = nullptr;
}

void LightSemaphore::set() {
    ::AcquireSRWLockExclusive(&m_lock);
    if (Waiter* oldest = m_oldest) {
        unlink(*oldest);
        oldest->hasCount = true;
        // Woken under the lock: the waiter cannot leave (its record is on its stack) before.
        ::WakeConditionVariable(&oldest->granted);
    } else if (m_count < m_maximum) {
        ++m_count;
    }
    ::ReleaseSRWLockExclusive(&m_lock);
}

int LightSemaphore::wait(long milliseconds) {
    const ULONGLONG deadline = milliseconds < 0 ? 0 : ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    ::AcquireSRWLockExclusive(&m_lock);
    if (m_count > 0) {
        --m_count;
        ::ReleaseSRWLockExclusive(&m_lock);
        return Semaphore_Impl::Signalled;
    }
    Waiter waiter;
    waiter.previous = m_newest;
    (m_newest ? m_newest->next : m_oldest) = &waiter;
    m_newest = &waiter;
    while (!waiter.hasCount) {
        DWORD left = INFINITE;
        if (milliseconds >= 0) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline) {
                unlink(waiter);
                ::ReleaseSRWLockExclusive(&m_lock);
                return Semaphore_Impl::TimedOut;
            }
            left = static_cast<DWORD>(deadline - now);
        }
        ::SleepConditionVariableSRW(&waiter.granted, &m_lock, left, 0);
    }
    ::ReleaseSRWLockExclusive(&m_lock);
    return Semaphore_Impl::Signalled;
}

size_t LightSemaphore::waiting() const {
    ::AcquireSRWLockShared(&m_lock);
    size_t count = 0;
    for (const Waiter* waiter = m_oldest; waiter; waiter = waiter->next)
        ++count;
    ::ReleaseSRWLockShared(&m_lock);
    return count;
}

} // namespace pel
