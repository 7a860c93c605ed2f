#pragma once
// The native disk device: device-relative paths below a root folder of the Windows file
// system, or (without a root) the native paths themselves. Files open behind a FileBuffer
// unless the path's device parameter is "nb"; a parameter of digits sets the buffer size.

#include "pel/files/file_io/FileBuffer.h"
#include "pel/files/file_io/FileDevice.h"

namespace pel {

class WatchPool;

class FileDeviceWin32 : public FileDevice {
public:
    // root: the folder device paths are relative to, or null for none. Every native disk device
    // of the process has the same device id: whether two paths are on one device is a question
    // of their volumes.
    FileDeviceWin32(const wchar_t* root, bool servesNativePaths);
    // Files, listings and watch handles must be closed before (an assertion report otherwise).
    // Each device holds a reference on the process's watch pool.
    ~FileDeviceWin32() override;

    // A failed open for writing creates the root folder chain and tries once more; the owner
    // sets it for a device with a root.
    bool createRootOnDemand = false;

    // The full long form of the root with a trailing separator; empty without a root.
    const WorkString<>& root() const { return m_root; }
    void setReadOnly(bool readOnly);

    // root + rest with every '/' turned into '\' (and a trailing '\' when asked for). A path of
    // 260 units or more, counting `extra` units the caller will append, takes its long form:
    // the full path behind "\\?\", or "\\?\UNC\" for a UNC path.
    static void makeNativePath(const wchar_t* root, const wchar_t* rest, bool trailingSeparator, uint32_t extra,
                               WorkString<>* o_path);

    bool isValid() const override { return m_rootValid; }
    FileDeviceInfo& getInfo() override { return m_info; }
    bool openFile(FileRequest& request) override;
    bool openDirectory(FileRequest& request) override;
    bool openWatchHandle(FileRequest& request) override;
    bool getFileInfo(FileRequest& request) override;
    bool deleteFile(FileRequest& request) override;
    bool removeDirectory(FileRequest& request) override;
    bool createDirectory(FileRequest& request) override;
    bool setFileAttributes(FileRequest& request) override;
    bool fullPath(FileRequest& request) override;
    bool normalizedPath(FileRequest& request) override;
    bool move(FileRequest& request) override;
    bool closeFile(File* file) override;
    bool closeDirectory(Directory* directory) override;
    bool closeWatchHandle(DirObserverHandle* handle) override;
    bool control(uint32_t code, uint32_t size, void* data) override { return false; }

private:
    bool isReadOnly() const { return (m_info.flags & FILEDEV_READ_ONLY) != 0; }
    bool refuseOnReadOnly(const FileRequest& request) const;
    // The native path of the request and its attributes; on failure the record holds the
    // system's error and the request's path.
    bool readAttributes(const FileRequest& request, WorkString<>* o_native, WIN32_FILE_ATTRIBUTE_DATA* o_data) const;
    // Frees a file or listing this device opened; false for one of another device.
    template <class Opened>
    bool releaseOwn(Opened* opened) {
        if (!opened || opened->device() != this)
            return false;
        delete opened;
        --m_info.ref_count;
        return true;
    }
    // Runs a call that changes the file system on the request's native path; on failure the
    // record holds the system's error and the request's path.
    bool changeNative(FileRequest& request, bool (*call)(const wchar_t* nativePath));
    void nativePath(const wchar_t* rest, WorkString<>* o_path) const;
    File* open(const FileRequest& request);

    FileDeviceInfo m_info;
    WorkString<> m_root;
    bool m_rootValid = true;
    bool m_buffered = true;
    FileBuffer::Parameters m_bufferParameters;
    WatchPool* m_watchPool;
};

} // namespace pel
