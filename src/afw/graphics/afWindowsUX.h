#pragma once
// Access to the visual styles. Whether controls are drawn themed is decided once per process:
// only when the application is themed, the theme is active and the common controls are of
// version 6 or later. While themed, the visual-styles library (loaded at run time, never
// imported) stays loaded. A null instance means: draw classic.
//
// Every wrapper takes the instance (null allowed) and the system function's arguments less the
// fixed ones; it looks the function up at each call, and without the library or the function
// answers E_FAIL (OpenThemeData: a null theme) without doing anything.

#include <windows.h>
// After windows.h, which it needs.
#include <uxtheme.h>

class afWindowsUX {
public:
    // The instance when themed drawing is possible; null for classic drawing.
    static afWindowsUX* getInstance();

    HMODULE getModule() const { return m_module; }

    static HTHEME OpenThemeData(const afWindowsUX* ux, HWND window, const wchar_t* classList);
    static HRESULT CloseThemeData(const afWindowsUX* ux, HTHEME theme);
    static HRESULT DrawThemeBackground(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                       const RECT* rect, const RECT* clip);
    static HRESULT DrawThemeText(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                 const wchar_t* text, int length, DWORD flags, const RECT* rect);
    static HRESULT DrawThemeParentBackground(const afWindowsUX* ux, HWND window, HDC dc, const RECT* rect);
    static HRESULT GetThemeBackgroundContentRect(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                                 const RECT* bounds, RECT* o_content);
    // Without a rectangle.
    static HRESULT GetThemePartSize(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, int state,
                                    THEMESIZE kind, SIZE* o_size);
    // State 0, the true size.
    static HRESULT GetThemePartSize(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, SIZE* o_size);
    // Of a menu item's text (part 14, state 0), on a single line, without bounds.
    static HRESULT GetThemeTextExtent(const afWindowsUX* ux, HTHEME theme, HDC dc, const wchar_t* text,
                                      int length, RECT* o_rect);
    // The content margins of the part in state 0.
    static HRESULT GetThemeMargins(const afWindowsUX* ux, HTHEME theme, HDC dc, int part, MARGINS* o_margins);
    // Property 2403 of the part in state 0.
    static HRESULT GetThemeInt(const afWindowsUX* ux, HTHEME theme, int part, int* o_value);
    static BOOL IsThemeBackgroundPartiallyTransparent(const afWindowsUX* ux, HTHEME theme, int part, int state);
    // The explorer's look for the window.
    static HRESULT SetWindowTheme(const afWindowsUX* ux, HWND window);

    // Frees the library and ends the instance; the decision stays made (classic from then on).
    // The service root's exit list calls it.
    static void release();

    // Set before the first getInstance: its release is not handed to the service root.
    static void setSkipExitRegistration(bool skip);

    // Tests: how the next decision goes. Releases any instance and lets getInstance decide again.
    enum Decision { DECIDE_BY_SYSTEM, FORCE_CLASSIC, FORCE_THEMED };
    static void resetForTesting(Decision decision);
    // Tests: a stand-in for the library's functions. While set, the wrappers of a themed instance
    // call what it answers for a function's name (null: the library's own). Null ends it.
    using Resolver = FARPROC (*)(const char* name);
    static void setResolverForTesting(Resolver resolver);

private:
    explicit afWindowsUX(HMODULE module) : m_module(module) {}
    static bool themingPossible(HMODULE library);

    HMODULE m_module;
};
