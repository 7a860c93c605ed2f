#include "pel/files/SafeSave.h"

#include "pel/files/FileFailure.h"
#include "pel/files/FileUtils.h"
#include "pel/files/FileUtilsSupport.h"
#include "pel/files/SafeSaveSteps.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

namespace pel {

using namespace fileutils_detail;

namespace {

// Tries at making a temporary name that is not taken yet.
constexpr int NAME_ATTEMPTS = 16;

// Where the file name starts: after the last separator or the device's ':'.
size_t nameStart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// A rename within the target's folder, so on its device: straight to the device, without the
// full paths (a long-name lookup each) by which FileIO::move tells devices apart.
bool renameInFolder(const std::wstring& from, const std::wstring& to, uint32_t flags) {
    FileErrorObject::setError(0);
    return FileIFC::getInstance()->move(from.c_str(), to.c_str(), flags);
}

std::function<void()>& heldTargetHook() {
    static std::function<void()> hook;
    return hook;
}

std::function<void()>& lastMomentHook() {
    static std::function<void()> hook;
    return hook;
}

// The temporary file renamed over the target, tried again while the target is held; the target
// is looked at right before each try (`unchanged`), since the program holding it may write it.
bool replaceTarget(const std::wstring& temporary, const std::wstring& target, const std::function<bool()>& unchanged) {
    const DWORD start = ::GetTickCount();
    while (!unchanged() || !renameInFolder(temporary, target, FILE_MOVE_REPLACE)) {
        if (FileErrorObject::getErrorCode() == FileErrorCode::TARGET_CHANGED ||
            !safesave::isHeldError(FileErrorObject::getErrorCode()) ||
            ::GetTickCount() - start >= SafeSave::HELD_TARGET_MS)
            return false;
        if (heldTargetHook())
            heldTargetHook()();
        ::Sleep(SafeSave::HELD_TARGET_PAUSE_MS);
    }
    return true;
}

// Whether the path's device renames files at all. A rename of a file that does not exist
// answers "unsupported" only on a device without renames; anything else means it has them.
bool deviceRenames(const std::wstring& probe) {
    ErrorKeeper keep;
    return renameInFolder(probe, probe + L"~", 0) ||
           FileErrorObject::getErrorCode() != FileErrorCode::UNSUPPORTED_OPERATION;
}

// Whether the path opens a device or a pipe rather than a file (a name Windows keeps for a
// device, a FIFO or a device of the host under Wine): such a target is never replaced, nor
// written. A path that does not open is no device as far as can be told: the steps after tell.
bool opensDevice(const std::wstring& path) {
    if (isReservedDeviceName(path))
        return true;
    ErrorKeeper keep;
    File* file = FileIO::openFile(path.c_str(), FILE_MODE_READ);
    if (!file)
        return false;
    const bool device = !file->isDiskFile();
    FileIO::closeFile(file);
    return device;
}

// The system's path of a path, where it has one: the path itself, or the folder of the system
// that a device of the library's own stands for.
std::wstring nativePathOf(const std::wstring& path) {
    if (isSystemPath(path))
        return path;
    WorkString<> full;
    ErrorKeeper keep;
    return FileIO::getFullPath(path.c_str(), &full) && isSystemPath(full.c_str()) ? std::wstring(full.c_str())
                                                                                  : std::wstring();
}

// Whether the user may write the file. A folder that lets the user rename files lets a save
// replace one the user may not write: the new file would then be the user's, with the user's
// rights, and the file's owner would have lost it. Held by another program counts as writable:
// the commit waits for it.
bool mayWrite(const std::wstring& native) {
    const HANDLE file = ::CreateFileW(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        return true;
    }
    return ::GetLastError() != ERROR_ACCESS_DENIED;
}

} // namespace

namespace safesave {

bool isHeldError(uint32_t code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

bool whileHeld(const std::function<bool()>& step) {
    const DWORD start = ::GetTickCount();
    while (!step()) {
        const DWORD error = ::GetLastError();
        if (!isHeldError(error) || ::GetTickCount() - start >= SafeSave::HELD_TARGET_MS)
            return false;
        if (heldTargetHook())
            heldTargetHook()();
        ::Sleep(SafeSave::HELD_TARGET_PAUSE_MS);
        ::SetLastError(error);
    }
    return true;
}

void lastMoment() {
    if (lastMomentHook())
        lastMomentHook()();
}

} // namespace safesave

SafeSave::SafeSave(const wchar_t* path) {
    if (!path || !*path) {
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        fail(Step::OPEN);
        return;
    }
    // Through a link the file it leads to is replaced, and the link stays a link. A device of
    // the library's own that stands for a folder of the system is followed there too.
    m_path = linkTarget(path);
    m_native = nativePathOf(m_path);
    if (!m_native.empty() && !isSystemPath(m_path)) {
        const std::wstring followed = linkTarget(m_native);
        if (followed != m_native)
            m_path = m_native = followed;
    }
    FileInfo info{};
    m_targetExists = FileIO::getFileInfo(m_path.c_str(), &info);
    m_targetFlags = info.flags;
    if (m_targetExists && (info.flags & FILEINFO_DIRECTORY)) {
        FileErrorObject::setError(FileErrorCode::TARGET_IS_FOLDER).addParam(path);
        fail(Step::OPEN);
        return;
    }
    // A device that reports access (readable) and no write access holds a read-only file.
    const bool readOnly = (info.flags & FILEINFO_READABLE) && !(info.flags & FILEINFO_WRITABLE);
    if (m_targetExists && (readOnly || (!m_native.empty() && !mayWrite(m_native)))) {
        FileErrorObject::setError(ERROR_ACCESS_DENIED).addParam(path);
        fail(Step::OPEN);
        return;
    }
    if (isReservedDeviceName(path) || opensDevice(m_path)) {
        FileErrorObject::setError(FileErrorCode::NOT_A_FILE).addParam(path);
        fail(Step::OPEN);
        return;
    }
    FileErrorObject::setError(0);
    if (openTemporary())
        return;
    if (FileErrorObject::getErrorCode() != FileErrorCode::UNSUPPORTED_OPERATION) {
        fail(Step::FOLDER);
        return;
    }
    m_inPlace = true;
    if (!openInPlace())
        fail(Step::OPEN);
}

SafeSave::~SafeSave() { abandon(); }

bool SafeSave::openTemporary() {
    const size_t name = nameStart(m_path);
    const std::wstring prefix = m_path.substr(0, name) + L"." + m_path.substr(name);
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        WorkString<> unique;
        if (!FileIFC::getInstance()->makeUniqueName(prefix.c_str(), &unique))
            return false;
        m_temporary.assign(unique.c_str());
        if (attempt == 0 && !deviceRenames(m_temporary)) {
            m_temporary.clear();
            FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION).addParam(m_path.c_str());
            return false;
        }
        m_file = FileIO::openFile(m_temporary.c_str(), FILE_MODE_WRITE_CREATE);
        if (m_file)
            return true;
        if (!isExistsError(FileErrorObject::getErrorCode()))
            break;
    }
    m_temporary.clear();
    return false;
}

bool SafeSave::openInPlace() {
    m_file = FileIO::openFile(m_path.c_str(), FILE_MODE_READ_WRITE);
    if (!m_file)
        return false;
    const int64_t size = m_file->getSize();
    try {
        if (size < 0 || size > INT32_MAX)
            FileErrorObject::setError(ERROR_READ_FAULT).addParam(m_path.c_str());
        else
            m_old.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(m_path.c_str());
    }
    if (size >= 0 && m_old.size() == static_cast<size_t>(size) &&
        (size == 0 || FileUtils::readFully(nullptr, m_file, &m_old[0], static_cast<uint32_t>(size)) == size))
        return true;
    if (FileErrorObject::getErrorCode() == 0)
        FileErrorObject::setError(ERROR_READ_FAULT).addParam(m_path.c_str());
    abandon();
    return false;
}

bool SafeSave::write(const void* data, size_t size) {
    if (!m_file)
        return false;
    m_digester.update(data, size);
    if (m_inPlace) {
        try {
            m_pending.append(static_cast<const char*>(data), size);
            return true;
        } catch (const std::exception&) { // out of memory, or beyond the largest string
            FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(m_path.c_str());
        }
    } else if (size == 0 || FileUtils::writeFully(nullptr, m_file, data, static_cast<uint32_t>(size)) == size) {
        return true;
    }
    return fail(Step::WRITE);
}

namespace {

// Writes the bytes at the offset; false, with the file error set, unless all of them went.
bool writeAt(File* file, int64_t offset, const char* bytes, size_t size, const std::wstring& path) {
    if (file->seek(FILE_SEEK_BEGIN, offset) == offset &&
        (size == 0 || FileUtils::writeFully(nullptr, file, bytes, static_cast<uint32_t>(size)) == size))
        return true;
    if (FileErrorObject::getErrorCode() == 0)
        FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(path.c_str());
    return false;
}

// Ends the file at the offset.
bool endAt(File* file, int64_t offset) { return file->seek(FILE_SEEK_BEGIN, offset) == offset && file->truncate(); }

} // namespace

void SafeSave::expect(const FileVersion& known, Other other) {
    m_expecting = true;
    m_expected = known;
    m_other = other;
}

bool SafeSave::isExpected(const FileStamp& now, const std::function<FileDigest()>& digest) const {
    if (!m_expected.stamp.there)
        return !now.there;
    if (now == m_expected.stamp)
        return true;
    // Another state of the file that may still hold the bytes known: they decide.
    return mayHoldTheSameBytes(m_expected, now) && digest() == m_expected.digest;
}

bool SafeSave::targetAsExpected(const FileDigest* held) {
    if (!m_expecting || m_other == Other::KEEP_BESIDE)
        return true;
    m_found = {FileStamp::of(m_path), FileDigest()};
    const bool same = isExpected(m_found.stamp, [&] {
        if (held)
            m_found.digest = *held;
        else
            m_found = readFileVersion(m_path);
        return m_found.digest;
    });
    if (!same)
        FileErrorObject::setError(FileErrorCode::TARGET_CHANGED).addParam(m_path.c_str());
    return same;
}

bool SafeSave::commitInPlace() {
    File* file = m_file;
    FileDigester old;
    old.update(m_old.data(), m_old.size());
    const FileDigest oldBytes = old.finish();
    if (!targetAsExpected(&oldBytes))
        return fail(Step::CHECK);
    const size_t oldSize = m_old.size();
    const size_t kept = std::min(oldSize, m_pending.size());
    // The file grows to its new size first, the new bytes beyond the old ones: on a device that
    // fails only for want of room (the RAM disk, out of memory) that is the only write that can
    // fail, and it leaves the old bytes as they were. The old bytes are then overwritten where
    // the room is there already.
    if (!writeAt(file, static_cast<int64_t>(kept), m_pending.data() + kept, m_pending.size() - kept, m_path)) {
        {
            ErrorKeeper keep;
            endAt(file, static_cast<int64_t>(oldSize));
        }
        return fail(Step::REPLACE, FileStep::WRITE);
    }
    if (!writeAt(file, 0, m_pending.data(), kept, m_path) || !endAt(file, static_cast<int64_t>(m_pending.size())) ||
        !file->flush()) {
        // A device whose writes fail where the file has room: the old bytes are written back.
        if (FileErrorObject::getErrorCode() == 0)
            FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(m_path.c_str());
        {
            ErrorKeeper keep;
            if (m_targetExists &&
                !(writeAt(file, 0, m_old.data(), oldSize, m_path) && endAt(file, oldSize) && file->flush()))
                log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"SafeSave: '%s' could not be written back as it was.\n",
                           m_path.c_str());
        }
        return fail(Step::REPLACE, FileStep::WRITE);
    }
    m_file = nullptr;
    std::string().swap(m_pending);
    std::string().swap(m_old);
    if (!FileIO::closeFile(file)) {
        if (FileErrorObject::getErrorCode() == 0)
            FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(m_path.c_str());
        return fail(Step::REPLACE, FileStep::WRITE);
    }
    m_written = {FileStamp::of(m_path), m_digester.finish()};
    FileErrorObject::setError(0);
    return true;
}

bool SafeSave::commit() {
    if (!m_file)
        return false;
    if (m_inPlace)
        return commitInPlace();
    if (!m_file->flush()) {
        if (FileErrorObject::getErrorCode() == 0)
            FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(m_path.c_str());
        return fail(Step::WRITE);
    }
    File* file = m_file;
    m_file = nullptr;
    if (!FileIO::closeFile(file)) {
        if (FileErrorObject::getErrorCode() == 0)
            FileErrorObject::setError(ERROR_WRITE_FAULT).addParam(m_path.c_str());
        return fail(Step::WRITE);
    }
    if (!(m_native.empty() ? commitOnDevice() : commitSwapping()))
        return false;
    FileErrorObject::setError(0);
    return true;
}

bool SafeSave::commitOnDevice() {
    // The rename keeps the file's time, size and identity: its stamp now is the one the save
    // leaves, whatever another program does to the target after the rename. A device of the
    // library's own holds no one else's handles to hold a file against: what lands between the
    // last look and the rename is replaced.
    m_written = {FileStamp::of(m_temporary), m_digester.finish()};
    if (!replaceTarget(m_temporary, m_path, [this] { return targetAsExpected(); })) {
        const bool changed = FileErrorObject::getErrorCode() == FileErrorCode::TARGET_CHANGED;
        m_written = FileVersion();
        return fail(changed ? Step::CHECK : Step::REPLACE);
    }
    m_temporary.clear();
    if (m_targetExists && (m_targetFlags & FILEINFO_READABLE)) {
        // The new file takes the old one's hidden, system and archive bits, where the device
        // reported them; a device that keeps none has none to lose, and the data is saved
        // either way.
        ErrorKeeper keep;
        FileIO::setFileAttributes(m_path.c_str(), FileIO::makeAttributeChange(m_targetFlags));
    }
    return true;
}

bool SafeSave::fail(Step step) {
    const uint32_t recordStep = step == Step::FOLDER  ? FileStep::FOLDER
                                : step == Step::WRITE ? FileStep::WRITE
                                                      : FileStep::TARGET;
    return fail(step, recordStep);
}

bool SafeSave::fail(Step step, uint32_t recordStep) {
    m_failedStep = step;
    FileErrorObject::ensureRecord().step = recordStep;
    abandon();
    return false;
}

void SafeSave::abandon() {
    ErrorKeeper keep;
    if (m_file) {
        FileIO::closeFileKeepError(m_file);
        m_file = nullptr;
        if (m_inPlace && !m_targetExists)
            FileIO::deleteFile(m_path.c_str());
    }
    std::string().swap(m_pending);
    std::string().swap(m_old);
    if (!m_temporary.empty()) {
        FileIO::deleteFile(m_temporary.c_str());
        m_temporary.clear();
    }
}

bool SafeSave::saveFile(const wchar_t* path, const void* data, size_t size) {
    SafeSave save(path);
    return save.write(data, size) && save.commit();
}

void SafeSave::setHeldTargetHook(std::function<void()> hook) { heldTargetHook() = std::move(hook); }

void SafeSave::setLastMomentHook(std::function<void()> hook) { lastMomentHook() = std::move(hook); }

} // namespace pel
