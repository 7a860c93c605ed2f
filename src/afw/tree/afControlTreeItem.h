#pragma once
// The object behind one node of a tree control: the owner's data (owned or borrowed), small
// icons drawn at the right of the row, and the node's flags. The tree view item's lParam points
// back at it; the tree deletes it when the tree view deletes the item.

#include "pel/base/Object.h"
#include "service/base/error/TaggedObject.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class afControlTree;
class afIcon;

class afControlTreeItem : public tessel::TaggedObject {
public:
    enum Flag : uint32_t {
        FLAG_NEW = 0x1,               // inserted for naming: waits for its first name
        FLAG_OWNED_DATA = 0x2,        // the data is deleted with the item or when replaced
        FLAG_EXPANSION_PENDING = 0x4, // counts as expanded although it has no children yet
    };

    explicit afControlTreeItem(afControlTree* tree) : m_tree(tree) {}
    // Deletes owned data.
    ~afControlTreeItem() override;
    afControlTreeItem(const afControlTreeItem&) = delete;
    afControlTreeItem& operator=(const afControlTreeItem&) = delete;

    afControlTree* getTree() const { return m_tree; }
    HTREEITEM getHandle() const { return m_handle; }
    void setHandle(HTREEITEM handle) { m_handle = handle; }
    uint32_t getFlags() const { return m_flags; }
    bool hasFlag(Flag flag) const { return (m_flags & flag) != 0; }
    void setFlag(Flag flag, bool on) { m_flags = on ? m_flags | flag : m_flags & ~flag; }
    bool isNew() const { return hasFlag(FLAG_NEW); }

    pel::Object* getData() const { return m_data; }
    // Deletes an owned previous object.
    void setData(pel::Object* data, bool owned);
    // Borrowed icons, drawn in order; the row is repainted.
    void addIcon(const afIcon* icon);
    const std::vector<const afIcon*>* getIcons() const { return m_icons.get(); }

    // Through the tree.
    std::wstring getText() const;
    void setText(const std::wstring& text);
    afControlTreeItem* getParent() const;
    void setBold(bool bold);
    void ensureVisible();

private:
    std::unique_ptr<std::vector<const afIcon*>> m_icons;
    pel::Object* m_data = nullptr;
    uint32_t m_flags = 0;
    afControlTree* m_tree;
    HTREEITEM m_handle = nullptr;
};
