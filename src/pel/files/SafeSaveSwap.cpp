// SafeSave on a system path: the target set aside and the new file renamed into its place, and
// the steps the routes share.

#include "pel/files/SafeSave.h"

#include "pel/files/FileUtilsSupport.h"
#include "pel/files/SafeSaveSteps.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"

#include <aclapi.h>

#include <cstring>
#include <memory>

namespace pel {

using namespace fileutils_detail;

namespace safesave {

namespace {

// Bytes copied at once.
constexpr DWORD COPY_BLOCK = 1 << 20;
// Names tried for a file kept beside the target.
constexpr int KEPT_NAMES = 100;

bool rewind(HANDLE file) {
    LARGE_INTEGER start{};
    return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

} // namespace

std::wstring freeNameBeside(const std::wstring& path) {
    const size_t name = FileIO::findFileName(path);
    WorkString<> unique;
    ErrorKeeper keep;
    if (!FileIFC::getInstance()->makeUniqueName((path.substr(0, name) + L"." + path.substr(name)).c_str(), &unique))
        return path + L".~saving";
    return unique.c_str();
}

bool copyBytes(HANDLE from, HANDLE to, FileDigester* digester) {
    if (!rewind(from) || !rewind(to))
        return false;
    std::unique_ptr<char[]> block(new char[COPY_BLOCK]);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(from, block.get(), COPY_BLOCK, &got, nullptr))
            return false;
        if (got == 0)
            return ::SetEndOfFile(to) != FALSE;
        if (digester)
            digester->update(block.get(), got);
        DWORD put = 0;
        if (!::WriteFile(to, block.get(), got, &put, nullptr))
            return false;
        if (put != got) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
    }
}

std::wstring keepBeside(const std::wstring& file, const std::wstring& target, const wchar_t* why) {
    for (int number = 1; number <= KEPT_NAMES; ++number) {
        const std::wstring name =
            target + L" (" + why + (number > 1 ? L" " + std::to_wstring(number) : std::wstring()) + L")";
        if (::MoveFileExW(file.c_str(), name.c_str(), 0))
            return name;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    return std::wstring();
}

} // namespace safesave

namespace {

using safesave::Handle;

// The system's path of a temporary file made through a device of the library's own.
std::wstring systemTemporary(const std::wstring& temporary) {
    if (isSystemPath(temporary))
        return temporary;
    WorkString<> full;
    ErrorKeeper keep;
    return FileIO::getFullPath(temporary.c_str(), &full) ? std::wstring(full.c_str()) : std::wstring();
}

// The target's hidden, system, archive and not-indexed bits, given to the new file before it
// takes the name.
void carryAttributes(const std::wstring& target, const std::wstring& made) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    const DWORD carried = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    ::SetFileAttributesW(made.c_str(), carried ? carried : FILE_ATTRIBUTE_NORMAL);
}

struct Security {
    explicit Security(const std::wstring& path) {
        read = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &access,
                                       nullptr, &descriptor) == ERROR_SUCCESS;
    }
    ~Security() {
        if (descriptor)
            ::LocalFree(descriptor);
    }
    Security(const Security&) = delete;
    Security& operator=(const Security&) = delete;

    bool read = false;
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
};

bool sameAccess(const ACL* a, const ACL* b) {
    if (!a || !b)
        return a == b;
    return a->AclSize == b->AclSize && std::memcmp(a, b, a->AclSize) == 0;
}

// Whether the file made in the target's folder has the target's owner and access rights, so
// that renamed into its place it leaves them as they were. Under Wine they are the host file's
// owner and mode bits, which a new file takes from the process (its user, its umask) and which
// no call gives it (the access rights set on a file there come out as other mode bits): a file
// of another user, or with other mode bits (an executable script, a private file), is written in
// place. A volume that keeps no security has nothing to lose.
bool sameOwnerAndAccess(const std::wstring& target, const std::wstring& made) {
    const Security old(target), fresh(made);
    if (!old.read || !fresh.read)
        return true;
    return old.owner && fresh.owner && ::EqualSid(old.owner, fresh.owner) && sameAccess(old.access, fresh.access);
}

// A link whose file is gone leads to the name it holds: opened through the link, the file is
// made there (empty), and its name is the one to save. Empty, with nothing made, when the name
// is a file of its own (another program put it there) or nothing can be made.
std::wstring makeThroughLink(const std::wstring& link, FileStamp* o_made) {
    const Handle file(::CreateFileW(link.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0,
                                    nullptr));
    if (!file.valid())
        return std::wstring();
    const std::wstring named = finalPathOf(file.get());
    if (named.empty() || FileIO::isSamePath(named.c_str(), link.c_str()))
        return std::wstring();
    // Only an empty file counts as the save's own: one that another program made there first
    // is compared as any other.
    const FileStamp made = FileStamp::ofOpenFile(file.get());
    if (made.size == 0)
        *o_made = made;
    return named;
}

// Whether something is under the name though no file opens there: a new file cannot be made
// under it. (One made, the name was free: it goes as it is closed.)
bool nameTaken(const std::wstring& path) {
    const HANDLE made = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                                      nullptr);
    if (made != INVALID_HANDLE_VALUE) {
        ::CloseHandle(made);
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

} // namespace

bool SafeSave::commitSwapping() {
    using namespace safesave;
    const std::wstring temporary = systemTemporary(m_temporary);
    if (temporary.empty())
        return commitOnDevice();
    // The new file is held against other writers until its stamp is taken in the target's
    // place: the stamp is then the save's own write, whatever another program does next.
    Handle held(::CreateFileW(temporary.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    if (!held.valid()) {
        FileErrorObject::setErrorFromSystem().addParam(m_temporary.c_str());
        return fail(Step::REPLACE);
    }
    if (m_targetExists)
        carryAttributes(m_native, temporary);
    const FileStamp target = FileStamp::of(m_native);
    if (target.there && (target.links > 1 || !sameOwnerAndAccess(m_native, temporary))) {
        bool gone = false;
        if (commitThroughNames(held.get(), &gone)) {
            held.close();
            FileIO::deleteFile(m_temporary.c_str());
            m_temporary.clear();
            return true;
        }
        if (!gone)
            return false;
    }
    bool followed = false;
    for (;;) {
        lastMoment();
        if (!FileStamp::of(m_native).there && !followed && nameTaken(m_native)) {
            // Nothing to set aside, and yet the name is taken: a link whose file is gone, which
            // the system shows as no file at all (Wine shows a host link that leads nowhere so,
            // and would rename a file over the link itself).
            followed = true;
            const std::wstring named = makeThroughLink(m_native, &m_madeThroughLink);
            if (!named.empty()) {
                m_path = m_native = named;
                continue;
            }
        }
        // The file under the name is held against other writers from its comparison until it
        // is set aside and settled: what is compared is what goes aside. (Wine refuses to rename
        // another file over one held open, and lets none of its programs write it meanwhile;
        // a writer that has it open already is waited for.)
        Handle hold;
        FileStamp holdStamp;
        bool holdExpected = !m_expecting;
        if (m_expecting) {
            const bool opened = whileHeld([&] {
                hold.reset(::CreateFileW(m_native.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
                return hold.valid();
            });
            const DWORD error = ::GetLastError();
            if (!opened && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
                FileErrorObject::setError(error).addParam(m_path.c_str());
                return fail(Step::REPLACE);
            }
            FileDigest bytes;
            holdStamp = opened ? FileStamp::ofOpenFile(hold.get()) : FileStamp();
            holdExpected = isMadeThroughLink(holdStamp) ||
                           isExpected(holdStamp, [&] { return bytes = digestOfOpenFile(hold.get()); });
            if (!holdExpected && m_other == Other::REFUSE) {
                m_found = {holdStamp, bytes};
                FileErrorObject::setError(FileErrorCode::TARGET_CHANGED).addParam(m_path.c_str());
                return fail(Step::CHECK);
            }
        }
        // Whatever file is under the name at this instant goes aside, whole. A name that leads to
        // no file is not moved: a link whose file is gone (which Wine would move) stays.
        const std::wstring aside = freeNameBeside(m_native);
        bool setAside = false;
        if (FileStamp::of(m_native).there) {
            setAside = whileHeld([&] { return ::MoveFileExW(m_native.c_str(), aside.c_str(), 0) != FALSE; });
            const DWORD error = ::GetLastError();
            // Gone meanwhile, there is nothing to set aside.
            if (!setAside && FileStamp::of(m_native).there) {
                FileErrorObject::setError(error).addParam(m_path.c_str());
                return fail(Step::REPLACE);
            }
        }
        // Never over a file: one that another program puts there meanwhile stays.
        if (::MoveFileExW(temporary.c_str(), m_native.c_str(), 0)) {
            m_temporary.clear();
            m_written = {FileStamp::ofOpenFile(held.get()), m_digester.finish()};
            held.close();
            if (setAside)
                settleAside(aside, hold.release(), holdStamp, holdExpected);
            return true;
        }
        const DWORD error = ::GetLastError();
        const bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        if (taken && !setAside && !followed) {
            // As above, where the look at the name missed it.
            followed = true;
            const std::wstring named = makeThroughLink(m_native, &m_madeThroughLink);
            if (!named.empty()) {
                m_path = m_native = named;
                continue;
            }
        }
        // Another program's file took the name meanwhile, and stays; the one set aside goes back
        // when it can, else it is settled as a replaced one.
        if (setAside && !::MoveFileExW(aside.c_str(), m_native.c_str(), 0))
            settleAside(aside, hold.release(), holdStamp, holdExpected);
        if (taken) {
            m_found = {FileStamp::of(m_native), FileDigest()};
            FileErrorObject::setError(FileErrorCode::TARGET_CHANGED).addParam(m_path.c_str());
            return fail(Step::CHECK);
        }
        FileErrorObject::setError(error).addParam(m_path.c_str());
        return fail(Step::REPLACE);
    }
}

bool SafeSave::isMadeThroughLink(const FileStamp& found) const {
    return m_madeThroughLink.there && found.sameFile(m_madeThroughLink) && found.size == 0 &&
           found.writeTime == m_madeThroughLink.writeTime;
}

void SafeSave::settleAside(const std::wstring& aside, void* held, const FileStamp& heldStamp, bool heldExpected) {
    using namespace safesave;
    ErrorKeeper keep;
    Handle hold(held);
    FILE_DISPOSITION_INFO gone{TRUE};
    if (!m_expecting) {
        if (!::DeleteFileW(aside.c_str()))
            log_printf(LOG_WARNING, LOG_UNKNOWN_SOURCE, L"SafeSave: The old '%s' stays as '%s': it is held open.\n",
                       m_path.c_str(), aside.c_str());
        return;
    }
    // The file held since it was compared, unwritten since: it goes as it was found. (By its new
    // name: Wine deletes a file through a handle only under the name it was opened by.) Its size
    // and write time are looked at once more as it goes: Wine holds a file against its own
    // programs only, and a program of the host may have written it all the same.
    const FileStamp now = FileStamp::of(aside);
    if (hold.valid() && now.sameFile(heldStamp)) {
        hold.close();
        const bool unwritten = now.size == heldStamp.size && now.writeTime == heldStamp.writeTime;
        if (!heldExpected || !unwritten || !::DeleteFileW(aside.c_str()))
            keepReplaced(aside);
        return;
    }
    // Another file took the name between the look and the move (a system that lets a file held
    // open be renamed over): it is compared under a hold of its own. A program that has it open
    // and writes it still keeps it until it lets go, and what it wrote is compared too.
    Handle file;
    whileHeld([&] {
        file.reset(::CreateFileW(aside.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
        return file.valid();
    });
    if (file.valid()) {
        const FileStamp now = FileStamp::ofOpenFile(file.get());
        if ((isMadeThroughLink(now) || isExpected(now, [&] { return digestOfOpenFile(file.get()); })) &&
            ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &gone, sizeof gone))
            return;
    }
    file.close();
    keepReplaced(aside);
}

void SafeSave::keepReplaced(const std::wstring& file) {
    m_kept = safesave::keepBeside(file, m_native, L"changed by another program");
    if (m_kept.empty())
        m_kept = file;
    log_printf(LOG_WARNING, LOG_UNKNOWN_SOURCE,
               L"SafeSave: '%s' was not as last read or written when it was saved; what it held is kept as '%s'.\n",
               m_path.c_str(), m_kept.c_str());
}

} // namespace pel
