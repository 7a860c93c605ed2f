#pragma once
// Menus filled without addItem calls by hand: a menu definition (afMenuDef) rebuilds its lines
// from a shared definition tree each time it is brought up to date, so lines follow the actions
// that come and go with the bundles; the context-menu builder asks every action that applies to
// a widget's contexts to add its own lines.

#include "afw/menu/afMenu.h"
#include "service/bundles/MenuDefNode.h"

#include <functional>
#include <memory>
#include <string>

namespace tessel {
class ScopePath;
}

class afMenuDef : public afMenu {
public:
    // Names a line by its action id when the action is not registered (a disabled bundle item);
    // empty when it knows none.
    using TitleSource = std::function<std::wstring(const std::wstring& id)>;

    // A new, empty definition menu; a null definition is a hard check. Child definitions take
    // the same title source.
    static std::unique_ptr<afMenuDef> createDef(const std::wstring& title, uint32_t icon,
                                             tessel::MenuDefNodePtr definition, TitleSource titleSource = nullptr);

    afMenuDef(const std::wstring& title, uint32_t icon, tessel::MenuDefNodePtr definition, TitleSource titleSource);

    const tessel::MenuDefNodePtr& getDefinition() const { return m_definition; }
    // Rebuilds the lines from the definition, then refreshes them and the child menus (which
    // rebuild in turn): separators; submenus that have entries; an action's line, or, when the
    // action is not registered, a disabled line titled by the entry or the title source (none
    // when neither names it). Leading lines that are already what their entries make stay, with
    // their texts set again; the rest is made anew.
    void update() override;

private:
    void addEntry(const tessel::MenuDefNodePtr& shared);
    // Whether the line at the position is the one the entry makes now, so it can stay.
    bool matches(const tessel::MenuDefNode& entry, const afMenuNode& line) const;

    tessel::MenuDefNodePtr m_definition;
    TitleSource m_titleSource;
};

// A new popup menu for the contexts: every registered action whose context expression matches
// them runs, highest rank first (ties in registration order), with one afActionEventMenuActivated
// that carries the contexts and the menu, and adds its lines. Empty when none matches. A null
// registry is the application's.
std::unique_ptr<afMenu> afBuildContextMenu(tessel::ScopePath& contexts, afActionRegistry* registry = nullptr);
