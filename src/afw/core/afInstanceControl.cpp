#include "afw/core/afInstanceControl.h"

#include "afw/core/afActivation.h"
#include "afw/core/afMainLoop.h"
#include "afw/core/afModuleInstance.h"

#include <cwchar>

afInstanceControl::~afInstanceControl() {
    close();
}

bool afInstanceControl::create() {
    // A second create while the handle is held would read its own mutex as another instance's.
    if (m_mutex)
        return m_firstInstance;
    ::SetLastError(0);
    m_mutex = ::CreateMutexW(nullptr, FALSE, NAME);
    // A failed create is not 183 either: the process then behaves as the first.
    m_firstInstance = ::GetLastError() != ERROR_ALREADY_EXISTS;
    return m_firstInstance;
}

void afInstanceControl::close() {
    if (!m_mutex)
        return;
    ::CloseHandle(m_mutex);
    m_mutex = nullptr;
}

namespace {

BOOL CALLBACK collectInstanceWindow(HWND window, LPARAM list) {
    wchar_t name[199];
    const UINT length = ::RealGetWindowClassW(window, name, 199);
    if (length > 0 && length < 199) {
        name[length] = 0;
        if (std::wcscmp(name, afInstanceControl::NAME) == 0)
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

} // namespace

void afInstanceControl::findInstanceWindows(std::vector<HWND>& o_windows) {
    ::EnumWindows(&collectInstanceWindow, reinterpret_cast<LPARAM>(&o_windows));
}

afInstanceControl::SendResult afInstanceControl::sendCopyData(HWND window, const void* data, size_t size,
                                                               UINT timeoutMs) {
    // The receiver brings its window or question to the front as it takes the bytes: the
    // foreground is this process's to lend.
    DWORD process = 0;
    if (::GetWindowThreadProcessId(window, &process))
        ::AllowSetForegroundWindow(process);
    COPYDATASTRUCT copy = {};
    copy.dwData = 0;
    copy.cbData = static_cast<DWORD>(size);
    copy.lpData = const_cast<void*>(data);
    DWORD_PTR answer = 0;
    const LRESULT sent =
        ::SendMessageTimeoutW(window, WM_COPYDATA, reinterpret_cast<WPARAM>(afGetModuleInstance()),
                              reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &answer);
    if (!sent)
        return SEND_TIMED_OUT;
    if (static_cast<LRESULT>(answer) == ANSWER_CLOSING)
        return SEND_CLOSING;
    return static_cast<LRESULT>(answer) == ANSWER_TAKEN ? SEND_ACCEPTED : SEND_REFUSED;
}

void afInstanceControl::activateWindow(HWND window) {
    if (::IsIconic(window))
        ::OpenIcon(window);
    // The question, not the window disabled under it: that one would take the front but no keys.
    HWND front = afMainLoop::heldWindow();
    if (!front)
        front = window;
    // The sender lent the foreground to take.
    ::SetForegroundWindow(front);
    afActivation::activate(front);
}
