#pragma once
// The list a tree operation plans before it changes anything: every file and directory
// concerned, in the order the operation will handle them, as source/destination pairs (copy,
// move) or single entries (remove), with the counts and sizes a progress display needs.

#include "pel/base/TAllocator.h"
#include "pel/base/TDataStorage.h"
#include "pel/files/file_io/FileDevice.h"

#include <cstdint>

namespace pel {

// Flags of a FileListEntry.
enum : uint32_t {
    FILELIST_DIRECTORY_BEGIN = 0x1, // before the directory's content
    FILELIST_DIRECTORY_END = 0x2,   // after the directory's content
    FILELIST_GROUP_START = 0x4,     // first entry of one top-level item
    FILELIST_LEVEL_FIRST = 0x8,     // first file after a directory boundary; every begin/end entry
    FILELIST_DESTINATION = 0x10,    // second entry of a source/destination pair
    FILELIST_HAS_INFO = 0x20,       // the information below is loaded
    FILELIST_OPERATION_SHIFT = 6,   // bits 6-13: the operation last done on the path
    FILELIST_OPERATION_MASK = 0xFF << 6,
};

struct FileListInfo {
    uint32_t flags = 0; // FileInfo flags
    uint64_t size = 0;
    FILETIME lastWriteTime{};
    FILETIME lastAccessTime{};
    FILETIME creationTime{};
};

struct FileListEntry {
    uint32_t flags = 0;
    FileListInfo info;
    const wchar_t* name = nullptr; // in the list's text storage
    FileListEntry* prev = nullptr;
    FileListEntry* next = nullptr;

    bool isDirectory() const { return (info.flags & FILEINFO_DIRECTORY) != 0; }
    uint32_t operation() const { return (flags & FILELIST_OPERATION_MASK) >> FILELIST_OPERATION_SHIFT; }
    void setOperation(uint32_t code) {
        flags = (flags & ~static_cast<uint32_t>(FILELIST_OPERATION_MASK)) |
                ((code << FILELIST_OPERATION_SHIFT) & FILELIST_OPERATION_MASK);
    }
};

struct FileListStatistics {
    int32_t directories = 0; // added with information
    int32_t files = 0;       // added with information
    uint64_t totalSize = 0;  // of those files
};

class FileList {
public:
    enum Operation : uint32_t {
        OperationCopyPath = 2,
        OperationMovePath = 3,
        OperationRemovePath = 4,
    };

    virtual Operation getOperation() const = 0;
    virtual FileListEntry* first() = 0;
    virtual FileListEntry* firstItem() = 0;
    virtual FileListEntry* next(FileListEntry* entry) = 0;
    virtual FileListEntry* nextItem(FileListEntry* entry) = 0;
    virtual int32_t count() const = 0;
    // Appends a copy of the path (with the information when given) and returns the entry for the
    // caller to set its flags.
    virtual FileListEntry* add(const wchar_t* path, const FileInfo* info) = 0;
    // Marks the next entry added as the start of a top-level item.
    virtual void beginGroup() = 0;
    virtual void clear() = 0;
    virtual const FileListStatistics* statistics() const = 0;
    virtual ~FileList() = default;
};

// A list whose entries come from a pool and whose names live in one text storage; entries are
// only appended, never removed one by one.
class StaticFileList : public FileList {
public:
    explicit StaticFileList(Operation operation) : m_operation(operation) {}
    ~StaticFileList() override;

    Operation getOperation() const override { return m_operation; }
    FileListEntry* first() override { return m_first; }
    FileListEntry* firstItem() override { return m_first; }
    FileListEntry* next(FileListEntry* entry) override { return entry ? entry->next : nullptr; }
    FileListEntry* nextItem(FileListEntry* entry) override { return entry ? entry->next : nullptr; }
    int32_t count() const override { return m_count; }
    FileListEntry* add(const wchar_t* path, const FileInfo* info) override;
    void beginGroup() override { m_groupPending = true; }
    void clear() override;
    const FileListStatistics* statistics() const override { return &m_statistics; }

    StaticFileList(const StaticFileList&) = delete;
    StaticFileList& operator=(const StaticFileList&) = delete;

private:
    Operation m_operation;
    TDataStorage m_names;
    TAllocator<FileListEntry, 64> m_entries;
    FileListStatistics m_statistics;
    FileListEntry* m_first = nullptr;
    FileListEntry* m_last = nullptr;
    int32_t m_count = 0;
    bool m_groupPending = true;
};

namespace FileIO {
// Loads an entry's information from its device once: true when it is loaded (or the entry has
// no path), false, with the thread's error set, when the path cannot be read (it may not exist).
bool refreshItemInfo(FileListEntry* item);
// Copies a FileInfo into an entry's information.
void copyInfo(const FileInfo& from, FileListInfo* o_to);
} // namespace FileIO

} // namespace pel
