#pragma once
// A file of the native disk device: a Win32 file handle. Failures set the thread's file error
// record with the caller's path.

#include "pel/files/file_io/FileDevice.h"

namespace pel {

class FileWin32 : public File {
public:
    // Opens nativePath in one of the open modes; a failed open leaves the file invalid with
    // its reason in openError().
    FileWin32(FileDevice* device, const wchar_t* nativePath, const wchar_t* callerPath, uint32_t mode);
    ~FileWin32() override;

    bool isValid() const override { return m_handle != INVALID_HANDLE_VALUE; }
    const wchar_t* path() const override { return m_path.c_str(); }
    int64_t getSize() override;
    int64_t tell() override;
    bool truncate() override;
    int32_t read(void* buffer, uint32_t count) override;
    int32_t write(const void* buffer, uint32_t count) override;
    int64_t seek(int origin, int64_t offset) override;
    bool flush() override;
    bool isDiskFile() const override;
    FileDevice* device() const override { return m_device; }

    DWORD openError() const { return m_openError; }

    FileWin32(const FileWin32&) = delete;
    FileWin32& operator=(const FileWin32&) = delete;

private:
    void fail();

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    FileDevice* m_device;
    WorkString<> m_path;
    DWORD m_openError = 0;
};

} // namespace pel
