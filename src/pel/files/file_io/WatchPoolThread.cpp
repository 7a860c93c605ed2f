#include "pel/files/file_io/WatchPoolThread.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/WatchEntry.h"
#include "pel/files/file_io/WatchPool.h"

#include <algorithm>

namespace pel {

WatchPoolThread::WatchPoolThread(WatchPool* pool) : WorkerThread(L"WatchPool", 128), m_pool(pool) {
    std::fill(std::begin(m_handles), std::end(m_handles), INVALID_HANDLE_VALUE);
    std::fill(std::begin(m_slots), std::end(m_slots), nullptr);
}

WatchPoolThread::~WatchPoolThread() { stopAndJoin(); }

bool WatchPoolThread::addEntry(WatchEntry* entry) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (m_liveEntries >= MAX_ENTRIES)
        return false;
    if (!PEL_SOFT_ASSERT(std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end()))
        return true;
    entry->duplicate();
    entry->thread = this;
    m_entries.push_back(entry);
    ++m_liveEntries;
    wake();
    return true;
}

void WatchPoolThread::removeEntry(WatchEntry* entry) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (entry->thread.exchange(nullptr) != this)
        return;
    --m_liveEntries;
    wake();
}

void WatchPoolThread::rebuild() {
    std::vector<WatchEntry*> refused;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        m_handles[0] = wakeUpHandle();
        m_slots[0] = nullptr;
        DWORD count = 1;
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            WatchEntry* entry = *it;
            if (!entry->thread.load()) {
                it = m_entries.erase(it);
                if (entry->cancel())
                    entry->release();
                else
                    m_pool->reportLostEntry(entry); // the system still owns its buffer
                continue;
            }
            ++it;
            if (entry->needsStart.load()) {
                // Cleared only once the read is issued: whoever finds no start pending may
                // count on every change from then on being seen.
                const bool issued = entry->issueRead();
                entry->needsStart = false;
                if (!issued) {
                    refused.push_back(entry);
                    continue;
                }
            }
            // A failed entry takes no part in the wait until its handles close.
            if (entry->isFailed() || !entry->event() || count >= MAXIMUM_WAIT_OBJECTS)
                continue;
            m_handles[count] = entry->event();
            m_slots[count] = entry;
            ++count;
        }
        std::fill(m_handles + count, m_handles + MAXIMUM_WAIT_OBJECTS, INVALID_HANDLE_VALUE);
        m_handleCount = count;
    }
    for (WatchEntry* entry : refused)
        fail(entry);
}

void WatchPoolThread::fail(WatchEntry* entry) {
    entry->state = WatchEntry::FAILED;
    entry->closeHandles();
    m_pool->deliverFailure(entry);
}

void WatchPoolThread::process(WatchEntry* entry) {
    DWORD bytes = 0;
    const WatchEntry::Completion completion = entry->complete(&bytes);
    if (completion == WatchEntry::READ_INCOMPLETE || !entry->thread.load() || entry->isFailed())
        return; // woken without a finished read, or removed: the rebuild frees it
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    entry->wakeTime = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    if (completion == WatchEntry::READ_RECORDS)
        m_pool->deliverRecords(entry, bytes);
    else if (completion == WatchEntry::READ_OVERFLOW)
        m_pool->deliverOverflow(entry);
    // A read that ended in an error would end the same way again at once.
    if (completion != WatchEntry::READ_BROKEN && entry->issueRead())
        return;
    fail(entry);
    rebuild(); // its event leaves the wait array before the next wait
}

int WatchPoolThread::run(void*) {
    rebuild();
    while (!isStopRequested()) {
        if (m_handleCount < 1 || m_handleCount > MAXIMUM_WAIT_OBJECTS) {
            softAssertion(L"0", PEL_FILE, __LINE__);
            break;
        }
        WatchPool::countWait();
        int index = -1;
        const int result = Semaphore_Impl::waitAny(m_handles, m_handleCount, &index);
        if (result == Semaphore_Impl::Abandoned) {
            softAssertion(L"0", PEL_FILE, __LINE__);
            break;
        }
        if (result != Semaphore_Impl::Signalled) {
            // Only a handle closed behind the pool's back fails a wait; never spin on it.
            rebuild();
            ::Sleep(10);
            continue;
        }
        if (index == 0)
            rebuild();
        else if (index > 0 && static_cast<DWORD>(index) < m_handleCount)
            process(m_slots[index]);
    }
    rebuild();
    PEL_SOFT_ASSERT(m_entries.size() == 0);
    return 0;
}

} // namespace pel
