#pragma once
// One state of a file, to tell it from any later one: its last-write time, its size and its
// identity on its volume (the volume's serial and the file's index, where the system gives them),
// so that a write within one step of the file system's clock, a file put back with an older
// time and another file renamed or linked over the name are each another state.

#include <cstdint>
#include <string>

namespace pel {

struct FileStamp {
    uint64_t writeTime = 0; // FILETIME units; 0 when the file cannot be read
    uint64_t size = 0;
    uint32_t volume = 0;    // 0 with the index where the system gives no identity
    uint64_t index = 0;
    bool there = false; // a file (not a folder) was found, also on a device that keeps no times

    // The file's stamp now (through a link, the stamp of the file it leads to); all 0 when it is
    // not there or is a folder.
    static FileStamp of(const std::wstring& path);
    // Whether a file (not a folder) is there, also on a device that keeps no write times.
    static bool isThere(const std::wstring& path);

    bool known() const { return writeTime != 0; }
    // The identity counts where both stamps have one: a device of the library's own gives none.
    bool operator==(const FileStamp& other) const {
        const bool identified = (volume || index) && (other.volume || other.index);
        return there == other.there && writeTime == other.writeTime && size == other.size &&
               (!identified || (volume == other.volume && index == other.index));
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The path of the file a symbolic link (or a chain of them) leads to; the path itself when it is
// no link, cannot be followed, or lies on a device of the library's own.
std::wstring linkTarget(const std::wstring& path);

} // namespace pel
