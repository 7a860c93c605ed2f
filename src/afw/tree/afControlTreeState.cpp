// Item paths made of the items' texts, and the expansion, selection and scroll position saved
// and restored by them.
#include "afw/tree/afControlTree.h"

#include "afw/tree/afControlTreeItem.h"

std::wstring afControlTree::getItemPath(afControlTreeItem* item) const {
    std::wstring path;
    for (; item; item = getParent(item))
        path.insert(0, L"\\" + getItemText(item));
    return path;
}

afControlTreeItem* afControlTree::findChildByText(afControlTreeItem* parent, const std::wstring& text) const {
    for (afControlTreeItem* child = getFirstChild(parent); child; child = getNextSibling(child))
        if (getItemText(child) == text)
            return child;
    return nullptr;
}

afControlTreeItem* afControlTree::findItemByPath(afControlTreeItem* start, const std::wstring& path) const {
    if (path.empty())
        return nullptr;
    afControlTreeItem* current = start;
    // Segments are the runs between backslashes; empty ones vanish.
    for (size_t at = 0; at < path.size();) {
        const size_t end = std::min(path.find(L'\\', at), path.size());
        if (end > at) {
            afControlTreeItem* child = findChildByText(current, path.substr(at, end - at));
            if (!child)
                break;
            current = child;
        }
        at = end + 1;
    }
    return current;
}

void afControlTree::saveState(afControlTreeState& state) const {
    state = afControlTreeState();
    state.firstVisible = getItemPath(getFirstVisible());
    state.selected = getItemPath(getSelectedItem());
    for (afControlTreeItem* item = getRoot(); item; item = getNextItem(item))
        if (isItemExpanded(item))
            state.expanded.push_back(getItemPath(item));
}

void afControlTree::restoreState(const afControlTreeState& state) {
    for (const std::wstring& path : state.expanded) {
        afControlTreeItem* item = findItemByPath(nullptr, path);
        if (!item)
            continue;
        // Expanding an expanded item would change nothing.
        if (hasChildren(item) && !(getItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED))
            expandKeepingTop(item, TVE_EXPAND);
        else
            item->setFlag(afControlTreeItem::FLAG_EXPANSION_PENDING, true);
    }
    selectItem(findItemByPath(nullptr, state.selected));
    scrollToTop(findItemByPath(nullptr, state.firstVisible));
}
