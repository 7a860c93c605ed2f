// The shell tests' helper: a running instance that goes away as a second start reaches it.
//
//   vanishing-instance READY   holds the single-instance mutex, shows a window of the main
//                              window's class and sets the named event READY; the first
//                              WM_COPYDATA it gets lets the mutex go and is refused (0), and
//                              the helper ends.
//   closing-instance READY SAVED CONFIG
//                              as vanishing-instance, but a copy that is closing: it refuses
//                              every WM_COPYDATA, and after the first one it writes its settings
//                              as it ends (copies every file of the folder SAVED into the folder
//                              CONFIG), then lets the mutex go and ends.
//   asking-instance READY       as vanishing-instance, but a copy asking its closing questions: it
//                              answers the first WM_COPYDATA that it is closing (2), then lets the
//                              mutex go and ends.

#include <windows.h>

#include <string>

namespace {

const wchar_t* const NAME = L"Tessel35WindowClass";
constexpr UINT WM_END = WM_APP + 1;
HANDLE g_mutex = nullptr;
bool g_closing = false;    // refuses hand-overs until its settings are written
bool g_asking = false;     // answers hand-overs that it is closing
bool g_endAsked = false;
std::wstring g_saved, g_config;

void writeSettings() {
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((g_saved + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::CopyFileW((g_saved + L"\\" + found.cFileName).c_str(), (g_config + L"\\" + found.cFileName).c_str(),
                        FALSE);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

void end(HWND window) {
    // Gone before the sender asks the mutex again.
    ::CloseHandle(g_mutex);
    g_mutex = nullptr;
    ::DestroyWindow(window);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        if (g_asking) {
            if (!g_endAsked)
                ::PostMessageW(window, WM_END, 0, 0);
            g_endAsked = true;
            return 2;
        }
        if (!g_closing) {
            end(window);
        } else if (!g_endAsked) {
            // The hand-over is refused while the closing goes on, which ends after this answer.
            g_endAsked = true;
            ::PostMessageW(window, WM_END, 0, 0);
        }
        return 0;
    }
    if (message == WM_END) {
        writeSettings();
        end(window);
        return 0;
    }
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int runInstance(const wchar_t* ready) {
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
        return runInstance(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"asking-instance") {
        g_asking = true;
        return runInstance(argv[2]);
    }
    if (argc == 5 && std::wstring(argv[1]) == L"closing-instance") {
        g_closing = true;
        g_saved = argv[3];
        g_config = argv[4];
        return runInstance(argv[2]);
    }
    return 3;
}
