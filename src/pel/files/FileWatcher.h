#pragma once
// Watches files and directories, given by device paths, for main-thread clients: one callback
// per relevant change, on the main thread, through the message registry. Objects in one
// directory share one directory watch; records are filtered by name, kind, time and the
// object's options, repeated modified records are coalesced, and a failed watch is re-opened
// every 5 seconds until its directory is back. Made and destroyed on the main thread.

#include "pel/files/WatchedObject.h"
#include "pel/files/file_io/WatchNotification.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pel {

class DirObserverHandle;
class FileWatcherThread;

// A directory watch shared by the objects of one directory (and recursion).
struct ObserverRecord {
    uint64_t key; // CRC-64 of the directory path, continued over '\' when recursive
    DirObserverHandle* handle;
    int count; // objects using it
};

class FileWatcher {
public:
    // Option of openObject: watch a directory with its subdirectories.
    static constexpr uint32_t OPEN_RECURSIVE = 0x1;
    // Microseconds: how long records settle before delivery, and between re-open attempts.
    static constexpr int64_t SETTLE_TIME = 200000;
    static constexpr int64_t REOPEN_INTERVAL = 5000000;

    using Callback = std::function<void(WatchedObject* object, WatchNotification* change)>;

    // The watcher's thread is named after it ("FileWatcher" without a name); it runs only while
    // records settle or failed watches wait to be re-opened.
    explicit FileWatcher(const wchar_t* name = nullptr);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // options: OPEN_RECURSIVE and the WATCH_OPTION_* bits. Null when the path does not exist or
    // its directory cannot be watched.
    WatchedObject* openObject(const wchar_t* path, uint32_t options, uintptr_t cookie);
    void closeObject(WatchedObject* object);
    // A suspended object gets no callback while it is suspended: whatever came meanwhile is told
    // once it resumes, as one modified record that settles as any other (never dropped for the
    // time it came at: only the file as it is then tells whether it is news). Resuming re-reads
    // the known write time of an object with WATCH_OPTION_COMPARE_TIME.
    void suspendObject(WatchedObject* object, bool suspend);
    // Resumes the object (if suspended) taking knownTime as the known write time rather than the
    // file's time now: a record about a later write, also the one for what came while it was
    // suspended, is delivered.
    void resumeObject(WatchedObject* object, uint64_t knownTime);

    // Callbacks run on the main thread, in the order added, with the watcher's lock held (it is
    // re-entrant: they may open and close objects).
    void addClientCallback(Callback callback);
    template <class T>
    void addClientCallback(T* context, void (T::*method)(WatchedObject*, WatchNotification*)) {
        addClientCallback([context, method](WatchedObject* object, WatchNotification* change) {
            (context->*method)(object, change);
        });
    }

    const std::wstring& name() const { return m_name; }
    // Directory watches open now.
    size_t observerRecordCount() const;
    // Tests: whether the watcher's thread runs now.
    bool threadRuns() const;

private:
    friend class FileWatcherThread;
    friend class WatchedObject;

    struct Pair {
        WatchedObject* object;
        WatchNotification* record;
    };

    // Pool threads.
    void onChange(DirObserverHandle* handle, WatchNotification* change);
    // The watcher's thread: true when work remains; else the thread ends.
    bool processPass();
    void dropQueued();
    // Main thread.
    void deliver();
    void destroyObject(WatchedObject* object);
    // Under the lock: what came while it was suspended is queued as one modified record.
    void endSuspension(WatchedObject* object);

    // Under the lock.
    ObserverRecord* attachRecord(const std::wstring& directory, bool recursive, bool logFailure);
    void dropRecord(ObserverRecord* record);
    void closeWatch(WatchedObject* object, bool just_close_handle);
    void enqueue(WatchedObject* object, WatchNotification* record);
    void attachDetails(Pair& pair);
    bool decide(WatchedObject* object, WatchNotification* record);
    bool tryReopens();
    void signalThread();
    static void releasePair(const Pair& pair);

    std::vector<Callback> m_callbacks;
    mutable Mutex_Impl m_lock{0x80000000};
    std::map<uint64_t, ObserverRecord*> m_records;
    std::multimap<DirObserverHandle*, WatchedObject*> m_handles;
    std::deque<Pair> m_queue;
    std::wstring m_name;
    FileWatcherThread* m_thread = nullptr;
    std::vector<Pair> m_ready;
    std::vector<WatchedObject*> m_objects_ready_for_reopen;
    std::vector<WatchedObject*> m_invalid_handles;
    std::vector<WatchedObject*> m_objects; // open, not closed
    int64_t m_settleTime = SETTLE_TIME;
    int64_t m_reopenInterval = REOPEN_INTERVAL;
    bool m_pending_wakeup = false;
    bool m_threadRuns = false; // the thread has not yet ended its last pass
    bool m_deliveryPosted = false;
};

} // namespace pel
