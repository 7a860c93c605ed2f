#pragma once
// Stand-ins for the parts of the action system, its triggers and the menus that the bundle
// managers call before the framework's own items exist: an in-process registry of actions with
// their handler contexts, key and tab-trigger bindings, and menus as plain trees of items (no
// Win32 menu behind them). "Key combinations, the action registry and key dispatch" replaces
// the actions, keys and triggers here, "Menus and menu definitions" the menus; each deletes its
// part of this unit. UI thread only.

#include "service/bundles/MenuDefNode.h"

#include "pel/base/Crc.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---- Key combinations

// A virtual-key code in the low byte and the modifier keys held with it above; 0 is no key.
using afKeyCombination = uint32_t;
enum : uint32_t {
    AF_KEY_CTRL = 0x100,
    AF_KEY_SHIFT = 0x200,
    AF_KEY_ALT = 0x400,
    AF_KEY_RIGHT_ALT = 0x800,
    AF_KEY_LEFT_WIN = 0x1000,
    AF_KEY_RIGHT_WIN = 0x2000,
};

// Key names joined by "+" ("Ctrl+Shift+Z", "F4", "Ctrl++"): the last name gives the key, the
// modifier names their bits. 0 for an empty text, an unknown name or another separator.
afKeyCombination afParseKeyCombination(const std::wstring& text);

// ---- Actions

class afAction;
class afActionHandler;

// The handler slot that actions of one handler name run through; its object is the handler
// that serves the name now, or null.
struct afActionContext {
    std::wstring name;
    afActionHandler* object = nullptr;
};

// The kinds of triggers, and of the events that they start actions with.
constexpr uint32_t AF_TRIGGER_SHORTCUT = pel::crc32Literal("shortcut");       // 0x2EF83F9C
constexpr uint32_t AF_TRIGGER_TAB = pel::crc32Literal("tab_trigger");         // 0x62CD67B8
constexpr uint32_t AF_EVENT_MENU_ITEM = 0x251C1049;                           // a menu item was chosen
constexpr uint32_t AF_EVENT_DEFAULT = 0x218568E4;

// One way of starting an action: a key combination or a tab-trigger word (text).
struct afActionTrigger {
    afAction* action;
    uint32_t kind;
    afKeyCombination combination; // 0 for a tab trigger
    std::wstring text;            // the word of a tab trigger; the key names of a shortcut
};

// What an action's run callback receives.
struct afActionEvent {
    afAction* action = nullptr;
    const afActionTrigger* trigger = nullptr;
    uint32_t kind = AF_EVENT_DEFAULT;
};

// The base of every object that serves actions (managers, windows, editor commands). It
// finds or makes the context of its name; attaching makes it the context's object, and it
// leaves the context when it goes.
class afActionHandler {
public:
    explicit afActionHandler(const wchar_t* contextName);
    virtual ~afActionHandler();
    afActionHandler(const afActionHandler&) = delete;
    afActionHandler& operator=(const afActionHandler&) = delete;

    afActionContext* getActionContext() const { return m_context; }
    void attachActionHandler();

private:
    afActionContext* m_context;
};

// A command: a dotted id (several actions may share one), a title, the widget context
// expression it applies in, the handler context it runs through and its run callback. The
// registry owns it from afRegisterAction to afUnregisterAction; its triggers go with it.
class afAction {
public:
    using RunOp = std::function<bool(afActionEvent& event)>;

    // Presentations: the action chooser shows the category of a bundle item's action.
    static constexpr uint32_t PRESENTATION_PLAIN = 0;
    static constexpr uint32_t PRESENTATION_ITEM = 2;

    afAction(const std::wstring& name, const std::wstring& title, const std::wstring& contextText,
             afActionContext* handler, RunOp run, uint32_t presentation = PRESENTATION_PLAIN);
    virtual ~afAction();
    afAction(const afAction&) = delete;
    afAction& operator=(const afAction&) = delete;

    virtual std::wstring getTitle() const;
    // "Tessel" unless a subclass tells better (a bundle item's bundle).
    virtual std::wstring getCategory() const;

    const std::wstring& getName() const { return m_name; }
    const std::wstring& getContextText() const { return m_contextText; }
    afActionContext* getHandler() const { return m_handler; }
    uint32_t getPresentation() const { return m_presentation; }
    uint32_t getIcon() const { return m_icon; }
    void setIcon(uint32_t icon) { m_icon = icon; }
    bool isRegistered() const { return m_registered; }

    const std::vector<std::unique_ptr<afActionTrigger>>& getTriggers() const { return m_triggers; }
    // The first trigger of the kind, or null.
    const afActionTrigger* findTrigger(uint32_t kind) const;
    void addTrigger(uint32_t kind, afKeyCombination combination, const std::wstring& text);

    // Runs the callback when the handler context has an object: its answer (handled); false,
    // nothing run, otherwise.
    bool run(afActionEvent& event);
    bool isEnabled() const;

private:
    friend afAction* afRegisterAction(afAction* action);
    friend void afUnregisterAction(afAction* action);

    bool m_registered = false;
    std::wstring m_name;
    std::wstring m_title;
    std::wstring m_contextText;
    afActionContext* m_handler;
    RunOp m_run;
    uint32_t m_presentation;
    uint32_t m_icon = 0;
    std::vector<std::unique_ptr<afActionTrigger>> m_triggers;
};

// The context of the name, made when missing; null for an empty name. Contexts live until
// the process ends.
afActionContext* afFindOrCreateActionContext(const wchar_t* name);
// Takes the action (a null one is a hard check naming "action") into the registry; returns it.
afAction* afRegisterAction(afAction* action);
// Takes the action out of the registry and deletes it with its triggers; an action the
// registry does not hold is left alone. Others of the same id stay.
void afUnregisterAction(afAction* action);
// The first registered action of the id, or null.
afAction* afFindAction(const std::wstring& name);
// The registered actions in the order they were registered.
const std::vector<afAction*>& afGetRegisteredActions();
// Binds the key combination to the action; nothing for 0. Returns the action.
afAction* afAddKeyTrigger(afAction* action, afKeyCombination combination);
// Binds the word to the action as its tab trigger; nothing for an empty word. Returns the
// action.
afAction* afAddTabTrigger(const std::wstring& word, afAction* action);
// The registered actions bound to the combination, or to the tab-trigger word, in the order
// they were registered.
std::vector<afAction*> afFindKeyActions(afKeyCombination combination);
std::vector<afAction*> afFindTabActions(const std::wstring& word);

// An action offered to the user (the action chooser, menus of actions), with its rank.
struct afActionCandidate {
    uint64_t score = 0;
    uint64_t secondary = 0;
    afAction* action = nullptr;
    const afActionTrigger* trigger = nullptr;
};
// Sorts by the actions' titles, ignoring case, ascending.
void afSortActionsByTitle(std::vector<afActionCandidate>& list);

// ---- Menus

class afMenu;

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
    afAction* getAction() const { return afFindAction(m_actionName); }

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
