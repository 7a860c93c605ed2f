#pragma once
// A "WatchPool" thread: waits on the events of up to 63 watched directories and on its control
// semaphore, completes their reads, hands the records to the pool for delivery and issues the
// next reads. Entries are added and removed under the pool lock; the thread itself rebuilds its
// wait array, starts new entries and frees removed ones.

#include "pel/thread/Mutex.h"
#include "pel/thread/WorkerThread.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace pel {

class WatchEntry;
class WatchPool;

class WatchPoolThread : public WorkerThread {
public:
    static constexpr size_t MAX_ENTRIES = MAXIMUM_WAIT_OBJECTS - 1;

    explicit WatchPoolThread(WatchPool* pool);
    ~WatchPoolThread() override;

    // Under the pool lock. False when the thread is full.
    bool addEntry(WatchEntry* entry);
    void removeEntry(WatchEntry* entry);
    // Under the pool lock: entries not removed.
    size_t liveEntries() const { return m_liveEntries; }

protected:
    int run(void* arg) override;

private:
    // Frees removed entries, starts new ones and refills the wait array; fails entries whose
    // first read was refused.
    void rebuild();
    void process(WatchEntry* entry);
    void fail(WatchEntry* entry);

    Mutex_Impl m_lock; // the entry list
    WatchPool* m_pool;
    std::vector<WatchEntry*> m_entries;
    size_t m_liveEntries = 0;
    // Slot 0 is the wake-up semaphore; slots 1.. the events of the entries in m_slots.
    HANDLE m_handles[MAXIMUM_WAIT_OBJECTS];
    WatchEntry* m_slots[MAXIMUM_WAIT_OBJECTS];
    DWORD m_handleCount = 0;
};

} // namespace pel
