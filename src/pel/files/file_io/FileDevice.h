#pragma once
// The interface of a device of the virtual file system, with what it opens: File (an open
// file), Directory (a listing of FileInfo entries), and the request record the core hands to
// the device for each operation.

#include "pel/legacy/WorkString.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace pel {

class FileDevice;
class DirObserver;
class DirObserverHandle;

constexpr int FILEDEV_MAX_COUNT = 32;

// Flags of FileDeviceInfo.
enum : uint32_t {
    FILEDEV_NATIVE_PATHS = 0x1,   // serves paths without a device part
    FILEDEV_READ_ONLY = 0x2,      // skipped by modifying operations
    FILEDEV_CASE_SENSITIVE = 0x4, // path hashes keep case
    FILEDEV_VOLUMES = 0x8,        // the same device only on the same volume
};

struct FileDeviceInfo {
    uint32_t flags = 0;
    uint32_t deviceId = 0;
    wchar_t separator = L'\\';
    std::atomic<int32_t> ref_count{0}; // open files, directories and watch handles
};

// Flags of FileInfo.
enum : uint32_t {
    FILEINFO_DIRECTORY = 0x1,
    FILEINFO_HIDDEN = 0x2,
    FILEINFO_WRITABLE = 0x4,
    FILEINFO_READABLE = 0x8,
    FILEINFO_SEARCHABLE = 0x10,
    FILEINFO_SYSTEM = 0x20,
    FILEINFO_ARCHIVE = 0x40,
    FILEINFO_ENCRYPTED = 0x80,
    FILEINFO_COMPRESSED = 0x100,
    FILEINFO_LINK = 0x200, // a junction or symbolic link: it may lead out of its tree
};

struct FileInfo {
    uint32_t flags;
    uint64_t size;
    FILETIME lastWriteTime;
    FILETIME lastAccessTime;
    FILETIME creationTime;
    wchar_t name[260];
};

// A change of file attributes, in FileInfo flag bits (1 hidden, 2 writable, 5 system, 6
// archive; set bit 0 asks for normal attributes alone); option bit 0 always removes read-only.
struct FileAttributeChange {
    uint16_t setFlags = 0;
    uint16_t clearFlags = 0;
    uint32_t options = 0;
};

// Open modes of FileDevice::openFile.
enum : uint32_t {
    FILE_MODE_READ = 0,
    FILE_MODE_WRITE = 1,            // created or truncated
    FILE_MODE_APPEND = 2,
    FILE_MODE_READ_WRITE = 3,       // kept or created
    FILE_MODE_READ_WRITE_NEW = 4,   // created or truncated
    FILE_MODE_READ_WRITE_CREATE = 5, // must not exist
    FILE_MODE_WRITE_CREATE = 6,     // must not exist
};

// Flags of a move (FileRequest::mode).
enum : uint32_t {
    FILE_MOVE_COPY_ALLOWED = 0x1,
    FILE_MOVE_REPLACE = 0x2, // an existing file target is replaced in the same step
};

// Seek origins of File::seek.
enum : int {
    FILE_SEEK_BEGIN = 0,
    FILE_SEEK_END = 1,
    FILE_SEEK_CURRENT = 2,
};

// An open file. Sizes and positions are 64-bit; a failure sets the thread's file error record.
class File {
public:
    virtual bool isValid() const = 0;
    // The path as the caller wrote it.
    virtual const wchar_t* path() const = 0;
    virtual int64_t getSize() = 0;  // -1 on failure
    virtual int64_t tell() = 0;     // -1 on failure
    // Cuts the file at the current position.
    virtual bool truncate() = 0;
    // The count moved (0 at the end of the file), or -1 when nothing could be moved.
    virtual int32_t read(void* buffer, uint32_t count) = 0;
    virtual int32_t write(const void* buffer, uint32_t count) = 0;
    // The new position, or -1.
    virtual int64_t seek(int origin, int64_t offset) = 0;
    virtual bool flush() = 0;
    // Whether the file holds bytes of its own on a disk, rather than standing for a device or a
    // pipe, whose reads never end or wait for a writer and which no save can replace.
    virtual bool isDiskFile() const { return true; }
    // The device that opened the file and closes it; null for a file that wraps another.
    virtual FileDevice* device() const = 0;
    virtual ~File() = default;
    // For a file without device: hands back what it wraps before it is deleted; false when
    // data did not reach the file below.
    virtual bool detach() { return true; }
};

class Directory {
public:
    virtual bool isValid() const = 0;
    virtual const wchar_t* path() const = 0;
    // The next entry, or null at the end of the listing or on an error.
    virtual const FileInfo* next() = 0;
    virtual bool rewind() = 0;
    // Null for a listing merged from several devices.
    virtual FileDevice* device() const = 0;
    virtual ~Directory() = default;
};

struct FileRequest;
using DeviceCall = bool (FileDevice::*)(FileRequest& request);

// One operation of the core as the device sees it; built by the core on its stack.
struct FileRequest {
    uint32_t operation = 0; // bit 0x80: modifying
    DeviceCall call = nullptr;
    int32_t candidateCount = 0;
    FileDevice* candidates[FILEDEV_MAX_COUNT] = {};
    uint32_t deviceFlags = 0; // of the device that completed the operation
    wchar_t deviceName[64] = {}; // lower-cased
    wchar_t deviceParam[64] = {}; // between '[' and ']', as written
    const wchar_t* rest = nullptr; // after the ':'; the whole path when native
    const wchar_t* path = nullptr;

    // Arguments, as each operation uses them.
    uint32_t mode = 0;                       // openFile; move flags (FILE_MOVE_*)
    const wchar_t* secondPath = nullptr;     // move: the destination
    const wchar_t* secondRest = nullptr;
    WorkString<>* outPath = nullptr;         // fullPath, normalizedPath
    bool existingOnly = false;               // fullPath: the path must exist
    FileInfo* info = nullptr;                // getFileInfo; null tests existence
    FileAttributeChange attributes;          // setFileAttributes
    DirObserver* observer = nullptr;         // openWatchHandle
    bool recursive = false;
    uintptr_t userWord = 0;

    // Output of the open operations.
    File* file = nullptr;
    Directory* directory = nullptr;
    DirObserverHandle* watch = nullptr;
};

// A device of the virtual file system. The core calls the request operations under its lock,
// one thread at a time; they return true when this device completed the operation, else set
// the thread's file error record. The close operations run outside the core lock.
class FileDevice {
public:
    virtual ~FileDevice() = default;

    virtual bool isValid() const = 0;
    virtual FileDeviceInfo& getInfo() = 0;
    virtual bool openFile(FileRequest& request) = 0;
    virtual bool openDirectory(FileRequest& request) = 0;
    virtual bool openWatchHandle(FileRequest& request) = 0;
    virtual bool getFileInfo(FileRequest& request) = 0;
    virtual bool deleteFile(FileRequest& request) = 0;
    virtual bool removeDirectory(FileRequest& request) = 0;
    virtual bool createDirectory(FileRequest& request) = 0;
    virtual bool setFileAttributes(FileRequest& request) = 0;
    virtual bool fullPath(FileRequest& request) = 0;
    virtual bool normalizedPath(FileRequest& request) = 0;
    virtual bool move(FileRequest& request) = 0;
    virtual bool closeFile(File* file) = 0;
    virtual bool closeDirectory(Directory* directory) = 0;
    virtual bool closeWatchHandle(DirObserverHandle* handle) = 0;
    virtual bool control(uint32_t code, uint32_t size, void* data) = 0;
};

} // namespace pel
