#pragma once
// What a platform view's window is made from: the Seed its buildSeed fills for CreateWindowExW,
// and the class record a window class is registered with.

#include <cstdint>
#include <string>
#include <windows.h>

struct afSeed {
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring className;
    std::wstring title;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HMENU menu = nullptr; // or the control id of a child window
};

struct afClassRecord {
    explicit afClassRecord(const wchar_t* name) : className(name) {}

    UINT style = 0;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::wstring menuName;
    std::wstring className;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};
