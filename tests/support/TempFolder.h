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
        wchar_t full[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        ::GetLongPathNameW(base, full, MAX_PATH);
        path = full + (L"tessel-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
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
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &data)) {
            const std::wstring name = data.cFileName, item = folder + L"\\" + name;
            if (name != L"." && name != L".." && ::SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL))
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? removeTree(item) : (void)::DeleteFileW(item.c_str());
        }
        if (find != INVALID_HANDLE_VALUE)
            ::FindClose(find);
        ::RemoveDirectoryW(folder.c_str());
    }
};

} // namespace tessel_test
