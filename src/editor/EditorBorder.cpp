// The editor's border drawn as the visual style's edit frame, when the widget has a border and
// the style's "EDIT" class opens; otherwise the standard non-client processing runs.
#include "editor/Editor.h"

#include "afw/graphics/afWindowsUX.h"

#include <algorithm>

namespace tessel {

namespace {

// The open "EDIT" theme data for the window, closed with the holder.
class EditTheme {
public:
    explicit EditTheme(HWND window)
        : m_ux(afWindowsUX::getInstance()), m_theme(afWindowsUX::OpenThemeData(m_ux, window, L"EDIT")) {}
    ~EditTheme() {
        if (m_theme)
            afWindowsUX::CloseThemeData(m_ux, m_theme);
    }
    EditTheme(const EditTheme&) = delete;
    EditTheme& operator=(const EditTheme&) = delete;

    explicit operator bool() const { return m_theme != nullptr; }
    const afWindowsUX* ux() const { return m_ux; }
    HTHEME theme() const { return m_theme; }

private:
    const afWindowsUX* m_ux;
    HTHEME m_theme;
};

constexpr int EDIT_TEXT = 1;
constexpr int EDIT_NORMAL = 1;

} // namespace

bool Editor::themedBorder(afMessage& msg) {
    if (!hasBorder() || !afWindowsUX::getInstance())
        return false;
    EditTheme edit(msg.window);
    if (!edit)
        return false;
    if (msg.message == WM_NCCALCSIZE) {
        RECT* bounds = msg.wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(msg.lParam)->rgrc[0]
                                  : reinterpret_cast<RECT*>(msg.lParam);
        const RECT window = *bounds;
        RECT content = window;
        if (FAILED(afWindowsUX::GetThemeBackgroundContentRect(edit.ux(), edit.theme(), nullptr, EDIT_TEXT,
                                                              EDIT_NORMAL, &window, &content)))
            return false;
        msg.result = defaultProc(msg);
        // The client starts one pixel inside the themed content rectangle.
        bounds->left = std::max(bounds->left, content.left + 1);
        bounds->top = std::max(bounds->top, content.top + 1);
        bounds->right = std::max(bounds->left, std::min(bounds->right, content.right - 1));
        bounds->bottom = std::max(bounds->top, std::min(bounds->bottom, content.bottom - 1));
        return true;
    }
    defaultProc(msg);
    HDC dc = ::GetWindowDC(msg.window);
    if (!dc)
        return false;
    const int saved = ::SaveDC(dc);
    RECT window, client;
    ::GetWindowRect(msg.window, &window);
    ::GetClientRect(msg.window, &client);
    ::MapWindowPoints(msg.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ::OffsetRect(&client, -window.left, -window.top);
    ::OffsetRect(&window, -window.left, -window.top);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (afWindowsUX::IsThemeBackgroundPartiallyTransparent(edit.ux(), edit.theme(), EDIT_TEXT, EDIT_NORMAL))
        afWindowsUX::DrawThemeParentBackground(edit.ux(), msg.window, dc, &window);
    afWindowsUX::DrawThemeBackground(edit.ux(), edit.theme(), dc, EDIT_TEXT, EDIT_NORMAL, &window, nullptr);
    ::RestoreDC(dc, saved);
    ::ReleaseDC(msg.window, dc);
    msg.result = 0;
    return true;
}

} // namespace tessel
