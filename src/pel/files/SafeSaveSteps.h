#pragma once
// The steps SafeSave's commit shares between its routes: tries repeated while another program
// holds the file, names beside the target, the copy of bytes between open files, and keeping a
// replaced file beside the target under a name that says so. System paths, on the saving thread.

#include "pel/files/FileDigest.h"

#include <windows.h>

#include <functional>
#include <string>

namespace pel {
namespace safesave {

// Whether the system's error means that another program holds the file open (a rename or an
// open refused for its sharing), which passes once it lets go; a refusal that lasts (no right
// to the file) fails the save after the wait.
bool isHeldError(uint32_t code);
// Runs the step until it succeeds, or fails otherwise than held, or the target has been held
// for SafeSave::HELD_TARGET_MS (the held hook runs before each new try). True when it succeeded;
// else the thread's system error is the last try's.
bool whileHeld(const std::function<bool()>& step);
// A name beside the path that no file has: ".<name>.<unique>".
std::wstring freeNameBeside(const std::wstring& path);
// The bytes of `from` from its start to its end, written over `to` from its start, `to` ending
// where they end; the digester (when given) takes them as they go. False with the system's error
// when a read or write failed.
bool copyBytes(HANDLE from, HANDLE to, FileDigester* digester);
// Renames the file to "<target> (<why>)", or "<target> (<why> 2)" and on when that is taken;
// the name it took, empty when none could be taken (it then stays where it is).
std::wstring keepBeside(const std::wstring& file, const std::wstring& target, const wchar_t* why);
// The test hook of SafeSave::setLastMomentHook, run when set.
void lastMoment();

// Closes the handle as it goes.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle) {
        close();
        m_handle = handle;
    }
    // Lets go of the handle without closing it.
    HANDLE release() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void close() {
        if (valid())
            ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

} // namespace safesave
} // namespace pel
