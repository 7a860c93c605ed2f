// The least a program must do to show a text file: read it whole, decode its UTF-8, index its
// lines, and paint the first screenful with ExtTextOutW in a plain window (class "BareWindow").
// The reference that Tessel's start and open figures are measured beside.
//
// bare_window.exe FILE

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

struct Text {
    std::wstring characters;
    std::vector<size_t> lineStarts; // the offset of each line's first character
};

Text g_text;
HFONT g_font = nullptr;

bool load(const wchar_t* path, Text& text) {
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    ::GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    const bool read = bytes.empty() || (::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                                        got == bytes.size());
    ::CloseHandle(file);
    if (!read)
        return false;
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    text.characters.resize(length);
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text.characters[0], length);
    std::string().swap(bytes);
    text.lineStarts.push_back(0);
    for (size_t i = 0; i < text.characters.size(); ++i)
        if (text.characters[i] == L'\n')
            text.lineStarts.push_back(i + 1);
    return true;
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window, &ps);
    RECT client;
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HGDIOBJ previous = ::SelectObject(dc, g_font);
    TEXTMETRICW metrics;
    ::GetTextMetricsW(dc, &metrics);
    ::SetTextColor(dc, RGB(0x1F, 0x1F, 0x1F));
    ::SetBkMode(dc, TRANSPARENT);
    const size_t lines = g_text.lineStarts.size();
    for (size_t line = 0; line < lines && static_cast<LONG>(line * metrics.tmHeight) < client.bottom; ++line) {
        size_t start = g_text.lineStarts[line];
        size_t end = line + 1 < lines ? g_text.lineStarts[line + 1] : g_text.characters.size();
        while (end > start && (g_text.characters[end - 1] == L'\n' || g_text.characters[end - 1] == L'\r'))
            --end;
        // A screen shows a few hundred characters of a line at most.
        const UINT count = static_cast<UINT>(end - start < 512 ? end - start : 512);
        ::ExtTextOutW(dc, 4, static_cast<int>(line * metrics.tmHeight), 0, nullptr, g_text.characters.data() + start,
                      count, nullptr);
    }
    ::SelectObject(dc, previous);
    ::EndPaint(window, &ps);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int main() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (count < 2 || !load(arguments[1], g_text))
        return 2;
    // Tessel's editor font at its default size: 10 points at 96 dots per inch.
    g_font = ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"DejaVu Sans Mono");
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &windowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"BareWindow";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowExW(0, L"BareWindow", arguments[1], WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    800, 600, nullptr, nullptr, windowClass.hInstance, nullptr);
    ::ShowWindow(window, SW_SHOW);
    ::UpdateWindow(window);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DeleteObject(g_font);
    return 0;
}
