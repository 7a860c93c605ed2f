#pragma once
// The temporary-file device (attached as "vtmp"): scratch files whose first bytes, up to a
// memory limit per file, live in a part on the RAM disk ("mem:<name>.vmtmpfs") and the rest in
// a part on the temporary-folder device ("tmp:<name>.vdtmpfs"), so small files stay in memory
// and large ones spill to disk. The path's device parameter sets the limit of a new file
// ("vtmp[0]:name" keeps every byte on disk). Both part devices must be attached while it is used
// and when it goes, since its files delete their parts with them.

#include "pel/files/file_io/FlatFileDevice.h"

#include <string>

namespace pel {

class TempDevice;

class TempFile : public FlatFile {
public:
    TempFile(TempDevice* device, uint32_t memoryLimit);
    // Deletes both part files.
    ~TempFile() override;

    // Opens the memory part (created on the first open); the disk part opens when first needed.
    bool open(uint32_t access, const wchar_t* path) override;
    // Closes both parts; their files stay for the next open.
    bool close() override;
    bool truncate() override;
    int32_t read(void* buffer, uint32_t count) override;
    int32_t write(const void* buffer, uint32_t count) override;
    bool flush() override;

protected:
    // A position past the memory limit needs the disk part.
    bool place(int64_t target) override;

private:
    enum Part { MEMORY, DISK };

    // The part open (created the first time under a name no file has yet, later reopened), or
    // null with the reason.
    File* openPart(Part part);
    // The part that holds the byte at position, placed there, and the bytes it holds from there
    // up to the limit; null with the reason when it cannot be had.
    File* partAt(int64_t position, uint32_t* o_room);
    // Reads or writes from the position on, piece by piece across the parts.
    int32_t transfer(char* readInto, const char* writeFrom, uint32_t count);

    TempDevice* m_owner;
    uint32_t m_limit;
    File* m_parts[2] = {};
    std::wstring m_partPaths[2]; // empty until the part was first created
};

class TempDevice : public FlatFileDevice {
public:
    // The prefixes name the devices of the parts and end with ':'.
    explicit TempDevice(const wchar_t* ramdiskPrefix = L"mem:", const wchar_t* tempPrefix = L"tmp:");

    bool control(uint32_t code, uint32_t size, void* data) override;

    // The part path a file named nameId asks for first: prefix + nameId + suffix (when that name
    // is taken, the part gets the first free one of prefix + nameId + "_1" + suffix and on).
    std::wstring memoryPartPath(const wchar_t* nameId) const { return m_ramdisk_prefix + nameId + L".vmtmpfs"; }
    std::wstring diskPartPath(const wchar_t* nameId) const { return m_temp_prefix + nameId + L".vdtmpfs"; }

protected:
    // The memory limit of a file whose path does not set one.
    uint32_t defaultSetting() const override { return 32768; }
    std::unique_ptr<FlatFile> createFile(uint32_t setting) override;

private:
    std::wstring m_ramdisk_prefix;
    std::wstring m_temp_prefix;
};

} // namespace pel
