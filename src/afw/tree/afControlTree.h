#pragma once
// The common tree view with an object per node (afControlTreeItem): owners attach data and
// icons, and hear of selection, expansion (filling lazy children), renaming and naming of new
// items in place, activation, context menus, check boxes and drags through delegates. An empty
// tree shows a placeholder text. Expansion, selection and scroll position are saved and
// restored by item paths made of the items' texts.

#include "afw/control/afControl.h"
#include "afw/core/afDelegate.h"
#include "afw/data/afDataObject.h"
#include "afw/data/afDropAction.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>

class afControlTreeInplaceEdit;
class afControlTreeItem;

// Paths of the expanded items, the first visible and the selected item.
struct afControlTreeState {
    std::vector<std::wstring> expanded;
    std::wstring firstVisible;
    std::wstring selected;
};

class afControlTree : public afControl {
public:
    using ItemCall = afDelegate<void(afControlTreeItem*)>;
    using ItemQuery = afDelegate<bool(afControlTreeItem*)>;
    // (item, new text, cancelled) -> accepted.
    using EditDecision = afDelegate<bool(afControlTreeItem*, const std::wstring&, bool)>;
    // The owner's delegates; an empty one is never called.
    struct Delegates {
        ItemCall itemDeleted;
        ItemCall selectionChanged;
        ItemCall editBegins;
        ItemCall editEnds;
        ItemQuery canRename;
        afDelegate<bool(afControlTreeItem*, bool)> expanding; // (item, expanding) -> false vetoes
        EditDecision rename;
        EditDecision nameNewItem; // also what allows editing new items
        afDelegate<void(afControlTreeItem*, int, int)> contextMenu; // item or null, screen point
        afDelegate<void(afControlTreeItem*, bool)> checkChanged;
        ItemQuery activate;
        // (item, x, y, in-out allowed actions) -> the data to drag, or null.
        afDelegate<afDataObject*(afControlTreeItem*, int, int, uint32_t&)> beginDrag;
        afDelegate<void(afControlTreeItem*, afDataObject*, afDropAction)> dragFinished;
    };
    // <0, 0, >0 as the first item sorts before, with or after the second.
    using Comparator = afDelegate<int(afControlTreeItem*, afControlTreeItem*)>;

    static constexpr UINT EMPTY_TEXT_FORMAT = DT_CENTER | DT_VCENTER | DT_WORDBREAK; // 0x15
    static constexpr UINT ACTIVATE_HITS = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMRIGHT; // 0x26

    // Null for a null parent; the indent starts at its minimum.
    static afControlTree* createInstance(afViewPlatform* parent);
    explicit afControlTree(afViewPlatform* host);
    // Deletes every item object (and owned data) while the tree view still reports them.
    ~afControlTree() override;

    Delegates& delegates() { return m_delegates; }

    // ---- Items (a null parent is the top level)
    afControlTreeItem* insertItem(afControlTreeItem* parent, const std::wstring& text);
    void removeItem(afControlTreeItem* item);
    void removeAllItems();
    afControlTreeItem* getItem(HTREEITEM handle) const;
    afControlTreeItem* getRoot() const { return related(nullptr, TVGN_ROOT); }
    afControlTreeItem* getFirstChild(afControlTreeItem* item) const;
    afControlTreeItem* getNextSibling(afControlTreeItem* item) const;
    afControlTreeItem* getParent(afControlTreeItem* item) const;
    afControlTreeItem* getFirstVisible() const { return related(nullptr, TVGN_FIRSTVISIBLE); }
    afControlTreeItem* getSelectedItem() const { return related(nullptr, TVGN_CARET); }
    // Pre-order successor; null at the end.
    afControlTreeItem* getNextItem(afControlTreeItem* item) const;
    void selectItem(afControlTreeItem* item);
    void setDropHighlight(afControlTreeItem* item);
    void scrollToTop(afControlTreeItem* item);
    void ensureVisible(afControlTreeItem* item);
    // Client coordinates.
    afControlTreeItem* hitTest(POINT point, UINT* o_flags = nullptr) const;
    std::wstring getItemText(afControlTreeItem* item) const;
    void setItemText(afControlTreeItem* item, const std::wstring& text);
    void setItemImage(afControlTreeItem* item, int image);
    void setItemBold(afControlTreeItem* item, bool bold);
    bool isItemChecked(afControlTreeItem* item) const;
    void setItemChecked(afControlTreeItem* item, bool checked);
    void toggleItemChecked(afControlTreeItem* item);
    bool isItemExpanded(afControlTreeItem* item) const;
    // Without children only the pending flag; otherwise the view keeps its first visible item.
    void expandItem(afControlTreeItem* item, bool expand);
    void setItemHeight(int height);
    // owned: destroyed with the tree or when replaced.
    void setImageList(HIMAGELIST list, bool owned);
    void sortChildren(afControlTreeItem* parent, const Comparator& comparator);
    void setEmptyText(const std::wstring& text);
    void setShowEmpty(bool empty);
    bool isShowingEmpty() const { return m_empty; }
    void reserveIconSlots();
    int getItemCount() const { return m_itemCount; }
    // Starts editing the item's label in place.
    void editItem(afControlTreeItem* item);
    bool isEditing() const;
    // TVM_GETITEMRECT: the row, or with textOnly the label; false when the item is not shown.
    bool getItemRect(afControlTreeItem* item, bool textOnly, RECT* o_rect) const;

    // ---- Paths and state
    // The texts from the top level down, each after a backslash.
    std::wstring getItemPath(afControlTreeItem* item) const;
    afControlTreeItem* findChildByText(afControlTreeItem* parent, const std::wstring& text) const;
    // The deepest item the path reaches from start (null: the top level); null for an empty path.
    afControlTreeItem* findItemByPath(afControlTreeItem* start, const std::wstring& path) const;
    void saveState(afControlTreeState& state) const;
    void restoreState(const afControlTreeState& state);

    // ---- Widget slots
    const wchar_t* getContextKey() const override { return L"ui.tree"; }
    bool buildSeed(afSeed& seed) override;
    void onCreate() override;
    bool onKeyDown(afKeyEvent& event) override;
    bool onDraw(afCanvas& canvas, const afRect* area) override;
    // The tree view's own painting over its background: it draws only its rows' labels,
    // so whatever lay beside and below them would stay on the screen.
    void printClient(afCanvas& canvas) override;
    bool onRawMessage(afMessage& msg) override;
    bool onReflectedMessage(afMessage& msg) override;

private:
    afControlTreeItem* related(afControlTreeItem* item, UINT relation) const;
    // The tree view's own handle of the relation, without the item object.
    HTREEITEM relatedHandle(HTREEITEM item, UINT relation) const;
    bool hasChildren(afControlTreeItem* item) const;
    // Sets the fields the mask names on the item's platform record; nothing for a null item.
    void setItemFields(afControlTreeItem* item, TVITEMW& io_fields);
    void setChildrenFlag(afControlTreeItem* item, bool children);
    void setItemState(afControlTreeItem* item, UINT mask, UINT state);
    UINT getItemState(afControlTreeItem* item, UINT mask) const;
    void expandKeepingTop(afControlTreeItem* item, UINT action);
    void itemDeleted(afControlTreeItem* item);
    void showEmpty(bool empty);

    // Notifications.
    LRESULT beginEdit(afControlTreeItem* item);
    bool endEdit(afControlTreeItem* item, const std::wstring& text, bool cancelled);
    void beginDrag(const NMTREEVIEWW& info);
    void reportCheckToggle(afControlTreeItem* item);
    void contextMenu();
    LRESULT customDraw(NMTVCUSTOMDRAW& draw);
    void drawItemIcons(HDC dc, afControlTreeItem* item);
    static int CALLBACK compareItems(LPARAM first, LPARAM second, LPARAM comparator);

    Delegates m_delegates;
    std::wstring m_emptyText;
    bool m_empty = true;
    HIMAGELIST m_imageList = nullptr;
    bool m_ownsImageList = false;
    int m_reservedIconSlots = 0;
    afControlTreeInplaceEdit* m_edit = nullptr;
    bool m_removing = false;
    // The item whose label is being edited: the tree view may report an edit's end twice.
    afControlTreeItem* m_editing = nullptr;
    int m_itemCount = 0;
};
