#include "afw/core/afShell.h"

#include <shellapi.h>
#include <string>

namespace {

bool executed(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

bool afIsWindowsXPOrLater() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExW(&version))
        return false;
    return version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
}

bool afShowInExplorer(HWND window, const wchar_t* path) {
    if (!path)
        return false;
    const std::wstring parameters = L"/select \"" + std::wstring(path) + L"\"";
    return executed(::ShellExecuteW(window, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL));
}

bool afShellOpen(const wchar_t* path) {
    if (!path)
        return false;
    return executed(::ShellExecuteW(nullptr, L"open", path, nullptr, nullptr, SW_SHOWNORMAL));
}

void afMessageBeep(int kind) {
    UINT sound = MB_ICONHAND;
    if (kind == 1)
        sound = MB_ICONQUESTION;
    else if (kind == 2)
        sound = MB_ICONEXCLAMATION;
    ::MessageBeep(sound);
}
