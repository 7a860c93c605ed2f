#include "pel/files/file_io/FileIO.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIFC.h"

#include <windows.h>

#include <cwchar>

namespace pel {

namespace {

FileIFC* core() { return FileIFC::getInstance(); }

// Clears the record; false (with 0x20000000) when a required argument is missing.
bool begin(bool argumentsPresent) {
    FileErrorObject::setError(argumentsPresent ? 0u : static_cast<uint32_t>(FileErrorCode::INVALID_CALL));
    return argumentsPresent;
}

bool isExistsError(uint32_t code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

} // namespace

namespace FileIO {

bool attachDevice(const wchar_t* name, FileDevice* device, uint32_t priority) {
    return begin(name && device) && core()->devAttach(name, device, priority);
}

bool detachDevice(const wchar_t* name) { return begin(name) && core()->devDetach(name); }

bool release() {
    begin(true);
    FileIFC::releaseInstance();
    return true;
}

File* openFile(const wchar_t* path, uint32_t mode) { return begin(path) ? core()->openFile(path, mode) : nullptr; }

Directory* openDirectory(const wchar_t* path) { return begin(path) ? core()->openDirectory(path) : nullptr; }

DirObserverHandle* openWatchHandle(const wchar_t* path, DirObserver* observer, bool recursive) {
    return begin(path && observer) ? core()->openWatchHandle(path, observer, recursive) : nullptr;
}

bool closeFileKeepError(File* file) {
    if (!file)
        return false;
    if (FileDevice* device = file->device())
        return device->closeFile(file);
    const bool ok = file->detach();
    delete file;
    return ok;
}

bool closeFile(File* file) { return begin(file) && closeFileKeepError(file); }

bool closeDirectory(Directory* directory) {
    if (!begin(directory))
        return false;
    if (FileDevice* device = directory->device())
        return device->closeDirectory(directory);
    delete directory; // a merged listing
    return true;
}

bool closeWatchHandle(DirObserverHandle* handle) {
    if (!begin(handle))
        return false;
    FileDevice* device = handle->device();
    if (!PEL_SOFT_ASSERT(device))
        return false;
    return device->closeWatchHandle(handle);
}

bool getFileInfo(const wchar_t* path, FileInfo* o_info) { return begin(path) && core()->getFileInfo(path, o_info); }

bool isDirectory(const wchar_t* path, FileInfo* o_info) {
    FileInfo local;
    FileInfo* info = o_info ? o_info : &local;
    return begin(path) && core()->getFileInfo(path, info) && (info->flags & FILEINFO_DIRECTORY);
}

bool isFile(const wchar_t* path) {
    FileInfo info;
    return begin(path) && core()->getFileInfo(path, &info) && !(info.flags & FILEINFO_DIRECTORY);
}

bool isDirectoryPath(const wchar_t* path) { return isDirectory(path, nullptr); }

bool setFileAttributes(const wchar_t* path, const FileAttributeChange& change) {
    return begin(path) && core()->setFileAttributes(path, change);
}

FileAttributeChange makeAttributeChange(uint32_t flags) {
    FileAttributeChange change;
    change.setFlags = static_cast<uint16_t>((flags & 0x7E) | 0x80);
    change.clearFlags = static_cast<uint16_t>(~flags & 0x7E);
    change.options = flags;
    return change;
}

bool deleteFile(const wchar_t* path) { return begin(path) && core()->doPathOperation(path, &FileDevice::deleteFile); }

bool removeDirectory(const wchar_t* path) {
    return begin(path) && core()->doPathOperation(path, &FileDevice::removeDirectory);
}

bool createDirectory(const wchar_t* path) {
    return begin(path) && core()->doPathOperation(path, &FileDevice::createDirectory);
}

bool createDirectories(const wchar_t* path) {
    if (!begin(path))
        return false;
    const size_t length = std::wcslen(path);
    const wchar_t* colon = std::wcschr(path, L':');
    size_t pos = colon && colon - path >= 2 ? static_cast<size_t>(colon - path) : 1;
    if (length > 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // A UNC path: the server and its share are there or not, never made.
        int separators = 0;
        for (pos = 0; pos < length && separators < 4; ++pos)
            separators += isSeparator(path[pos]);
    }
    const std::wstring text(path);
    while (pos < length) {
        const size_t separator = text.find_first_of(L"\\/", pos);
        const size_t end = separator == std::wstring::npos ? length : separator + 1;
        const std::wstring prefix = text.substr(0, end);
        if (!core()->getFileInfo(prefix.c_str(), nullptr)) {
            FileErrorObject::setError(0);
            if (!core()->doPathOperation(prefix.c_str(), &FileDevice::createDirectory))
                return false;
        }
        pos = end;
    }
    return true;
}

bool move(const wchar_t* from, const wchar_t* to, uint32_t flags) {
    if (!begin(from && to))
        return false;
    WorkString<> source;
    WorkString<> destination;
    if (!core()->getFullPath(from, &source) || !core()->getFullPath(to, &destination))
        return false;
    const uint32_t devices = core()->compareDevices(source.c_str(), destination.c_str());
    if (devices == 0) {
        FileErrorObject::setError(0);
        return core()->move(source.c_str(), destination.c_str(), flags);
    }
    if (devices != FileErrorCode::DIFFERENT_DEVICES)
        return false;
    FileErrorObject::setError(0);
    FileInfo info;
    if (core()->getFileInfo(from, &info))
        FileErrorObject::setError((info.flags & FILEINFO_DIRECTORY) ? FileErrorCode::MOVE_DIRECTORY_ACROSS_DEVICES
                                                                    : FileErrorCode::MOVE_FILE_ACROSS_DEVICES);
    return false;
}

File* createUniqueFile(const wchar_t* path, uint32_t mode, std::wstring* o_path) {
    // Any other mode could open a file that is already there.
    if (!begin(path && *path && (mode == FILE_MODE_WRITE_CREATE || mode == FILE_MODE_READ_WRITE_CREATE)))
        return nullptr;
    if (File* file = core()->openFile(path, mode)) {
        if (o_path)
            *o_path = path;
        return file;
    }
    const WorkString<> given(path);
    const wchar_t* extension = given.getExtension();
    const size_t stemLength = *extension ? static_cast<size_t>(extension - 1 - given.c_str()) : given.length();
    const std::wstring stem(given.c_str(), stemLength);
    const std::wstring suffix = *extension ? std::wstring(extension - 1) : std::wstring();
    for (int n = 1; n <= 98; ++n) {
        // Another failure than a taken name (no folder, no access) is the answer itself.
        if (!isExistsError(FileErrorObject::getErrorCode()))
            return nullptr;
        const std::wstring candidate = stem + L"_" + std::to_wstring(n) + suffix;
        if (File* file = core()->openFile(candidate.c_str(), mode)) {
            FileErrorObject::setError(0);
            if (o_path)
                *o_path = candidate;
            return file;
        }
    }
    FileErrorObject::setError(FileErrorCode::UNIQUE_FILE_FAILED).addParam(path);
    return nullptr;
}

bool getFullPath(const wchar_t* path, WorkString<>* o_path) {
    return begin(path && o_path) && core()->getFullPath(path, o_path);
}

uint32_t getPathHash(const wchar_t* path, WorkString<>* o_fullPath) {
    return begin(path) ? core()->getPathHash(path, o_fullPath) : 0xFFFFFFFFu;
}

uint64_t getPathHash64(const wchar_t* path, WorkString<>* o_fullPath) {
    return begin(path) ? core()->getPathHash64(path, o_fullPath) : 0x00000000FFFFFFFFull;
}

bool isSamePath(const wchar_t* a, const wchar_t* b) {
    if (!begin(a && b))
        return false;
    WorkString<> first;
    WorkString<> second;
    uint32_t flagsA = 0;
    uint32_t flagsB = 0;
    if (!core()->getFullPath(a, &first, &flagsA) || !core()->getFullPath(b, &second, &flagsB))
        return false;
    first.removeTrailingSeparator();
    second.removeTrailingSeparator();
    if (first.length() != second.length())
        return false;
    if ((flagsA | flagsB) & FILEDEV_CASE_SENSITIVE)
        return std::wmemcmp(first.c_str(), second.c_str(), first.length()) == 0;
    return ::CompareStringOrdinal(first.c_str(), static_cast<int>(first.length()), second.c_str(),
                                  static_cast<int>(second.length()), TRUE) == CSTR_EQUAL;
}

bool startsWithPath(const wchar_t* prefix, const wchar_t* path) {
    if (!begin(prefix && path))
        return false;
    WorkString<> start;
    WorkString<> whole;
    if (!core()->getNormalizedPath(prefix, &start) || !core()->getNormalizedPath(path, &whole))
        return false;
    return start.length() <= whole.length() && std::wmemcmp(start.c_str(), whole.c_str(), start.length()) == 0;
}

uint64_t getCurrentTime() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

const wchar_t* getFileName(const wchar_t* path) {
    if (!path)
        return nullptr;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (isSeparator(*p))
            name = p + 1;
    return name;
}

size_t findFileName(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

} // namespace FileIO

wchar_t* wcsdup(const wchar_t* text) {
    if (!text)
        return nullptr;
    const size_t length = std::wcslen(text);
    wchar_t* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length + 1);
    return copy;
}

} // namespace pel
