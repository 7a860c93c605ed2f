#include "afw/afStandIns.h"

#include "afw/afActionRegistry.h"
#include "afw/afActionTrigger.h"
#include "afw/afApp.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cwchar>
#include <map>

// ---- Menus

afMenuNode::afMenuNode(const std::wstring& title, Kind kind, uint32_t icon) : m_title(title), m_kind(kind), m_icon(icon) {}

afMenuNode::~afMenuNode() = default;

afMenuItem::afMenuItem(const std::wstring& title, Kind kind) : afMenuNode(title, kind, 0) {}

afActionMenuItem::afActionMenuItem(const std::wstring& title, const std::wstring& actionName)
    : afMenuItem(title), m_actionName(actionName) {}

afAction* afActionMenuItem::getAction() const {
    return afFindAction(m_actionName, afApp::getActionRegistry());
}

std::wstring afActionMenuItem::getTitle() const {
    const std::wstring own = afMenuItem::getTitle();
    const afAction* action = own.empty() ? getAction() : nullptr;
    return action ? action->getTitle() : own;
}

uint32_t afActionMenuItem::getIcon() const {
    const afAction* action = getAction();
    return action ? action->getIcon() : afMenuItem::getIcon();
}

bool afActionMenuItem::isEnabled() const {
    const afAction* action = getAction();
    return afMenuItem::isEnabled() && action && action->isEnabled();
}

std::wstring afActionMenuItem::getKeyText() const {
    const afAction* action = getAction();
    const afActionTrigger* trigger = action ? action->findTrigger(AF_ACTION_KIND_SHORTCUT) : nullptr;
    return trigger ? trigger->getText() : std::wstring();
}

std::wstring afActionMenuItem::getTabText() const {
    const afAction* action = getAction();
    const afActionTrigger* trigger = action ? action->findTrigger(AF_ACTION_KIND_TAB_TRIGGER) : nullptr;
    return trigger ? trigger->getText() : std::wstring();
}

int afActionMenuItem::execute() {
    afAction* action = getAction();
    if (!action) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE, L"afActionMenuItem::execute(): Command for item is NULL\n");
        return 0;
    }
    afActionEvent event(AF_EVENT_MENU_ITEM);
    event.action = action;
    return action->run(event) ? 1 : 0;
}

afMenu::afMenu(const std::wstring& title, uint32_t icon) : afMenuNode(title, KIND_MENU, icon) {}

afMenu::~afMenu() { clear(); }

afMenuNode* afMenu::adopt(afMenuNode* node) {
    PEL_CHECK_PTR(node);
    node->m_parent = this;
    m_children.push_back(node);
    return node;
}

afMenuItem* afMenu::addItem(afMenuItem* item) { return static_cast<afMenuItem*>(adopt(item)); }

afMenu* afMenu::addMenu(afMenu* menu) { return static_cast<afMenu*>(adopt(menu)); }

afMenuItem* afMenu::addSeparator() { return addItem(new afMenuItem(std::wstring(), KIND_SEPARATOR)); }

void afMenu::setItemEnabled(afMenuItem* item, bool enabled) {
    PEL_CHECK_PTR(item);
    PEL_ASSERT(item->getParent() == this);
    item->m_enabled = enabled;
}

bool afMenu::remove(afMenuNode* node) {
    const auto found = std::find(m_children.begin(), m_children.end(), node);
    if (found == m_children.end()) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE, L"afMenu::remove(): Unable to find node being deleted.\n");
        return false;
    }
    m_children.erase(found);
    delete node;
    return true;
}

void afMenu::clear() {
    std::vector<afMenuNode*> children;
    children.swap(m_children);
    for (afMenuNode* child : children)
        delete child;
}

void afMenu::update() {
    for (afMenuNode* child : m_children)
        if (child->getKind() == KIND_MENU)
            static_cast<afMenu*>(child)->update();
}

afMenuDef::afMenuDef(const std::wstring& title, uint32_t icon, tessel::MenuDefNodePtr definition, TitleOf titleOf)
    : afMenu(title, icon), m_definition(std::move(definition)), m_titleOf(std::move(titleOf)) {
    PEL_CHECK_PTR(m_definition);
    update();
}

void afMenuDef::update() {
    clear();
    for (const tessel::MenuDefNodePtr& node : m_definition->children) {
        if (node->isSeparator) {
            addSeparator();
        } else if (node->isSubmenu) {
            if (!node->children.empty())
                addMenu(new afMenuDef(node->title, 0, node, m_titleOf));
        } else if (node->isItem) {
            const std::wstring title = m_titleOf ? m_titleOf(node->item) : node->item;
            if (afFindAction(node->item, afApp::getActionRegistry())) {
                addItem(new afActionMenuItem(title, node->item));
            } else {
                afMenuItem* item = addItem(new afMenuItem(title));
                setItemEnabled(item, false);
            }
        }
    }
}
