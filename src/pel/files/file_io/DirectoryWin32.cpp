#include "pel/files/file_io/DirectoryWin32.h"

#include "pel/files/file_io/FileError.h"

#include <cwchar>

namespace pel {

uint32_t nativeInfoFlags(DWORD attributes, bool readOnlyDevice) {
    uint32_t flags = FILEINFO_READABLE;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        flags |= FILEINFO_DIRECTORY | FILEINFO_SEARCHABLE;
    if (attributes & FILE_ATTRIBUTE_HIDDEN)
        flags |= FILEINFO_HIDDEN;
    if (!(attributes & FILE_ATTRIBUTE_READONLY) && !readOnlyDevice)
        flags |= FILEINFO_WRITABLE;
    if (attributes & FILE_ATTRIBUTE_SYSTEM)
        flags |= FILEINFO_SYSTEM;
    if (attributes & FILE_ATTRIBUTE_ARCHIVE)
        flags |= FILEINFO_ARCHIVE;
    if (attributes & FILE_ATTRIBUTE_ENCRYPTED)
        flags |= FILEINFO_ENCRYPTED;
    if (attributes & FILE_ATTRIBUTE_COMPRESSED)
        flags |= FILEINFO_COMPRESSED;
    return flags;
}

DirectoryWin32::DirectoryWin32(FileDevice* device, bool readOnlyDevice, const wchar_t* pattern,
                               const wchar_t* callerPath)
    : m_readOnly(readOnlyDevice), m_device(device), m_pattern(pattern), m_path(callerPath) {
    start();
}

DirectoryWin32::~DirectoryWin32() { close(); }

void DirectoryWin32::close() {
    if (isValid())
        ::FindClose(m_find);
    m_find = INVALID_HANDLE_VALUE;
}

void DirectoryWin32::start() {
    WIN32_FIND_DATAW data;
    m_find = ::FindFirstFileW(m_pattern.c_str(), &data);
    m_pending = isValid();
    if (m_pending)
        take(data);
    else
        m_openError = ::GetLastError();
}

void DirectoryWin32::take(const WIN32_FIND_DATAW& data) {
    m_entry.flags = nativeInfoFlags(data.dwFileAttributes, m_readOnly);
    m_entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    m_entry.lastWriteTime = data.ftLastWriteTime;
    m_entry.lastAccessTime = data.ftLastAccessTime;
    m_entry.creationTime = data.ftCreationTime;
    std::wcsncpy(m_entry.name, data.cFileName, 259);
    m_entry.name[259] = 0;
}

const FileInfo* DirectoryWin32::next() {
    if (!isValid())
        return nullptr;
    if (m_pending) {
        m_pending = false;
        return &m_entry;
    }
    WIN32_FIND_DATAW data;
    if (::FindNextFileW(m_find, &data)) {
        take(data);
        return &m_entry;
    }
    if (::GetLastError() == ERROR_NO_MORE_FILES) {
        FileErrorObject::setError(0);
    } else {
        FileErrorObject::setErrorFromSystem().addParam(m_path.c_str());
        close();
    }
    return nullptr;
}

bool DirectoryWin32::rewind() {
    if (m_pending)
        return true;
    close();
    start();
    return isValid();
}

} // namespace pel
