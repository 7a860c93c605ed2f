#pragma once
// Saving a whole file so that a failure never leaves it half written: the data goes to a
// temporary file beside the target (in its folder, so on its device; the name starts with "."
// so that no loader takes a left-over one for a file of its own), which is flushed and closed
// and then renamed over the target in one step, the target's attributes carried over. A device
// that cannot rename (the RAM disk) is written in place: the new bytes gather in memory until the
// commit, which first grows the file to its new size (on the RAM disk the only write that can
// fail, and it leaves the old bytes as they were) and only then writes over the old bytes; a
// device that fails even there gets a copy of the old bytes written back.
// Every save of the program goes through here: configuration files, documents, bundle entries.
//
//     SafeSave save(path);
//     bool saved = save.write(data, size) && save.commit();
//
// Failures set the calling thread's file error record, which stays as the failing step left it
// while the temporary file is cleaned up, and notes that step (FileStep: the folder that takes
// the temporary file, the writing of the bytes, the target). A target that is no file (a name
// Windows keeps for a device, a device, a pipe) is refused (FileErrorCode::NOT_A_FILE). A target that another program holds open for a moment
// (a reader, an indexer, a virus scanner) cannot be replaced meanwhile: the rename is tried again
// for up to HELD_TARGET_MS before the save fails.
//
// A path that is a symbolic link saves the file it leads to, beside that file, and the link stays.
// A caller that knows the file as it last read or wrote it says so (expect): right before the
// rename (in place: before the first byte is written over) the target is compared with that
// stamp, and a target changed meanwhile fails the save (FileErrorCode::TARGET_CHANGED) rather
// than being replaced. Once committed, written() is the stamp of the file the save left.

#include "pel/files/FileStamp.h"
#include "pel/files/file_io/FileDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace pel {

class SafeSave {
public:
    // How long a held target is waited for, and the pause between the tries.
    static constexpr uint32_t HELD_TARGET_MS = 2000;
    static constexpr uint32_t HELD_TARGET_PAUSE_MS = 20;

    // Opens the file the data goes to. A null or empty path, a target that is a directory,
    // read-only or no file, or a temporary file that cannot be made leaves the save failed
    // (isOpen false).
    explicit SafeSave(const wchar_t* path);
    // A save not committed is abandoned: the temporary file goes, the target stays as it was.
    ~SafeSave();

    bool isOpen() const { return m_file != nullptr; }
    // The commit is to replace the file only as `known` has it: a stamp of no file (not there)
    // fails the commit when one is there by then.
    void expect(const FileStamp& known);
    // After a commit: the file as the save left it (unknown when it could not be read).
    const FileStamp& written() const { return m_written; }
    // The file written: the path given, or the file its link leads to.
    const std::wstring& target() const { return m_path; }
    // Whether the target is written directly (a device that cannot rename).
    bool inPlace() const { return m_inPlace; }
    // Appends all the bytes; a failure fails the save, and commit with it.
    bool write(const void* data, size_t size);
    // Flushes and closes the file, then replaces the target with it. True only when every byte
    // was written and the target replaced; otherwise the target is as it was and the temporary
    // file gone. (In place, only a device whose writes fail where the file has room already, and
    // fail again as the old bytes are written back, leaves the target cut.)
    bool commit();

    // The whole save of one buffer.
    static bool saveFile(const wchar_t* path, const void* data, size_t size);
    // Tests: called on the saving thread each time the target was found held, before the
    // rename is tried again (null: none). Set while no save runs.
    static void setHeldTargetHook(std::function<void()> hook);

    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

private:
    bool openTemporary();
    // Opens the target itself, kept or created, and copies its bytes.
    bool openInPlace();
    bool commitInPlace();
    // Every failure ends here: the thread's file error record notes the step, and what was
    // opened goes. False.
    bool fail(uint32_t step);
    // Closes and removes what was opened (in place: the file when the save made it), keeping
    // the thread's file error record.
    void abandon();
    // False, with TARGET_CHANGED set, when an expected target is not as expected.
    bool targetAsExpected();

    std::wstring m_path;
    std::wstring m_temporary; // empty when writing in place
    File* m_file = nullptr;
    bool m_inPlace = false;
    std::string m_pending; // in place: the new bytes, written at the commit
    std::string m_old;     // in place: the target's bytes until the commit succeeded
    bool m_targetExists = false;
    uint32_t m_targetFlags = 0; // FileInfo flags of the file replaced
    bool m_expecting = false;
    FileStamp m_expected;
    FileStamp m_written;
};

} // namespace pel
