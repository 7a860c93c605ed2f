// What the tree view reports to its parent, its keys and raw messages, and its painting: the
// placeholder of an empty tree and the icons at the right of the rows.
#include "afw/tree/afControlTree.h"

#include "afw/data/afDataObject.h"
#include "afw/data/afDropSource.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/tree/afControlTreeInplaceEdit.h"
#include "afw/tree/afControlTreeItem.h"

#include <algorithm>
#include <memory>

namespace {
constexpr int kWindowColour = 26;
constexpr int kGreyTextColour = 9;
constexpr int kEmptyInset = 20;
constexpr double kEmptyDrop = 0.236;
constexpr int kIconSize = 16;
constexpr uint32_t kDragEffects = 0x1C; // copy, move and link

POINT messagePoint() {
    const DWORD position = ::GetMessagePos();
    return {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
}
} // namespace

bool afControlTree::onReflectedMessage(afMessage& msg) {
    if (msg.message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(msg.lParam);
    switch (header->code) {
    case TVN_DELETEITEMW:
        itemDeleted(reinterpret_cast<afControlTreeItem*>(reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.lParam));
        msg.result = 0;
        return true;
    case TVN_SELCHANGEDW:
        if (!m_delegates.selectionChanged)
            return false;
        m_delegates.selectionChanged(getItem(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem));
        msg.result = 0;
        return true;
    case TVN_BEGINLABELEDITW:
        msg.result = beginEdit(getItem(reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem));
        return true;
    case TVN_ENDLABELEDITW: {
        msg.result = 0;
        if (m_removing || !m_editing)
            return true;
        const TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
        afControlTreeItem* edited = m_editing;
        m_editing = nullptr;
        const std::wstring text = item.pszText ? item.pszText : L"";
        if (endEdit(edited, text, !item.pszText))
            setItemText(edited, text);
        m_edit->release();
        // Answered 0: the text is the tree's to set, never the view's.
        return true;
    }
    case TVN_BEGINDRAGW:
        beginDrag(*reinterpret_cast<NMTREEVIEWW*>(header));
        msg.result = 0;
        return true;
    case TVN_ITEMEXPANDINGW: {
        if (!m_delegates.expanding)
            return false;
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        const bool expanding = (info->action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_EXPAND;
        msg.result = m_delegates.expanding(getItem(info->itemNew.hItem), expanding) ? 0 : 1;
        return true;
    }
    case TVN_KEYDOWN:
        if ((::GetWindowLongW(getHandle(), GWL_STYLE) & TVS_CHECKBOXES) &&
            reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_SPACE)
            reportCheckToggle(getSelectedItem());
        msg.result = 0;
        return true;
    case NM_CLICK:
        if (::GetWindowLongW(getHandle(), GWL_STYLE) & TVS_CHECKBOXES) {
            POINT point = messagePoint();
            ::ScreenToClient(getHandle(), &point);
            UINT flags = 0;
            afControlTreeItem* item = hitTest(point, &flags);
            if (item && (flags & TVHT_ONITEMSTATEICON)) {
                selectItem(item);
                reportCheckToggle(item);
            }
        }
        return false;
    case NM_RCLICK:
        if (!m_delegates.contextMenu)
            return false;
        contextMenu();
        // Answered 1: the owner's menu is the only one, no WM_CONTEXTMENU follows.
        msg.result = 1;
        return true;
    case NM_CUSTOMDRAW:
        msg.result = customDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(header));
        return true;
    default:
        return false;
    }
}

LRESULT afControlTree::beginEdit(afControlTreeItem* item) {
    if (!item)
        return 1;
    if (m_delegates.editBegins)
        m_delegates.editBegins(item);
    const bool allowed = item->isNew() ? static_cast<bool>(m_delegates.nameNewItem)
                                       : m_delegates.canRename && m_delegates.canRename(item);
    if (!allowed) {
        if (m_delegates.editEnds)
            m_delegates.editEnds(item);
        return 1;
    }
    HWND box = reinterpret_cast<HWND>(::SendMessageW(getHandle(), TVM_GETEDITCONTROL, 0, 0));
    if (box && m_edit && !m_edit->getHandle())
        m_edit->attach(box);
    m_editing = item;
    return 0;
}

bool afControlTree::endEdit(afControlTreeItem* item, const std::wstring& text, bool cancelled) {
    const bool isNew = item->isNew();
    const EditDecision& decide = isNew ? m_delegates.nameNewItem : m_delegates.rename;
    const bool accepted = decide && decide(item, text, cancelled) && !cancelled;
    if (accepted && isNew)
        item->setFlag(afControlTreeItem::FLAG_NEW, false);
    // Told before a refused new item goes, so the delegate never sees a deleted item.
    if (m_delegates.editEnds)
        m_delegates.editEnds(item);
    if (!accepted && isNew) {
        m_removing = true;
        removeItem(item);
        m_removing = false;
    }
    return accepted;
}

void afControlTree::beginDrag(const NMTREEVIEWW& info) {
    afControlTreeItem* item = getItem(info.itemNew.hItem);
    if (!m_delegates.beginDrag || !item)
        return;
    selectItem(item);
    uint32_t allowed = kDragEffects;
    afDataObject* data = m_delegates.beginDrag(item, info.ptDrag.x, info.ptDrag.y, allowed);
    if (!data)
        return;
    afDropAction result = AF_DROP_NONE;
    {
        afDropSource source(data);
        result = source.drag(allowed);
    }
    if (m_delegates.dragFinished)
        m_delegates.dragFinished(item, data, result);
    else
        delete data;
}

void afControlTree::reportCheckToggle(afControlTreeItem* item) {
    if (!item)
        return;
    // The view toggles the box itself afterwards: the owner hears the state it will have.
    toggleItemChecked(item);
    if (m_delegates.checkChanged)
        m_delegates.checkChanged(item, isItemChecked(item));
    toggleItemChecked(item);
}

void afControlTree::contextMenu() {
    const POINT screen = messagePoint();
    POINT client = screen;
    ::ScreenToClient(getHandle(), &client);
    afControlTreeItem* item = hitTest(client);
    afControlTreeItem* previous = nullptr;
    if (item) {
        selectItem(item);
    } else {
        previous = getSelectedItem();
        selectItem(nullptr);
    }
    m_delegates.contextMenu(item, screen.x, screen.y);
    if (previous)
        selectItem(previous);
}

LRESULT afControlTree::customDraw(NMTVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT:
        drawItemIcons(draw.nmcd.hdc, reinterpret_cast<afControlTreeItem*>(draw.nmcd.lItemlParam));
        return 0;
    default:
        return 0;
    }
}

void afControlTree::drawItemIcons(HDC dc, afControlTreeItem* item) {
    const std::vector<const afIcon*>* icons = item ? item->getIcons() : nullptr;
    if (!icons || icons->empty())
        return;
    RECT text = {};
    if (!getItemRect(item, true, &text))
        return;
    RECT client = {};
    ::GetClientRect(getHandle(), &client);
    const int slots = std::max(static_cast<int>(icons->size()), m_reservedIconSlots);
    int x = std::max<int>(text.right + 4, client.right - slots * kIconSize - 4);
    const int y = text.top + ((text.bottom - text.top - kIconSize) >> 1);
    for (const afIcon* icon : *icons) {
        if (icon && icon->getHandle())
            ::DrawIconEx(dc, x, y, icon->getHandle(), kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
        x += kIconSize;
    }
}

bool afControlTree::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    if (!m_empty)
        return false;
    afRect visible;
    getVisibleRect(&visible);
    canvas.fillRect(visible, afGetStockColour(kWindowColour));
    afRect text(visible.left + kEmptyInset, visible.top + kEmptyInset, visible.right - kEmptyInset,
                visible.bottom - kEmptyInset);
    text.top += static_cast<int>(text.height() * kEmptyDrop);
    canvas.selectFont(afGetStockFont(AF_FONT_MESSAGE_LARGE));
    canvas.drawText(m_emptyText, text, EMPTY_TEXT_FORMAT, afGetStockColour(kGreyTextColour));
    return true;
}

void afControlTree::printClient(afCanvas& canvas) {
    if (!getHandle())
        return;
    const auto colour = static_cast<COLORREF>(::SendMessageW(getHandle(), TVM_GETBKCOLOR, 0, 0));
    canvas.fillRect(getClientRect(), colour == CLR_NONE ? afGetStockColour(kWindowColour) : colour);
    afControl::printClient(canvas);
}

bool afControlTree::onKeyDown(afKeyEvent& event) {
    if (isEditing())
        return false;
    if (event.combination == VK_RETURN) {
        if (!m_delegates.activate)
            return false;
        return m_delegates.activate(getSelectedItem());
    }
    if (event.combination == VK_F2) {
        afControlTreeItem* selected = getSelectedItem();
        if (!selected)
            return false;
        editItem(selected);
        return true;
    }
    return false;
}

bool afControlTree::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_ERASEBKGND:
        msg.result = 1;
        return true;
    case WM_LBUTTONDBLCLK: {
        // Taken whatever it hits: a double click activates and never toggles the expansion.
        UINT flags = 0;
        afControlTreeItem* item = hitTest({static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))}, &flags);
        if (item && (flags & ACTIVATE_HITS) && m_delegates.activate)
            m_delegates.activate(item);
        msg.result = 0;
        return true;
    }
    case WM_RBUTTONDBLCLK:
        msg.result = 0;
        return true;
    case WM_DESTROY:
        // The deletion notices still reach this tree: every item object goes with its item.
        removeAllItems();
        return afControl::onRawMessage(msg);
    default:
        return afControl::onRawMessage(msg);
    }
}
