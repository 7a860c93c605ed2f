#pragma once
// The change record that directory watches deliver to their observers: what happened, to which
// name relative to the watched directory, and when the watch woke for it. Reference-counted:
// every observer and queue that keeps a record holds its own reference.

#include "pel/base/Object.h"
#include "pel/files/file_io/FileDevice.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pel {

enum WatchKind : uint32_t {
    WATCH_ADDED = 0,
    WATCH_REMOVED = 1,
    WATCH_RENAMED = 2,  // name: the old name, secondName: the new one
    WATCH_MODIFIED = 3,
    WATCH_FAILED = 4,   // the watch ended; name: the watched directory
    WATCH_REOPENED = 5, // a failed watch works again; name: the watched path
};

// The name hash of a record whose name is no single file name of the watched directory: a name
// in a subdirectory, or none. It never matches a watched file.
constexpr uint32_t WATCH_NO_NAME_HASH = 0;

struct WatchNotification : public RefCountedObject {
    // A record with one reference, owned by the caller.
    static WatchNotification* create(uint32_t kind, const std::wstring& name, uint64_t time);
    // A copy with one reference that carries the file details.
    WatchNotification* cloneWithInfo(const FileInfo& details) const;

    // The case-insensitive hash of a name without a separator, else WATCH_NO_NAME_HASH.
    static uint32_t hashName(const std::wstring& name);
    void setSecondName(const std::wstring& second);

    uint64_t time = 0; // FILETIME units
    std::wstring name;
    std::wstring secondName;
    uint32_t nameHash = WATCH_NO_NAME_HASH;
    uint32_t secondNameHash = WATCH_NO_NAME_HASH;
    std::unique_ptr<FileInfo> info;
    uint32_t kind = WATCH_MODIFIED;
    // The system's change buffer overflowed and changes were lost: a modified record for the
    // watched directory itself (empty name) that reaches every watched object of it.
    bool overflow = false;

private:
    WatchNotification() = default;
    ~WatchNotification() override = default;
};

} // namespace pel
