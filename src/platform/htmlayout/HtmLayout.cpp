// htmlayout.dll: the HTML view's window class and its document load (see HtmLayoutApi.h).

#include "platform/htmlayout/HtmLayoutApi.h"
#include "platform/htmlayout/HtmlText.h"

#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* kClassName = L"HTMLayoutTextView";
constexpr int kMargin = 8;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;

// The module the view's class belongs to: this DLL.
HINSTANCE thisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

std::wstring* documentOf(HWND window) {
    return reinterpret_cast<std::wstring*>(::GetWindowLongPtrW(window, 0));
}

void paint(HWND window, HDC dc) {
    RECT client;
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    if (const std::wstring* text = documentOf(window)) {
        HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkMode(dc, TRANSPARENT);
        RECT inner = {client.left + kMargin, client.top + kMargin, client.right - kMargin, client.bottom - kMargin};
        if (!text->empty() && inner.right > inner.left && inner.bottom > inner.top)
            ::DrawTextW(dc, text->c_str(), static_cast<int>(text->size()), &inner, kTextFormat);
        ::SelectObject(dc, oldFont);
    }
}

LRESULT CALLBACK viewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        paint(window, ::BeginPaint(window, &ps));
        ::EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting fills the whole client area
    case WM_SIZE:
        ::InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_NCDESTROY:
        delete documentOf(window);
        ::SetWindowLongPtrW(window, 0, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool isView(HWND window) {
    wchar_t name[64];
    return window && ::GetClassNameW(window, name, 64) && std::wcscmp(name, kClassName) == 0;
}

} // namespace

extern "C" LPCWSTR WINAPI HTMLayoutClassNameW() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW record = {};
        record.cbSize = sizeof record;
        record.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
        record.lpfnWndProc = &viewProc;
        record.cbWndExtra = sizeof(LONG_PTR);
        record.hInstance = thisModule();
        record.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        record.lpszClassName = kClassName;
        registered = ::RegisterClassExW(&record) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    return kClassName;
}

extern "C" BOOL WINAPI HTMLayoutLoadHtml(HWND window, const BYTE* bytes, UINT length) {
    if (!isView(window) || (!bytes && length) || length > htmlayout::MAX_DOCUMENT_BYTES)
        return FALSE;
    try {
        auto* text = new std::wstring(htmlayout::documentText(bytes, length));
        delete documentOf(window);
        ::SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(text));
    } catch (...) {
        return FALSE; // out of memory: the previous document stays
    }
    ::InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}
