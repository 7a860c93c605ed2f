#pragma once
// Counts what arms the menu bar of a top-level window (SC_KEYMENU) in place of running it. One
// at a time.

#include <windows.h>

namespace tessel_test {

class MenuArming {
public:
    explicit MenuArming(HWND window) : m_window(window) {
        s_count = 0;
        s_previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuArming::procedure)));
    }
    ~MenuArming() { ::SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_previous)); }
    MenuArming(const MenuArming&) = delete;
    MenuArming& operator=(const MenuArming&) = delete;
    int count() const { return s_count; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
            ++s_count;
            return 0;
        }
        return ::CallWindowProcW(s_previous, window, message, wParam, lParam);
    }

    HWND m_window;
    static inline WNDPROC s_previous = nullptr;
    static inline int s_count = 0;
};

} // namespace tessel_test
