#pragma once
// The virtual file system core: the registry of devices attached under short names (and
// mappings such as "base:root" that layer several devices under one name), and the operations
// that split a path, resolve its device part to candidate devices and run the device operation
// on them under one process-wide lock. Callers go through the FileIO facade, which clears the
// thread's file error record first.

#include "pel/base/Symbol.h"
#include "pel/files/file_io/FileDevice.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pel {

constexpr uint32_t LOG_FILEIO_SOURCE = crc32Literal("FileIO");

// Operation codes; bit 0x80 marks an operation that modifies the device.
enum : uint32_t {
    FILEOP_OPEN_FILE = 1,
    FILEOP_OPEN_FILE_MODIFYING = 129,
    FILEOP_OPEN_DIRECTORY = 3,
    FILEOP_OPEN_WATCH_HANDLE = 4,
    FILEOP_GET_FILE_INFO = 5,
    FILEOP_FULL_PATH = 6,
    FILEOP_NORMALIZED_PATH = 7,
    FILEOP_PATH_OPERATION = 130,
    FILEOP_SET_ATTRIBUTES = 137,
    FILEOP_MODIFYING = 0x80,
};

class FileIFC {
public:
    // The core, made on first use.
    static FileIFC* getInstance();
    // Empties the registry (the devices are not touched) and destroys the core.
    static void releaseInstance();

    File* openFile(const wchar_t* path, uint32_t mode);
    // Several candidate devices give one listing merged from all of them.
    Directory* openDirectory(const wchar_t* path);
    DirObserverHandle* openWatchHandle(const wchar_t* path, DirObserver* observer, bool recursive);
    // A null info only tests that the path exists.
    bool getFileInfo(const wchar_t* path, FileInfo* o_info);
    // o_deviceFlags, when given, receives the flags of the device that answered.
    bool getFullPath(const wchar_t* path, WorkString<>* o_path, uint32_t* o_deviceFlags = nullptr);
    bool getNormalizedPath(const wchar_t* path, WorkString<>* o_path);
    // A modifying operation of one path: &FileDevice::deleteFile, removeDirectory or createDirectory.
    bool doPathOperation(const wchar_t* path, DeviceCall call);
    bool setFileAttributes(const wchar_t* path, const FileAttributeChange& change);
    // Renames within one device name.
    bool move(const wchar_t* from, const wchar_t* to);
    // Hash of the full path without a trailing separator, case-insensitive unless the device
    // says otherwise; 0xFFFFFFFF (0x00000000FFFFFFFF) on failure.
    uint32_t getPathHash(const wchar_t* path, WorkString<>* o_fullPath);
    uint64_t getPathHash64(const wchar_t* path, WorkString<>* o_fullPath);
    // 0 when both paths lie on the same device (and volume), 0x2000100B when not, else the error
    // of the failed resolution; the result is also the thread's error code.
    uint32_t compareDevices(const wchar_t* a, const wchar_t* b);

    // name: a device name, or "device:parameter" for a mapping; higher priorities come first.
    bool devAttach(const wchar_t* name, FileDevice* device, uint32_t priority);
    bool devDetach(const wchar_t* name);
    bool detachAll();
    // The device attached under exactly the path's device name (never a mapping), or null.
    FileDevice* getDevice(const wchar_t* path);
    // prefix-<process id>-<counter>
    bool makeUniqueName(const wchar_t* prefix, WorkString<>* o_name);
    // A fresh device id, unique for the process.
    static uint32_t makeDeviceId();

    FileIFC(const FileIFC&) = delete;
    FileIFC& operator=(const FileIFC&) = delete;

private:
    struct Entry {
        uint32_t deviceHash; // of the text before the ':'
        FileDevice* device;
        uint32_t fullHash; // of the whole name
        uint32_t priority;
        std::wstring name;
    };

    FileIFC() = default;
    ~FileIFC() = default;

    bool dispatch(FileRequest& request, const wchar_t* path);
    bool resolve(FileRequest& request);
    bool runCandidates(FileRequest& request);
    bool mergeDirectories(FileRequest& request);

    Mutex_Impl m_lock;
    std::vector<Entry> m_entries;
    uint32_t m_uniqueCounter = 0;
};

} // namespace pel
