#include "pel/files/file_io/FileBuffer.h"

#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pel {

namespace {

bool isPowerOfTwo(uint32_t value) { return value && !(value & (value - 1)); }

// A failure the inferior did not explain still leaves a code for the caller.
void setErrorIfClear(uint32_t code, const wchar_t* path) {
    if (FileErrorObject::getErrorCode() == 0)
        FileErrorObject::setError(code).addParam(path);
}

} // namespace

FileBuffer::FileBuffer(File* inferior, uint32_t mode, const Parameters& parameters) {
    if (!inferior)
        return;
    if (!isPowerOfTwo(parameters.alignment) || (parameters.blockSize && !isPowerOfTwo(parameters.blockSize)) ||
        parameters.bufferSize == 0 || parameters.bufferSize < parameters.blockSize ||
        parameters.bufferSize > MAX_BUFFER_SIZE || parameters.alignment > MAX_BUFFER_SIZE) {
        FileErrorObject::setError(FileErrorCode::WRONG_DEVICE_PARAMETER).addParam(inferior->path());
        return;
    }
    const int64_t position = inferior->tell();
    const int64_t size = inferior->getSize();
    if (position < 0 || size < 0)
        return; // the inferior has set its error
    m_raw = new (std::nothrow) char[static_cast<size_t>(parameters.bufferSize) + parameters.alignment];
    if (!m_raw) {
        FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(inferior->path());
        return;
    }
    const uintptr_t address = reinterpret_cast<uintptr_t>(m_raw);
    m_buffer = m_raw + ((parameters.alignment - address % parameters.alignment) % parameters.alignment);
    m_bufferSize = parameters.bufferSize;
    m_blockMask = parameters.blockSize ? ~static_cast<uint64_t>(parameters.blockSize - 1) : ~0ull;
    m_size = size;
    m_inferiorPos = position;
    switch (mode) {
    case FILE_MODE_READ:
        m_flags = READABLE;
        break;
    case FILE_MODE_WRITE:
    case FILE_MODE_WRITE_CREATE:
        m_flags = WRITABLE;
        break;
    case FILE_MODE_APPEND:
        m_flags = WRITABLE | APPEND;
        break;
    default:
        m_flags = READABLE | WRITABLE;
        break;
    }
    m_flags |= STALE;
    if (m_flags & APPEND) {
        // Only what is written now goes to the file: an empty window at its end.
        m_windowOffset = size;
        m_pos = 0;
    } else {
        m_windowOffset = static_cast<int64_t>(static_cast<uint64_t>(position) & m_blockMask);
        m_pos = static_cast<uint32_t>(position - m_windowOffset);
    }
    m_inferior = inferior;
}

FileBuffer::~FileBuffer() {
    detach();
    delete[] m_raw;
}

bool FileBuffer::isValid() const { return m_inferior && m_inferior->isValid(); }

const wchar_t* FileBuffer::path() const { return m_inferior ? m_inferior->path() : L""; }

int64_t FileBuffer::getSize() { return m_inferior ? m_size : -1; }

int64_t FileBuffer::tell() { return m_inferior ? m_windowOffset + m_pos : -1; }

bool FileBuffer::seekInferior(int64_t position) {
    if (m_inferiorPos == position)
        return true;
    m_inferiorPos = m_inferior->seek(FILE_SEEK_BEGIN, position);
    return m_inferiorPos == position;
}

bool FileBuffer::refill() {
    const int64_t wanted = std::min<int64_t>(m_bufferSize, std::max<int64_t>(0, m_size - m_windowOffset));
    if (wanted > 0) {
        const int32_t got = seekInferior(m_windowOffset) ? m_inferior->read(m_buffer, static_cast<uint32_t>(wanted)) : -1;
        m_inferiorPos = got >= 0 ? m_inferiorPos + got : -1;
        if (got != wanted) {
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"FileBuffer: cannot read required data from inferior file object\n");
            setErrorIfClear(ERROR_READ_FAULT, path());
            return false; // stays stale: the window holds no valid data
        }
    }
    m_flags &= ~STALE;
    return true;
}

bool FileBuffer::writeBack() {
    const int64_t wanted = std::min<int64_t>(m_bufferSize, std::max<int64_t>(0, m_size - m_windowOffset));
    if (wanted > 0) {
        // An append handle writes at the end whatever its position.
        const bool placed = (m_flags & APPEND) || seekInferior(m_windowOffset);
        const int32_t written = placed ? m_inferior->write(m_buffer, static_cast<uint32_t>(wanted)) : -1;
        m_inferiorPos = written == wanted ? m_inferiorPos + written : -1;
        if (written != wanted) {
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"FileBuffer: Flush buffer failed. Your data may be inconsistent !\n");
            setErrorIfClear(ERROR_WRITE_FAULT, path());
            writeFailed();
            return false; // stays dirty: nothing is reported as written that was not
        }
    }
    m_flags &= ~DIRTY;
    if (m_flags & APPEND) {
        // The bytes are out; the next ones start a new window at the new end.
        m_windowOffset += wanted;
        m_pos = 0;
    }
    return true;
}

bool FileBuffer::moveOn() {
    if ((m_flags & DIRTY) && !writeBack())
        return false;
    if (m_pos < m_bufferSize)
        return true; // append: the write-back emptied the window
    m_windowOffset += m_bufferSize;
    m_pos = 0;
    if (m_size > m_windowOffset) {
        m_flags |= STALE;
        return refill();
    }
    m_flags &= ~STALE;
    return true;
}

void FileBuffer::writeFailed() {
    if (!(m_flags & WRITE_FAILED))
        m_writeError = FileErrorObject::getErrorCode();
    m_flags |= WRITE_FAILED;
}

bool FileBuffer::noWriteFailed() {
    if (!(m_flags & WRITE_FAILED))
        return true;
    setErrorIfClear(m_writeError, path());
    return false;
}

bool FileBuffer::canGoDirect(uint32_t left) const {
    return left >= m_bufferSize && !(m_flags & DIRTY) && ((m_flags & STALE) || m_pos >= m_bufferSize);
}

bool FileBuffer::transferDirect(char* readInto, const char* writeFrom, uint32_t left, uint32_t* io_done) {
    const uint32_t wanted = left / m_bufferSize * m_bufferSize;
    const int64_t at = tell();
    int32_t moved = -1;
    if ((m_flags & APPEND) || seekInferior(at))
        moved = readInto ? m_inferior->read(readInto, wanted) : m_inferior->write(writeFrom, wanted);
    const int64_t end = at + std::max(moved, 0);
    m_inferiorPos = moved >= 0 ? end : -1;
    m_size = std::max(m_size, end);
    // An empty window where the transfer ended.
    m_windowOffset = (m_flags & APPEND) ? end : static_cast<int64_t>(static_cast<uint64_t>(end) & m_blockMask);
    m_pos = static_cast<uint32_t>(end - m_windowOffset);
    m_flags |= STALE;
    if (moved != static_cast<int32_t>(wanted)) {
        setErrorIfClear(readInto ? ERROR_READ_FAULT : ERROR_WRITE_FAULT, path());
        if (!readInto)
            writeFailed();
    }
    *io_done += static_cast<uint32_t>(std::max(moved, 0));
    return moved == static_cast<int32_t>(wanted);
}

int32_t FileBuffer::read(void* buffer, uint32_t count) {
    if (!m_inferior || !(m_flags & READABLE))
        return -1;
    const int64_t left = std::max<int64_t>(0, m_size - tell());
    count = static_cast<uint32_t>(std::min<int64_t>(count, left));
    return transfer(static_cast<char*>(buffer), nullptr, count);
}

int32_t FileBuffer::write(const void* buffer, uint32_t count) {
    if (!m_inferior || !(m_flags & WRITABLE))
        return -1;
    return transfer(nullptr, static_cast<const char*>(buffer), count);
}

int32_t FileBuffer::transfer(char* readInto, const char* writeFrom, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        if (canGoDirect(count - done)) { // whole windows need no copy through the buffer
            if (!transferDirect(readInto ? readInto + done : nullptr, writeFrom ? writeFrom + done : nullptr,
                                count - done, &done))
                break;
            continue;
        }
        if ((m_flags & STALE) && !refill())
            break;
        if (m_pos >= m_bufferSize) {
            if (!moveOn())
                break;
            continue;
        }
        const uint32_t n = std::min(count - done, m_bufferSize - m_pos);
        if (readInto) {
            std::memcpy(readInto + done, m_buffer + m_pos, n);
        } else {
            std::memcpy(m_buffer + m_pos, writeFrom + done, n);
            m_flags |= DIRTY;
        }
        m_pos += n;
        done += n;
        if (writeFrom)
            m_size = std::max(m_size, m_windowOffset + m_pos);
    }
    return static_cast<int32_t>(done);
}

int64_t FileBuffer::seek(int origin, int64_t offset) {
    if (!m_inferior)
        return -1;
    if (m_flags & APPEND)
        return tell(); // every write goes to the end
    int64_t target;
    switch (origin) {
    case FILE_SEEK_END:
        target = m_size + offset;
        break;
    case FILE_SEEK_CURRENT:
        target = tell() + offset;
        break;
    default:
        target = offset;
        break;
    }
    if (target < 0 || target > m_size) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"FileBuffer: Seek position is out of range\n");
        return -1;
    }
    if (target >= m_windowOffset && target < m_windowOffset + m_bufferSize) {
        m_pos = static_cast<uint32_t>(target - m_windowOffset);
        return target;
    }
    if ((m_flags & DIRTY) && !writeBack())
        return -1;
    m_flags |= STALE;
    m_windowOffset = static_cast<int64_t>(static_cast<uint64_t>(target) & m_blockMask);
    m_pos = static_cast<uint32_t>(target - m_windowOffset);
    return target;
}

bool FileBuffer::flush() {
    if (!m_inferior)
        return false;
    if (!(m_flags & DIRTY))
        return noWriteFailed();
    return writeBack() && m_inferior->flush() && noWriteFailed();
}

bool FileBuffer::truncate() {
    if (!m_inferior || !(m_flags & WRITABLE))
        return false;
    const int64_t position = tell();
    if (!seekInferior(position) || !m_inferior->truncate())
        return false;
    m_size = position;
    return true;
}

bool FileBuffer::detach() {
    if (!m_inferior)
        return true;
    bool ok = (!(m_flags & DIRTY) || writeBack()) && noWriteFailed();
    ok = FileIO::closeFileKeepError(m_inferior) && ok;
    m_inferior = nullptr;
    return ok;
}

} // namespace pel
