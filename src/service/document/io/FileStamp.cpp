#include "service/document/io/FileStamp.h"

#include "pel/files/file_io/FileIO.h"

namespace tessel {

FileStamp FileStamp::of(const std::wstring& path) {
    FileStamp stamp;
    pel::FileInfo info{};
    if (!pel::FileIO::getFileInfo(path.c_str(), &info) || (info.flags & pel::FILEINFO_DIRECTORY))
        return stamp;
    stamp.writeTime =
        (static_cast<uint64_t>(info.lastWriteTime.dwHighDateTime) << 32) | info.lastWriteTime.dwLowDateTime;
    stamp.size = info.size;
    return stamp;
}

bool FileStamp::isThere(const std::wstring& path) {
    pel::FileInfo info{};
    return pel::FileIO::getFileInfo(path.c_str(), &info) && !(info.flags & pel::FILEINFO_DIRECTORY);
}

} // namespace tessel
