#include "pel/files/file_io/FileDeviceWin32.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/DirectoryWin32.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/FileWin32.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/text/NumberText.h"

#include <cwchar>
#include <cwctype>

namespace pel {

namespace {

constexpr DWORD PATH_LIMIT = 32000;

bool startsWith(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// GetFullPathNameW into o_full: its length, 0 on failure (GetLastError tells why), or
// PATH_LIMIT and more when the result does not fit.
DWORD fullPathName(const wchar_t* path, WorkString<>* o_full) {
    o_full->reserve(MAX_PATH + 1);
    DWORD n = ::GetFullPathNameW(path, o_full->size(), o_full->data(), nullptr);
    if (n >= o_full->size() && n < PATH_LIMIT) {
        o_full->reserve(n);
        n = ::GetFullPathNameW(path, o_full->size(), o_full->data(), nullptr);
    }
    if (n >= o_full->size())
        return n < PATH_LIMIT ? PATH_LIMIT : n;
    o_full->setLength(n);
    return n;
}

// The long form of a full path in place, when the system knows one. Only a short alias of a
// name holds a '~' (a name that is its own alias already has its long form), so a path without
// one is long already: the system's look-up, a directory search per component, is spared.
void longPathName(WorkString<>* io_path) {
    if (!std::wcschr(io_path->c_str(), L'~'))
        return;
    WorkString<> longer;
    longer.reserve(io_path->length() + 1);
    DWORD n = ::GetLongPathNameW(io_path->c_str(), longer.data(), longer.size());
    if (n >= longer.size() && n < PATH_LIMIT) {
        longer.reserve(n);
        n = ::GetLongPathNameW(io_path->c_str(), longer.data(), longer.size());
    }
    if (n > 0 && n < longer.size()) {
        longer.setLength(n);
        *io_path = longer;
    }
}

// The error of a failed path query: the system's reason, or a name too long.
void setPathError(DWORD length, const wchar_t* path) {
    if (length >= PATH_LIMIT || ::GetLastError() == 0)
        FileErrorObject::setError(ERROR_FILENAME_EXCED_RANGE).addParam(path);
    else
        FileErrorObject::setErrorFromSystem().addParam(path);
}

// Creates each missing folder of a native folder path, parents first.
bool createFolderChain(const WorkString<>& folder) {
    const wchar_t* text = folder.c_str();
    uint32_t pos = 1;
    if (startsWith(text, L"\\\\")) { // the server and share of a UNC path are never made
        int separators = 0;
        for (pos = 0; text[pos] && separators < 4; ++pos)
            separators += workstring_detail::isSeparator(text[pos]);
    }
    while (pos < folder.length()) {
        while (text[pos] && !workstring_detail::isSeparator(text[pos]))
            ++pos;
        const WorkString<> prefix(text, pos + (text[pos] ? 1 : 0));
        if (::GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES && !::CreateDirectoryW(prefix.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            FileErrorObject::setErrorFromSystem().addParam(prefix.c_str());
            return false;
        }
        pos = prefix.length();
    }
    return true;
}

uint32_t sharedDeviceId() {
    static const uint32_t id = FileIFC::makeDeviceId();
    return id;
}

} // namespace

FileDeviceWin32::FileDeviceWin32(const wchar_t* root, bool servesNativePaths) : m_watchPool(WatchPool::acquire()) {
    m_info.flags = FILEDEV_VOLUMES | (servesNativePaths ? static_cast<uint32_t>(FILEDEV_NATIVE_PATHS) : 0u);
    m_info.deviceId = sharedDeviceId();
    m_info.separator = L'\\';
    if (root && *root) {
        WorkString<> given(root);
        for (uint32_t i = 0; i < given.length(); ++i)
            if (given.data()[i] == L'/')
                given.data()[i] = L'\\';
        const DWORD n = fullPathName(given.c_str(), &m_root);
        m_rootValid = n > 0 && n < PATH_LIMIT;
        if (m_rootValid) {
            longPathName(&m_root);
            m_root.appendSeparator();
        } else {
            m_root = given;
        }
    }
}

FileDeviceWin32::~FileDeviceWin32() {
    WatchPool::release(m_watchPool);
    PEL_SOFT_ASSERT(!m_info.ref_count);
}

void FileDeviceWin32::setReadOnly(bool readOnly) {
    m_info.flags = readOnly ? (m_info.flags | FILEDEV_READ_ONLY) : (m_info.flags & ~FILEDEV_READ_ONLY);
}

void FileDeviceWin32::makeNativePath(const wchar_t* root, const wchar_t* rest, bool trailingSeparator, uint32_t extra,
                                     WorkString<>* o_path) {
    o_path->assign(root);
    o_path->append(rest);
    wchar_t* text = o_path->data();
    for (uint32_t i = 0; i < o_path->length(); ++i)
        if (text[i] == L'/')
            text[i] = L'\\';
    if (trailingSeparator && (o_path->empty() || text[o_path->length() - 1] != L'\\'))
        o_path->append(L'\\');
    if (o_path->length() + extra < MAX_PATH || startsWith(o_path->c_str(), L"\\\\?\\"))
        return;
    // The long form takes the text literally: "." and ".." and relative parts go first.
    WorkString<> full;
    const DWORD n = fullPathName(o_path->c_str(), &full);
    if (n == 0 || n >= PATH_LIMIT)
        full = *o_path;
    if (trailingSeparator && (full.empty() || full.c_str()[full.length() - 1] != L'\\'))
        full.append(L'\\');
    if (startsWith(full.c_str(), L"\\\\")) {
        o_path->assign(L"\\\\?\\UNC");
        o_path->append(full.c_str() + 1, full.length() - 1);
    } else {
        o_path->assign(L"\\\\?\\");
        o_path->append(full.c_str(), full.length());
    }
}

void FileDeviceWin32::nativePath(const wchar_t* rest, WorkString<>* o_path) const {
    makeNativePath(m_root.c_str(), rest, false, 0, o_path);
}

bool FileDeviceWin32::refuseOnReadOnly(const FileRequest& request) const {
    if (!isReadOnly())
        return false;
    FileErrorObject::setError(FileErrorCode::READ_ONLY_DEVICE).addParam(request.path);
    return true;
}

File* FileDeviceWin32::open(const FileRequest& request) {
    uint32_t mode = request.mode;
    bool buffered = m_buffered;
    FileBuffer::Parameters parameters = m_bufferParameters;
    if (buffered) {
        if (_wcsicmp(request.deviceParam, L"nb") == 0) {
            buffered = false;
        } else {
            // The buffer reads back the windows it writes.
            if (mode == FILE_MODE_WRITE)
                mode = FILE_MODE_READ_WRITE_NEW;
            else if (mode == FILE_MODE_WRITE_CREATE)
                mode = FILE_MODE_READ_WRITE_CREATE;
            unsigned int size = 0;
            if (std::iswdigit(request.deviceParam[0])) {
                if (parseUnsigned(&size, request.deviceParam))
                    parameters.bufferSize = size;
                else if (std::wcsspn(request.deviceParam, L"0123456789") == std::wcslen(request.deviceParam))
                    parameters.bufferSize = UINT32_MAX; // beyond 32 bits: far too large, refused
            }
        }
    }
    WorkString<> native;
    nativePath(request.rest, &native);
    FileWin32* file = nullptr;
    for (int attempt = 0;; ++attempt) {
        file = new FileWin32(this, native.c_str(), request.path, mode);
        if (file->isValid())
            break;
        FileErrorObject::setError(file->openError()).addParam(native.c_str());
        delete file;
        if (attempt || !createRootOnDemand || request.mode == FILE_MODE_READ || m_root.empty() ||
            !createFolderChain(m_root))
            return nullptr;
    }
    // A device or a pipe has no positions for a buffer's windows: its caller gets it as it is,
    // and can tell what it is (File::isDiskFile).
    if (!buffered || !file->isDiskFile())
        return file;
    FileBuffer* buffer = new FileBuffer(file, request.mode, parameters);
    if (buffer->isValid())
        return buffer;
    delete buffer; // an invalid buffer holds no file
    delete file;
    return nullptr;
}

bool FileDeviceWin32::openFile(FileRequest& request) {
    if (request.mode != FILE_MODE_READ && refuseOnReadOnly(request))
        return false;
    request.file = open(request);
    if (!request.file)
        return false;
    ++m_info.ref_count;
    return true;
}

bool FileDeviceWin32::openDirectory(FileRequest& request) {
    WorkString<> pattern;
    makeNativePath(m_root.c_str(), request.rest, true, 1, &pattern);
    pattern.append(L'*');
    DirectoryWin32* directory = new DirectoryWin32(this, isReadOnly(), pattern.c_str(), request.path);
    if (!directory->isValid()) {
        FileErrorObject::setError(directory->openError()).addParam(request.path);
        delete directory;
        return false;
    }
    ++m_info.ref_count;
    request.directory = directory;
    return true;
}

bool FileDeviceWin32::openWatchHandle(FileRequest& request) {
    WorkString<> native;
    makeNativePath(m_root.c_str(), request.rest, true, 0, &native);
    DWORD error = 0;
    request.watch = m_watchPool->openHandle(this, native.c_str(), request.path, request.recursive, request.observer,
                                            request.userWord, &error);
    if (!request.watch) {
        FileErrorObject::setError(error ? error : static_cast<DWORD>(ERROR_INVALID_FUNCTION)).addParam(request.path);
        return false;
    }
    ++m_info.ref_count;
    return true;
}

bool FileDeviceWin32::readAttributes(const FileRequest& request, WorkString<>* o_native,
                                     WIN32_FILE_ATTRIBUTE_DATA* o_data) const {
    nativePath(request.rest, o_native);
    if (::GetFileAttributesExW(o_native->c_str(), GetFileExInfoStandard, o_data))
        return true;
    FileErrorObject::setErrorFromSystem().addParam(request.path);
    return false;
}

bool FileDeviceWin32::getFileInfo(FileRequest& request) {
    WorkString<> native;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!readAttributes(request, &native, &data))
        return false;
    FileInfo* info = request.info;
    if (!info)
        return true;
    native.removeTrailingSeparator();
    const wchar_t* name = native.fileNamePointer();
    if (std::wcslen(name) >= 260) {
        FileErrorObject::setError(ERROR_FILENAME_EXCED_RANGE).addParam(request.path);
        return false;
    }
    info->flags = nativeInfoFlags(data.dwFileAttributes, isReadOnly());
    info->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info->lastWriteTime = data.ftLastWriteTime;
    info->lastAccessTime = data.ftLastAccessTime;
    info->creationTime = data.ftCreationTime;
    std::wcscpy(info->name, name);
    return true;
}

bool FileDeviceWin32::changeNative(FileRequest& request, bool (*call)(const wchar_t* nativePath)) {
    if (refuseOnReadOnly(request))
        return false;
    WorkString<> native;
    nativePath(request.rest, &native);
    if (call(native.c_str()))
        return true;
    FileErrorObject::setErrorFromSystem().addParam(request.path);
    return false;
}

bool FileDeviceWin32::deleteFile(FileRequest& request) {
    return changeNative(request, [](const wchar_t* path) { return ::DeleteFileW(path) != 0; });
}

bool FileDeviceWin32::removeDirectory(FileRequest& request) {
    return changeNative(request, [](const wchar_t* path) { return ::RemoveDirectoryW(path) != 0; });
}

bool FileDeviceWin32::createDirectory(FileRequest& request) {
    return changeNative(request, [](const wchar_t* path) { return ::CreateDirectoryW(path, nullptr) != 0; });
}

bool FileDeviceWin32::setFileAttributes(FileRequest& request) {
    if (refuseOnReadOnly(request))
        return false;
    WorkString<> native;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!readAttributes(request, &native, &data))
        return false;
    const FileAttributeChange& change = request.attributes;
    DWORD attributes = data.dwFileAttributes;
    if (change.setFlags & 0x1) {
        attributes = FILE_ATTRIBUTE_NORMAL;
    } else {
        static const struct {
            uint16_t flag;
            DWORD attribute;
        } kinds[] = {{FILEINFO_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
                     {FILEINFO_SYSTEM, FILE_ATTRIBUTE_SYSTEM},
                     {FILEINFO_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE}};
        for (const auto& kind : kinds) {
            if (change.setFlags & kind.flag)
                attributes |= kind.attribute;
            if (change.clearFlags & kind.flag)
                attributes &= ~kind.attribute;
        }
        if (change.setFlags & FILEINFO_WRITABLE)
            attributes &= ~FILE_ATTRIBUTE_READONLY;
        if (change.clearFlags & FILEINFO_WRITABLE)
            attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (change.options & 0x1)
        attributes &= ~FILE_ATTRIBUTE_READONLY;
    attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
    // NORMAL stands only alone.
    if (attributes & ~FILE_ATTRIBUTE_NORMAL)
        attributes &= ~FILE_ATTRIBUTE_NORMAL;
    if (!attributes)
        attributes = FILE_ATTRIBUTE_NORMAL;
    if (::SetFileAttributesW(native.c_str(), attributes))
        return true;
    FileErrorObject::setErrorFromSystem().addParam(request.path);
    return false;
}

bool FileDeviceWin32::fullPath(FileRequest& request) {
    WorkString<> given;
    given.assign(m_root.c_str());
    given.append(request.rest);
    for (uint32_t i = 0; i < given.length(); ++i)
        if (given.data()[i] == L'/')
            given.data()[i] = L'\\';
    WorkString<> full;
    const DWORD n = fullPathName(given.c_str(), &full);
    if (n == 0 || n >= PATH_LIMIT) {
        setPathError(n, request.path);
        return false;
    }
    longPathName(&full);
    if (full.length() > 3) // "C:\" keeps its separator
        full.removeTrailingSeparator();
    if (request.existingOnly) {
        WorkString<> native;
        nativePath(request.rest, &native);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data)) {
            FileErrorObject::setErrorFromSystem().addParam(request.path);
            return false;
        }
    }
    if (request.outPath)
        *request.outPath = full;
    return true;
}

bool FileDeviceWin32::normalizedPath(FileRequest& request) {
    FileErrorObject::setError(0);
    if (!request.outPath)
        return true;
    request.outPath->assign(request.rest);
    wchar_t* text = request.outPath->data();
    for (uint32_t i = 0; i < request.outPath->length(); ++i)
        text[i] = text[i] == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(text[i]));
    return true;
}

bool FileDeviceWin32::move(FileRequest& request) {
    if (refuseOnReadOnly(request))
        return false;
    WorkString<> source;
    WorkString<> destination;
    nativePath(request.rest, &source);
    nativePath(request.secondRest, &destination);
    DWORD flags = 0;
    if (request.mode & FILE_MOVE_COPY_ALLOWED)
        flags |= MOVEFILE_COPY_ALLOWED;
    if (request.mode & FILE_MOVE_REPLACE)
        flags |= MOVEFILE_REPLACE_EXISTING;
    if (::MoveFileExW(source.c_str(), destination.c_str(), flags))
        return true;
    FileErrorObject::setErrorFromSystem().addParam(request.path);
    return false;
}

bool FileDeviceWin32::closeFile(File* file) { return releaseOwn(file); }

bool FileDeviceWin32::closeDirectory(Directory* directory) { return releaseOwn(directory); }

bool FileDeviceWin32::closeWatchHandle(DirObserverHandle* handle) {
    if (!handle || handle->device() != this || !m_watchPool->closeHandle(handle))
        return false;
    --m_info.ref_count;
    return true;
}

} // namespace pel
