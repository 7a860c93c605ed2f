#pragma once
// Menus as the user sees them, for the menu tests: the lines' titles with the states the Win32
// menu shows.

#include "afw/menu/afMenu.h"

#include <string>

namespace tessel_test {

inline bool win32Enabled(const afMenu& menu, size_t position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    ::GetMenuItemInfoW(menu.getHandle(), static_cast<UINT>(position), TRUE, &info);
    return (info.fState & MFS_DISABLED) == 0;
}

// "-" for a separator, "[title]" for a line shown disabled, a submenu's lines in braces after
// its title; lines apart by "|".
inline std::wstring linesOf(const afMenu& menu) {
    std::wstring text;
    for (size_t i = 0; i < menu.getChildren().size(); ++i) {
        const afMenuNode* node = menu.getChildren()[i];
        text += text.empty() ? L"" : L"|";
        if (node->getKind() == afMenuNode::KIND_SEPARATOR)
            text += L"-";
        else if (node->getKind() == afMenuNode::KIND_MENU)
            text += node->getTitle() + L"{" + linesOf(*static_cast<const afMenu*>(node)) + L"}";
        else
            text += win32Enabled(menu, i) ? node->getTitle() : L"[" + node->getTitle() + L"]";
    }
    return text;
}

// Moves the pointer to the screen's bottom-right corner before a menu opens: a menu shown under
// the pointer takes the line it points at, and the keys a test feeds it would start from there.
inline void parkPointerForMenu() {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

} // namespace tessel_test
