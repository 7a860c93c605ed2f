#pragma once
// Saving a whole file so that a failure never leaves it half written and nothing another program
// wrote is lost: the data goes to a temporary file beside the target (in its folder, so on its
// device; the name starts with "." so that no loader takes a left-over one for a file of its
// own), which is flushed and closed, given the target's attributes, and then takes the target's
// place. The data's digest is taken as it is written.
//
// How the new file takes the target's place, on a system path:
// - The target is renamed aside first (to another "." name), and the new file renamed to the
//   target's name without replacing anything: whatever was under the name at that instant is
//   aside, whole, and a file another program puts there meanwhile stays (the save then fails with
//   TARGET_CHANGED). The file set aside is then compared with the file as the caller knew it
//   (expect), under a handle that lets no other program write it: the same file, or the same
//   bytes, goes; anything else is kept beside the target, under a name that says so (kept()).
// - A target with other names (hard links), or whose owner or access rights a new file would not
//   have, is written in place so that it stays the same file: a copy of its old bytes is made
//   beside it first, while it is held against other writers, and kept until the new bytes are
//   written and flushed; a write that fails puts the old bytes back from it. The comparison with
//   the known file is made on the bytes copied, under the same hold.
// - A link whose file is gone saves the file the link names (made through the link), and the
//   link stays.
// A device of the library's own renames the new file over the target after comparing it with
// the known file; one that cannot rename (the RAM disk) is written in place: the new bytes gather
// in memory until the commit, which first grows the file to its new size (on the RAM disk the
// only write that can fail, and it leaves the old bytes as they were) and only then writes over
// the old bytes; a device that fails even there gets a copy of the old bytes written back.
// Every save of the program goes through here: configuration files, documents, bundle entries.
//
//     SafeSave save(path);
//     bool saved = save.write(data, size) && save.commit();
//
// Failures set the calling thread's file error record, whose parameter names the file that
// failed (the target, or the temporary file), and failedStep() says at which step; the record
// notes the step too (FileStep: the folder that takes the temporary file, the writing of the
// bytes, the target), for the words a user is told, and stays as the failing step left it while
// the temporary file is cleaned up. A target that is no file (a name Windows keeps for a device,
// a device, a pipe) is refused (FileErrorCode::NOT_A_FILE). A target that another program holds
// open for a moment (a reader that does not share its deletion, an indexer, a virus scanner)
// cannot be moved meanwhile: each step that moves or holds it is tried again for up to
// HELD_TARGET_MS before the save fails.
//
// Without expect, nothing is compared and the file set aside goes. Once committed, written() is
// the file as the save left it.

#include "pel/files/FileDigest.h"
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

    // Where a save stopped.
    enum class Step : uint32_t {
        NONE,
        OPEN,    // the target is a folder, read-only or no file
        FOLDER,  // the temporary file could not be made in the target's folder
        WRITE,   // the new bytes could not all be written (the temporary file, or memory)
        CHECK,   // the target is not the file expected (TARGET_CHANGED)
        REPLACE, // the target could not be moved aside, taken over or written in place
    };
    // What the commit does with a target that is not the file expected.
    enum class Other : uint32_t {
        REFUSE,      // found before anything moved, it fails the save (TARGET_CHANGED)
        KEEP_BESIDE, // it is replaced all the same, and kept beside
    };

    // Opens the file the data goes to. A null or empty path, a target that is a directory
    // (TARGET_IS_FOLDER), read-only or no file, or a temporary file that cannot be made leaves the
    // save failed (isOpen false).
    explicit SafeSave(const wchar_t* path);
    // A save not committed is abandoned: the temporary file goes, the target stays as it was.
    ~SafeSave();

    bool isOpen() const { return m_file != nullptr; }
    // The commit is to replace the file only as `known` has it (a stamp of no file: no file),
    // and keeps beside it whatever else it replaces. With Other::REFUSE a target found otherwise
    // before it is replaced fails the commit.
    void expect(const FileVersion& known, Other other = Other::REFUSE);
    void expect(const FileStamp& known) { expect(FileVersion{known, FileDigest()}); }
    // After a commit: the file as the save left it, with the digest of the bytes written (its
    // stamp unknown when it could not be read).
    const FileVersion& written() const { return m_written; }
    // After a commit that found the target not as expected: the target as found (its digest
    // where its bytes were read to tell).
    const FileVersion& found() const { return m_found; }
    // The file replaced, kept beside the target since it was not the one expected (or, after a
    // failed write in place that could not be undone, the old bytes); empty when none was.
    const std::wstring& kept() const { return m_kept; }
    // The file written: the path given, or the file its link leads to.
    const std::wstring& target() const { return m_path; }
    // Whether the target is written directly (a device that cannot rename).
    bool inPlace() const { return m_inPlace; }
    // The step a failed save stopped at.
    Step failedStep() const { return m_failedStep; }
    // Appends all the bytes; a failure fails the save, and commit with it.
    bool write(const void* data, size_t size);
    // Flushes and closes the file, then puts it in the target's place. True only when every
    // byte was written and the target replaced; otherwise the target is as it was and the
    // temporary file gone. (In place, only a device whose writes fail where the file has room
    // already, and fail again as the old bytes are written back, leaves the target cut; on a
    // system path the old bytes are then kept beside it.)
    bool commit();

    // The whole save of one buffer.
    static bool saveFile(const wchar_t* path, const void* data, size_t size);
    // Tests: called on the saving thread each time the target was found held, before the step
    // is tried again (null: none). Set while no save runs.
    static void setHeldTargetHook(std::function<void()> hook);
    // Tests: called on the saving thread once the target was compared with the file expected and
    // right before it is moved aside or held for a write in place (null: none): what another
    // program does then lands in the last moment of the save. Set while no save runs.
    static void setLastMomentHook(std::function<void()> hook);

    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

private:
    bool openTemporary();
    // Opens the target itself, kept or created, and copies its bytes.
    bool openInPlace();
    bool commitInPlace();
    // A device of the library's own that renames: compared, then renamed over.
    bool commitOnDevice();
    // SafeSaveSwap.cpp: a system path.
    bool commitSwapping();
    // The file set aside by the swap goes, or is kept beside the target: `held` (a HANDLE, closed
    // here) is the file held since it was found as `heldStamp`, and whether that was the file
    // expected.
    void settleAside(const std::wstring& aside, void* held, const FileStamp& heldStamp, bool heldExpected);
    // Whether the file found is the empty one the save made for a link whose file was gone.
    bool isMadeThroughLink(const FileStamp& found) const;
    // Keeps the file replaced beside the target, under a name that says so (kept()).
    void keepReplaced(const std::wstring& file);
    // SafeSaveThroughNames.cpp: the target written in place, the new bytes read from the
    // temporary file (held open on `temporary`, a HANDLE). False, with the error set, when it
    // failed; *o_gone when the target was gone, and nothing done.
    bool commitThroughNames(void* temporary, bool* o_gone);
    // Every failure ends here: the step is noted, in the thread's file error record too (the
    // FileStep the save's step stands for, or the one given), and what was opened goes. False.
    bool fail(Step step);
    bool fail(Step step, uint32_t recordStep);
    // Closes and removes what was opened (in place: the file when the save made it), keeping
    // the thread's file error record.
    void abandon();
    // False, with TARGET_CHANGED set, when an expected target is not as expected. `held`: the
    // digest of its bytes when they are at hand (in place), else they are read when needed.
    bool targetAsExpected(const FileDigest* held = nullptr);
    // Whether the file found as `now`, its bytes digested by `digest` when asked, is the one
    // expected.
    bool isExpected(const FileStamp& now, const std::function<FileDigest()>& digest) const;

    std::wstring m_path;
    std::wstring m_native;    // the target's system path; empty on a device of the library's own
    std::wstring m_temporary; // empty when writing in place
    File* m_file = nullptr;
    bool m_inPlace = false;
    std::string m_pending; // in place: the new bytes, written at the commit
    std::string m_old;     // in place: the target's bytes until the commit succeeded
    bool m_targetExists = false;
    uint32_t m_targetFlags = 0; // FileInfo flags of the file replaced
    bool m_expecting = false;
    Other m_other = Other::REFUSE;
    FileVersion m_expected;
    FileStamp m_madeThroughLink; // the empty file the save made for a link that led nowhere
    FileDigester m_digester;
    FileVersion m_written;
    FileVersion m_found;
    std::wstring m_kept;
    Step m_failedStep = Step::NONE;
};

} // namespace pel
