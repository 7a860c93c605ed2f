#include "pel/files/file_io/WatchPool.h"

#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/DirObserverHandleWin32.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/WatchEntry.h"
#include "pel/files/file_io/WatchPoolThread.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace pel {

namespace {

Mutex_Impl& poolLock() {
    static Mutex_Impl lock(0x80000000);
    return lock;
}

WatchPool* s_instance = nullptr; // under the pool lock
std::atomic<uint64_t> s_waits{0};

// Recursive and plain watches of one directory are different entries.
uint32_t directoryKey(const std::wstring& path, bool recursive) {
    const uint32_t key = crc32StringNoCase(path.c_str());
    return recursive ? crc32CharNoCase(key, L'\\') : key;
}

struct Delivery {
    DirObserverHandle* handle;
    DirObserver* observer;
    WatchNotification* record;
};

} // namespace

// ---- lifetime

WatchPool* WatchPool::acquire() {
    ScopedLock<Mutex_Impl> lock(poolLock());
    if (!s_instance)
        s_instance = new WatchPool;
    ++s_instance->m_refCount;
    return s_instance;
}

void WatchPool::release(WatchPool* pool) {
    if (!pool)
        return;
    std::vector<WatchPoolThread*> threads;
    {
        ScopedLock<Mutex_Impl> lock(poolLock());
        if (--pool->m_refCount > 0)
            return;
        if (s_instance == pool)
            s_instance = nullptr;
        else
            softAssertion(L"s_instance == instance", PEL_FILE, __LINE__);
        // Handles still open keep their entries; their threads end here all the same.
        PEL_SOFT_ASSERT(pool->m_handles.empty());
        for (WatchPoolThread* thread : pool->m_threads) {
            thread->requestStop();
            pool->m_retired.push_back(thread);
        }
        pool->m_threads.clear();
        threads.swap(pool->m_retired);
    }
    // Outside the lock: a stopping thread may still be delivering.
    for (WatchPoolThread* thread : threads)
        delete thread;
    delete pool;
}

WatchPool::~WatchPool() { PEL_SOFT_ASSERT(m_refCount == 0); }

// ---- handles

DirObserverHandle* WatchPool::openHandle(FileDevice* device, const wchar_t* nativeDirectory, const wchar_t* callerPath,
                                         bool recursive, DirObserver* observer, uintptr_t userWord, DWORD* o_error) {
    PEL_CHECK_PTR(o_error);
    PEL_CHECK_PTR(nativeDirectory);
    *o_error = 0;
    std::vector<WatchPoolThread*> ended;
    DirObserverHandleWin32* handle = nullptr;
    {
        ScopedLock<Mutex_Impl> lock(poolLock());
        if (WatchEntry* entry = getOrCreateEntry(nativeDirectory, recursive, o_error)) {
            handle = new DirObserverHandleWin32(device, observer, callerPath, entry);
            handle->setUserWord(userWord);
            m_handles.emplace(entry, handle);
        }
        ended = takeEndedThreads();
    }
    for (WatchPoolThread* thread : ended)
        delete thread;
    return handle;
}

bool WatchPool::closeHandle(DirObserverHandle* base) {
    DirObserverHandleWin32* handle = dynamic_cast<DirObserverHandleWin32*>(base);
    if (!handle)
        return false;
    std::vector<WatchPoolThread*> ended;
    {
        ScopedLock<Mutex_Impl> lock(poolLock());
        WatchEntry* entry = handle->entry();
        auto range = m_handles.equal_range(entry);
        auto it = std::find_if(range.first, range.second, [&](const auto& item) { return item.second == handle; });
        if (it == range.second)
            return false;
        m_handles.erase(it);
        handle->close();
        if (m_handles.count(entry) == 0) {
            unmapEntry(entry);
            if (WatchPoolThread* thread = entry->thread.load()) {
                thread->removeEntry(entry);
                if (thread->liveEntries() == 0) {
                    auto found = std::find(m_threads.begin(), m_threads.end(), thread);
                    if (PEL_SOFT_ASSERT(found != m_threads.end()))
                        m_threads.erase(found);
                    thread->requestStop();
                    m_retired.push_back(thread);
                }
            }
            entry->release(); // the pool's reference of an entry with handles
        }
        ended = takeEndedThreads();
    }
    handle->release();
    for (WatchPoolThread* thread : ended)
        delete thread;
    return true;
}

// ---- entries

WatchEntry* WatchPool::getOrCreateEntry(const std::wstring& path, bool recursive, DWORD* o_error) {
    const uint32_t key = directoryKey(path, recursive);
    auto range = m_entries.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        WatchEntry* entry = it->second;
        // Another directory whose key happens to be the same is another entry.
        if (entry->dir_recursive != recursive || _wcsicmp(path.c_str(), entry->dir_path.c_str()) != 0)
            continue;
        if (!entry->isFailed())
            return entry;
        // A failed entry serves its old handles until they close; a new handle watches anew.
        m_entries.erase(it);
        break;
    }
    WatchEntry* entry = WatchEntry::open(path, recursive, o_error);
    if (!entry)
        return nullptr;
    entry->key = key;
    if (!placeEntry(entry, o_error)) {
        entry->release();
        return nullptr;
    }
    m_entries.emplace(key, entry);
    return entry;
}

bool WatchPool::placeEntry(WatchEntry* entry, DWORD* o_error) {
    for (WatchPoolThread* thread : m_threads)
        if (thread->addEntry(entry))
            return true;
    WatchPoolThread* thread = new WatchPoolThread(this);
    try {
        thread->start();
    } catch (const Exception&) {
        *o_error = ::GetLastError() ? ::GetLastError() : static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
        delete thread;
        return false;
    }
    m_threads.push_back(thread);
    const bool result = thread->addEntry(entry);
    PEL_SOFT_ASSERT(result);
    return result;
}

void WatchPool::unmapEntry(WatchEntry* entry) {
    auto range = m_entries.equal_range(entry->key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == entry) {
            m_entries.erase(it);
            return;
        }
}

std::vector<WatchPoolThread*> WatchPool::takeEndedThreads() {
    std::vector<WatchPoolThread*> ended;
    for (auto it = m_retired.begin(); it != m_retired.end();) {
        if (!(*it)->isRunning()) {
            ended.push_back(*it);
            it = m_retired.erase(it);
        } else {
            ++it;
        }
    }
    return ended;
}

void WatchPool::reportLostEntry(WatchEntry* entry) {
    log_printf(LOG_ERROR, LOG_FILEIO_SOURCE, L"WatchPool: the read on '%s' did not end; its buffer stays allocated\n",
               entry->dir_path.c_str());
}

// ---- delivery

void WatchPool::deliverRecords(WatchEntry* entry, DWORD bytes) {
    std::vector<WatchNotification*> records;
    entry->buildRecords(bytes, &records);
    deliver(entry, records);
}

void WatchPool::deliverOverflow(WatchEntry* entry) {
    // Changes were lost: every object of the directory is told to look again.
    WatchNotification* record = WatchNotification::create(WATCH_MODIFIED, L"", entry->wakeTime);
    record->overflow = true;
    std::vector<WatchNotification*> records{record};
    deliver(entry, records);
}

void WatchPool::deliverFailure(WatchEntry* entry) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    std::vector<WatchNotification*> records{WatchNotification::create(
        WATCH_FAILED, entry->dir_path, (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime)};
    deliver(entry, records);
}

void WatchPool::deliver(WatchEntry* entry, std::vector<WatchNotification*>& records) {
    std::vector<Delivery> deliveries;
    {
        ScopedLock<Mutex_Impl> lock(poolLock());
        // An entry removed meanwhile has no handle left to tell.
        if (entry->thread.load()) {
            auto range = m_handles.equal_range(entry);
            for (WatchNotification* record : records)
                for (auto it = range.first; it != range.second; ++it) {
                    DirObserverHandle* handle = it->second;
                    DirObserver* observer = handle->observer();
                    if (handle->isClosed() || !observer)
                        continue;
                    handle->duplicate();
                    observer->duplicate();
                    record->duplicate();
                    deliveries.push_back({handle, observer, record});
                }
        }
    }
    for (WatchNotification* record : records)
        record->release();
    // Outside the lock, so that an observer may open and close handles.
    for (const Delivery& delivery : deliveries) {
        try {
            delivery.observer->onChange(delivery.handle, delivery.record);
        } catch (const Exception& e) {
            log_printf(LOG_ERROR, LOG_FILEIO_SOURCE, L"WatchPool: observer failed: %s\n", e.displayText().c_str());
        } catch (...) {
            log_printf(LOG_ERROR, LOG_FILEIO_SOURCE, L"WatchPool: observer failed\n");
        }
        delivery.record->release();
        delivery.observer->release();
        delivery.handle->release();
    }
}

// ---- introspection

void WatchPool::countWait() { s_waits.fetch_add(1, std::memory_order_relaxed); }

uint64_t WatchPool::waitCount() { return s_waits.load(std::memory_order_relaxed); }

size_t WatchPool::threadCount() {
    ScopedLock<Mutex_Impl> lock(poolLock());
    return s_instance ? s_instance->m_threads.size() : 0;
}

size_t WatchPool::runningThreadCount() {
    ScopedLock<Mutex_Impl> lock(poolLock());
    if (!s_instance)
        return 0;
    size_t running = 0;
    for (const auto* list : {&s_instance->m_threads, &s_instance->m_retired})
        for (WatchPoolThread* thread : *list)
            running += thread->isRunning();
    return running;
}

size_t WatchPool::entryCount() {
    ScopedLock<Mutex_Impl> lock(poolLock());
    return s_instance ? s_instance->m_entries.size() : 0;
}

size_t WatchPool::pendingStarts() {
    ScopedLock<Mutex_Impl> lock(poolLock());
    size_t pending = 0;
    if (s_instance)
        for (const auto& item : s_instance->m_entries)
            pending += item.second->needsStart.load();
    return pending;
}

} // namespace pel
