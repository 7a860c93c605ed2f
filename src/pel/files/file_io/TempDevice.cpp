#include "pel/files/file_io/TempDevice.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"

#include <algorithm>
#include <climits>

namespace pel {

// ---- TempFile

TempFile::TempFile(TempDevice* device, uint32_t memoryLimit)
    : FlatFile(device, L"TempFile"), m_owner(device), m_limit(memoryLimit) {}

TempFile::~TempFile() {
    if (isValid()) {
        softAssertion(L"!isOpened()", PEL_FILE, __LINE__);
        close();
    }
    for (const std::wstring& path : m_partPaths)
        if (!path.empty())
            FileIO::deleteFile(path.c_str());
}

bool TempFile::open(uint32_t access, const wchar_t* path) {
    FlatFile::open(access, path);
    if (openPart(MEMORY))
        return true;
    abandonOpen();
    return false;
}

bool TempFile::close() {
    FlatFile::close();
    bool closed = true;
    for (File*& part : m_parts) {
        if (!part)
            continue;
        // After a failure the record keeps the first reason.
        closed = (closed ? FileIO::closeFile(part) : FileIO::closeFileKeepError(part)) && closed;
        part = nullptr;
    }
    return closed;
}

File* TempFile::openPart(Part part) {
    if (m_parts[part])
        return m_parts[part];
    std::wstring& stored = m_partPaths[part];
    if (stored.empty()) {
        // The name may be taken on a temporary folder shared with other processes, or left by a
        // run that crashed (names repeat, as process ids do): that file is not this one's to
        // read, reuse or delete, so the part goes under the next free name instead.
        const std::wstring path = part == MEMORY ? m_owner->memoryPartPath(nameId()) : m_owner->diskPartPath(nameId());
        m_parts[part] = FileIO::createUniqueFile(path.c_str(), FILE_MODE_READ_WRITE_CREATE, &stored);
    } else {
        m_parts[part] = FileIO::openFile(stored.c_str(), FILE_MODE_READ_WRITE);
    }
    return m_parts[part];
}

File* TempFile::partAt(int64_t position, uint32_t* o_room) {
    PEL_CHECK_PTR(o_room);
    const bool inMemory = position < m_limit;
    File* part = openPart(inMemory ? MEMORY : DISK);
    if (!part)
        return nullptr;
    // Parts are placed when used, so that every handle reads and writes where the file's
    // position says, whatever the part did since it was opened.
    const int64_t at = inMemory ? position : position - m_limit;
    if (part->tell() != at && part->seek(FILE_SEEK_BEGIN, at) != at) {
        FileErrorObject::setError(ERROR_SEEK).addParam(part->path());
        return nullptr;
    }
    *o_room = inMemory ? static_cast<uint32_t>(m_limit - position) : UINT32_MAX;
    return part;
}

int32_t TempFile::transfer(char* readInto, const char* writeFrom, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        uint32_t room = 0;
        File* part = partAt(m_position, &room);
        if (!part)
            break;
        const uint32_t piece = std::min(count - done, room);
        const int32_t moved = readInto ? part->read(readInto + done, piece) : part->write(writeFrom + done, piece);
        if (moved > 0) {
            done += static_cast<uint32_t>(moved);
            m_position += moved;
            m_size = std::max(m_size, m_position);
        }
        if (moved != static_cast<int32_t>(piece))
            break;
    }
    return done ? static_cast<int32_t>(done) : -1;
}

int32_t TempFile::read(void* buffer, uint32_t count) {
    if (!permits(ACCESS_READ))
        return -1;
    const uint32_t wanted = static_cast<uint32_t>(std::min<int64_t>({count, INT32_MAX, m_size - m_position}));
    return wanted ? transfer(static_cast<char*>(buffer), nullptr, wanted) : 0;
}

int32_t TempFile::write(const void* buffer, uint32_t count) {
    if (!permits(ACCESS_WRITE))
        return -1;
    const uint32_t wanted = std::min<uint32_t>(count, INT32_MAX);
    return wanted ? transfer(nullptr, static_cast<const char*>(buffer), wanted) : 0;
}

bool TempFile::truncate() {
    if (!permits(ACCESS_WRITE))
        return false;
    uint32_t room = 0;
    bool cut;
    if (m_position < m_limit) {
        File* memory = partAt(m_position, &room);
        cut = memory && memory->truncate();
        if (cut && !m_partPaths[DISK].empty()) { // nothing stays beyond the limit
            File* disk = openPart(DISK);
            cut = disk && disk->seek(FILE_SEEK_BEGIN, 0) == 0 && disk->truncate();
        }
    } else if (m_partPaths[DISK].empty()) {
        cut = true; // at the limit, with nothing ever written beyond it
    } else {
        File* disk = partAt(m_position, &room);
        cut = disk && disk->truncate();
    }
    if (cut)
        m_size = m_position;
    return cut;
}

bool TempFile::flush() {
    if (!isValid())
        return false;
    return !m_parts[DISK] || m_parts[DISK]->flush();
}

bool TempFile::place(int64_t target) { return target <= m_limit || openPart(DISK); }

// ---- TempDevice

TempDevice::TempDevice(const wchar_t* ramdiskPrefix, const wchar_t* tempPrefix)
    : FlatFileDevice(L"TempDevice"), m_ramdisk_prefix(ramdiskPrefix ? ramdiskPrefix : L""),
      m_temp_prefix(tempPrefix ? tempPrefix : L"") {
    if (m_ramdisk_prefix.empty() || m_ramdisk_prefix.back() != L':')
        softAssertion(L"m_ramdisk_prefix[tcslen(m_ramdisk_prefix) - 1] == ':'", PEL_FILE, __LINE__);
    if (m_temp_prefix.empty() || m_temp_prefix.back() != L':')
        softAssertion(L"m_temp_prefix[tcslen(m_temp_prefix) - 1] == ':'", PEL_FILE, __LINE__);
}

bool TempDevice::control(uint32_t code, uint32_t size, void* data) {
    FileErrorObject::setError(FileErrorCode::UNSUPPORTED_OPERATION).addParam(L"").addParam(L"Control");
    return false;
}

std::unique_ptr<FlatFile> TempDevice::createFile(uint32_t setting) {
    return std::unique_ptr<FlatFile>(new TempFile(this, setting));
}

} // namespace pel
