// The platform view's menu messages: WM_INITMENUPOPUP, WM_MENUCOMMAND, WM_MEASUREITEM and
// WM_DRAWITEM of the menus made by afMenu.

#include "afw/menu/afMenu.h"
#include "afw/view/afViewPlatform.h"

#include "pel/log/Log.h"
#include "service/parser/base/ScopePath.h"

namespace {

// The menu holding the line of an owner-draw message; null when the message is a control's.
template <class Record>
afMenu* menuOfLine(const Record* record) {
    if (!record || record->CtlType != ODT_MENU || !record->itemData)
        return nullptr;
    return reinterpret_cast<afMenuNode*>(record->itemData)->getParent();
}

} // namespace

bool afViewPlatform::onInitMenuPopup(afMessage& msg) {
    afMenu* menu = afMenu::fromHandle(reinterpret_cast<HMENU>(msg.wParam));
    if (!menu)
        return false;
    menu->prepareToShow();
    msg.result = 0;
    return true;
}

bool afViewPlatform::onMenuCommand(afMessage& msg) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    afMenuNode* node = nullptr;
    if (::GetMenuItemInfoW(reinterpret_cast<HMENU>(msg.lParam), static_cast<UINT>(msg.wParam), TRUE, &info))
        node = reinterpret_cast<afMenuNode*>(info.dwItemData);
    // Only lines of a live menu of ours carry a node.
    if (node && afMenu::fromHandle(reinterpret_cast<HMENU>(msg.lParam)) == nullptr)
        node = nullptr;
    if (!node) {
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"afWidget::onMenuCommand(): Get node call failed.\n");
        return false;
    }
    if (node->getKind() == afMenuNode::KIND_MENU) {
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                        L"afWidget::onMenuCommand(): Node identified as submenu. Command not found.\n");
        return false;
    }
    tessel::ScopePath contexts;
    collectContexts(this, contexts);
    static_cast<afMenuItem*>(node)->execute(&contexts);
    msg.result = 1;
    return true;
}

bool afViewPlatform::onMeasureItem(afMessage& msg) {
    MEASUREITEMSTRUCT* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam);
    afMenu* menu = menuOfLine(measure);
    msg.result = menu && menu->measureItem(msg.window, *measure);
    return msg.result != 0;
}

bool afViewPlatform::onDrawItem(afMessage& msg) {
    const DRAWITEMSTRUCT* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    afMenu* menu = menuOfLine(draw);
    msg.result = menu && menu->drawItem(msg.window, *draw);
    return msg.result != 0;
}
