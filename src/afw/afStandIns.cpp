#include "afw/afStandIns.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cwchar>
#include <map>

namespace {

// ---- Key names

struct KeyName {
    uint8_t code;
    std::wstring name;
};

// The names of the keys that bindings are written with, by ascending key code.
const std::vector<KeyName>& keyNames() {
    static const std::vector<KeyName> names = [] {
        std::vector<KeyName> made = {
            {8, L"Backspace"}, {9, L"Tab"},   {13, L"Enter"}, {16, L"Shift"}, {17, L"Ctrl"},      {18, L"Alt"},
            {19, L"Pause"},    {27, L"Esc"},  {32, L"Space"}, {33, L"Page-Up"}, {34, L"Page-Down"}, {35, L"End"},
            {36, L"Home"},     {37, L"Left"}, {38, L"Up"},    {39, L"Right"}, {40, L"Down"},      {45, L"Ins"},
            {46, L"Del"},
        };
        for (wchar_t c = L'0'; c <= L'9'; ++c)
            made.push_back({uint8_t(c), std::wstring(1, c)});
        for (wchar_t c = L'A'; c <= L'Z'; ++c)
            made.push_back({uint8_t(c), std::wstring(1, c)});
        made.insert(made.end(), {{91, L"L-Win"}, {92, L"R-Win"}, {93, L"Apps"}});
        for (int i = 0; i < 10; ++i)
            made.push_back({uint8_t(96 + i), L"Num-" + std::to_wstring(i)});
        made.insert(made.end(), {{106, L"Multiply"}, {107, L"Add"}, {109, L"Subtract"}, {110, L"Decimal"},
                                 {111, L"Divide"}});
        for (int i = 1; i <= 24; ++i)
            made.push_back({uint8_t(111 + i), L"F" + std::to_wstring(i)});
        made.insert(made.end(), {{160, L"L-Shift"}, {161, L"R-Shift"}, {162, L"L-Ctrl"}, {163, L"R-Ctrl"},
                                 {164, L"L-Alt"},   {165, L"R-Alt"},   {186, L";"},      {187, L"+"},
                                 {188, L","},       {189, L"-"},       {190, L"."},      {191, L"/"},
                                 {192, L"`"},       {219, L"["},       {220, L"\\"},     {221, L"]"},
                                 {222, L"'"}});
        return made;
    }();
    return names;
}

// Whether the name stands at text[at], ending there at "+" or at the end of the text; the
// name "+" itself matches a "+".
bool nameAt(const std::wstring& text, size_t at, const std::wstring& name) {
    size_t i = 0;
    while (at + i < text.size() && text[at + i] != L'+' && i < name.size() && text[at + i] == name[i])
        ++i;
    const bool inputStops = at + i == text.size() || text[at + i] == L'+';
    if (i == name.size())
        return inputStops;
    return i + 1 == name.size() && name[i] == L'+' && at + i < text.size() && text[at + i] == L'+';
}

uint32_t modifierBit(uint8_t code) {
    switch (code) {
    case 16: case 160: case 161: return AF_KEY_SHIFT;
    case 17: case 162: case 163: return AF_KEY_CTRL;
    case 18: case 164: return AF_KEY_ALT;
    case 165: return AF_KEY_RIGHT_ALT;
    case 91: return AF_KEY_LEFT_WIN;
    case 92: return AF_KEY_RIGHT_WIN;
    default: return 0;
    }
}

// ---- The registry

struct Registry {
    std::map<std::wstring, std::unique_ptr<afActionContext>> contexts;
    std::vector<afAction*> actions; // owned
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

afKeyCombination afParseKeyCombination(const std::wstring& text) {
    afKeyCombination result = 0;
    for (size_t at = 0; at < text.size();) {
        const std::vector<KeyName>& names = keyNames();
        const auto key = std::find_if(names.begin(), names.end(),
                                      [&](const KeyName& known) { return nameAt(text, at, known.name); });
        if (key == names.end())
            return 0;
        result = (result & ~0xFFu) | key->code | modifierBit(key->code);
        at += key->name.size();
        if (at == text.size())
            break;
        if (text[at] != L'+')
            return 0;
        ++at;
    }
    return result;
}

// ---- Actions

afActionHandler::afActionHandler(const wchar_t* contextName)
    : m_context(afFindOrCreateActionContext(contextName)) {}

afActionHandler::~afActionHandler() {
    if (m_context && m_context->object == this)
        m_context->object = nullptr;
}

void afActionHandler::attachActionHandler() {
    if (m_context)
        m_context->object = this;
}

afAction::afAction(const std::wstring& name, const std::wstring& title, const std::wstring& contextText,
                   afActionContext* handler, RunOp run, uint32_t presentation)
    : m_name(name), m_title(title), m_contextText(contextText), m_handler(handler), m_run(std::move(run)),
      m_presentation(presentation) {}

afAction::~afAction() = default;

std::wstring afAction::getTitle() const { return m_title; }

std::wstring afAction::getCategory() const { return L"Tessel"; }

const afActionTrigger* afAction::findTrigger(uint32_t kind) const {
    for (const std::unique_ptr<afActionTrigger>& trigger : m_triggers)
        if (trigger->kind == kind)
            return trigger.get();
    return nullptr;
}

void afAction::addTrigger(uint32_t kind, afKeyCombination combination, const std::wstring& text) {
    m_triggers.push_back(std::unique_ptr<afActionTrigger>(new afActionTrigger{this, kind, combination, text}));
}

bool afAction::run(afActionEvent& event) {
    if (!isEnabled() || !m_run)
        return false;
    event.action = this;
    return m_run(event);
}

bool afAction::isEnabled() const { return m_handler && m_handler->object; }

afActionContext* afFindOrCreateActionContext(const wchar_t* name) {
    if (!name || !*name)
        return nullptr;
    std::unique_ptr<afActionContext>& context = registry().contexts[name];
    if (!context)
        context.reset(new afActionContext{name, nullptr});
    return context.get();
}

afAction* afRegisterAction(afAction* action) {
    PEL_CHECK_PTR(action);
    std::vector<afAction*>& actions = registry().actions;
    if (std::find(actions.begin(), actions.end(), action) == actions.end())
        actions.push_back(action);
    action->m_registered = true;
    return action;
}

void afUnregisterAction(afAction* action) {
    std::vector<afAction*>& actions = registry().actions;
    const auto found = std::find(actions.begin(), actions.end(), action);
    if (found == actions.end())
        return;
    actions.erase(found);
    action->m_registered = false;
    delete action;
}

afAction* afFindAction(const std::wstring& name) {
    if (name.empty())
        return nullptr;
    for (afAction* action : registry().actions)
        if (action->getName() == name)
            return action;
    return nullptr;
}

const std::vector<afAction*>& afGetRegisteredActions() { return registry().actions; }

afAction* afAddKeyTrigger(afAction* action, afKeyCombination combination) {
    PEL_CHECK_PTR(action);
    if (combination != 0)
        action->addTrigger(AF_TRIGGER_SHORTCUT, combination, std::wstring());
    return action;
}

afAction* afAddTabTrigger(const std::wstring& word, afAction* action) {
    PEL_CHECK_PTR(action);
    if (!word.empty())
        action->addTrigger(AF_TRIGGER_TAB, 0, word);
    return action;
}

namespace {

template <class Bound>
std::vector<afAction*> findBound(uint32_t kind, const Bound& bound) {
    std::vector<afAction*> found;
    for (afAction* action : registry().actions)
        for (const std::unique_ptr<afActionTrigger>& trigger : action->getTriggers())
            if (trigger->kind == kind && bound(*trigger)) {
                found.push_back(action);
                break;
            }
    return found;
}

} // namespace

std::vector<afAction*> afFindKeyActions(afKeyCombination combination) {
    return findBound(AF_TRIGGER_SHORTCUT,
                     [&](const afActionTrigger& trigger) { return trigger.combination == combination; });
}

std::vector<afAction*> afFindTabActions(const std::wstring& word) {
    return findBound(AF_TRIGGER_TAB, [&](const afActionTrigger& trigger) { return trigger.text == word; });
}

void afSortActionsByTitle(std::vector<afActionCandidate>& list) {
    std::stable_sort(list.begin(), list.end(), [](const afActionCandidate& a, const afActionCandidate& b) {
        return _wcsicmp(a.action->getTitle().c_str(), b.action->getTitle().c_str()) < 0;
    });
}

// ---- Menus

afMenuNode::afMenuNode(const std::wstring& title, Kind kind, uint32_t icon) : m_title(title), m_kind(kind), m_icon(icon) {}

afMenuNode::~afMenuNode() = default;

afMenuItem::afMenuItem(const std::wstring& title, Kind kind) : afMenuNode(title, kind, 0) {}

afActionMenuItem::afActionMenuItem(const std::wstring& title, const std::wstring& actionName)
    : afMenuItem(title), m_actionName(actionName) {}

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
    const afActionTrigger* trigger = action ? action->findTrigger(AF_TRIGGER_SHORTCUT) : nullptr;
    return trigger ? trigger->text : std::wstring();
}

std::wstring afActionMenuItem::getTabText() const {
    const afAction* action = getAction();
    const afActionTrigger* trigger = action ? action->findTrigger(AF_TRIGGER_TAB) : nullptr;
    return trigger ? trigger->text : std::wstring();
}

int afActionMenuItem::execute() {
    afAction* action = getAction();
    if (!action) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE, L"afActionMenuItem::execute(): Command for item is NULL\n");
        return 0;
    }
    afActionEvent event;
    event.kind = AF_EVENT_MENU_ITEM;
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
            if (afFindAction(node->item)) {
                addItem(new afActionMenuItem(title, node->item));
            } else {
                afMenuItem* item = addItem(new afMenuItem(title));
                setItemEnabled(item, false);
            }
        }
    }
}
