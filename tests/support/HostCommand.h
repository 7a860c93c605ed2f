#pragma once
// Commands of the host for what no Windows call makes under Wine: a folder that cannot be
// written (made immutable, which binds root too), a small disk mounted over a folder, a FIFO.
// Each runs through the host's shell, which writes the command's exit status into a marker file
// once it ended: that file is waited for, since Wine hands back a process handle of a host
// program that no wait accepts. Where the host refuses (no root, no mounts in a container), the
// status says so and the test skips.

#include "support/OtherProcess.h"
#include "support/SymbolicLink.h"

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace tessel_test {

// The host's shell runs `command`; its exit status once it ended, -1 when it could not be
// started or never ended.
inline int runHost(const std::wstring& command) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"tessel-host-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++counter) + L".status";
    const std::string host = hostPath(marker);
    if (host.empty() || !startHost(L"Z:\\bin\\sh", L"sh -c \"" + command + L"; echo $? > '" +
                                                       std::wstring(host.begin(), host.end()) + L"'\""))
        return -1;
    std::string status;
    const bool ended = pollFor(
        [&] {
            HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return false;
            char bytes[16] = {};
            DWORD read = 0;
            ::ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
            ::CloseHandle(file);
            status.assign(bytes, read);
            return status.find('\n') != std::string::npos; // written whole
        },
        60000);
    ::DeleteFileW(marker.c_str());
    return ended ? std::atoi(status.c_str()) : -1;
}

// A path as the host's shell takes it: its host path in single quotes.
inline std::wstring hostQuoted(const std::wstring& path) {
    const std::string host = hostPath(path);
    return L"'" + std::wstring(host.begin(), host.end()) + L"'";
}

// A change of the host made for a test and undone when it goes (or by undo()): `made` tells
// whether the host made it.
class HostChange {
public:
    HostChange(const std::wstring& make, const std::wstring& undo) : m_undo(undo) { made = runHost(make) == 0; }
    ~HostChange() { undo(); }
    HostChange(const HostChange&) = delete;
    HostChange& operator=(const HostChange&) = delete;

    bool undo() {
        if (!made)
            return true;
        made = false;
        return runHost(m_undo) == 0;
    }

    bool made = false;

private:
    std::wstring m_undo;
};

// The folder made immutable: no file can be made, renamed or removed in it, whoever asks, while
// the files already there can still be written.
inline std::unique_ptr<HostChange> immutableFolder(const std::wstring& folder) {
    return std::unique_ptr<HostChange>(
        new HostChange(L"chattr +i " + hostQuoted(folder), L"chattr -i " + hostQuoted(folder)));
}

// A disk of `size` bytes (as mount takes it: "64k") mounted over the folder, empty, hiding what
// the folder held until it goes.
inline std::unique_ptr<HostChange> smallDiskOver(const std::wstring& folder, const std::wstring& size) {
    return std::unique_ptr<HostChange>(new HostChange(L"mount -t tmpfs -o size=" + size + L" tmpfs " + hostQuoted(folder),
                                                      L"umount " + hostQuoted(folder)));
}

} // namespace tessel_test
