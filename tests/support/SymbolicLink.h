#pragma once
// Makes a symbolic link for a test: through the system's call where it makes one, else (under
// Wine, whose call reports success and makes nothing) through the host's own "ln"; a hard link
// the same way; whether a link leads to a file, as the system sees it; and a file given to
// another user of the host. Wine shows a host link as the file it leads to (no reparse point):
// opened through it, the system names that file as the final path; a link whose file is gone it
// shows as no file at all.

#include "support/OtherProcess.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

namespace tessel_test {

inline bool leadsTo(const std::wstring& link, const std::wstring& target) {
    HANDLE a = ::CreateFileW(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    HANDLE b = ::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    const bool same = a != INVALID_HANDLE_VALUE && b != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(a, &ia) &&
                      ::GetFileInformationByHandle(b, &ib) && ia.nFileIndexLow == ib.nFileIndexLow &&
                      ia.nFileIndexHigh == ib.nFileIndexHigh && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber;
    if (a != INVALID_HANDLE_VALUE)
        ::CloseHandle(a);
    if (b != INVALID_HANDLE_VALUE)
        ::CloseHandle(b);
    return same;
}

// Starts a program of the host (Wine starts it as it starts its own). Its end cannot be waited
// for: Wine hands back a process handle that no wait accepts, so the caller waits for what the
// program makes.
inline bool startHost(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// The host's path of a path, as Wine maps it; empty where there is no such host.
inline std::string hostPath(const std::wstring& path) {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name)
        return std::string();
    const std::string host(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return host;
}

// The link (made anew, or pointed elsewhere in one step where it is there) leads to `target`
// through the host's "ln", once the system sees it so.
inline bool pointSymbolicLink(const std::wstring& link, const std::wstring& target) {
    const std::string from = hostPath(target), to = hostPath(link);
    if (from.empty() || to.empty())
        return false;
    return startHost(L"Z:\\bin\\ln", L"ln -sfn \"" + std::wstring(from.begin(), from.end()) + L"\" \"" +
                                             std::wstring(to.begin(), to.end()) + L"\"") &&
           pollFor([&] { return leadsTo(link, target); }, 30000);
}

// Deletes the link as it goes, while the file it leads to is still there: a link whose file went
// first is no longer found in its folder, which then cannot be removed. Through the host's "rm":
// under Wine, DeleteFileW on a host's link deletes the file it leads to and leaves the link.
struct LinkRemoval {
    std::wstring link;
    ~LinkRemoval() {
        const std::string host = hostPath(link);
        if (host.empty() || !startHost(L"Z:\\bin\\rm", L"rm -f \"" + std::wstring(host.begin(), host.end()) + L"\""))
            return;
        pollFor([&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000);
    }
};

inline bool makeSymbolicLink(const std::wstring& link, const std::wstring& target) {
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) && leadsTo(link, target))
        return true;
    return pointSymbolicLink(link, target);
}

// A second name of the file (a hard link), once the system shows both names as one file.
inline bool makeHardLink(const std::wstring& link, const std::wstring& target) {
    if (::CreateHardLinkW(link.c_str(), target.c_str(), nullptr) && leadsTo(link, target))
        return true;
    const std::string from = hostPath(target), to = hostPath(link);
    return !from.empty() && !to.empty() &&
           startHost(L"Z:\\bin\\ln", L"ln -f \"" + std::wstring(from.begin(), from.end()) + L"\" \"" +
                                          std::wstring(to.begin(), to.end()) + L"\"") &&
           pollFor([&] { return leadsTo(link, target); }, 30000);
}

// The owner the system names for the file, as text ("S-1-...", or Wine's name for a host user
// other than the one running it); empty when it names none.
inline std::wstring ownerOf(const std::wstring& path) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring text;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                nullptr, &descriptor) == ERROR_SUCCESS &&
        owner) {
        const DWORD length = ::GetLengthSid(owner);
        const unsigned char* bytes = static_cast<const unsigned char*>(owner);
        for (DWORD i = 0; i < length; ++i)
            text += L"0123456789abcdef"[bytes[i] >> 4], text += L"0123456789abcdef"[bytes[i] & 15];
    }
    if (descriptor)
        ::LocalFree(descriptor);
    return text;
}

// Gives the file to another user of the host (uid 1000) through the host's "chown", which only
// the host's administrator may run: false, with the file as it was, elsewhere.
inline bool giveToAnotherUser(const std::wstring& path) {
    const std::string host = hostPath(path);
    const std::wstring before = ownerOf(path);
    return !host.empty() && !before.empty() &&
           startHost(L"Z:\\bin\\chown", L"chown 1000 \"" + std::wstring(host.begin(), host.end()) + L"\"") &&
           pollFor([&] { return ownerOf(path) != before; }, 5000);
}

} // namespace tessel_test
