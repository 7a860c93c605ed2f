#include "afw/core/afInstanceControl.h"

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
    return answer == 1 ? SEND_ACCEPTED : SEND_REFUSED;
}

namespace {

struct Holder {
    HWND held;
    HWND found;
};

// The first window in z-order, of the held window's thread, that is shown and enabled and that
// the held window owns, directly or through others.
BOOL CALLBACK findHolder(HWND window, LPARAM param) {
    auto* holder = reinterpret_cast<Holder*>(param);
    if (window == holder->held || !::IsWindowVisible(window) || !::IsWindowEnabled(window) ||
        ::GetAncestor(window, GA_ROOTOWNER) != holder->held)
        return TRUE;
    holder->found = window;
    return FALSE;
}

} // namespace

void afInstanceControl::activateWindow(HWND window) {
    if (::IsIconic(window))
        ::OpenIcon(window);
    // A window a question holds (disabled under it) would take the front but not the keys: the
    // question comes to the front instead.
    Holder holder{window, nullptr};
    if (!::IsWindowEnabled(window))
        ::EnumThreadWindows(::GetWindowThreadProcessId(window, nullptr), &findHolder,
                            reinterpret_cast<LPARAM>(&holder));
    ::SetForegroundWindow(holder.found ? holder.found : window);
}
