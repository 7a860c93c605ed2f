#pragma once
// Stand-ins for the menus that the bundle managers call before the framework's own menus exist:
// plain trees of items (no Win32 menu behind them), whose action items find their actions by id
// in the application's action registry. "Menus and menu definitions" replaces them and deletes
// this unit. UI thread only.

#include "afw/afAction.h"
#include "service/bundles/MenuDefNode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---- Menus

class afMenu;

// The kind of the event an action run from a menu item receives.
constexpr uint32_t AF_EVENT_MENU_ITEM = 0x251C1049;

// One line of a menu: an item, a separator or a submenu, with a title and an icon key
// (afGetIcon).
class afMenuNode {
public:
    enum Kind : uint32_t { KIND_ITEM = 0, KIND_SEPARATOR = 1, KIND_MENU = 2 };

    virtual ~afMenuNode();
    afMenuNode(const afMenuNode&) = delete;
    afMenuNode& operator=(const afMenuNode&) = delete;

    virtual std::wstring getTitle() const { return m_title; }
    virtual uint32_t getIcon() const { return m_icon; }
    Kind getKind() const { return m_kind; }
    afMenu* getParent() const { return m_parent; }

protected:
    afMenuNode(const std::wstring& title, Kind kind, uint32_t icon);

private:
    friend class afMenu;

    std::wstring m_title;
    Kind m_kind;
    uint32_t m_icon;
    afMenu* m_parent = nullptr;
};

// A plain item or a separator. Its own enabled state is kept: a line added disabled stays so
// however often the menu is refreshed.
class afMenuItem : public afMenuNode {
public:
    explicit afMenuItem(const std::wstring& title, Kind kind = KIND_ITEM);

    virtual bool isEnabled() const { return m_enabled; }
    // The key text of the item's shortcut; the word of its tab trigger. Empty for none.
    virtual std::wstring getKeyText() const { return std::wstring(); }
    virtual std::wstring getTabText() const { return std::wstring(); }
    // Runs what the item stands for: 1 when something handled it.
    virtual int execute() { return 0; }

private:
    friend class afMenu;

    bool m_enabled = true;
};

// An item that runs the action of an id, looked up each time (actions come and go with the
// bundle items). Titled by its own title, or the action's.
class afActionMenuItem : public afMenuItem {
public:
    afActionMenuItem(const std::wstring& title, const std::wstring& actionName);

    const std::wstring& getActionName() const { return m_actionName; }
    // The registered action of the id, or null.
    afAction* getAction() const;

    std::wstring getTitle() const override;
    uint32_t getIcon() const override;
    bool isEnabled() const override;
    std::wstring getKeyText() const override;
    std::wstring getTabText() const override;
    // Runs the action with a menu-item event; an id that resolves to nothing logs
    // "afActionMenuItem::execute(): Command for item is NULL" and answers 0.
    int execute() override;

private:
    std::wstring m_actionName;
};

// A menu or submenu: it owns its lines, in display order.
class afMenu : public afMenuNode {
public:
    explicit afMenu(const std::wstring& title, uint32_t icon = 0);
    ~afMenu() override;

    // Each takes the node (a null one is a hard check) and returns it.
    afMenuItem* addItem(afMenuItem* item);
    afMenu* addMenu(afMenu* menu);
    afMenuItem* addSeparator();
    // Sets the item's own state; an item of another menu is a hard check.
    void setItemEnabled(afMenuItem* item, bool enabled);
    // Deletes the line; false (one log line) when it is not one of this menu's.
    bool remove(afMenuNode* node);
    void clear();
    const std::vector<afMenuNode*>& getChildren() const { return m_children; }
    bool isEmpty() const { return m_children.empty(); }
    // Brings the lines up to date before the menu shows.
    virtual void update();

private:
    afMenuNode* adopt(afMenuNode* node);

    std::vector<afMenuNode*> m_children;
};

// A submenu built from a menu definition each time it is brought up to date: separators, child
// submenus (those with lines) and items by action id, titled by titleOf(id) (the bundle manager
// names its items); an item whose action is not registered shows disabled.
class afMenuDef : public afMenu {
public:
    using TitleOf = std::function<std::wstring(const std::wstring& id)>;

    // Builds the lines at once. A null definition is a hard check naming "definition".
    afMenuDef(const std::wstring& title, uint32_t icon, tessel::MenuDefNodePtr definition, TitleOf titleOf);

    const tessel::MenuDefNodePtr& getDefinition() const { return m_definition; }
    void update() override;

private:
    tessel::MenuDefNodePtr m_definition;
    TitleOf m_titleOf;
};
