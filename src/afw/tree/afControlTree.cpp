#include "afw/tree/afControlTree.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/core/afExceptionBoundary.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/tree/afControlTreeInplaceEdit.h"
#include "afw/tree/afControlTreeItem.h"

#include <cstring>

namespace {
constexpr int kTextBuffer = 260;

HTREEITEM handleOf(const afControlTreeItem* item) {
    return item ? item->getHandle() : nullptr;
}
} // namespace

afControlTree* afControlTree::createInstance(afViewPlatform* parent) {
    afControlTree* tree = afCreateWidget<afControlTree>(parent);
    if (tree)
        ::SendMessageW(tree->getHandle(), TVM_SETINDENT, 0, 0);
    return tree;
}

afControlTree::afControlTree(afViewPlatform* host) : afControl(host) {
    // The background and the rows go to the screen together: a repaint never shows one alone.
    setPaintFlags(getPaintFlags() | PAINT_BUFFERED);
}

afControlTree::~afControlTree() {
    // The window outlives this part of the object: its items go while they still reach here.
    if (getHandle())
        removeAllItems();
    if (m_ownsImageList && m_imageList)
        ::ImageList_Destroy(m_imageList);
}

bool afControlTree::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.style |= TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS;
    seed.className = WC_TREEVIEWW;
    return true;
}

void afControlTree::onCreate() {
    afControl::onCreate();
    ::SendMessageW(getHandle(), CCM_SETVERSION, 6, 0);
    if (const afWindowsUX* ux = afWindowsUX::getInstance())
        afWindowsUX::SetWindowTheme(ux, getHandle());
    if (!m_edit) {
        m_edit = new afControlTreeInplaceEdit(this);
        addView(m_edit);
    }
}

// ---- Items

afControlTreeItem* afControlTree::insertItem(afControlTreeItem* parent, const std::wstring& text) {
    auto* item = new afControlTreeItem(this);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent->getHandle() : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(item);
    const bool firstChild = parent && !hasChildren(parent);
    auto* handle = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(getHandle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!handle) {
        delete item;
        return nullptr;
    }
    item->setHandle(handle);
    if (++m_itemCount == 1)
        showEmpty(false);
    // A parent with children already shows its button.
    if (firstChild) {
        setChildrenFlag(parent, true);
        if (parent->hasFlag(afControlTreeItem::FLAG_EXPANSION_PENDING))
            ::SendMessageW(getHandle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent->getHandle()));
    }
    return item;
}

void afControlTree::removeItem(afControlTreeItem* item) {
    if (!item)
        return;
    afControlTreeItem* parent = getParent(item);
    // The count drops per deletion notice: one comes for each child too.
    ::SendMessageW(getHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item->getHandle()));
    if (parent && !hasChildren(parent))
        setChildrenFlag(parent, false);
}

void afControlTree::removeAllItems() {
    ::SendMessageW(getHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    if (m_itemCount != 0) {
        m_itemCount = 0;
        showEmpty(true);
    }
}

void afControlTree::itemDeleted(afControlTreeItem* item) {
    if (item == m_editing)
        m_editing = nullptr;
    if (m_delegates.itemDeleted)
        m_delegates.itemDeleted(item);
    delete item;
    if (m_itemCount > 0 && --m_itemCount == 0)
        showEmpty(true);
}

void afControlTree::showEmpty(bool empty) {
    if (empty == m_empty)
        return;
    m_empty = empty;
    invalidate();
}

afControlTreeItem* afControlTree::getItem(HTREEITEM handle) const {
    if (!handle || !getHandle())
        return nullptr;
    TVITEMW item = {};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = handle;
    if (!::SendMessageW(getHandle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<afControlTreeItem*>(item.lParam);
}

HTREEITEM afControlTree::relatedHandle(HTREEITEM item, UINT relation) const {
    if (!getHandle())
        return nullptr;
    return reinterpret_cast<HTREEITEM>(::SendMessageW(getHandle(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool afControlTree::hasChildren(afControlTreeItem* item) const {
    return relatedHandle(item->getHandle(), TVGN_CHILD) != nullptr;
}

afControlTreeItem* afControlTree::related(afControlTreeItem* item, UINT relation) const {
    return getItem(relatedHandle(handleOf(item), relation));
}

afControlTreeItem* afControlTree::getFirstChild(afControlTreeItem* item) const {
    return item ? related(item, TVGN_CHILD) : getRoot();
}

afControlTreeItem* afControlTree::getNextSibling(afControlTreeItem* item) const {
    return item ? related(item, TVGN_NEXT) : nullptr;
}

afControlTreeItem* afControlTree::getParent(afControlTreeItem* item) const {
    return item ? related(item, TVGN_PARENT) : nullptr;
}

afControlTreeItem* afControlTree::getNextItem(afControlTreeItem* item) const {
    if (afControlTreeItem* child = getFirstChild(item))
        return child;
    for (; item; item = getParent(item))
        if (afControlTreeItem* sibling = getNextSibling(item))
            return sibling;
    return nullptr;
}

void afControlTree::selectItem(afControlTreeItem* item) {
    ::SendMessageW(getHandle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(handleOf(item)));
}

void afControlTree::setDropHighlight(afControlTreeItem* item) {
    ::SendMessageW(getHandle(), TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(handleOf(item)));
}

void afControlTree::scrollToTop(afControlTreeItem* item) {
    ::SendMessageW(getHandle(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(handleOf(item)));
}

void afControlTree::ensureVisible(afControlTreeItem* item) {
    if (item)
        ::SendMessageW(getHandle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item->getHandle()));
}

afControlTreeItem* afControlTree::hitTest(POINT point, UINT* o_flags) const {
    TVHITTESTINFO info = {};
    info.pt = point;
    auto* handle = reinterpret_cast<HTREEITEM>(::SendMessageW(getHandle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (o_flags)
        *o_flags = info.flags;
    return getItem(handle);
}

std::wstring afControlTree::getItemText(afControlTreeItem* item) const {
    if (!item)
        return std::wstring();
    wchar_t buffer[kTextBuffer] = {};
    TVITEMW info = {};
    info.mask = TVIF_TEXT | TVIF_HANDLE;
    info.hItem = item->getHandle();
    info.pszText = buffer;
    info.cchTextMax = kTextBuffer;
    if (!::SendMessageW(getHandle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info)))
        return std::wstring();
    return info.pszText ? std::wstring(info.pszText) : std::wstring();
}

void afControlTree::setItemFields(afControlTreeItem* item, TVITEMW& io_fields) {
    if (!item)
        return;
    io_fields.mask |= TVIF_HANDLE;
    io_fields.hItem = item->getHandle();
    ::SendMessageW(getHandle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&io_fields));
}

void afControlTree::setItemText(afControlTreeItem* item, const std::wstring& text) {
    TVITEMW fields = {};
    fields.mask = TVIF_TEXT;
    fields.pszText = const_cast<wchar_t*>(text.c_str());
    setItemFields(item, fields);
}

void afControlTree::setItemImage(afControlTreeItem* item, int image) {
    TVITEMW fields = {};
    fields.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    fields.iImage = fields.iSelectedImage = image;
    setItemFields(item, fields);
}

void afControlTree::setChildrenFlag(afControlTreeItem* item, bool children) {
    TVITEMW fields = {};
    fields.mask = TVIF_CHILDREN;
    fields.cChildren = children ? 1 : 0;
    setItemFields(item, fields);
}

void afControlTree::setItemState(afControlTreeItem* item, UINT mask, UINT state) {
    TVITEMW fields = {};
    fields.mask = TVIF_STATE;
    fields.stateMask = mask;
    fields.state = state;
    setItemFields(item, fields);
}

UINT afControlTree::getItemState(afControlTreeItem* item, UINT mask) const {
    if (!item)
        return 0;
    return static_cast<UINT>(
        ::SendMessageW(getHandle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item->getHandle()), mask));
}

void afControlTree::setItemBold(afControlTreeItem* item, bool bold) {
    setItemState(item, TVIS_BOLD, bold ? TVIS_BOLD : 0);
}

bool afControlTree::isItemChecked(afControlTreeItem* item) const {
    return item && (getItemState(item, TVIS_STATEIMAGEMASK) >> 12) != 1;
}

void afControlTree::setItemChecked(afControlTreeItem* item, bool checked) {
    setItemState(item, TVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1));
}

void afControlTree::toggleItemChecked(afControlTreeItem* item) {
    setItemChecked(item, (getItemState(item, TVIS_STATEIMAGEMASK) >> 12) == 1);
}

bool afControlTree::isItemExpanded(afControlTreeItem* item) const {
    if (!item)
        return false;
    if (!hasChildren(item))
        return item->hasFlag(afControlTreeItem::FLAG_EXPANSION_PENDING);
    return (getItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void afControlTree::expandKeepingTop(afControlTreeItem* item, UINT action) {
    HTREEITEM top = relatedHandle(nullptr, TVGN_FIRSTVISIBLE);
    if (::SendMessageW(getHandle(), TVM_EXPAND, action, reinterpret_cast<LPARAM>(item->getHandle())) && top &&
        relatedHandle(nullptr, TVGN_FIRSTVISIBLE) != top)
        ::SendMessageW(getHandle(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(top));
}

void afControlTree::expandItem(afControlTreeItem* item, bool expand) {
    if (!item)
        return;
    if (!hasChildren(item))
        item->setFlag(afControlTreeItem::FLAG_EXPANSION_PENDING, expand);
    else
        expandKeepingTop(item, expand ? TVE_EXPAND : TVE_COLLAPSE);
}

void afControlTree::setItemHeight(int height) {
    ::SendMessageW(getHandle(), TVM_SETITEMHEIGHT, height, 0);
}

void afControlTree::setImageList(HIMAGELIST list, bool owned) {
    if (m_ownsImageList && m_imageList && m_imageList != list)
        ::ImageList_Destroy(m_imageList);
    m_imageList = list;
    m_ownsImageList = owned;
    ::SendMessageW(getHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

int CALLBACK afControlTree::compareItems(LPARAM first, LPARAM second, LPARAM comparator) {
    // Called by the tree view: no exception may leave.
    int result = 0;
    afGuard([&] {
        if (first && second)
            result = (*reinterpret_cast<const Comparator*>(comparator))(reinterpret_cast<afControlTreeItem*>(first),
                                                                        reinterpret_cast<afControlTreeItem*>(second));
        else
            result = first < second ? -1 : first > second ? 1 : 0;
    });
    return result;
}

void afControlTree::sortChildren(afControlTreeItem* parent, const Comparator& comparator) {
    if (!comparator)
        return;
    TVSORTCB sort = {};
    sort.hParent = parent ? parent->getHandle() : TVI_ROOT;
    sort.lpfnCompare = &afControlTree::compareItems;
    sort.lParam = reinterpret_cast<LPARAM>(&comparator);
    ::SendMessageW(getHandle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void afControlTree::setEmptyText(const std::wstring& text) {
    m_emptyText = text;
    if (m_empty)
        invalidate();
}

void afControlTree::setShowEmpty(bool empty) {
    m_empty = empty;
    invalidate();
}

void afControlTree::reserveIconSlots() {
    m_reservedIconSlots = 2;
    invalidate();
}

void afControlTree::editItem(afControlTreeItem* item) {
    if (item)
        ::SendMessageW(getHandle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item->getHandle()));
}

bool afControlTree::isEditing() const {
    return m_edit && m_edit->getHandle();
}

bool afControlTree::getItemRect(afControlTreeItem* item, bool textOnly, RECT* o_rect) const {
    if (!item || !getHandle())
        return false;
    // The message takes the item's handle in the rectangle it fills.
    const HTREEITEM handle = item->getHandle();
    std::memcpy(o_rect, &handle, sizeof handle);
    return ::SendMessageW(getHandle(), TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(o_rect)) != 0;
}
