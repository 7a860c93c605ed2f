#pragma once
// One state of a file, to tell it from a later one: its last-write time and its size (two
// writes within one step of the file system's clock mostly differ in size).

#include <cstdint>
#include <string>

namespace tessel {

struct FileStamp {
    uint64_t writeTime = 0; // FILETIME units; 0 when the file cannot be read
    uint64_t size = 0;

    // The file's stamp now; all 0 when it is not there or is a folder.
    static FileStamp of(const std::wstring& path);
    // Whether a file (not a folder) is there, also on a device that keeps no write times.
    static bool isThere(const std::wstring& path);

    bool known() const { return writeTime != 0; }
    bool operator==(const FileStamp& other) const { return writeTime == other.writeTime && size == other.size; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

} // namespace tessel
