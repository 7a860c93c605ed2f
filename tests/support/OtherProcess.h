#pragma once
// Another program seen from outside, as a user's desktop sees it: started with a command line and
// a current folder, its top-level windows found by class, their client areas captured through
// BitBlt and probed by colour, and bounded polls in place of waiting on its internals. Shared by
// the end-to-end tests and the start-up benchmarks.

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace tessel_test {

// The folder of this program, with a trailing separator.
inline std::wstring programFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

// Calls done() every `step` milliseconds until it holds; false once `limit` milliseconds passed
// without it. The bound turns a lost window or a hung program into a failure, never a hang.
inline bool pollFor(const std::function<bool()>& done, DWORD limit, DWORD step = 10) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > limit)
            return done();
        ::Sleep(step);
    }
    return true;
}

class OtherProcess {
public:
    // Starts `program` with `arguments` (the command line after the quoted name) in `folder`
    // (the current one when empty).
    OtherProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder = L"") {
        std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
            ::CloseHandle(info.hThread);
            m_process = info.hProcess;
            m_processId = info.dwProcessId;
        }
    }
    // A program still running when the test ends is ended, so it never outlives its test.
    ~OtherProcess() {
        if (m_process) {
            if (running()) {
                ::TerminateProcess(m_process, 3);
                ::WaitForSingleObject(m_process, 10000);
            }
            ::CloseHandle(m_process);
        }
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    bool started() const { return m_process != nullptr; }
    DWORD processId() const { return m_processId; }
    HANDLE handle() const { return m_process; }
    bool running() const { return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

    // Waits up to `limit` ms for the exit; the exit code, or -1 while it still runs.
    long exitCode(DWORD limit) const {
        if (!m_process || ::WaitForSingleObject(m_process, limit) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(m_process, &code);
        return static_cast<long>(code);
    }

    // A visible top-level window of the program with the class, or null.
    HWND findWindow(const wchar_t* className) const { return findTopLevel(className, m_processId).front(); }

    HWND waitForWindow(const wchar_t* className, DWORD limit) const {
        HWND found = nullptr;
        pollFor([&] { return (found = findWindow(className)) != nullptr || !running(); }, limit);
        return found;
    }

    // Visible top-level windows of the class, of one process (any when processId is 0); a null
    // entry ends the list, so front() is null when there is none.
    static std::vector<HWND> findTopLevel(const wchar_t* className, DWORD processId = 0) {
        Search search{className, processId, {}};
        ::EnumWindows(&collect, reinterpret_cast<LPARAM>(&search));
        search.found.push_back(nullptr);
        return search.found;
    }

    // The first visible descendant window of the class, or null.
    static HWND findChild(HWND parent, const wchar_t* className) {
        Search search{className, 0, {}};
        ::EnumChildWindows(parent, &collect, reinterpret_cast<LPARAM>(&search));
        return search.found.empty() ? nullptr : search.found.front();
    }

    static bool hasClass(HWND window, const wchar_t* className) {
        wchar_t name[128] = {};
        ::GetClassNameW(window, name, 128);
        return ::lstrcmpW(name, className) == 0;
    }

    static std::wstring windowText(HWND window) {
        wchar_t text[512] = {};
        // A hung program answers nothing rather than hanging the caller.
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &length);
        return std::wstring(text, length);
    }

    // A control of another program keeps its items' texts in that program's memory: the message
    // goes with a copy of `io_block` placed there (`aim` points the block's own pointers into
    // the copy, given where it lies), and the copy is read back into io_block. False when the
    // memory could not be reached or the control answered 0 (the answer in o_answer).
    template <class Block, class Aim>
    static bool askWithBlock(HWND control, UINT message, WPARAM wParam, Block& io_block, Aim aim,
                             DWORD_PTR* o_answer = nullptr) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(control, &processId);
        HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (!process)
            return false;
        auto* remote = static_cast<Block*>(::VirtualAllocEx(process, nullptr, sizeof(Block), MEM_COMMIT, PAGE_READWRITE));
        if (remote)
            aim(io_block, remote);
        DWORD_PTR answered = 0;
        const bool read = remote && ::WriteProcessMemory(process, remote, &io_block, sizeof io_block, nullptr) &&
                          ::SendMessageTimeoutW(control, message, wParam, reinterpret_cast<LPARAM>(remote),
                                                SMTO_ABORTIFHUNG, 5000, &answered) &&
                          answered && ::ReadProcessMemory(process, remote, &io_block, sizeof io_block, nullptr);
        if (remote)
            ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        ::CloseHandle(process);
        if (o_answer)
            *o_answer = answered;
        return read;
    }

private:
    struct Search {
        const wchar_t* className;
        DWORD processId; // any when 0
        std::vector<HWND> found;
    };
    static BOOL CALLBACK collect(HWND window, LPARAM context) {
        auto& search = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (::IsWindowVisible(window) && (!search.processId || owner == search.processId) &&
            hasClass(window, search.className))
            search.found.push_back(window);
        return TRUE;
    }

    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
};

// The input state of the window's thread (its focus, capture, caret, active window and menu
// mode); all empty for no window, or when it cannot be read.
inline GUITHREADINFO threadInputOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = window ? ::GetWindowThreadProcessId(window, nullptr) : 0;
    if (!thread || !::GetGUIThreadInfo(thread, &info)) {
        info = {};
        info.cbSize = sizeof info;
    }
    return info;
}

// The system caret of the window's thread, in the client coordinates of its window; all -1 while
// the caret is another window's or none.
inline RECT caretOf(HWND window) {
    const GUITHREADINFO info = threadInputOf(window);
    return window && info.hwndCaret == window ? info.rcCaret : RECT{-1, -1, -1, -1};
}

// The pixels of a window's client area as the screen shows them, rows of 0x00RRGGBB.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    static int distance(uint32_t a, uint32_t b) {
        int largest = 0;
        for (int shift : {0, 8, 16}) {
            const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
            largest = d > largest ? d : largest;
        }
        return largest;
    }

    // Pixels of the rectangle (clipped to the capture) within `tolerance` of the colour on
    // every channel.
    int count(RECT rect, uint32_t colour, int tolerance = 0) const {
        int found = 0;
        for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < height; ++y)
            for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < width; ++x)
                found += distance(at(x, y), colour) <= tolerance;
        return found;
    }
    int count(uint32_t colour, int tolerance = 0) const { return count(RECT{0, 0, width, height}, colour, tolerance); }

    // The pixels of the rectangle, clipped to the capture.
    Capture part(RECT rect) const {
        Capture part;
        const int left = rect.left < 0 ? 0 : rect.left, top = rect.top < 0 ? 0 : rect.top;
        const int right = rect.right < width ? rect.right : width, bottom = rect.bottom < height ? rect.bottom : height;
        if (right <= left || bottom <= top)
            return part;
        part.width = right - left;
        part.height = bottom - top;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                part.pixels.push_back(at(x, y));
        return part;
    }

    // The colour most pixels of the rectangle have.
    uint32_t commonest(RECT rect) const {
        std::vector<std::pair<uint32_t, int>> seen;
        for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < height; ++y)
            for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < width; ++x) {
                auto it = seen.begin();
                while (it != seen.end() && it->first != at(x, y))
                    ++it;
                if (it == seen.end())
                    seen.emplace_back(at(x, y), 1);
                else
                    ++it->second;
            }
        std::pair<uint32_t, int> best{0, -1};
        for (const auto& entry : seen)
            best = entry.second > best.second ? entry : best;
        return best.first;
    }

    // Copies the client area from the screen: what the user sees, whichever process drew it.
    static Capture of(HWND window) { return of(window, RECT{0, 0, LONG_MAX, LONG_MAX}); }

    // Copies the part of the client area (client coordinates, clipped to it) from the screen; the
    // capture's (0, 0) is the part's top left. A small part costs a poll far less than the whole.
    static Capture of(HWND window, RECT part) {
        Capture capture;
        RECT client;
        POINT origin = {0, 0};
        if (!::GetClientRect(window, &client) || !::IntersectRect(&part, &part, &client) ||
            !::ClientToScreen(window, &origin))
            return capture;
        origin.x += part.left;
        origin.y += part.top;
        capture.width = part.right - part.left;
        capture.height = part.bottom - part.top;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = capture.width;
        info.bmiHeader.biHeight = -capture.height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, capture.width, capture.height, screen, origin.x, origin.y, SRCCOPY);
        ::GdiFlush();
        const auto* source = static_cast<const uint32_t*>(bits);
        capture.pixels.assign(source, source + static_cast<size_t>(capture.width) * capture.height);
        for (uint32_t& pixel : capture.pixels)
            pixel &= 0xFFFFFF;
        ::SelectObject(memory, previous);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return capture;
    }
};

} // namespace tessel_test
