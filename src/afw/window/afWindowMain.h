#pragma once
// The base of the program's main window: closing it closes rather than hides, and destroying
// it ends the application's loop. Keys that a dialog takes (Escape, Enter, Tab) are left to the
// views and actions.

#include "afw/window/afWindow.h"

class afWindowMain : public afWindow {
public:
    explicit afWindowMain(afViewPlatform* host = nullptr) : afWindow(host) { setHideOnClose(false); }

    const wchar_t* getContextKey() const override { return L"ui.window.main"; }
    bool onKeyDown(afKeyEvent& /*event*/) override { return false; }
    // WM_DESTROY also posts WM_QUIT (exit code 0).
    bool onRawMessage(afMessage& msg) override;
};
