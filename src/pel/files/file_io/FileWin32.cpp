#include "pel/files/file_io/FileWin32.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileError.h"

namespace pel {

namespace {

struct OpenArguments {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

const OpenArguments OPEN_MODES[] = {
    {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING},
    {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS},
    {FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS},
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS},
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS},
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW},
    {GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW},
};

} // namespace

FileWin32::FileWin32(FileDevice* device, const wchar_t* nativePath, const wchar_t* callerPath, uint32_t mode)
    : m_device(device), m_path(callerPath) {
    if (!PEL_SOFT_ASSERT(mode <= FILE_MODE_WRITE_CREATE)) {
        m_openError = ERROR_INVALID_PARAMETER;
        return;
    }
    const OpenArguments& open = OPEN_MODES[mode];
    m_handle = ::CreateFileW(nativePath, open.access, open.share, nullptr, open.disposition, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (m_handle == INVALID_HANDLE_VALUE)
        m_openError = ::GetLastError();
}

FileWin32::~FileWin32() {
    if (isValid())
        ::CloseHandle(m_handle);
}

void FileWin32::fail() {
    FileErrorObject::setErrorFromSystem().addParam(m_path.c_str());
}

int64_t FileWin32::getSize() {
    LARGE_INTEGER size;
    if (!isValid())
        return -1;
    if (!::GetFileSizeEx(m_handle, &size)) {
        fail();
        return -1;
    }
    return size.QuadPart;
}

int64_t FileWin32::tell() { return seek(FILE_SEEK_CURRENT, 0); }

bool FileWin32::truncate() {
    if (!isValid())
        return false;
    if (::SetEndOfFile(m_handle))
        return true;
    fail();
    return false;
}

int32_t FileWin32::read(void* buffer, uint32_t count) {
    DWORD done = 0;
    if (!isValid())
        return -1;
    if (!::ReadFile(m_handle, buffer, count, &done, nullptr)) {
        fail();
        return done ? static_cast<int32_t>(done) : -1;
    }
    return static_cast<int32_t>(done);
}

int32_t FileWin32::write(const void* buffer, uint32_t count) {
    DWORD done = 0;
    if (!isValid())
        return -1;
    if (!::WriteFile(m_handle, buffer, count, &done, nullptr)) {
        fail();
        return done ? static_cast<int32_t>(done) : -1;
    }
    return static_cast<int32_t>(done);
}

int64_t FileWin32::seek(int origin, int64_t offset) {
    if (!isValid())
        return -1;
    DWORD method;
    switch (origin) {
    case FILE_SEEK_BEGIN:
        method = FILE_BEGIN;
        break;
    case FILE_SEEK_END:
        method = FILE_END;
        break;
    case FILE_SEEK_CURRENT:
        method = FILE_CURRENT;
        break;
    default:
        FileErrorObject::setError(ERROR_INVALID_PARAMETER).addParam(m_path.c_str());
        return -1;
    }
    LARGE_INTEGER distance;
    LARGE_INTEGER position;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(m_handle, distance, &position, method)) {
        fail();
        return -1;
    }
    return position.QuadPart;
}

bool FileWin32::flush() {
    if (!isValid())
        return false;
    if (::FlushFileBuffers(m_handle))
        return true;
    fail();
    return false;
}

bool FileWin32::isDiskFile() const {
    // Wine too tells a host's device (/dev/zero, NUL) as a character device and a FIFO as a pipe.
    return isValid() && ::GetFileType(m_handle) == FILE_TYPE_DISK;
}

} // namespace pel
