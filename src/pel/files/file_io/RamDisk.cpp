#include "pel/files/file_io/RamDisk.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileError.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace pel {

// ---- RamDiskFile

RamDiskFile::RamDiskFile(RamDisk* device, uint32_t chunkShift)
    : FlatFile(device, L"RamDiskFile"), m_shift(chunkShift), m_mask((1u << chunkShift) - 1) {}

RamDiskFile::~RamDiskFile() {
    if (isValid())
        softAssertion(L"!isOpened()", PEL_FILE, __LINE__);
}

bool RamDiskFile::truncate() {
    if (!permits(ACCESS_WRITE))
        return false;
    const uint64_t position = static_cast<uint64_t>(m_position);
    m_chunks.resize(static_cast<size_t>((position + m_mask) >> m_shift));
    m_size = m_position;
    return true;
}

int32_t RamDiskFile::read(void* buffer, uint32_t count) {
    if (!permits(ACCESS_READ))
        return -1;
    const uint32_t wanted = static_cast<uint32_t>(std::min<int64_t>({count, INT32_MAX, m_size - m_position}));
    char* out = static_cast<char*>(buffer);
    uint32_t position = static_cast<uint32_t>(m_position);
    uint32_t done = 0;
    while (done < wanted) {
        const uint32_t chunk_index = position >> m_shift;
        if (chunk_index >= m_chunks.size()) {
            softAssertion(L"chunk_index < (xuint) m_chunks.size()", PEL_FILE, __LINE__);
            break;
        }
        const uint32_t offset = position & m_mask;
        const uint32_t piece = std::min(wanted - done, chunkSize() - offset);
        std::memcpy(out + done, m_chunks[chunk_index].get() + offset, piece);
        done += piece;
        position += piece;
    }
    m_position = position;
    return static_cast<int32_t>(done);
}

int32_t RamDiskFile::write(const void* buffer, uint32_t count) {
    if (!permits(ACCESS_WRITE))
        return -1;
    if (count == 0)
        return 0;
    // Positions and sizes are 32-bit: the file ends before 4 GiB.
    const uint32_t wanted = static_cast<uint32_t>(std::min<int64_t>({count, INT32_MAX, UINT32_MAX - m_position}));
    const char* in = static_cast<const char*>(buffer);
    uint32_t position = static_cast<uint32_t>(m_position);
    uint32_t done = 0;
    while (done < wanted) {
        const uint32_t chunk_index = position >> m_shift;
        if (chunk_index == m_chunks.size()) {
            char* chunk = new (std::nothrow) char[chunkSize()];
            if (!chunk)
                break;
            m_chunks.emplace_back(chunk);
        }
        const uint32_t offset = position & m_mask;
        const uint32_t piece = std::min(wanted - done, chunkSize() - offset);
        std::memcpy(m_chunks[chunk_index].get() + offset, in + done, piece);
        done += piece;
        position += piece;
    }
    m_position = position;
    m_size = std::max(m_size, m_position);
    if (done < wanted || wanted < std::min<uint32_t>(count, INT32_MAX))
        FileErrorObject::setError(ERROR_DISK_FULL).addParam(path());
    return done ? static_cast<int32_t>(done) : -1;
}

// ---- RamDisk

RamDisk::RamDisk() : FlatFileDevice(L"RamDisk") {}

uint32_t RamDisk::settingFor(int parameter) const {
    const uint32_t size = static_cast<uint32_t>(parameter);
    if (size < 2 || (size & (size - 1))) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"RamDisk: bad chunk size %d, defaulting to %d bytes\n", parameter,
                   4096);
        return 12;
    }
    if (size <= 32) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"RamDisk: chunk size %d is too small, defaulting to %d bytes\n",
                   parameter, 64);
        return 6;
    }
    uint32_t shift = 0;
    while ((1u << shift) != size)
        ++shift;
    return shift;
}

std::unique_ptr<FlatFile> RamDisk::createFile(uint32_t setting) {
    return std::unique_ptr<FlatFile>(new RamDiskFile(this, setting));
}

bool RamDisk::control(uint32_t code, uint32_t size, void* data) {
    ScopedLock<Mutex_Impl> lock(m_lock);
    if (code == CONTROL_PURGE) {
        eraseClosedFiles();
        return m_files.empty();
    }
    if (code == CONTROL_QUERY) {
        if (!data || size != 4)
            return false;
        uint64_t held = 0;
        for (const auto& file : m_files)
            held += static_cast<const RamDiskFile*>(file.get())->memoryHeld();
        *static_cast<uint32_t*>(data) = static_cast<uint32_t>(std::min<uint64_t>(held, UINT32_MAX));
        return true;
    }
    return false;
}

} // namespace pel
