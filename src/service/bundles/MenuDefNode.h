#pragma once
// One node of a bundle's menu definition: a separator, a submenu with its title and children,
// or an item naming a bundle item by the lower-case text of its UUID. The root is a submenu
// whose children are the menu's lines. Trees are built once (read from a bundle's "menu" list,
// or generated from its items) and then shared read-only; they carry no framework types, so the
// framework's menu definitions read them as they are (an item's UUID text is its action id).

#include <memory>
#include <string>
#include <vector>

namespace tessel {

struct MenuDefNode {
    bool isSeparator = false;
    bool isSubmenu = false;
    bool isItem = false;
    std::wstring title;                                       // submenus
    std::vector<std::shared_ptr<const MenuDefNode>> children; // submenus and the root
    std::wstring item;                                        // items: the UUID text, lower case
};

using MenuDefNodePtr = std::shared_ptr<const MenuDefNode>;

} // namespace tessel
