#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.

#include <windows.h>

#include <string>

namespace tessel_test {

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        wchar_t full[MAX_PATH];
        ::GetLongPathNameW(base, full, MAX_PATH);
        path = std::wstring(full) + L"tessel-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               std::to_wstring(++counter);
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
    ~TempFolder() { removeTree(L"\\\\?\\" + path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

    std::wstring path; // without a trailing separator

private:
    static void removeTree(const std::wstring& folder) {
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring item = folder + L"\\" + name;
                ::SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeTree(item);
                else
                    ::DeleteFileW(item.c_str());
            } while (::FindNextFileW(find, &data));
            ::FindClose(find);
        }
        ::RemoveDirectoryW(folder.c_str());
    }
};

} // namespace tessel_test
