#include "pel/files/FileStamp.h"

#include "pel/files/file_io/FileIO.h"

#include <windows.h>

namespace pel {

namespace {

// Opened for no access at all, so that no other program's sharing refuses it, through links.
HANDLE openForQuery(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

uint64_t ticks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

bool isSystemPath(const std::wstring& path) {
    return (path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
}

FileStamp FileStamp::ofOpenFile(void* handle) {
    FileStamp stamp;
    BY_HANDLE_FILE_INFORMATION identity{};
    if (!::GetFileInformationByHandle(handle, &identity) || (identity.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.there = true;
    stamp.volume = identity.dwVolumeSerialNumber;
    stamp.index = (static_cast<uint64_t>(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
    stamp.links = identity.nNumberOfLinks;
    stamp.writeTime = ticks(identity.ftLastWriteTime);
    stamp.size = (static_cast<uint64_t>(identity.nFileSizeHigh) << 32) | identity.nFileSizeLow;
    // Wine gives the host's ctime here, to the 100 ns; a system without it leaves 0.
    FILE_BASIC_INFO basic{};
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        stamp.changeTime = static_cast<uint64_t>(basic.ChangeTime.QuadPart);
    return stamp;
}

FileStamp FileStamp::of(const std::wstring& path) {
    if (isSystemPath(path)) {
        // Everything from the same open file: a file renamed over the name between two looks
        // gives no stamp made of both.
        const HANDLE file = openForQuery(path);
        if (file != INVALID_HANDLE_VALUE) {
            const FileStamp opened = ofOpenFile(file);
            ::CloseHandle(file);
            return opened;
        }
    }
    FileStamp stamp;
    FileInfo info{};
    if (!FileIO::getFileInfo(path.c_str(), &info) || (info.flags & FILEINFO_DIRECTORY))
        return stamp;
    stamp.there = true;
    stamp.writeTime = ticks(info.lastWriteTime);
    stamp.size = info.size;
    return stamp;
}

bool FileStamp::isThere(const std::wstring& path) {
    FileInfo info{};
    return FileIO::getFileInfo(path.c_str(), &info) && !(info.flags & FILEINFO_DIRECTORY);
}

std::wstring finalPathOf(void* handle) {
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, &final[0], static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (length >= final.size()) {
        final.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle, &final[0], static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= final.size())
        return std::wstring();
    final.resize(length);
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        final = L"\\\\" + final.substr(8);
    else if (final.compare(0, 4, L"\\\\?\\") == 0)
        final = final.substr(4);
    return isSystemPath(final) ? final : std::wstring();
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
    const std::wstring final = finalPathOf(file);
    ::CloseHandle(file);
    // The same name (in another case, or another spelling of the same folder) is no link: the
    // path stays as the caller gave it.
    if (final.empty() || FileIO::isSamePath(final.c_str(), path.c_str()))
        return path;
    // A path the system spells differently yet means the same file (a short name, a
    // substituted drive) is followed too: writing its final name writes the same file.
    return final;
}

} // namespace pel
