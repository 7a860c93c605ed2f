#pragma once
// A 16 x 16 image list (32-bit colour) filled from icons, for the controls that show icons
// through one (trees, lists, tabs). It owns the list unless made over one it borrows.

#include "pel/base/Object.h"

#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

class afIcon;

class afIconList : public pel::Object {
public:
    afIconList();
    afIconList(HIMAGELIST list, bool owned) : m_list(list), m_owned(owned) {}
    ~afIconList() override;
    afIconList(const afIconList&) = delete;
    afIconList& operator=(const afIconList&) = delete;

    HIMAGELIST getHandle() const { return m_list; }
    // Appends a copy of the icon's image; its index in the list, or -1.
    int add(const afIcon& icon);
    // The icons added, in order.
    const std::vector<HICON>& getIcons() const { return m_icons; }

private:
    HIMAGELIST m_list = nullptr;
    bool m_owned = false;
    std::vector<HICON> m_icons;
};
