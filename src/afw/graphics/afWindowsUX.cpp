#include "afw/graphics/afWindowsUX.h"

#include "afw/core/afLog.h"
#include "afw/core/afServiceHooks.h"
#include "afw/core/afShell.h"
#include "pel/base/Assert.h"

#include <shlwapi.h>

namespace {

afWindowsUX* s_instance = nullptr;
bool s_untried = true;
bool s_skipExitRegistration = false;
afWindowsUX::Decision s_decision = afWindowsUX::DECIDE_BY_SYSTEM;
afWindowsUX::Resolver s_resolver = nullptr;

constexpr int kMenuPopupItem = 14;
constexpr int kContentMargins = 3602;
constexpr int kThemeIntProperty = 2403;

void logLine(const wchar_t* text) {
    pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"%s", text);
}

// The function of the visual-styles library, or null without the library or the export.
template <class Function>
Function lookUp(const afWindowsUX* ux, const char* name) {
    if (!ux || !ux->getModule())
        return nullptr;
    FARPROC function = s_resolver ? s_resolver(name) : nullptr;
    if (!function)
        function = ::GetProcAddress(ux->getModule(), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(function));
}

template <class Function, class... Arguments>
HRESULT callOrFail(const afWindowsUX* ux, const char* name, Arguments... arguments) {
    const Function function = lookUp<Function>(ux, name);
    return function ? function(arguments...) : E_FAIL;
}

void releaseOnExit(void* /*object*/, int /*argument*/) {
    afWindowsUX::release();
}

} // namespace

bool afWindowsUX::themingPossible(HMODULE library) {
    using Query = BOOL(WINAPI*)();
    const auto isAppThemed = reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(library, "IsAppThemed")));
    const auto isThemeActive =
        reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(library, "IsThemeActive")));
    if (!isAppThemed || !isThemeActive || !isAppThemed() || !isThemeActive())
        return false;
    logLine(L"afWindowsUX::getInstance(): Theme is active, and application is themed.\n");

    bool recent = false;
    if (HMODULE controls = ::LoadLibraryW(L"comctl32.dll")) {
        using GetVersion = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
        const auto getVersion =
            reinterpret_cast<GetVersion>(reinterpret_cast<void*>(::GetProcAddress(controls, "DllGetVersion")));
        DLLVERSIONINFO version = {};
        version.cbSize = sizeof version; // 20
        recent = getVersion && getVersion(&version) == S_OK && version.dwMajorVersion >= 6;
        ::FreeLibrary(controls);
    }
    if (recent)
        logLine(L"afWindowsUX::getInstance(): ComCtl32.DLL is available.\n");
    return recent;
}

afWindowsUX* afWindowsUX::getInstance() {
    if (!s_untried)
        return s_instance;
    s_untried = false;
    if (s_decision == FORCE_CLASSIC || (s_decision == DECIDE_BY_SYSTEM && !afIsWindowsXPOrLater())) {
        logLine(L"afWindowsUX::getInstance(): Theming is DISABLED.\n");
        return nullptr;
    }
    HMODULE library = ::LoadLibraryW(L"UxTheme.dll");
    const bool possible = library && (s_decision == FORCE_THEMED || themingPossible(library));
    if (!possible) {
        if (library)
            ::FreeLibrary(library);
        logLine(L"afWindowsUX::getInstance(): Theming is DISABLED.\n");
        return nullptr;
    }
    logLine(L"afWindowsUX::getInstance(): Theming is enabled.\n");
    s_instance = new afWindowsUX(library);
    if (!s_skipExitRegistration)
        afAddServiceExitCallback(nullptr, &releaseOnExit);
    return s_instance;
}

void afWindowsUX::release() {
    if (!s_instance)
        return;
    ::FreeLibrary(s_instance->m_module);
    delete s_instance;
    s_instance = nullptr;
}

void afWindowsUX::setSkipExitRegistration(bool skip) {
    s_skipExitRegistration = skip;
}

void afWindowsUX::resetForTesting(Decision decision) {
    release();
    s_decision = decision;
    s_untried = true;
}

void afWindowsUX::setResolverForTesting(Resolver resolver) {
    s_resolver = resolver;
}

HTHEME afWindowsUX::OpenThemeData(const afWindowsUX* ux, HWND window, const wchar_t* classList) {
    using Function = HTHEME(WINAPI*)(HWND, LPCWSTR);
    const Function function = lookUp<Function>(ux, "OpenThemeData");
    return function ? function(window, classList) : nullptr;
}

HRESULT afWindowsUX::CloseThemeData(const afWindowsUX* ux, HTHEME theme) {
    return callOrFail<HRESULT(WINAPI*)(HTHEME)>(ux, "CloseThemeData", theme);
}

HRESULT afWindowsUX::DrawThemeBackground(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                         const RECT* rect, const RECT* clip) {
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(
        ux, "DrawThemeBackground", theme, dc, part, state, rect, clip);
}

HRESULT afWindowsUX::DrawThemeText(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                   const wchar_t* text, int length, DWORD flags, const RECT* rect) {
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*)>(
        ux, "DrawThemeText", theme, dc, part, state, text, length, flags, DWORD(0), rect);
}

HRESULT afWindowsUX::DrawThemeParentBackground(const afWindowsUX* ux, HWND window, HDC dc, const RECT* rect) {
    return callOrFail<HRESULT(WINAPI*)(HWND, HDC, const RECT*)>(ux, "DrawThemeParentBackground", window, dc,
                                                                   rect);
}

HRESULT afWindowsUX::GetThemeBackgroundContentRect(const afWindowsUX* ux, HTHEME theme, HDC dc, int part,
                                                   int state, const RECT* bounds, RECT* o_content) {
    PEL_CHECK_PTR(o_content);
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*)>(
        ux, "GetThemeBackgroundContentRect", theme, dc, part, state, bounds, o_content);
}

HRESULT afWindowsUX::GetThemePartSize(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                      THEMESIZE kind, SIZE* o_size) {
    PEL_CHECK_PTR(o_size);
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*)>(
        ux, "GetThemePartSize", theme, dc, part, state, static_cast<const RECT*>(nullptr), kind, o_size);
}

HRESULT afWindowsUX::GetThemePartSize(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, SIZE* o_size) {
    return GetThemePartSize(ux, theme, dc, part, 0, TS_TRUE, o_size);
}

HRESULT afWindowsUX::GetThemeTextExtent(const afWindowsUX* ux, HTHEME theme, HDC dc, const wchar_t* text,
                                        int length, RECT* o_rect) {
    PEL_CHECK_PTR(o_rect);
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, const RECT*, RECT*)>(
        ux, "GetThemeTextExtent", theme, dc, kMenuPopupItem, 0, text, length, DWORD(DT_SINGLELINE),
        static_cast<const RECT*>(nullptr), o_rect);
}

HRESULT afWindowsUX::GetThemeMargins(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, MARGINS* o_margins) {
    PEL_CHECK_PTR(o_margins);
    return callOrFail<HRESULT(WINAPI*)(HTHEME, HDC, int, int, int, const RECT*, MARGINS*)>(
        ux, "GetThemeMargins", theme, dc, part, 0, kContentMargins, static_cast<const RECT*>(nullptr), o_margins);
}

HRESULT afWindowsUX::GetThemeInt(const afWindowsUX* ux, HTHEME theme, int part, int* o_value) {
    PEL_CHECK_PTR(o_value);
    return callOrFail<HRESULT(WINAPI*)(HTHEME, int, int, int, int*)>(ux, "GetThemeInt", theme, part, 0,
                                                                      kThemeIntProperty, o_value);
}

BOOL afWindowsUX::IsThemeBackgroundPartiallyTransparent(const afWindowsUX* ux, HTHEME theme, int part, int state) {
    return callOrFail<BOOL(WINAPI*)(HTHEME, int, int)>(ux, "IsThemeBackgroundPartiallyTransparent", theme, part,
                                                        state);
}

HRESULT afWindowsUX::SetWindowTheme(const afWindowsUX* ux, HWND window) {
    return callOrFail<HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR)>(ux, "SetWindowTheme", window, L"explorer",
                                                                 static_cast<LPCWSTR>(nullptr));
}
