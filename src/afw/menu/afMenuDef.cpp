#include "afw/menu/afMenuDef.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"

#include "pel/base/Assert.h"

#include <algorithm>
#include <vector>

std::unique_ptr<afMenuDef> afMenuDef::createDef(const std::wstring& title, uint32_t icon,
                                             tessel::MenuDefNodePtr definition, TitleSource titleSource) {
    std::unique_ptr<afMenuDef> menu(new afMenuDef(title, icon, std::move(definition), std::move(titleSource)));
    return menu->afMenu::create() ? std::move(menu) : nullptr;
}

afMenuDef::afMenuDef(const std::wstring& title, uint32_t icon, tessel::MenuDefNodePtr definition,
                     TitleSource titleSource)
    : afMenu(title, icon, false), m_definition(std::move(definition)), m_titleSource(std::move(titleSource)) {
    PEL_CHECK_PTR(m_definition);
}

void afMenuDef::addEntry(const tessel::MenuDefNodePtr& shared) {
    const tessel::MenuDefNode& entry = *shared;
    if (entry.isSeparator) {
        addSeparator();
        return;
    }
    if (entry.isSubmenu) {
        if (entry.children.empty())
            return;
        addMenu(createDef(entry.title, 0, shared, m_titleSource).release());
        return;
    }
    if (!entry.isItem)
        return;
    if (afFindAction(entry.item, afApp::getActionRegistry())) {
        addItem(new afActionMenuItem(entry.title, entry.item));
        return;
    }
    const std::wstring title = entry.title.empty() && m_titleSource ? m_titleSource(entry.item) : entry.title;
    if (title.empty())
        return; // a blank disabled line would tell nothing
    afMenuItem* line = addItem(new afMenuItem(title));
    line->setEnabledDelegate(afMenuItem::alwaysFalse());
}

bool afMenuDef::matches(const tessel::MenuDefNode& entry, const afMenuNode& line) const {
    if (entry.isSeparator)
        return line.getKind() == KIND_SEPARATOR;
    if (entry.isSubmenu) {
        const afMenuDef* menu = line.getKind() == KIND_MENU ? dynamic_cast<const afMenuDef*>(&line) : nullptr;
        return menu && menu->m_definition.get() == &entry && menu->afMenuNode::getTitle() == entry.title;
    }
    const afActionMenuItem* item = line.getKind() == KIND_ITEM ? dynamic_cast<const afActionMenuItem*>(&line) : nullptr;
    return item && !item->hasCheckMark() && !item->isRadio() && item->getActionName() == entry.item &&
           item->afMenuNode::getTitle() == entry.title;
}

void afMenuDef::update() {
    const std::vector<tessel::MenuDefNodePtr>& entries = m_definition->children;
    afActionRegistry* registry = afApp::getActionRegistry();
    size_t line = 0;
    auto entry = entries.begin();
    for (; entry != entries.end() && line < getChildren().size(); ++entry) {
        const tessel::MenuDefNode& wanted = **entry;
        if (wanted.isSubmenu ? wanted.children.empty() : !wanted.isSeparator && !wanted.isItem)
            continue; // makes no line
        // An action that left the registry makes a disabled line: made anew from here.
        if (!wanted.isSeparator && !wanted.isSubmenu && !afFindAction(wanted.item, registry))
            break;
        if (!matches(wanted, *getChildren()[line]))
            break;
        if (wanted.isItem)
            refreshLineText(line);
        ++line;
    }
    truncate(line);
    for (; entry != entries.end(); ++entry)
        addEntry(*entry);
    afMenu::update();
}

std::unique_ptr<afMenu> afBuildContextMenu(tessel::ScopePath& contexts, afActionRegistry* registry) {
    std::unique_ptr<afMenu> menu = afMenu::createPopup(std::wstring());
    if (!registry)
        registry = afApp::getActionRegistry();
    std::vector<afActionCandidate> candidates;
    if (!menu || !registry || afCollectActions(registry, candidates, contexts) == 0)
        return menu;
    std::stable_sort(candidates.begin(), candidates.end(), [](const afActionCandidate& a, const afActionCandidate& b) {
        return a.score != b.score ? a.score > b.score : a.secondary > b.secondary;
    });
    afActionEventMenuActivated event(menu.get(), &contexts);
    for (const afActionCandidate& candidate : candidates) {
        if (!candidate.action->getHandlerObject())
            continue;
        event.action = candidate.action;
        candidate.action->run(event);
    }
    menu->update();
    return menu;
}
