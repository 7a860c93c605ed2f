#include "pel/files/FileStamp.h"

#include "pel/files/file_io/FileIO.h"

#include <windows.h>

namespace pel {

namespace {

// A path the system opens itself ("C:\...", "\\server\..."), as opposed to a device of the
// library's own ("user:...").
bool isSystemPath(const std::wstring& path) {
    return (path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
}

// Opened for no access at all, so that no other program's sharing refuses it, through links.
HANDLE openForQuery(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

FileStamp FileStamp::of(const std::wstring& path) {
    FileStamp stamp;
    FileInfo info{};
    if (!FileIO::getFileInfo(path.c_str(), &info) || (info.flags & FILEINFO_DIRECTORY))
        return stamp;
    stamp.there = true;
    stamp.writeTime =
        (static_cast<uint64_t>(info.lastWriteTime.dwHighDateTime) << 32) | info.lastWriteTime.dwLowDateTime;
    stamp.size = info.size;
    if (!isSystemPath(path))
        return stamp;
    const HANDLE file = openForQuery(path);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION identity{};
    if (::GetFileInformationByHandle(file, &identity)) {
        stamp.volume = identity.dwVolumeSerialNumber;
        stamp.index = (static_cast<uint64_t>(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
        // Read from the same open file as the identity: a file renamed over the name between the
        // two looks gives no stamp made of both.
        stamp.writeTime = (static_cast<uint64_t>(identity.ftLastWriteTime.dwHighDateTime) << 32) |
                          identity.ftLastWriteTime.dwLowDateTime;
        stamp.size = (static_cast<uint64_t>(identity.nFileSizeHigh) << 32) | identity.nFileSizeLow;
    }
    ::CloseHandle(file);
    return stamp;
}

bool FileStamp::isThere(const std::wstring& path) {
    FileInfo info{};
    return FileIO::getFileInfo(path.c_str(), &info) && !(info.flags & FILEINFO_DIRECTORY);
}

std::wstring linkTarget(const std::wstring& path) {
    if (!isSystemPath(path))
        return path;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return path;
    const HANDLE file = openForQuery(path);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file, &final[0], static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (length >= final.size()) {
        final.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(file, &final[0], static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (length == 0 || length >= final.size())
        return path;
    final.resize(length);
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        final = L"\\\\" + final.substr(8);
    else if (final.compare(0, 4, L"\\\\?\\") == 0)
        final = final.substr(4);
    // The same name (in another case, or another spelling of the same folder) is no link: the
    // path stays as the caller gave it.
    if (FileIO::isSamePath(final.c_str(), path.c_str()) || !isSystemPath(final))
        return path;
    // A path the system spells differently yet means the same file (a short name, a
    // substituted drive) is followed too: writing its final name writes the same file.
    return final;
}

} // namespace pel
