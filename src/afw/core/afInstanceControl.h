#pragma once
// Tells a starting process whether another instance of the program already runs, by a named
// mutex that shares its name with the main window class, and offers what a second instance
// needs to hand its command line over: finding the running instance's main windows, sending
// them bytes, and bringing one to the front. It decides nothing itself.

#include "pel/base/TSingleton.h"

#include <cstddef>
#include <vector>
#include <windows.h>

class afInstanceControl : public pel::TSingleton<afInstanceControl> {
    friend class pel::TSingleton<afInstanceControl>;

public:
    // How a running instance answered sendCopyData.
    enum SendResult {
        SEND_ACCEPTED = 0, // the window answered 1
        SEND_REFUSED = 1,  // any other answer
        SEND_TIMED_OUT = 2 // no answer within the timeout (or the window is gone)
    };

    // The name of the mutex and of the main window class.
    static constexpr const wchar_t* NAME = L"Tessel35WindowClass";

    ~afInstanceControl();

    // Creates the mutex unless this object still holds it; whether this process is the first.
    bool create();
    bool isFirstInstance() const { return m_firstInstance; }
    static const wchar_t* getName() { return NAME; }
    // Lets the mutex go; twice is harmless.
    void close();

    // The top-level windows whose class is exactly NAME, in enumeration order.
    static void findInstanceWindows(std::vector<HWND>& o_windows);
    // The bytes to the window as WM_COPYDATA (dwData 0, wParam the module instance). A running
    // instance that hangs cannot hang this one: the wait ends after the timeout.
    static SendResult sendCopyData(HWND window, const void* data, size_t size, UINT timeoutMs);
    // Restores an iconic window and brings it to the front, or, while it is disabled under a
    // question, the question: the first window in front that it owns (through others too) and
    // that is shown and enabled.
    static void activateWindow(HWND window);

private:
    afInstanceControl() { create(); }

    bool m_firstInstance = true;
    HANDLE m_mutex = nullptr;
};
