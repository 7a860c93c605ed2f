#pragma once
// Tells a starting process whether another instance of the program already runs, by a named
// mutex that shares its name with the main window class, and offers what a hand-over of a
// second instance's command line needs: finding the running instance's main windows and sending
// them bytes (the second instance), and bringing to the front what the user is asked or the
// window that took the hand-over (the running instance, which alone knows its open question).
// It decides nothing itself.

#include "pel/base/TSingleton.h"

#include <cstddef>
#include <vector>
#include <windows.h>

class afInstanceControl : public pel::TSingleton<afInstanceControl> {
    friend class pel::TSingleton<afInstanceControl>;

public:
    // How a running instance answered sendCopyData.
    enum SendResult {
        SEND_ACCEPTED = 0,  // the window answered ANSWER_TAKEN
        SEND_REFUSED = 1,   // any other answer
        SEND_TIMED_OUT = 2, // no answer within the timeout (or the window is gone)
        SEND_CLOSING = 3    // the window answered ANSWER_CLOSING
    };
    // What a running instance answers: taken; or not taken, since it is closing (it asks its
    // closing questions; it may go at any moment); anything else refuses, to be tried again.
    static constexpr LRESULT ANSWER_TAKEN = 1;
    static constexpr LRESULT ANSWER_CLOSING = 2;

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
    // The bytes to the window as WM_COPYDATA (dwData 0, wParam the module instance), its process
    // allowed to take the foreground meanwhile (this one, just started, has it). A running
    // instance that hangs cannot hang this one: the wait ends after the timeout.
    static SendResult sendCopyData(HWND window, const void* data, size_t size, UINT timeoutMs);
    // In the running instance, as it takes a hand-over: restores the window when iconic and
    // brings to the front what the user is being asked (afMainLoop::heldWindow, with the keyboard
    // where it keeps it), or else the window.
    static void activateWindow(HWND window);

private:
    afInstanceControl() { create(); }

    bool m_firstInstance = true;
    HANDLE m_mutex = nullptr;
};
