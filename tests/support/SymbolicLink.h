#pragma once
// Makes a symbolic link for a test: through the system's call where it makes one, else (under
// Wine, whose call reports success and makes nothing) through the host's own "ln"; and whether a
// link leads to a file, as the system sees it. Wine shows a host link as the file it leads to (no
// reparse point): opened through it, the system names that file as the final path.

#include "support/OtherProcess.h"

#include <windows.h>

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

} // namespace tessel_test
