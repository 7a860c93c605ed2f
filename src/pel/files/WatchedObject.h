#pragma once
// A file or directory that a FileWatcher watches for one client: its device path, options and
// state. The watcher owns it; the client holds the pointer from openObject until closeObject.

#include <atomic>
#include <cstdint>
#include <string>

namespace pel {

class FileWatcher;
struct ObserverRecord;

// Flag bits of a watched object. Options are set by clients at openObject; 0x1 and 0x2 come
// from the path and the open options; the rest is state.
enum : uint32_t {
    WATCH_FLAG_DIRECTORY = 0x1,
    WATCH_FLAG_RECURSIVE = 0x2,
    WATCH_OPTION_DETAILS_ADDED = 0x4,    // file details on added records
    WATCH_OPTION_DETAILS_MODIFIED = 0x8, // file details on modified records
    WATCH_OPTION_COMPARE_TIME = 0x10,    // drop records not newer than the known write time
    WATCH_OPTION_DROP_MODIFIED = 0x20,
    WATCH_OPTION_DROP_NAMES = 0x40,      // drop added, removed and renamed records
    WATCH_OPTION_KEEP_MODIFIED_MARK = 0x80,
    WATCH_FLAG_SUSPENDED = 0x100,
    WATCH_FLAG_MODIFIED_QUEUED = 0x200,
    WATCH_FLAG_CLOSING = 0x400,
    WATCH_FLAG_INVALID_HANDLE = 0x800,
    WATCH_FLAG_FAILURE_DELIVERED = 0x1000,
    WATCH_FLAG_MISSED = 0x2000, // a record came while suspended
    WATCH_CLIENT_OPTIONS = 0xFC,
};

struct WatchedObjectFlags {
    uint32_t f_directory : 1;
    uint32_t f_recursive : 1;
    uint32_t f_details_added : 1;
    uint32_t f_details_modified : 1;
    uint32_t f_compare_time : 1;
    uint32_t f_drop_modified : 1;
    uint32_t f_drop_names : 1;
    uint32_t f_keep_modified_mark : 1;
    uint32_t f_suspended : 1;
    uint32_t f_modified_queued : 1;
    uint32_t f_closing : 1;
    uint32_t f_invalid_handle : 1;
    uint32_t f_failure_delivered : 1;
    uint32_t f_missed : 1;
    uint32_t f_unused : 18;

    uint32_t value() const;
    static WatchedObjectFlags fromValue(uint32_t bits);
};
static_assert(sizeof(WatchedObjectFlags) == 4, "one word of flag bits");

class WatchedObject {
public:
    WatchedObject(const WatchedObject&) = delete;
    WatchedObject& operator=(const WatchedObject&) = delete;

    // Read on the main thread or under the watcher's lock.
    const WatchedObjectFlags& getFlags() const { return m_flags; }
    const std::wstring& path() const { return m_path; }
    uintptr_t cookie() const { return m_cookie; }
    FileWatcher* watcher() const { return m_watcher; }
    // The last-write time (FILETIME units) records are compared with under option 0x10.
    uint64_t knownWriteTime() const { return m_knownTime; }

private:
    friend class FileWatcher;

    WatchedObject(FileWatcher* watcher, const std::wstring& path, uint32_t flags, uintptr_t cookie);
    ~WatchedObject() = default;

    void duplicate() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // The last reference hands the object to its watcher's destroyObject.
    void release();

    std::atomic<int32_t> m_refCount{1};
    WatchedObjectFlags m_flags;
    FileWatcher* m_watcher;
    std::wstring m_path;
    ObserverRecord* m_record = nullptr;
    uint32_t m_nameHash = 0; // of the file name; 0 for a directory
    uint32_t m_creationFlags;
    uintptr_t m_cookie;
    uint64_t m_knownTime = 0;
    int64_t m_reopenTime = 0; // milliseconds since 1970
    std::wstring m_directory; // the watched directory's device path
};

} // namespace pel
