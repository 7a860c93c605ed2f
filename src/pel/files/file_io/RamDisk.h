#pragma once
// The RAM disk (attached as "mem"): whole files in memory, in a flat namespace without
// directories, each file held in equal chunks allocated as it grows. Nothing reaches the disk;
// files live until they are deleted, purged or the device goes. The path's device parameter
// sets the chunk size of a new file ("mem[65536]:name").

#include "pel/files/file_io/FlatFileDevice.h"

#include <memory>
#include <vector>

namespace pel {

class RamDisk;

class RamDiskFile : public FlatFile {
public:
    RamDiskFile(RamDisk* device, uint32_t chunkShift);
    ~RamDiskFile() override;

    // Cuts the file at the position and frees the chunks past it.
    bool truncate() override;
    int32_t read(void* buffer, uint32_t count) override;
    // A chunk that cannot be allocated ends the write short with 112 (ERROR_DISK_FULL).
    int32_t write(const void* buffer, uint32_t count) override;
    bool flush() override { return isValid(); }

    uint32_t chunkSize() const { return m_mask + 1; }
    // Bytes of the chunks the file holds.
    uint64_t memoryHeld() const { return static_cast<uint64_t>(m_chunks.size()) * chunkSize(); }

private:
    uint32_t m_shift;
    uint32_t m_mask;
    std::vector<std::unique_ptr<char[]>> m_chunks;
};

class RamDisk : public FlatFileDevice {
public:
    enum : uint32_t {
        // Destroys every closed file; true when no file remains.
        CONTROL_PURGE = 0x1001,
        // Writes the bytes held by all files' chunks to a uint32_t (size 4).
        CONTROL_QUERY = 0x1002,
    };

    // Every file goes with the device; none may be open then.
    RamDisk();

    bool control(uint32_t code, uint32_t size, void* data) override;

protected:
    uint32_t defaultSetting() const override { return m_defaultShift; }
    // The chunk shift of a chunk-size parameter: a power of two of 64 or more as given, 2 to 32
    // give 64, anything else 4096 (with a log line).
    uint32_t settingFor(int parameter) const override;
    std::unique_ptr<FlatFile> createFile(uint32_t setting) override;

private:
    uint32_t m_defaultShift = 12;
};

} // namespace pel
