#pragma once
// What the RAM disk and the temporary-file device share: a flat namespace of files (no
// directories) found by name without case, each file open through one handle at a time and
// kept by the device while closed, and the slots such a namespace cannot serve.

#include "pel/files/file_io/FileDevice.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pel {

class FlatFileDevice;

// A file of a flat device: its position, size, name and times; the device owns it.
class FlatFile : public File {
public:
    enum : uint32_t { ACCESS_READ = 0x1, ACCESS_WRITE = 0x2, ACCESS_APPEND = 0x4 };

    // kind: the class name the seek log line starts with.
    FlatFile(FlatFileDevice* device, const wchar_t* kind);

    bool isValid() const override { return m_access != 0; }
    const wchar_t* path() const override { return m_path.c_str(); }
    int64_t getSize() override { return isValid() ? m_size : -1; }
    int64_t tell() override { return isValid() ? m_position : -1; }
    // Targets outside 0..size and unknown origins are refused with -1; an append handle does
    // not move and answers where it writes.
    int64_t seek(int origin, int64_t offset) override;
    FileDevice* device() const override;

    // The name in the device's namespace: the stored path after its first ':'.
    const wchar_t* nameId() const { return m_path.c_str() + m_nameOffset; }
    // Opens with the access for the path: an append handle starts at the end, others at 0.
    virtual bool open(uint32_t access, const wchar_t* path);
    // False when data did not reach where the file keeps it.
    virtual bool close();
    void fillInfo(FileInfo* o_info) const;

protected:
    // Whether the file is open with every access bit asked for; else false with the reason.
    bool permits(uint32_t access) const;
    // Leaves the file closed after an open that failed half-way.
    void abandonOpen() { m_access = 0; }
    // Called by seek before the position becomes target; false refuses the seek.
    virtual bool place(int64_t target) { return true; }

    int64_t m_position = 0;
    int64_t m_size = 0;

private:
    FlatFileDevice* m_device;
    const wchar_t* m_kind;
    uint32_t m_access = 0;
    std::wstring m_path;
    size_t m_nameOffset = 0;
    FILETIME m_creationTime;
    FILETIME m_lastWriteTime;
    FILETIME m_lastAccessTime;
};

class FlatFileDevice : public FileDevice {
public:
    // kind: the class name the log lines start with.
    explicit FlatFileDevice(const wchar_t* kind);
    ~FlatFileDevice() override;

    bool isValid() const override { return true; }
    // ref_count: the files open now.
    FileDeviceInfo& getInfo() override;
    bool openFile(FileRequest& request) override;
    bool openDirectory(FileRequest& request) override { return unsupported(request, L"OpenDirectory"); }
    bool openWatchHandle(FileRequest& request) override { return unsupported(request, L"OpenWatchHandle"); }
    bool getFileInfo(FileRequest& request) override;
    // An open file is refused (5), a missing one is not found (2).
    bool deleteFile(FileRequest& request) override;
    bool removeDirectory(FileRequest& request) override { return unsupported(request, L"RemoveDirectory"); }
    // There are no directories to make.
    bool createDirectory(FileRequest& request) override { return true; }
    bool setFileAttributes(FileRequest& request) override { return unsupported(request, L"SetFileAttributes"); }
    // The device name, ':' and the lower-cased rest with '/' separators; with existingOnly the
    // file must exist.
    bool fullPath(FileRequest& request) override;
    bool normalizedPath(FileRequest& request) override;
    bool move(FileRequest& request) override { return unsupported(request, L"MoveFile"); }
    // The file stays in the device with its content.
    bool closeFile(File* file) override;
    bool closeDirectory(Directory* directory) override;
    bool closeWatchHandle(DirObserverHandle* handle) override;

    FlatFileDevice(const FlatFileDevice&) = delete;
    FlatFileDevice& operator=(const FlatFileDevice&) = delete;

protected:
    // The per-file setting a new file gets: the device's default, or what the path's device
    // parameter (read as a number) asks for.
    virtual uint32_t defaultSetting() const = 0;
    virtual uint32_t settingFor(int parameter) const { return static_cast<uint32_t>(parameter); }
    virtual std::unique_ptr<FlatFile> createFile(uint32_t setting) = 0;

    static bool unsupported(const FileRequest& request, const wchar_t* operation);
    // The file named rest, or the end; found through an index of the folded names, as a device
    // may hold thousands of files (one undo log per open document).
    std::vector<std::unique_ptr<FlatFile>>::iterator find(const wchar_t* rest);
    // Each keeps the name index: erasing a file, or dropping every closed one.
    void eraseFile(std::vector<std::unique_ptr<FlatFile>>::iterator file);
    void eraseClosedFiles();

    FileDeviceInfo m_info;
    Mutex_Impl m_lock;
    std::vector<std::unique_ptr<FlatFile>> m_files; // in creation order

private:
    uint32_t settingOf(const FileRequest& request) const;
    static void writePath(const FileRequest& request);
    static std::wstring foldName(const wchar_t* name);

    const wchar_t* m_kind;
    std::unordered_map<std::wstring, FlatFile*> m_byName; // the opened files, by folded name
    int32_t m_openFiles = 0;
};

} // namespace pel
