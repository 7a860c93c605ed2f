#include "afw/menu/afMenu.h"

#include "afw/core/afMainLoop.h"
#include "afw/core/afPanic.h"
#include "afw/view/afViewPlatform.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <unordered_set>

namespace {

// Menus alive now: menu data read back from a Win32 menu counts only when it names one of them.
std::unordered_set<const afMenu*>& liveMenus() {
    static std::unordered_set<const afMenu*> menus;
    return menus;
}

MENUITEMINFOW emptyInfo(UINT mask) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

} // namespace

std::unique_ptr<afMenu> afMenu::createPopup(const std::wstring& title) {
    std::unique_ptr<afMenu> menu(new afMenu(title, 0, false));
    return menu->create() ? std::move(menu) : nullptr;
}

afMenu* afMenu::fromHandle(HMENU handle) {
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA;
    if (!handle || !::GetMenuInfo(handle, &info))
        return nullptr;
    afMenu* menu = reinterpret_cast<afMenu*>(info.dwMenuData);
    return liveMenus().count(menu) ? menu : nullptr;
}

afMenu::afMenu(const std::wstring& title, uint32_t icon, bool themed)
    : afMenuNode(title, KIND_MENU, icon), m_themed(themed) {
    liveMenus().insert(this);
}

afMenu::~afMenu() {
    liveMenus().erase(this);
    closeTheme();
    // The lines keep their parent, so no submenu destroys its Win32 menu: ours takes them along.
    for (afMenuNode* child : m_children)
        delete child;
    if (m_handle && !getParent())
        ::DestroyMenu(m_handle);
}

bool afMenu::create() {
    m_handle = ::CreatePopupMenu();
    if (!m_handle)
        afPanic(L"Cannot create popup menu. CreatePopupMenu failed.", L"afMenu::create()");
    setMenuInfo(0, 0, nullptr);
    return true;
}

void afMenu::setMenuInfo(UINT mask, DWORD style, HBRUSH background) {
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA | mask;
    info.dwStyle = style;
    info.hbrBack = background;
    info.dwMenuData = reinterpret_cast<ULONG_PTR>(this);
    ::SetMenuInfo(m_handle, &info);
}

afMenu* afMenu::root() {
    afMenu* menu = this;
    while (menu->getParent())
        menu = menu->getParent();
    return menu;
}

uint16_t afMenu::allocateId() {
    if (m_freeIds.empty())
        return m_nextId++;
    const uint16_t id = m_freeIds.back();
    m_freeIds.pop_back();
    return id;
}

void afMenu::assignIds(afMenuNode* node) {
    afMenu* top = root();
    if (node->getKind() != KIND_MENU) {
        node->m_id = top->allocateId();
        top->m_ids[node->m_id] = node;
        return;
    }
    // A submenu filled on its own numbered its lines from its own counter: renumber them here,
    // or they would collide with this tree's ids.
    afMenu* menu = static_cast<afMenu*>(node);
    menu->m_id = 0;
    menu->m_ids.clear();
    menu->m_freeIds.clear();
    menu->m_nextId = 1;
    for (size_t i = 0; i < menu->m_children.size(); ++i) {
        afMenuNode* child = menu->m_children[i];
        assignIds(child);
        if (child->getKind() == KIND_MENU)
            continue;
        MENUITEMINFOW info = emptyInfo(MIIM_ID);
        info.wID = child->m_id;
        ::SetMenuItemInfoW(menu->m_handle, static_cast<UINT>(i), TRUE, &info);
    }
}

void afMenu::releaseIds(afMenuNode* node) {
    if (node->getKind() == KIND_MENU) {
        for (afMenuNode* child : static_cast<afMenu*>(node)->m_children)
            releaseIds(child);
        return;
    }
    afMenu* top = root();
    top->m_ids.erase(node->m_id);
    top->m_freeIds.push_back(node->m_id);
    node->m_id = 0;
}

afMenuNode* afMenu::findNode(uint16_t id) const {
    const afMenu* top = this;
    while (top->getParent())
        top = top->getParent();
    const auto found = top->m_ids.find(id);
    return found == top->m_ids.end() ? nullptr : found->second;
}

std::wstring afMenu::lineText(const afMenuNode& node) {
    if (node.getKind() == KIND_MENU)
        return node.getTitle();
    std::wstring text, accelerator;
    static_cast<const afMenuItem&>(node).getLineTexts(text, accelerator);
    text.reserve(text.size() + 1 + accelerator.size());
    text += L'\t';
    text += accelerator;
    return text;
}

MENUITEMINFOW afMenu::lineInfo(afMenuNode& node, std::wstring& o_text) const {
    o_text = lineText(node);
    node.m_lineText = o_text;
    MENUITEMINFOW info = emptyInfo(MIIM_ID | MIIM_DATA | MIIM_STRING);
    if (m_ownerDrawn) {
        info.fMask |= MIIM_FTYPE;
        info.fType = MFT_OWNERDRAW;
    }
    info.wID = node.getId();
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&node);
    info.dwTypeData = &o_text[0];
    info.cch = static_cast<UINT>(o_text.size());
    return info;
}

void afMenu::insertLine(afMenuNode* node, MENUITEMINFOW& info, const wchar_t* failure, const wchar_t* method) {
    node->m_parent = this;
    m_children.push_back(node);
    if (!::InsertMenuItemW(m_handle, static_cast<UINT>(m_children.size() - 1), TRUE, &info))
        afPanic(failure, method);
}

afMenuItem* afMenu::addItem(afMenuItem* item) {
    if (!item)
        return nullptr;
    PEL_ASSERT(!item->getParent());
    item->m_parent = this;
    assignIds(item);
    std::wstring text;
    MENUITEMINFOW info = lineInfo(*item, text);
    insertLine(item, info, L"InsertMenuItem failed. Cannot create item.", L"afMenu::addItem()");
    return item;
}

afMenu* afMenu::addMenu(afMenu* menu) {
    if (!menu)
        return nullptr;
    PEL_ASSERT(!menu->getParent() && menu != this);
    menu->m_parent = this;
    assignIds(menu);
    std::wstring text;
    MENUITEMINFOW info = lineInfo(*menu, text);
    info.fMask |= MIIM_SUBMENU;
    info.hSubMenu = menu->m_handle;
    insertLine(menu, info, L"InsertMenuItem failed. Cannot create submenu.", L"afMenu::addMenu()");
    return menu;
}

afMenuItem* afMenu::addSeparator() {
    afMenuItem* separator = new afMenuItem(std::wstring(), KIND_SEPARATOR);
    separator->m_parent = this;
    assignIds(separator);
    MENUITEMINFOW info = emptyInfo(MIIM_FTYPE | MIIM_DATA | MIIM_ID);
    info.fType = MFT_SEPARATOR | MFT_OWNERDRAW;
    info.wID = separator->getId();
    info.dwItemData = reinterpret_cast<ULONG_PTR>(separator);
    insertLine(separator, info, L"InsertMenuItem failed. Cannot create separator.", L"afMenu::addSeparator()");
    return separator;
}

int afMenu::positionOf(const afMenuNode* node) const {
    const auto found = std::find(m_children.begin(), m_children.end(), node);
    return found == m_children.end() ? -1 : static_cast<int>(found - m_children.begin());
}

void afMenu::setItemStates(afMenuItem* item, bool checkMark, bool radio) {
    PEL_CHECK_PTR(item);
    item->setCheckMark(checkMark);
    item->setRadio(radio);
}

void afMenu::setItemTitle(afMenuNode* node, const std::wstring& title) {
    PEL_CHECK_PTR(node);
    const int position = positionOf(node);
    PEL_ASSERT(position >= 0);
    node->m_title = title;
    refreshLineText(static_cast<size_t>(position));
}

void afMenu::refreshLineText(size_t position) {
    afMenuNode& node = *m_children[position];
    std::wstring text = lineText(node);
    if (text == node.m_lineText)
        return;
    node.m_lineText = text;
    MENUITEMINFOW info = emptyInfo(MIIM_STRING);
    info.dwTypeData = &text[0];
    ::SetMenuItemInfoW(m_handle, static_cast<UINT>(position), TRUE, &info);
}

void afMenu::setItemEnabled(afMenuItem* item, bool enabled) {
    PEL_CHECK_PTR(item);
    const int position = positionOf(item);
    PEL_ASSERT(position >= 0);
    enableLine(position, enabled);
}

void afMenu::enableLine(int position, bool enabled) {
    afMenuNode& node = *m_children[static_cast<size_t>(position)];
    if (node.m_lineEnabled == enabled)
        return;
    node.m_lineEnabled = enabled;
    MENUITEMINFOW info = emptyInfo(MIIM_STATE);
    info.fState = enabled ? MFS_ENABLED : MFS_DISABLED;
    ::SetMenuItemInfoW(m_handle, static_cast<UINT>(position), TRUE, &info);
}

bool afMenu::getItemState(afMenuItem* item) {
    const int position = positionOf(item);
    MENUITEMINFOW info = emptyInfo(MIIM_STATE);
    if (position >= 0)
        ::GetMenuItemInfoW(m_handle, static_cast<UINT>(position), TRUE, &info);
    return false;
}

bool afMenu::remove(afMenuNode* node) {
    const int position = positionOf(node);
    if (position < 0) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"afMenu::remove(): Unable to find node being deleted.\n");
        return false;
    }
    // DeleteMenu destroys a submenu's Win32 menu too; the node keeps its parent until it goes,
    // so its destructor leaves the handle alone.
    ::DeleteMenu(m_handle, static_cast<UINT>(position), MF_BYPOSITION);
    releaseIds(node);
    m_children.erase(m_children.begin() + position);
    delete node;
    return true;
}

void afMenu::clear() { truncate(0); }

void afMenu::truncate(size_t count) {
    // From the end, so the first line's id is the most recently freed and a rebuild takes the
    // same ids in the same order.
    while (m_children.size() > count) {
        afMenuNode* node = m_children.back();
        ::DeleteMenu(m_handle, static_cast<UINT>(m_children.size() - 1), MF_BYPOSITION);
        releaseIds(node);
        m_children.pop_back();
        delete node;
    }
}

afMenuNode* afMenu::track(afViewPlatform* owner, int x, int y, bool bottomAlign) {
    return trackAt(owner, x, y, bottomAlign ? TPM_BOTTOMALIGN : 0, nullptr);
}

afMenuNode* afMenu::trackBeside(afViewPlatform* owner, const RECT& anchor, bool below) {
    TPMPARAMS exclude = {};
    exclude.cbSize = sizeof exclude;
    exclude.rcExclude = anchor;
    return below ? trackAt(owner, anchor.right, anchor.bottom, TPM_TOPALIGN | TPM_RIGHTALIGN | TPM_VERTICAL, &exclude)
                 : trackAt(owner, anchor.left, anchor.top, TPM_BOTTOMALIGN | TPM_LEFTALIGN | TPM_VERTICAL, &exclude);
}

afMenuNode* afMenu::trackAt(afViewPlatform* owner, int x, int y, UINT placement, TPMPARAMS* exclude) {
    prepareToShow();
    if (!owner || !owner->getHandle())
        return nullptr;
    const UINT flags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | placement;
    int chosen = 0;
    {
        const afMainLoop::Nested loop;
        chosen = ::TrackPopupMenuEx(m_handle, flags, x, y, owner->getHandle(), exclude);
    }
    return chosen > 0 && chosen <= 0xFFFF ? findNode(static_cast<uint16_t>(chosen)) : nullptr;
}

void afMenu::update() {
    m_checkSize = {0, 0};
    for (size_t i = 0; i < m_children.size(); ++i) {
        afMenuNode* child = m_children[i];
        if (child->getKind() == KIND_MENU)
            static_cast<afMenu*>(child)->update();
        else if (child->getKind() == KIND_ITEM)
            enableLine(static_cast<int>(i), static_cast<afMenuItem*>(child)->isEnabled());
    }
}

void afMenu::prepareToShow() {
    if (m_builder) {
        // A copy: the builder may replace itself.
        const Builder builder = m_builder;
        builder(*this);
    }
    update();
}

std::unique_ptr<afMenuBar> afMenuBar::createMenuBar() {
    std::unique_ptr<afMenuBar> bar(new afMenuBar);
    return bar->create() ? std::move(bar) : nullptr;
}

afMenuBar::afMenuBar() : afMenu(L"[Menu]", 0, true) { m_ownerDrawn = false; }

bool afMenuBar::create() {
    m_handle = ::CreateMenu();
    if (!m_handle)
        afPanic(L"Cannot create menu bar. CreateMenu failed.", L"afMenuBar::create()");
    // Chosen lines come as WM_MENUCOMMAND by position; owner-drawn bars paint their background.
    if (m_ownerDrawn)
        setMenuInfo(MIM_STYLE | MIM_BACKGROUND, MNS_NOTIFYBYPOS, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
    else
        setMenuInfo(MIM_STYLE, MNS_NOTIFYBYPOS, nullptr);
    return true;
}
