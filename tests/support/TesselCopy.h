#pragma once
// A copy of the built program in a fresh temporary folder, as an installation would lay it out:
// Tessel.exe, its two DLLs and the shipped bundles, with a "config/startup.tsConfig" that names
// a user folder of the copy's own, so that a run never reads or writes the machine's settings.
// The end-to-end tests and the start-up benchmarks start their programs from it.

#include "support/OtherProcess.h"
#include "support/TempFolder.h"

#include <string>

namespace tessel_test {

class TesselCopy {
public:
    // What the configuration files of this version begin with.
    static constexpr const char* VERSION_ENTRY = "{ version : '1 0 1 12e4b4c8' ";

    // `built`: the build's program folder; by default "app" beside the folder of this program.
    explicit TesselCopy(const std::wstring& built = programFolder() + L"..\\app") {
        complete = folder.created && copyFile(built, L"Tessel.exe") && copyFile(built, L"CrashRpt1300.dll") &&
                   (copyFile(built, L"htmlayout.dll") || !exists(built + L"\\htmlayout.dll")) && TempFolder::copyTree(built + L"\\bundles", folder / L"bundles") &&
                   ::CreateDirectoryW((folder / L"config").c_str(), nullptr);
    }

    std::wstring program() const { return folder / L"Tessel.exe"; }

    // Names a new, empty user folder in the startup file (`userDir` as written there, relative
    // to the program's folder, when given) and returns its full path. With `font`, the user's
    // preferences name the editor font at 10 points, so that rendered text is the same everywhere,
    // and hold the `preferences` entries given after it.
    std::wstring freshUserFolder(bool font = true, const std::wstring& userDir = L"", const std::string& preferences = "") {
        const std::wstring name = userDir.empty() ? L"user-" + std::to_wstring(++m_users) : userDir;
        folder.write(L"config\\startup.tsConfig",
                     std::string(VERSION_ENTRY) + "app.startup : { user_dir : '" + narrow(name) + "' } }\r\n");
        const std::wstring path = folder / name;
        if (font && ::CreateDirectoryW(path.c_str(), nullptr) && ::CreateDirectoryW((path + L"\\config").c_str(), nullptr))
            folder.write(name + L"\\config\\preferences.tsConfig",
                         std::string(VERSION_ENTRY) +
                             "app.editor.font : { names : [ 'DejaVu Sans Mono' ] size : 10 } " + preferences + "}\r\n");
        return path;
    }

    TempFolder folder;
    bool complete = false; // whether everything was there to copy

private:
    static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    static bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    bool copyFile(const std::wstring& from, const wchar_t* name) const {
        return ::CopyFileW((from + L"\\" + name).c_str(), (folder / name).c_str(), FALSE) != FALSE;
    }

    int m_users = 0;
};

// The width of one character of the editor font that freshUserFolder names, as the driver's own
// GDI lays it out.
inline double characterWidth() {
    HDC screen = ::GetDC(nullptr);
    HFONT font = ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, L"DejaVu Sans Mono");
    HGDIOBJ previous = ::SelectObject(screen, font);
    SIZE extent = {};
    ::GetTextExtentPoint32W(screen, L"0123456789", 10, &extent);
    ::SelectObject(screen, previous);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, screen);
    return extent.cx / 10.0;
}

} // namespace tessel_test
