#pragma once
// The lines of a menu: the node every line is (an item, a separator or a submenu, with a title,
// an icon key and a command id), plain items with optional check and enabled answers, and items
// that run a registered action, found again in the registry each time they are asked (bundle
// reloads delete actions while a menu is open). Also the events an action run from a menu gets.

#include "afw/action/afAction.h"
#include "afw/core/afDelegate.h"
#include "service/base/error/TaggedObject.h"

#include <cstdint>
#include <string>

class afMenu;
class afMenuItem;

namespace tessel {
class ScopePath;
}

// The kinds of the events of actions run from a menu item and of actions filling a context menu.
constexpr uint32_t AF_EVENT_MENU_ITEM_ACTIVATED = 0x251C1049;
constexpr uint32_t AF_EVENT_MENU_ACTIVATED = 0x294C94A9;

// An action run from a menu line: the action, the line and the contexts of the window.
class afActionEventMenuItemActivated : public afActionEvent {
public:
    afActionEventMenuItemActivated(afAction* i_action, afMenuItem* i_item, tessel::ScopePath* i_contexts)
        : afActionEvent(AF_EVENT_MENU_ITEM_ACTIVATED), item(i_item) {
        action = i_action;
        contexts = i_contexts;
    }

    afMenuItem* item;
};

// Asks the actions of a context to add their lines to the menu being built.
class afActionEventMenuActivated : public afActionEvent {
public:
    afActionEventMenuActivated(afMenu* i_menu, tessel::ScopePath* i_contexts)
        : afActionEvent(AF_EVENT_MENU_ACTIVATED), menu(i_menu) {
        contexts = i_contexts;
    }

    afMenu* menu;
};

class afMenuNode : public tessel::TaggedObject {
public:
    enum Kind : uint32_t { KIND_ITEM = 0, KIND_SEPARATOR = 1, KIND_MENU = 2 };

    ~afMenuNode() override;
    afMenuNode(const afMenuNode&) = delete;
    afMenuNode& operator=(const afMenuNode&) = delete;

    Kind getKind() const { return m_kind; }
    // Through the parent menu when there is one, so the Win32 line follows.
    void setTitle(const std::wstring& title);
    virtual std::wstring getTitle() const { return m_title; }
    // A key for afGetIcon, or 0.
    virtual uint32_t getIcon() const { return m_icon; }
    // The command id; submenus carry 0.
    uint16_t getId() const { return m_id; }
    afMenu* getParent() const { return m_parent; }

protected:
    afMenuNode(const std::wstring& title, Kind kind, uint32_t icon);

private:
    friend class afMenu;

    std::wstring m_title;
    // What the Win32 line was last given (afMenu; lines start enabled), so refreshes set only
    // what changed.
    std::wstring m_lineText;
    bool m_lineEnabled = true;
    Kind m_kind;
    uint32_t m_icon;
    uint16_t m_id = 0;
    afMenu* m_parent = nullptr;
};

// A line that runs something: plain items run nothing themselves (execute answers 0; whoever
// tracked the menu acts on the chosen line), subclasses run their command.
class afMenuItem : public afMenuNode {
public:
    using StateDelegate = afDelegate<bool()>;

    explicit afMenuItem(const std::wstring& title, Kind kind = KIND_ITEM);

    // A delegate that always answers false: lines that only inform ("Loading...").
    static StateDelegate alwaysFalse();

    void setEnabledDelegate(const StateDelegate& delegate) { m_enabled = delegate; }
    void setCheckedDelegate(const StateDelegate& delegate) { m_checked = delegate; }
    // The word shown in the accelerator column before any key text; empty for none.
    virtual std::wstring getTabText() const { return m_tabText; }
    virtual std::wstring getKeyText() const { return m_keyText; }
    void setTabText(const std::wstring& text) { m_tabText = text; }
    void setKeyText(const std::wstring& text) { m_keyText = text; }
    // The title, and the tab text or else the key text.
    virtual void getLineTexts(std::wstring& o_title, std::wstring& o_accelerator) const;
    // The enabled delegate's answer, true without one.
    virtual bool isEnabled() const;
    // The checked delegate's answer, false without one.
    virtual bool isChecked() const;
    // A line with a check mark draws it; with radio set too, as a bullet.
    void setCheckMark(bool on) { m_checkMark = on; }
    void setRadio(bool on) { m_radio = on; }
    bool hasCheckMark() const { return m_checkMark; }
    bool isRadio() const { return m_radio; }
    // 1 when a command ran and handled it; 0 for plain items.
    virtual int execute(tessel::ScopePath* contexts);

private:
    StateDelegate m_checked;
    StateDelegate m_enabled;
    std::wstring m_keyText;
    std::wstring m_tabText;
    bool m_checkMark = false;
    bool m_radio = false;
};

// A line that runs an action, made from the action or from its id. Titled by its own title, or
// the action's when that is empty; the accelerator column shows the action's first tab-trigger
// word, else its first shortcut. Enabled while the action is registered and enabled and the
// enabled delegate, when set, agrees.
class afActionMenuItem : public afMenuItem {
public:
    // A null registry is the application's, looked up at each use.
    afActionMenuItem(const std::wstring& title, const std::wstring& actionName, afActionRegistry* registry = nullptr);
    afActionMenuItem(const std::wstring& title, afAction* action, afActionRegistry* registry = nullptr);

    const std::wstring& getActionName() const { return m_actionName; }
    // The action, when it is still registered: an item made from an id looks it up by the id,
    // one made from an action checks that the action has not left the registry. Null otherwise.
    afAction* getAction() const;

    std::wstring getTitle() const override;
    uint32_t getIcon() const override;
    std::wstring getTabText() const override;
    std::wstring getKeyText() const override;
    // With one look-up of the action.
    void getLineTexts(std::wstring& o_title, std::wstring& o_accelerator) const override;
    bool isEnabled() const override;
    // Runs the action with an afActionEventMenuItemActivated: 1 when it handled it. Without the
    // action, logs "afActionMenuItem::execute(): Command for item is NULL" and answers 0.
    int execute(tessel::ScopePath* contexts) override;

private:
    static std::wstring triggerText(const afAction* action, uint32_t kind);
    afActionRegistry* registry() const;

    std::wstring m_actionName;
    afAction* m_action = nullptr; // only compared with the registry's, never used unchecked
    afActionRegistry* m_registry;
};
