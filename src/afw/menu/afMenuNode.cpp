#include "afw/menu/afMenuNode.h"

#include "afw/action/afActionRegistry.h"
#include "afw/action/afActionTrigger.h"
#include "afw/core/afApp.h"
#include "afw/menu/afMenu.h"

#include "pel/log/Log.h"

#include <algorithm>

afMenuNode::afMenuNode(const std::wstring& title, Kind kind, uint32_t icon) : m_title(title), m_kind(kind), m_icon(icon) {}

afMenuNode::~afMenuNode() = default;

void afMenuNode::setTitle(const std::wstring& title) {
    if (m_parent)
        m_parent->setItemTitle(this, title);
    else
        m_title = title;
}

afMenuItem::afMenuItem(const std::wstring& title, Kind kind) : afMenuNode(title, kind, 0) {}

afMenuItem::StateDelegate afMenuItem::alwaysFalse() {
    return StateDelegate::fromFunction(nullptr, [](void*) { return false; });
}

bool afMenuItem::isEnabled() const { return m_enabled ? m_enabled() : true; }

bool afMenuItem::isChecked() const { return m_checked ? m_checked() : false; }

void afMenuItem::getLineTexts(std::wstring& o_title, std::wstring& o_accelerator) const {
    o_title = getTitle();
    o_accelerator = getTabText();
    if (o_accelerator.empty())
        o_accelerator = getKeyText();
}

int afMenuItem::execute(tessel::ScopePath* /*contexts*/) { return 0; }

afActionMenuItem::afActionMenuItem(const std::wstring& title, const std::wstring& actionName, afActionRegistry* registry)
    : afMenuItem(title), m_actionName(actionName), m_registry(registry) {}

afActionMenuItem::afActionMenuItem(const std::wstring& title, afAction* action, afActionRegistry* registry)
    : afMenuItem(title), m_actionName(action ? action->getName() : std::wstring()), m_action(action),
      m_registry(registry) {}

afActionRegistry* afActionMenuItem::registry() const {
    return m_registry ? m_registry : afApp::getActionRegistry();
}

afAction* afActionMenuItem::getAction() const {
    afActionRegistry* actions = registry();
    afAction* byName = afFindAction(m_actionName, actions);
    if (!m_action || byName == m_action)
        return byName;
    // The id finds another action (or none): the pointer counts only while the registry holds it.
    if (!actions)
        return nullptr;
    const std::list<afAction*>& all = actions->getActions();
    return std::find(all.begin(), all.end(), m_action) != all.end() ? m_action : nullptr;
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

std::wstring afActionMenuItem::triggerText(const afAction* action, uint32_t kind) {
    const afActionTrigger* trigger = action ? action->findTrigger(kind) : nullptr;
    return trigger && trigger->getText() ? trigger->getText() : std::wstring();
}

std::wstring afActionMenuItem::getTabText() const { return triggerText(getAction(), AF_ACTION_KIND_TAB_TRIGGER); }

std::wstring afActionMenuItem::getKeyText() const { return triggerText(getAction(), AF_ACTION_KIND_SHORTCUT); }

void afActionMenuItem::getLineTexts(std::wstring& o_title, std::wstring& o_accelerator) const {
    const afAction* action = getAction();
    o_title = afMenuItem::getTitle().empty() && action ? action->getTitle() : afMenuItem::getTitle();
    o_accelerator = triggerText(action, AF_ACTION_KIND_TAB_TRIGGER);
    if (o_accelerator.empty())
        o_accelerator = triggerText(action, AF_ACTION_KIND_SHORTCUT);
}

bool afActionMenuItem::isEnabled() const {
    const afAction* action = getAction();
    return action && action->isEnabled() && afMenuItem::isEnabled();
}

int afActionMenuItem::execute(tessel::ScopePath* contexts) {
    afAction* action = getAction();
    if (!action) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"afActionMenuItem::execute(): Command for item is NULL\n");
        return 0;
    }
    afActionEventMenuItemActivated event(action, this, contexts);
    return action->run(event) ? 1 : 0;
}
