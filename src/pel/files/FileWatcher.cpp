#include "pel/files/FileWatcher.h"

#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/base/Timestamp.h"
#include "pel/files/FileWatcherThread.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"

#include <algorithm>

namespace pel {

namespace {

uint64_t fileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The directory of a file's path ("C:\" and "user:" stay roots) and the file's name.
void splitFilePath(const std::wstring& path, std::wstring* o_directory, std::wstring* o_name) {
    const size_t cut = path.find_last_of(L"\\/:");
    if (cut == std::wstring::npos) {
        *o_directory = L".";
        *o_name = path;
        return;
    }
    *o_name = path.substr(cut + 1);
    *o_directory = path.substr(0, cut + (path[cut] == L':' ? 1 : 0));
    if (path[cut] != L':' && (o_directory->empty() || o_directory->back() == L':'))
        o_directory->push_back(path[cut]);
}

// Without trailing separators, except the one of a root.
std::wstring directoryPath(std::wstring path) {
    while (path.size() > 1 && isSeparator(path.back()) && path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}

std::wstring joinName(const std::wstring& directory, const std::wstring& name) {
    if (name.empty())
        return directory;
    if (directory.empty() || isSeparator(directory.back()) || directory.back() == L':')
        return directory + name;
    return directory + L"\\" + name;
}

uint64_t watchKey(const std::wstring& directory, bool recursive) {
    const uint64_t key = crc64StringNoCase(directory.c_str());
    return recursive ? crc64(key, L'\\') : key;
}

} // namespace

// ---- lifetime

FileWatcher::FileWatcher(const wchar_t* name) : m_name(name && *name ? name : L"FileWatcher") {
    m_thread = new FileWatcherThread(m_name, this);
}

FileWatcher::~FileWatcher() {
    // First nothing new comes in, then the thread ends (dropping its queue), then the rest goes.
    m_thread->stopObserving();
    m_thread->requestStop();
    try {
        m_thread->join();
    } catch (...) {
        // Reported by the thread layer; a destructor never throws.
    }
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        for (WatchedObject* object : m_objects)
            object->m_flags.f_closing = 1;
        for (const Pair& pair : m_ready)
            releasePair(pair);
        m_ready.clear();
        m_handles.clear();
        m_invalid_handles.clear();
        m_objects_ready_for_reopen.clear();
        std::vector<WatchedObject*> objects;
        objects.swap(m_objects);
        for (WatchedObject* object : objects) {
            object->m_record = nullptr;
            object->release();
        }
        std::vector<ObserverRecord*> records;
        for (auto& item : m_records)
            records.push_back(item.second);
        m_records.clear();
        for (ObserverRecord* record : records) {
            FileIO::closeWatchHandle(record->handle);
            delete record;
        }
    }
    try {
        MessageRegistry* registry = m_thread->getRegistry();
        if (registry && is_main_thread())
            registry->releaseInstance(m_thread); // a delivery still queued is dropped on arrival
    } catch (...) {
    }
    m_thread->detachWatcher();
    m_thread->release();
}

// ---- client operations

WatchedObject* FileWatcher::openObject(const wchar_t* path, uint32_t options, uintptr_t cookie) {
    if (!path)
        return nullptr;
    FileInfo info;
    if (!FileIO::getFileInfo(path, &info))
        return nullptr;
    const bool directory = (info.flags & FILEINFO_DIRECTORY) != 0;
    const uint32_t flags = (options & WATCH_CLIENT_OPTIONS) | (directory ? WATCH_FLAG_DIRECTORY : 0u) |
                           (directory && (options & OPEN_RECURSIVE) ? WATCH_FLAG_RECURSIVE : 0u);
    std::wstring watched;
    std::wstring name;
    if (directory)
        watched = directoryPath(path);
    else
        splitFilePath(path, &watched, &name);

    ScopedLock<Mutex_Impl> lock(m_lock);
    ObserverRecord* record = attachRecord(watched, (flags & WATCH_FLAG_RECURSIVE) != 0, true);
    if (!record)
        return nullptr;
    WatchedObject* object = new WatchedObject(this, directory ? watched : std::wstring(path), flags, cookie);
    object->m_record = record;
    object->m_nameHash = directory ? 0 : WatchNotification::hashName(name);
    object->m_directory = watched;
    object->m_knownTime = fileTimeValue(info.lastWriteTime);
    m_handles.emplace(record->handle, object);
    m_objects.push_back(object);
    return object;
}

void FileWatcher::closeObject(WatchedObject* obj) {
    if (!PEL_SOFT_ASSERT(obj && (obj->m_watcher == this)))
        return;
    ScopedLock<Mutex_Impl> lock(m_lock);
    closeWatch(obj, false);
}

void FileWatcher::suspendObject(WatchedObject* object, bool suspend) {
    if (!object)
        return;
    ScopedLock<Mutex_Impl> lock(m_lock);
    if ((object->m_flags.f_suspended != 0) == suspend)
        return;
    if (suspend) {
        object->m_flags.f_suspended = 1;
        return;
    }
    FileInfo info;
    if (object->m_flags.f_compare_time && FileIO::getFileInfo(object->m_path.c_str(), &info))
        object->m_knownTime = fileTimeValue(info.lastWriteTime);
    endSuspension(object);
}

void FileWatcher::resumeObject(WatchedObject* object, uint64_t knownTime) {
    if (!object)
        return;
    ScopedLock<Mutex_Impl> lock(m_lock);
    object->m_knownTime = knownTime;
    if (object->m_flags.f_suspended)
        endSuspension(object);
}

void FileWatcher::endSuspension(WatchedObject* object) {
    object->m_flags.f_suspended = 0;
    if (!object->m_flags.f_missed || object->m_flags.f_closing)
        return;
    object->m_flags.f_missed = 0;
    // A record of the object's own (its name), as if the file had been written now: it settles,
    // and whatever came later while it settles joins it.
    const std::wstring name = object->m_flags.f_directory ? std::wstring() : FileIO::getFileName(object->m_path.c_str());
    WatchNotification* missed = WatchNotification::create(WATCH_MODIFIED, name, FileIO::getCurrentTime());
    if (!object->m_flags.f_modified_queued) {
        object->m_flags.f_modified_queued = 1;
        enqueue(object, missed);
    }
    missed->release();
    signalThread();
}

void FileWatcher::addClientCallback(Callback callback) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    m_callbacks.push_back(std::move(callback));
}

size_t FileWatcher::observerRecordCount() const {
    ScopedLock<Mutex_Impl> lock(m_lock);
    return m_records.size();
}

bool FileWatcher::threadRuns() const { return m_thread->isRunning(); }

void FileWatcher::destroyObject(WatchedObject* object) {
    if (!(object->m_flags.f_closing == 1))
        softAssertion(L"m_flags.f_closing == 1", PEL_FILE, __LINE__);
    PEL_SOFT_ASSERT(object->m_refCount.load() == 0);
    delete object;
}

// ---- observer records

ObserverRecord* FileWatcher::attachRecord(const std::wstring& directory, bool recursive, bool logFailure) {
    const uint64_t key = watchKey(directory, recursive);
    auto found = m_records.find(key);
    if (found != m_records.end()) {
        ObserverRecord* record = found->second;
        if (record->handle->isValid()) {
            ++record->count;
            return record;
        }
        // A watch that failed serves its objects until they let go; new objects watch anew.
        m_records.erase(found);
    }
    DirObserverHandle* handle = FileIO::openWatchHandle(directory.c_str(), m_thread, recursive);
    if (!handle) {
        if (logFailure)
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"Can't create directory observer on '%s'\n", directory.c_str());
        return nullptr;
    }
    ObserverRecord* record = new ObserverRecord{key, handle, 1};
    m_records[key] = record;
    return record;
}

void FileWatcher::dropRecord(ObserverRecord* record) {
    if (--record->count > 0)
        return;
    auto found = m_records.find(record->key);
    if (found != m_records.end() && found->second == record)
        m_records.erase(found);
    FileIO::closeWatchHandle(record->handle);
    delete record;
}

void FileWatcher::closeWatch(WatchedObject* object, bool just_close_handle) {
    if (!PEL_SOFT_ASSERT(object->getFlags().f_closing == 0))
        return;
    if (!just_close_handle)
        object->m_flags.f_closing = 1;
    ObserverRecord* record = object->m_record;
    if (!record) {
        if (just_close_handle) {
            PEL_SOFT_ASSERT(object->getFlags().f_invalid_handle == 1);
            return;
        }
    } else {
        bool handle_removed = false;
        auto range = m_handles.equal_range(record->handle);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == object) {
                m_handles.erase(it);
                handle_removed = true;
                break;
            }
        PEL_SOFT_ASSERT(just_close_handle || (handle_removed == true));
        object->m_record = nullptr;
        dropRecord(record);
    }
    if (just_close_handle) {
        object->m_reopenTime = currentTimeMillis();
        object->m_flags.f_invalid_handle = 1;
        m_objects_ready_for_reopen.push_back(object);
        return;
    }
    for (auto* list : {&m_invalid_handles, &m_objects_ready_for_reopen, &m_objects})
        list->erase(std::remove(list->begin(), list->end(), object), list->end());
    object->release();
}

// ---- records in

void FileWatcher::enqueue(WatchedObject* object, WatchNotification* record) {
    object->duplicate();
    record->duplicate();
    m_queue.push_back({object, record});
}

// The thread runs only while records settle or watches wait to be re-opened: it ends in the
// pass that finds nothing left (under the lock), and the next record starts it again. A thread
// costs memory (about a megabyte under Wine), and most files never change while open.
void FileWatcher::signalThread() {
    if (m_pending_wakeup)
        return; // the thread runs a pass anyway
    m_pending_wakeup = true;
    if (!m_threadRuns) {
        try {
            m_thread->join(); // the last run has ended its passes and takes the lock no more
            m_thread->start();
            m_threadRuns = true;
        } catch (...) {
            // What is queued waits for the next record or re-open to try again.
            m_pending_wakeup = false;
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: The thread of '%s' cannot start.\n", m_name.c_str());
            return;
        }
    }
    m_thread->wake();
}

void FileWatcher::onChange(DirObserverHandle* handle, WatchNotification* change) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (handle->isClosed())
        return;
    bool queued = false;
    auto range = m_handles.equal_range(handle);
    for (auto it = range.first; it != range.second; ++it) {
        WatchedObject* object = it->second;
        const WatchedObjectFlags& flags = object->m_flags;
        // A failure and an overflow concern every object of the directory.
        if (!flags.f_closing && change->kind != WATCH_FAILED && !change->overflow && !flags.f_directory) {
            // A file also learns of another file renamed onto its name.
            const bool byName = change->nameHash != WATCH_NO_NAME_HASH && change->nameHash == object->m_nameHash;
            const bool byNewName = change->kind == WATCH_RENAMED && change->secondNameHash != WATCH_NO_NAME_HASH &&
                                   change->secondNameHash == object->m_nameHash;
            if (!byName && !byNewName)
                continue;
        }
        if (change->kind == WATCH_MODIFIED) {
            if (flags.f_modified_queued)
                continue;
            object->m_flags.f_modified_queued = 1;
        }
        enqueue(object, change);
        queued = true;
    }
    // Records left waiting by a thread that could not start are tried again with any record.
    if (queued || !m_queue.empty())
        signalThread();
}

void FileWatcher::dropQueued() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    for (const Pair& pair : m_queue)
        releasePair(pair);
    m_queue.clear();
}

void FileWatcher::releasePair(const Pair& pair) {
    pair.record->release();
    pair.object->release();
}

// ---- the watcher's thread

bool FileWatcher::processPass() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    PEL_SOFT_ASSERT(m_pending_wakeup == true);
    const uint64_t now = FileIO::getCurrentTime();
    const uint64_t settle = static_cast<uint64_t>(m_settleTime) * 10; // FILETIME units
    while (!m_queue.empty()) {
        Pair pair = m_queue.front();
        if (pair.record->time + settle > now)
            break; // it and the rest settle until a later pass
        m_queue.pop_front();
        attachDetails(pair);
        m_ready.push_back(pair);
    }
    bool more = false;
    if (!m_invalid_handles.empty())
        more = tryReopens();
    more = more || !m_queue.empty();
    if (!m_ready.empty() && !m_deliveryPosted) {
        if (m_thread->postDelivery())
            m_deliveryPosted = true;
        else
            more = true; // no registry to carry it yet: try again later
    }
    if (!more)
        m_pending_wakeup = m_threadRuns = false;
    return more;
}

void FileWatcher::attachDetails(Pair& pair) {
    WatchedObject* object = pair.object;
    const WatchedObjectFlags& flags = object->m_flags;
    const uint32_t kind = pair.record->kind;
    const bool wanted = (kind == WATCH_ADDED && flags.f_details_added) ||
                        (kind == WATCH_MODIFIED && (flags.f_details_modified ||
                                                    (flags.f_compare_time && !flags.f_directory && !flags.f_suspended)));
    if (!wanted || flags.f_closing)
        return;
    const std::wstring path = flags.f_directory ? joinName(object->m_path, pair.record->name) : object->m_path;
    FileInfo info;
    if (!FileIO::getFileInfo(path.c_str(), &info))
        return;
    WatchNotification* copy = pair.record->cloneWithInfo(info);
    pair.record->release();
    pair.record = copy;
}

bool FileWatcher::tryReopens() {
    bool more = false;
    const int64_t nowMillis = currentTimeMillis();
    for (auto it = m_invalid_handles.begin(); it != m_invalid_handles.end();) {
        WatchedObject* object = *it;
        if (object->m_flags.f_closing || object->m_record) {
            it = m_invalid_handles.erase(it);
            continue;
        }
        if (nowMillis - object->m_reopenTime <= m_reopenInterval / 1000) {
            more = true;
            ++it;
            continue;
        }
        object->m_reopenTime = nowMillis;
        // A directory that is still missing would log every few seconds: only the open logs.
        ObserverRecord* record = attachRecord(object->m_directory, object->m_flags.f_recursive != 0, false);
        if (!record) {
            more = true;
            ++it;
            continue;
        }
        object->m_record = record;
        m_handles.emplace(record->handle, object);
        object->m_flags.f_invalid_handle = 0;
        object->m_flags.f_failure_delivered = 0;
        const uint64_t now = FileIO::getCurrentTime();
        WatchNotification* reopened = WatchNotification::create(WATCH_REOPENED, object->m_path, now);
        enqueue(object, reopened);
        reopened->release();
        FileInfo info;
        if (!object->m_flags.f_directory && FileIO::getFileInfo(object->m_path.c_str(), &info) &&
            !(info.flags & FILEINFO_DIRECTORY)) {
            WatchNotification* added = WatchNotification::create(WATCH_ADDED, FileIO::getFileName(object->m_path.c_str()), now);
            WatchNotification* back = added->cloneWithInfo(info);
            added->release();
            enqueue(object, back);
            back->release();
        }
        it = m_invalid_handles.erase(it);
    }
    return more;
}

// ---- delivery on the main thread

bool FileWatcher::decide(WatchedObject* object, WatchNotification* record) {
    WatchedObjectFlags& flags = object->m_flags;
    if (flags.f_closing)
        return false;
    if (record->kind == WATCH_FAILED) {
        if (flags.f_failure_delivered)
            return false;
        flags.f_failure_delivered = 1;
        return true;
    }
    if (record->kind == WATCH_MODIFIED && !flags.f_keep_modified_mark)
        flags.f_modified_queued = 0;
    if (flags.f_suspended) {
        flags.f_missed = 1; // told as one record once the object resumes
        return false;
    }
    const bool timed = flags.f_compare_time && !flags.f_directory && record->info;
    const uint64_t written = timed ? fileTimeValue(record->info->lastWriteTime) : 0;
    if (timed && written <= object->m_knownTime)
        return false;
    if (record->kind == WATCH_MODIFIED && flags.f_drop_modified)
        return false;
    if (record->kind <= WATCH_RENAMED && flags.f_drop_names)
        return false;
    // What was delivered is known: the same file time is not news again.
    if (timed)
        object->m_knownTime = written;
    return true;
}

void FileWatcher::deliver() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    m_deliveryPosted = false;
    PEL_SOFT_ASSERT(m_objects_ready_for_reopen.size() == 0);
    // A callback may pump messages and so deliver again: this batch is taken off first.
    std::vector<Pair> ready;
    ready.swap(m_ready);
    const std::vector<Callback> callbacks = m_callbacks;
    for (const Pair& pair : ready) {
        if (pair.record->kind == WATCH_FAILED && !pair.object->m_flags.f_closing)
            closeWatch(pair.object, true);
        if (decide(pair.object, pair.record)) {
            for (const Callback& callback : callbacks) {
                try {
                    callback(pair.object, pair.record);
                } catch (const Exception& e) {
                    log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: client callback failed: %s\n",
                               e.displayText().c_str());
                } catch (...) {
                    log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"FileWatcher: client callback failed\n");
                }
            }
        }
        releasePair(pair);
    }
    if (!m_objects_ready_for_reopen.empty()) {
        m_invalid_handles.insert(m_invalid_handles.end(), m_objects_ready_for_reopen.begin(),
                                 m_objects_ready_for_reopen.end());
        m_objects_ready_for_reopen.clear();
        signalThread();
    }
}

} // namespace pel
