#pragma once
// A window of a file held in memory, block-aligned, in front of a file that reads and writes
// directly: reads and writes move through the window and only a window that was written goes
// back to the file. A failed write-back stops the writer (a short count) and is reported by
// flush and detach, so that no data is lost quietly.

#include "pel/files/file_io/FileDevice.h"

#include <cstdint>

namespace pel {

class FileBuffer : public File {
public:
    struct Parameters {
        uint32_t bufferSize = 32768;
        uint32_t alignment = 16;
        uint32_t blockSize = 2048;
    };

    // The largest buffer: device parameters set the size, and the window must stay well inside
    // a 32-bit address space.
    static constexpr uint32_t MAX_BUFFER_SIZE = 64u << 20;

    // Takes the inferior file when it can be buffered as asked. An alignment or block size that
    // is not a power of two, or a buffer smaller than a block (or empty, or above
    // MAX_BUFFER_SIZE), sets 0x20001004 with the file's path and leaves the buffer invalid
    // without an inferior (the caller keeps it). mode: the open mode the caller
    // asked for; append starts at the end of the file.
    FileBuffer(File* inferior, uint32_t mode, const Parameters& parameters);
    // Writes back and closes the inferior; detach reports what this cannot.
    ~FileBuffer() override;

    bool isValid() const override;
    const wchar_t* path() const override;
    int64_t getSize() override;
    int64_t tell() override;
    bool truncate() override;
    int32_t read(void* buffer, uint32_t count) override;
    int32_t write(const void* buffer, uint32_t count) override;
    // Targets outside 0..size are refused with -1; in append mode seeks do not move.
    int64_t seek(int origin, int64_t offset) override;
    bool flush() override;
    bool isDiskFile() const override { return m_inferior && m_inferior->isDiskFile(); }
    FileDevice* device() const override { return nullptr; }
    // Writes back, closes the inferior and lets go of it; false when data did not reach it.
    bool detach() override;

    File* inferior() const { return m_inferior; }
    uint32_t bufferSize() const { return m_bufferSize; }

    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

private:
    enum : uint32_t {
        READABLE = 0x1,
        WRITABLE = 0x2,
        APPEND = 0x4,
        DIRTY = 0x1000,
        STALE = 0x2000,
        WRITE_FAILED = 0x4000, // flush and detach report it
    };

    bool refill();
    bool writeBack();
    bool moveOn();
    bool seekInferior(int64_t position);
    // Whole windows of a transfer go straight between the caller and the inferior when the
    // window holds nothing to keep.
    bool canGoDirect(uint32_t left) const;
    bool transferDirect(char* readInto, const char* writeFrom, uint32_t left, uint32_t* io_done);
    // Moves count bytes through the window: into readInto, or from writeFrom (the other is null).
    int32_t transfer(char* readInto, const char* writeFrom, uint32_t count);
    // Remembers a failed write for flush and detach to report again.
    void writeFailed();
    // False after a failed write, with its error back in the record when the record is clear.
    bool noWriteFailed();

    File* m_inferior = nullptr;
    uint32_t m_flags = 0;
    char* m_buffer = nullptr;
    uint32_t m_bufferSize = 0;
    uint32_t m_pos = 0;          // in the window
    int64_t m_windowOffset = 0;  // of the window in the file
    int64_t m_size = 0;          // logical size, with what the window adds
    int64_t m_inferiorPos = -1;  // -1: unknown
    uint64_t m_blockMask = 0;
    uint32_t m_writeError = 0;
    char* m_raw = nullptr;
};

} // namespace pel
