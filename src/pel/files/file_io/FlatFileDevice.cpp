#include "pel/files/file_io/FlatFileDevice.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace pel {

namespace {

FILETIME now() {
    FILETIME time;
    ::GetSystemTimeAsFileTime(&time);
    return time;
}

wchar_t foldUnit(wchar_t c) { return c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c)); }

struct ModeRule {
    uint32_t access;
    bool emptying;
    bool mustExist;
    bool mustNotExist;
};

const ModeRule MODE_RULES[] = {
    {FlatFile::ACCESS_READ, false, true, false},                           // 0 read
    {FlatFile::ACCESS_WRITE, true, false, false},                          // 1 write
    {FlatFile::ACCESS_WRITE | FlatFile::ACCESS_APPEND, false, false, false}, // 2 append
    {FlatFile::ACCESS_READ | FlatFile::ACCESS_WRITE, false, false, false}, // 3 read and write
    {FlatFile::ACCESS_READ | FlatFile::ACCESS_WRITE, true, false, false},  // 4 emptying
    {FlatFile::ACCESS_READ | FlatFile::ACCESS_WRITE, false, false, true},  // 5 new
    {FlatFile::ACCESS_WRITE, false, false, true},                          // 6 new
};

} // namespace

// ---- FlatFile

FlatFile::FlatFile(FlatFileDevice* device, const wchar_t* kind) : m_device(device), m_kind(kind) {
    m_creationTime = m_lastWriteTime = m_lastAccessTime = now();
}

FileDevice* FlatFile::device() const { return m_device; }

bool FlatFile::open(uint32_t access, const wchar_t* path) {
    m_access = access;
    m_position = (access & ACCESS_APPEND) ? m_size : 0;
    m_lastAccessTime = now();
    m_path = path;
    const size_t colon = m_path.find(L':');
    if (colon == std::wstring::npos)
        softAssertion(L"m_name_id", PEL_FILE, __LINE__);
    m_nameOffset = colon == std::wstring::npos ? 0 : colon + 1;
    return true;
}

bool FlatFile::close() {
    if (m_access & ACCESS_WRITE)
        m_lastWriteTime = now();
    m_access = 0;
    return true;
}

void FlatFile::fillInfo(FileInfo* o_info) const {
    PEL_CHECK_PTR(o_info);
    o_info->flags = FILEINFO_WRITABLE | FILEINFO_READABLE;
    o_info->size = static_cast<uint64_t>(m_size);
    o_info->lastWriteTime = m_lastWriteTime;
    o_info->lastAccessTime = m_lastAccessTime;
    o_info->creationTime = m_creationTime;
    const size_t length = std::min<size_t>(std::wcslen(nameId()), 259);
    std::wmemcpy(o_info->name, nameId(), length);
    o_info->name[length] = 0;
}

bool FlatFile::permits(uint32_t access) const {
    if ((m_access & access) == access && m_access)
        return true;
    FileErrorObject::setError(m_access ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE).addParam(m_path.c_str());
    return false;
}

int64_t FlatFile::seek(int origin, int64_t offset) {
    if (!isValid())
        return -1;
    if (m_access & ACCESS_APPEND)
        return m_position; // every write goes to the end
    int64_t base;
    switch (origin) {
    case FILE_SEEK_BEGIN:
        base = 0;
        break;
    case FILE_SEEK_END:
        base = m_size;
        break;
    case FILE_SEEK_CURRENT:
        base = m_position;
        break;
    default:
        base = -1;
        break;
    }
    // Compared without forming base + offset, which a huge offset would overflow.
    if (base < 0 || offset < -base || offset > m_size - base) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s: Seek position is out of range\n", m_kind);
        FileErrorObject::setError(ERROR_INVALID_PARAMETER).addParam(m_path.c_str());
        return -1;
    }
    if (!place(base + offset))
        return -1;
    m_position = base + offset;
    return m_position;
}

// ---- FlatFileDevice

FlatFileDevice::FlatFileDevice(const wchar_t* kind) : m_kind(kind) {
    m_info.flags = FILEDEV_CASE_SENSITIVE;
    m_info.deviceId = FileIFC::makeDeviceId();
    m_info.separator = L'/';
}

FlatFileDevice::~FlatFileDevice() {
    if (getInfo().ref_count)
        softAssertion(L"!getInfo().ref_count", PEL_FILE, __LINE__);
}

// The core asks every device for its flags on each native path's way through, so the count of
// open files is kept as files open and close rather than counted here.
FileDeviceInfo& FlatFileDevice::getInfo() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    m_info.ref_count = m_openFiles;
    return m_info;
}

bool FlatFileDevice::unsupported(const FileRequest& request, const wchar_t* operation) {
    FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION).addParam(request.path).addParam(operation);
    return false;
}

std::wstring FlatFileDevice::foldName(const wchar_t* name) {
    std::wstring folded(name);
    for (wchar_t& unit : folded)
        unit = foldUnit(unit);
    return folded;
}

std::vector<std::unique_ptr<FlatFile>>::iterator FlatFileDevice::find(const wchar_t* rest) {
    const auto named = m_byName.find(foldName(rest));
    if (named == m_byName.end())
        return m_files.end();
    const FlatFile* file = named->second;
    return std::find_if(m_files.begin(), m_files.end(),
                        [file](const std::unique_ptr<FlatFile>& each) { return each.get() == file; });
}

void FlatFileDevice::eraseFile(std::vector<std::unique_ptr<FlatFile>>::iterator file) {
    const auto named = m_byName.find(foldName((*file)->nameId()));
    if (named != m_byName.end() && named->second == file->get())
        m_byName.erase(named);
    m_files.erase(file);
}

void FlatFileDevice::eraseClosedFiles() {
    for (size_t i = m_files.size(); i > 0; --i)
        if (!m_files[i - 1]->isValid())
            eraseFile(m_files.begin() + static_cast<std::ptrdiff_t>(i - 1));
}

uint32_t FlatFileDevice::settingOf(const FileRequest& request) const {
    if (!request.deviceParam[0])
        return defaultSetting();
    int value = 0;
    if (std::swscanf(request.deviceParam, L"%d", &value) != 1) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s::openFile: unknown device param '%s'\n", m_kind,
                   request.deviceParam);
        return defaultSetting();
    }
    return settingFor(value);
}

bool FlatFileDevice::openFile(FileRequest& request) {
    if (std::wcslen(request.rest) >= 260) {
        FileErrorObject::setError(ERROR_INVALID_NAME).addParam(request.path);
        return false;
    }
    ScopedLock<Mutex_Impl> lock(m_lock);
    const uint32_t setting = settingOf(request);
    auto found = find(request.rest);
    if (found != m_files.end() && (*found)->isValid()) {
        FileErrorObject::setError(ERROR_SHARING_VIOLATION).addParam(request.path);
        return false;
    }
    if (request.mode >= sizeof(MODE_RULES) / sizeof(MODE_RULES[0])) {
        FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION)
            .addParam(request.path)
            .addParam(L"OpenFile - wrong opening mode");
        return false;
    }
    const ModeRule& rule = MODE_RULES[request.mode];
    const bool exists = found != m_files.end();
    if (!exists && rule.mustExist) {
        FileErrorObject::setError(ERROR_FILE_NOT_FOUND).addParam(request.path);
        return false;
    }
    if (exists && rule.mustNotExist) {
        FileErrorObject::setError(ERROR_FILE_EXISTS).addParam(request.path);
        return false;
    }
    const bool create = !exists || rule.emptying;
    if (create) {
        if (exists)
            eraseFile(found);
        m_files.push_back(createFile(setting));
        found = m_files.end() - 1;
    }
    FlatFile* file = found->get();
    if (!file->open(rule.access, request.path)) {
        if (create) // a file that could not be opened never came to be
            m_files.erase(found);
        return false;
    }
    if (create)
        m_byName[foldName(file->nameId())] = file;
    ++m_openFiles;
    request.file = file;
    return true;
}

bool FlatFileDevice::getFileInfo(FileRequest& request) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    const auto found = find(request.rest);
    if (found == m_files.end()) {
        FileErrorObject::setError(ERROR_FILE_NOT_FOUND).addParam(request.path);
        return false;
    }
    if (request.info)
        (*found)->fillInfo(request.info);
    return true;
}

bool FlatFileDevice::deleteFile(FileRequest& request) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    const auto found = find(request.rest);
    if (found == m_files.end() || (*found)->isValid()) {
        FileErrorObject::setError(found == m_files.end() ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED)
            .addParam(request.path);
        return false;
    }
    eraseFile(found);
    FileErrorObject::setError(0); // the parts a file leaves behind are its own business
    return true;
}

void FlatFileDevice::writePath(const FileRequest& request) {
    WorkString<>* out = request.outPath;
    if (!out)
        return;
    out->assign(request.deviceName);
    out->append(L':');
    const uint32_t start = out->length();
    out->append(request.rest);
    for (uint32_t i = start; i < out->length(); ++i)
        out->data()[i] = foldUnit(out->data()[i]);
}

bool FlatFileDevice::fullPath(FileRequest& request) {
    if (request.existingOnly) {
        ScopedLock<Mutex_Impl> lock(m_lock);
        if (find(request.rest) == m_files.end()) {
            FileErrorObject::setError(ERROR_FILE_NOT_FOUND).addParam(request.path);
            return false;
        }
    }
    writePath(request);
    return true;
}

bool FlatFileDevice::normalizedPath(FileRequest& request) {
    FileErrorObject::setError(0);
    writePath(request);
    return true;
}

bool FlatFileDevice::closeFile(File* file) {
    if (!file || file->device() != this) {
        softAssertion(L"file->device() == this", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    ScopedLock<Mutex_Impl> lock(m_lock);
    FlatFile* flat = static_cast<FlatFile*>(file);
    const bool wasOpen = flat->isValid();
    const bool closed = flat->close();
    if (wasOpen && !flat->isValid())
        --m_openFiles;
    return closed;
}

bool FlatFileDevice::closeDirectory(Directory* directory) {
    FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION).addParam(L"").addParam(L"CloseDirectory");
    return false;
}

bool FlatFileDevice::closeWatchHandle(DirObserverHandle* handle) {
    FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION).addParam(L"").addParam(L"CloseWatchHandle");
    return false;
}

} // namespace pel
