#pragma once
// A listing of a folder of the native disk device, "." and ".." included.

#include "pel/files/file_io/FileDevice.h"

namespace pel {

// FileInfo flags of Win32 attributes; nothing on a read-only device is writable.
uint32_t nativeInfoFlags(DWORD attributes, bool readOnlyDevice);

class DirectoryWin32 : public Directory {
public:
    // pattern: the native folder followed by "\*". A folder that cannot be listed leaves the
    // listing invalid with its reason in openError().
    DirectoryWin32(FileDevice* device, bool readOnlyDevice, const wchar_t* pattern, const wchar_t* callerPath);
    ~DirectoryWin32() override;

    bool isValid() const override { return m_find != INVALID_HANDLE_VALUE; }
    const wchar_t* path() const override { return m_path.c_str(); }
    // At the end of the listing the thread's error is cleared; another failure sets it and
    // leaves the listing invalid.
    const FileInfo* next() override;
    bool rewind() override;
    FileDevice* device() const override { return m_device; }

    DWORD openError() const { return m_openError; }

    DirectoryWin32(const DirectoryWin32&) = delete;
    DirectoryWin32& operator=(const DirectoryWin32&) = delete;

private:
    void start();
    void take(const WIN32_FIND_DATAW& data);
    void close();

    HANDLE m_find = INVALID_HANDLE_VALUE;
    bool m_pending = false;
    bool m_readOnly;
    FileDevice* m_device;
    WorkString<> m_pattern;
    WorkString<> m_path;
    FileInfo m_entry{};
    DWORD m_openError = 0;
};

} // namespace pel
