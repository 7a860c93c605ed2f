#include "pel/files/file_io/FileIFC.h"

#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/files/file_io/DevicePath.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/VirtualDirectory.h"
#include "pel/log/Log.h"
#include "pel/log/LogManager.h"

#include <atomic>
#include <cwchar>

namespace pel {

namespace {

std::atomic<FileIFC*> s_instance{nullptr};

FastMutex& instanceLock() {
    static FastMutex lock;
    return lock;
}

uint32_t hashOfPart(const wchar_t* text, size_t length) {
    wchar_t part[64];
    const size_t n = length < 63 ? length : 63;
    std::wmemcpy(part, text, n);
    part[n] = 0;
    return crc32StringNoCase(part);
}

} // namespace

FileIFC* FileIFC::getInstance() {
    FileIFC* core = s_instance.load(std::memory_order_acquire);
    if (core)
        return core;
    ScopedLock<FastMutex> lock(instanceLock());
    core = s_instance.load(std::memory_order_acquire);
    if (!core) {
        core = new FileIFC;
        LogManager_Impl::getInstance()->registerSource(L"FileIO");
        s_instance.store(core, std::memory_order_release);
    }
    return core;
}

void FileIFC::releaseInstance() {
    ScopedLock<FastMutex> lock(instanceLock());
    delete s_instance.exchange(nullptr, std::memory_order_acq_rel);
}

// ---- dispatch

bool FileIFC::resolve(FileRequest& request) {
    request.candidateCount = 0;
    const bool native = isNativeRequest(request);
    const uint32_t hash = native ? 0 : crc32StringNoCase(request.deviceName);
    for (const Entry& entry : m_entries) {
        const bool match = native ? (entry.device->getInfo().flags & FILEDEV_NATIVE_PATHS) != 0 : entry.deviceHash == hash;
        if (!match)
            continue;
        if (!PEL_SOFT_ASSERT(request.candidateCount < FILEDEV_MAX_COUNT))
            break;
        request.candidates[request.candidateCount++] = entry.device;
    }
    if (request.candidateCount)
        return true;
    if (native)
        FileErrorObject::setError(FileErrorCode::NO_ROOT_DEVICE);
    else
        FileErrorObject::setError(FileErrorCode::UNKNOWN_DEVICE).addParam(request.deviceName);
    return false;
}

bool FileIFC::runCandidates(FileRequest& request) {
    const bool modifying = (request.operation & FILEOP_MODIFYING) != 0;
    int called = 0;
    for (int i = 0; i < request.candidateCount; ++i) {
        FileDevice* device = request.candidates[i];
        const uint32_t flags = device->getInfo().flags;
        if (modifying && (flags & FILEDEV_READ_ONLY))
            continue;
        if ((device->*request.call)(request)) {
            request.deviceFlags = flags;
            if (called) // an earlier candidate failed and left its error
                FileErrorObject::setError(0);
            return true;
        }
        ++called;
    }
    if (!called)
        FileErrorObject::setError(FileErrorCode::READ_ONLY_DEVICE).addParam(request.path);
    return false;
}

bool FileIFC::mergeDirectories(FileRequest& request) {
    std::vector<Directory*> listings;
    for (int i = 0; i < request.candidateCount; ++i) {
        request.directory = nullptr;
        if ((request.candidates[i]->*request.call)(request) && request.directory)
            listings.push_back(request.directory);
    }
    request.directory = nullptr;
    if (listings.empty())
        return false;
    FileErrorObject::setError(0); // layers without the folder are no failure
    request.directory = listings.size() == 1 ? listings[0] : new VirtualDirectory(std::move(listings), request.path);
    return true;
}

bool FileIFC::dispatch(FileRequest& request, const wchar_t* path) {
    if (!splitDevicePath(path, request))
        return false;
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (!resolve(request))
        return false;
    if (request.operation == FILEOP_OPEN_DIRECTORY && request.candidateCount > 1)
        return mergeDirectories(request);
    return runCandidates(request);
}

// ---- operations

File* FileIFC::openFile(const wchar_t* path, uint32_t mode) {
    FileRequest request;
    request.operation = mode ? FILEOP_OPEN_FILE_MODIFYING : FILEOP_OPEN_FILE;
    request.call = &FileDevice::openFile;
    request.mode = mode;
    return dispatch(request, path) ? request.file : nullptr;
}

Directory* FileIFC::openDirectory(const wchar_t* path) {
    FileRequest request;
    request.operation = FILEOP_OPEN_DIRECTORY;
    request.call = &FileDevice::openDirectory;
    return dispatch(request, path) ? request.directory : nullptr;
}

DirObserverHandle* FileIFC::openWatchHandle(const wchar_t* path, DirObserver* observer, bool recursive) {
    FileRequest request;
    request.operation = FILEOP_OPEN_WATCH_HANDLE;
    request.call = &FileDevice::openWatchHandle;
    request.observer = observer;
    request.recursive = recursive;
    return dispatch(request, path) ? request.watch : nullptr;
}

bool FileIFC::getFileInfo(const wchar_t* path, FileInfo* o_info) {
    FileRequest request;
    request.operation = FILEOP_GET_FILE_INFO;
    request.call = &FileDevice::getFileInfo;
    request.info = o_info;
    return dispatch(request, path);
}

bool FileIFC::getFullPath(const wchar_t* path, WorkString<>* o_path, uint32_t* o_deviceFlags) {
    FileRequest request;
    request.operation = FILEOP_FULL_PATH;
    request.call = &FileDevice::fullPath;
    request.outPath = o_path;
    if (!dispatch(request, path))
        return false;
    if (o_deviceFlags)
        *o_deviceFlags = request.deviceFlags;
    return true;
}

bool FileIFC::getNormalizedPath(const wchar_t* path, WorkString<>* o_path) {
    FileRequest request;
    request.operation = FILEOP_NORMALIZED_PATH;
    request.call = &FileDevice::normalizedPath;
    request.outPath = o_path;
    return dispatch(request, path);
}

bool FileIFC::doPathOperation(const wchar_t* path, DeviceCall call) {
    FileRequest request;
    request.operation = FILEOP_PATH_OPERATION;
    request.call = call;
    return dispatch(request, path);
}

bool FileIFC::setFileAttributes(const wchar_t* path, const FileAttributeChange& change) {
    FileRequest request;
    request.operation = FILEOP_SET_ATTRIBUTES;
    request.call = &FileDevice::setFileAttributes;
    request.attributes = change;
    return dispatch(request, path);
}

bool FileIFC::move(const wchar_t* from, const wchar_t* to) {
    FileRequest request;
    request.operation = FILEOP_PATH_OPERATION;
    request.call = &FileDevice::move;
    FileRequest destination;
    if (!splitDevicePath(from, request) || !splitDevicePath(to, destination))
        return false;
    if (isNativeRequest(request) != isNativeRequest(destination) ||
        crc32StringNoCase(request.deviceName) != crc32StringNoCase(destination.deviceName)) {
        FileErrorObject::setError(FileErrorCode::INTERNAL_ERROR).addParam(PEL_FILE).addNumber(__LINE__);
        softAssertion(L"0", PEL_FILE, __LINE__);
        return false;
    }
    request.secondPath = to;
    request.secondRest = destination.rest;
    ScopedLock<Mutex_Impl> lock(m_lock);
    return resolve(request) && runCandidates(request);
}

uint32_t FileIFC::getPathHash(const wchar_t* path, WorkString<>* o_fullPath) {
    WorkString<> local;
    WorkString<>* full = o_fullPath ? o_fullPath : &local;
    uint32_t flags = 0;
    if (!getFullPath(path, full, &flags))
        return 0xFFFFFFFFu;
    full->removeTrailingSeparator();
    return (flags & FILEDEV_CASE_SENSITIVE) ? crc32String(full->c_str()) : crc32StringNoCase(full->c_str());
}

uint64_t FileIFC::getPathHash64(const wchar_t* path, WorkString<>* o_fullPath) {
    WorkString<> local;
    WorkString<>* full = o_fullPath ? o_fullPath : &local;
    uint32_t flags = 0;
    if (!getFullPath(path, full, &flags))
        return 0x00000000FFFFFFFFull;
    full->removeTrailingSeparator();
    return (flags & FILEDEV_CASE_SENSITIVE) ? crc64String(full->c_str()) : crc64StringNoCase(full->c_str());
}

uint32_t FileIFC::compareDevices(const wchar_t* a, const wchar_t* b) {
    FileRequest first;
    FileRequest second;
    if (!splitDevicePath(a, first) || !splitDevicePath(b, second))
        return FileErrorObject::getErrorCode();
    uint32_t result = FileErrorCode::DIFFERENT_DEVICES;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        if (!resolve(first) || !resolve(second))
            return FileErrorObject::getErrorCode();
        const FileDeviceInfo& infoA = first.candidates[0]->getInfo();
        const FileDeviceInfo& infoB = second.candidates[0]->getInfo();
        if (infoA.deviceId == infoB.deviceId && (!(infoA.flags & FILEDEV_VOLUMES) || isSameVolume(a, b)))
            result = 0;
    }
    FileErrorObject::setError(result);
    return result;
}

// ---- registry

bool FileIFC::devAttach(const wchar_t* name, FileDevice* device, uint32_t priority) {
    const size_t length = std::wcslen(name);
    if (length >= 64) {
        FileErrorObject::setError(FileErrorCode::DEVICE_NAME_TOO_LONG).addParam(name);
        return false;
    }
    const wchar_t* colon = std::wcschr(name, L':');
    const bool mapping = colon != nullptr;
    const uint32_t deviceHash = hashOfPart(name, mapping ? static_cast<size_t>(colon - name) : length);
    const uint32_t fullHash = crc32StringNoCase(name);
    bool duplicate = false;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        if (m_entries.size() >= FILEDEV_MAX_COUNT) {
            FileErrorObject::setError(FileErrorCode::TOO_MANY_DEVICES);
            return false;
        }
        for (const Entry& entry : m_entries)
            if (entry.fullHash == fullHash || (!mapping && entry.deviceHash == deviceHash))
                duplicate = true;
        if (!duplicate) {
            auto at = m_entries.begin();
            while (at != m_entries.end() && at->priority >= priority)
                ++at;
            m_entries.insert(at, Entry{deviceHash, device, fullHash, priority, name});
        }
    }
    const wchar_t* kind = mapping ? L" mapping " : L" ";
    if (duplicate) {
        log_printf(LOG_ERROR, LOG_FILEIO_SOURCE, L"devAttach: device%s'%s' is already registered\n", kind, name);
        FileErrorObject::setError(FileErrorCode::DEVICE_ALREADY_REGISTERED).addParam(name);
        return false;
    }
    log_printf(LOG_INFO, LOG_FILEIO_SOURCE, L"devAttach: device%s'%s' attached\n", kind, name);
    return true;
}

bool FileIFC::devDetach(const wchar_t* name) {
    const uint32_t fullHash = crc32StringNoCase(name);
    Entry removed;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        auto it = m_entries.begin();
        while (it != m_entries.end() && it->fullHash != fullHash)
            ++it;
        if (it == m_entries.end()) {
            FileErrorObject::setError(FileErrorCode::UNKNOWN_DEVICE).addParam(name);
            return false;
        }
        removed = std::move(*it);
        m_entries.erase(it);
    }
    if (removed.deviceHash == removed.fullHash)
        log_printf(LOG_INFO, LOG_FILEIO_SOURCE, L"Device '%s' detached\n", removed.name.c_str());
    else
        log_printf(LOG_INFO, LOG_FILEIO_SOURCE, L"Device mapping '%s' detached\n", removed.name.c_str());
    return true;
}

bool FileIFC::detachAll() {
    ScopedLock<Mutex_Impl> lock(m_lock);
    m_entries.clear();
    return true;
}

FileDevice* FileIFC::getDevice(const wchar_t* path) {
    FileRequest request;
    if (!splitDevicePath(path, request))
        return nullptr;
    const uint32_t hash = crc32StringNoCase(isNativeRequest(request) ? path : request.deviceName);
    ScopedLock<Mutex_Impl> lock(m_lock);
    for (const Entry& entry : m_entries)
        if (entry.fullHash == hash)
            return entry.device;
    return nullptr;
}

bool FileIFC::makeUniqueName(const wchar_t* prefix, WorkString<>* o_name) {
    uint32_t counter;
    {
        ScopedLock<Mutex_Impl> lock(m_lock);
        counter = ++m_uniqueCounter;
    }
    o_name->assign(prefix);
    o_name->append(L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter));
    return true;
}

uint32_t FileIFC::makeDeviceId() {
    // Process-wide, so that devices made before and after a release of the core never share an id.
    static std::atomic<uint32_t> counter{0};
    const uint32_t c = ++counter;
    const uint32_t result = static_cast<uint32_t>((static_cast<uint64_t>(c) * 47) % 1085801);
    PEL_SOFT_ASSERT(result);
    return result;
}

} // namespace pel
