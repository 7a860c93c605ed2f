#pragma once
// What the end-to-end tests of files on disk share: a file written as another program writes it,
// the user's visit to another program, a keystroke that edits the tab, Tessel's quiet end, and a
// question waited for with the title it is about.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel_test {

// The file written as another program does it: opened over its bytes, written, and given the
// write time of `timeOf` (as "cp -p", tar or rsync leave a backup they put back).
inline void putBack(const std::wstring& path, const std::string& bytes, const std::wstring& timeOf) {
    WIN32_FILE_ATTRIBUTE_DATA times{};
    ASSERT_TRUE(::GetFileAttributesExW(timeOf.c_str(), GetFileExInfoStandard, &times));
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::SetFileTime(file, nullptr, nullptr, &times.ftLastWriteTime);
    ::CloseHandle(file);
}

// The user goes to another program's window and comes back to Tessel's.
inline testing::AssertionResult visitAnotherProgram(TesselRun& tessel) {
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                         200, nullptr, nullptr, nullptr, nullptr);
    const bool away = other && activate(other);
    if (other)
        ::DestroyWindow(other);
    if (!away)
        return testing::AssertionFailure() << "another window could not be made active";
    if (!activate(tessel.window()))
        return testing::AssertionFailure() << "Tessel's window could not be made active again";
    return testing::AssertionSuccess();
}

// The question is open with the title showing the tab it is about.
inline testing::AssertionResult asksAbout(TesselRun& tessel, const std::wstring& button, const std::wstring& title) {
    if (!tessel.questionOffering(button))
        return testing::AssertionFailure() << "no question offering " << TesselRun::narrow(button) << ": "
                                           << shownQuestion(tessel, "asks-about");
    return tessel.hasTitle(title);
}

} // namespace tessel_test
