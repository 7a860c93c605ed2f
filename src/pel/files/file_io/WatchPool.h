#pragma once
// The process-wide service that watches native directories for changes: one WatchEntry per
// directory and recursion, shared by every handle opened on it, spread over "WatchPool" threads
// of at most 63 entries each. Each change becomes a WatchNotification delivered, outside the
// pool lock, to the observer of every open handle on its entry. The native disk devices hold
// the pool: the first creates it, the last destroys it.

#include "pel/files/file_io/DirObserver.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pel {

class DirObserverHandleWin32;
class WatchEntry;
class WatchPoolThread;

class WatchPool {
public:
    // A reference on the process's pool, created on first use.
    static WatchPool* acquire();
    // Drops a reference; the last one destroys the pool once its threads have ended.
    static void release(WatchPool* pool);

    // nativeDirectory: the directory with a trailing separator; callerPath: the device path the
    // handle reports. Null with o_error set when the directory cannot be watched.
    DirObserverHandle* openHandle(FileDevice* device, const wchar_t* nativeDirectory, const wchar_t* callerPath,
                                  bool recursive, DirObserver* observer, uintptr_t userWord, DWORD* o_error);
    // Closes the handle and drops the reference its opener held; false for a handle the pool
    // does not know.
    bool closeHandle(DirObserverHandle* handle);

    // For the pool threads: build and deliver the records of an entry that woke.
    void deliverRecords(WatchEntry* entry, DWORD bytes);
    void deliverOverflow(WatchEntry* entry);
    void deliverFailure(WatchEntry* entry);
    void reportLostEntry(WatchEntry* entry);
    static void countWait();

    // Introspection: threads serving entries, threads whose system thread has not ended yet,
    // entries, entries whose first read is not issued yet, and waits begun by all threads.
    static size_t threadCount();
    static size_t runningThreadCount();
    static size_t entryCount();
    static size_t pendingStarts();
    static uint64_t waitCount();

    WatchPool(const WatchPool&) = delete;
    WatchPool& operator=(const WatchPool&) = delete;

private:
    WatchPool() = default;
    ~WatchPool();

    // Under the pool lock.
    WatchEntry* getOrCreateEntry(const std::wstring& path, bool recursive, DWORD* o_error);
    bool placeEntry(WatchEntry* entry, DWORD* o_error);
    void unmapEntry(WatchEntry* entry);
    // Retired threads whose system thread has ended, taken off the list for deletion.
    std::vector<WatchPoolThread*> takeEndedThreads();
    void deliver(WatchEntry* entry, std::vector<WatchNotification*>& records);

    int m_refCount = 0;
    std::multimap<uint32_t, WatchEntry*> m_entries; // by directory key
    std::multimap<WatchEntry*, DirObserverHandleWin32*> m_handles;
    std::vector<WatchPoolThread*> m_threads;
    std::vector<WatchPoolThread*> m_retired; // stopped, not yet joined
};

} // namespace pel
