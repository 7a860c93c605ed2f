#pragma once
// One state of a file, to tell it from any later one: its last-write time, its change time, its
// size and its identity on its volume (the volume's serial and the file's index, where the system
// gives them), so that a write within one step of the file system's clock, a file put back with
// an older time and another file renamed or linked over the name are each another state. The
// change time moves with every write of the file's bytes or of its record (a rename, a new name,
// its times set), and no program can set it back. A stamp tells states apart, not contents: what
// a file holds is its digest (FileDigest.h).

#include <cstdint>
#include <string>

namespace pel {

struct FileStamp {
    uint64_t writeTime = 0;  // FILETIME units; 0 when the file cannot be read
    uint64_t changeTime = 0; // FILETIME units; 0 where the system gives none
    uint64_t size = 0;
    uint32_t volume = 0; // 0 with the index where the system gives no identity
    uint64_t index = 0;
    uint32_t links = 0;  // the file's names (hard links); 0 where the system gives none
    bool there = false;  // a file (not a folder) was found, also on a device that keeps no times

    // The file's stamp now (through a link, the stamp of the file it leads to); all 0 when it is
    // not there or is a folder.
    static FileStamp of(const std::wstring& path);
    // The stamp of a file open on the system's handle (a HANDLE), whatever its name now.
    static FileStamp ofOpenFile(void* handle);
    // Whether a file (not a folder) is there, also on a device that keeps no write times.
    static bool isThere(const std::wstring& path);

    bool known() const { return writeTime != 0; }
    bool identified() const { return volume != 0 || index != 0; }
    // Both stamps are of one file of the system, whatever its state (false where either has no
    // identity). The volume counts where both know it: Wine gives none for a file opened under a
    // name it no longer has.
    bool sameFile(const FileStamp& other) const {
        return identified() && other.identified() && index == other.index &&
               (volume == other.volume || volume == 0 || other.volume == 0);
    }
    // The identity and the change time count where both stamps have one: a device of the
    // library's own gives none.
    bool operator==(const FileStamp& other) const {
        const bool identified = this->identified() && other.identified();
        const bool changed = changeTime != 0 && other.changeTime != 0 && changeTime != other.changeTime;
        return there == other.there && writeTime == other.writeTime && size == other.size && !changed &&
               (!identified || sameFile(other));
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// Whether the path is one the system opens itself ("C:\...", "\\server\..."), as opposed to a
// device of the library's own ("user:...").
bool isSystemPath(const std::wstring& path);

// The path of the file a symbolic link (or a chain of them) leads to; the path itself when it is
// no link, cannot be followed (a link whose file is gone: SafeSave makes that file anew), or lies
// on a device of the library's own.
std::wstring linkTarget(const std::wstring& path);
// The system path the system gives a file open on its handle (a HANDLE), followed through its
// links; empty when it gives none.
std::wstring finalPathOf(void* handle);

} // namespace pel
