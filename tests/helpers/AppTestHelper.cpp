// The shell tests' helper: a running instance that goes away as a second start reaches it.
//
//   vanishing-instance READY   holds the single-instance mutex, shows a window of the main
//                              window's class and sets the named event READY; the first
//                              WM_COPYDATA it gets lets the mutex go and is refused (0), and
//                              the helper ends.

#include <windows.h>

#include <string>

namespace {

const wchar_t* const NAME = L"Tessel35WindowClass";
HANDLE g_mutex = nullptr;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        // Gone before the sender asks the mutex again.
        ::CloseHandle(g_mutex);
        g_mutex = nullptr;
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int vanishingInstance(const wchar_t* ready) {
    g_mutex = ::CreateMutexW(nullptr, FALSE, NAME);
    WNDCLASSW type = {};
    type.lpfnWndProc = windowProc;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = NAME;
    ::RegisterClassW(&type);
    if (!g_mutex ||
        !::CreateWindowW(NAME, L"Tessel", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, type.hInstance, nullptr))
        return 2;
    HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, ready);
    ::SetEvent(event);
    ::CloseHandle(event);
    for (MSG message; ::GetMessageW(&message, nullptr, 0, 0) > 0;)
        ::DispatchMessageW(&message);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"vanishing-instance")
        return vanishingInstance(argv[2]);
    return 3;
}
