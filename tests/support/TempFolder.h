#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessel_test {

class TempFolder {
public:
    TempFolder() : TempFolder(systemTemp()) {}
    // In the folder `base` (ending in a separator); `created` tells whether that worked.
    explicit TempFolder(const std::wstring& base) {
        static int counter = 0;
        path = base + (L"tessel-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        created = ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
    }
    ~TempFolder() { removeTree(L"\\\\?\\" + path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

    // Whole files of the folder through plain system calls, beside the file layer under test.
    void write(const std::wstring& name, const std::string& bytes) const {
        HANDLE file = ::CreateFileW((*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    // The file as another program writes it, its write time a second later than any written so:
    // each such write is news to a watcher comparing write times, however fast they follow.
    void writeOutside(const std::wstring& name, const std::string& bytes) const {
        static uint64_t ahead = 0;
        write(name, bytes);
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        const uint64_t later = ((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) + ++ahead * 10000000;
        const FILETIME time = {static_cast<DWORD>(later), static_cast<DWORD>(later >> 32)};
        HANDLE file = ::CreateFileW((*this / name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetFileTime(file, nullptr, nullptr, &time);
        ::CloseHandle(file);
    }
    // The file's bytes; empty when it cannot be opened.
    std::string read(const std::wstring& name) const {
        std::string bytes;
        tryRead(name, &bytes);
        return bytes;
    }
    // False when the file cannot be opened (missing, or held by a writer that shares nothing).
    // The reader shares everything, yet while it holds the file open the system refuses to
    // replace it: a program saving over it meanwhile waits for the read to end.
    bool tryRead(const std::wstring& name, std::string* o_bytes) const {
        HANDLE file = ::CreateFileW((*this / name).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        std::string bytes(::GetFileSize(file, nullptr) + 1, '\0');
        DWORD got = 0;
        const bool read = ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) != 0;
        ::CloseHandle(file);
        *o_bytes = bytes.substr(0, got);
        return read;
    }
    // The names of what the folder (or its folder `sub`) holds, "." and ".." left out.
    std::vector<std::wstring> names(const std::wstring& sub = L"") const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW(((sub.empty() ? path : *this / sub) + L"\\*").c_str(), &data);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &data))
            if (std::wstring(data.cFileName) != L"." && std::wstring(data.cFileName) != L"..")
                names.push_back(data.cFileName);
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        return names;
    }

    // Copies the folder `from` with everything in it as the new folder `to`; whether it was new
    // and every copy succeeded.
    static bool copyTree(const std::wstring& from, const std::wstring& to) {
        if (!::CreateDirectoryW(to.c_str(), nullptr))
            return false;
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW((from + L"\\*").c_str(), &data);
        bool copied = find != INVALID_HANDLE_VALUE;
        for (BOOL more = copied; more && copied; more = ::FindNextFileW(find, &data)) {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            copied = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                         ? copyTree(from + L"\\" + name, to + L"\\" + name)
                         : ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) != FALSE;
        }
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        return copied;
    }

    std::wstring path; // without a trailing separator
    bool created = false;

private:
    static std::wstring systemTemp() {
        wchar_t base[MAX_PATH];
        wchar_t full[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        ::GetLongPathNameW(base, full, MAX_PATH);
        return full;
    }

    static void removeTree(const std::wstring& folder) {
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &data)) {
            const std::wstring name = data.cFileName, item = folder + L"\\" + name;
            const DWORD attributes = data.dwFileAttributes;
            if (name == L"." || name == L".." || !::SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL))
                continue;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) // a link goes, never what it leads to
                (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(item.c_str()) : ::DeleteFileW(item.c_str());
            else
                (attributes & FILE_ATTRIBUTE_DIRECTORY) ? removeTree(item) : (void)::DeleteFileW(item.c_str());
        }
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        ::RemoveDirectoryW(folder.c_str());
    }
};

} // namespace tessel_test
