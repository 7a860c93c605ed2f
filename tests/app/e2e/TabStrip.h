#pragma once
// The main window's tab strip as the end-to-end tests find it from outside: its window, the
// tabs by their labels' ink on the screen, and mouse messages sent to it as the system sends
// them.

#include "app/e2e/TesselRun.h"

#include <algorithm>
#include <vector>

namespace tessel_test {

namespace tab_strip {

// The topmost visible container found so far, the widest of those at that height.
struct Strip {
    HWND window = nullptr;
    RECT rect = {};
};
inline BOOL CALLBACK considerStrip(HWND child, LPARAM context) {
    auto& found = *reinterpret_cast<Strip*>(context);
    RECT rect;
    if (!::IsWindowVisible(child) || !OtherProcess::hasClass(child, L"afContainer") || !::GetWindowRect(child, &rect))
        return TRUE;
    if (!found.window || rect.top < found.rect.top ||
        (rect.top == found.rect.top && rect.right - rect.left > found.rect.right - found.rect.left)) {
        found.window = child;
        found.rect = rect;
    }
    return TRUE;
}

} // namespace tab_strip

// The window of the tab strip: the topmost of the main window's containers, the widest of those
// at that height (the tabs' dock spans the window).
inline HWND stripOf(HWND window) {
    tab_strip::Strip best;
    ::EnumChildWindows(window, &tab_strip::considerStrip, reinterpret_cast<LPARAM>(&best));
    return best.window;
}

// The middles of the tabs' labels, left to right: runs of dark columns above the editor. The
// last run, at the strip's right end, is the button that lists the tabs: its middle goes to
// o_list (-1 when there is none). The height to point at them goes to o_y.
inline std::vector<int> labelMiddles(HWND strip, HWND editor, int* o_y, int* o_list = nullptr) {
    RECT stripRect, editorRect;
    ::GetWindowRect(strip, &stripRect);
    ::GetWindowRect(editor, &editorRect);
    const Capture capture = Capture::of(strip);
    const int rows = std::min<int>(capture.height, editorRect.top - stripRect.top);
    std::vector<int> middles;
    int runStart = -1, lastInk = -100, inkTop = rows;
    for (int x = 0; x < capture.width; ++x) {
        bool ink = false;
        for (int y = 0; y < rows; ++y)
            if (Capture::distance(capture.at(x, y), 0) < 0x60) {
                ink = true;
                inkTop = y < inkTop ? y : inkTop;
            }
        if (!ink)
            continue;
        if (x - lastInk > 8) { // a new label
            if (runStart >= 0)
                middles.push_back((runStart + lastInk) / 2);
            runStart = x;
        }
        lastInk = x;
    }
    if (runStart >= 0)
        middles.push_back((runStart + lastInk) / 2);
    int list = -1;
    if (!middles.empty() && middles.back() > capture.width - 24) {
        list = middles.back();
        middles.pop_back();
    }
    if (o_list)
        *o_list = list;
    *o_y = inkTop + 3;
    return middles;
}

// A mouse message sent to the strip at the point of its client area; false when it was not
// answered within 5 s.
inline bool sendMouse(HWND strip, UINT message, int x, int y, WPARAM keys) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(strip, message, keys, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

} // namespace tessel_test
