#pragma once
// A command of the program (save, redo, insert a snippet): a dotted id, a context expression that
// says in which widgets it applies, a run operation that reaches whichever handler serves it at
// the time, and the triggers that start it (keys, typed characters, tab-trigger words). Also the
// named handler slots, the base of the classes that serve actions, and what a run receives.

#include "pel/base/Crc.h"
#include "pel/base/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessel {
class ScopePath;
class ScopeSelector;
} // namespace tessel

class afAction;
class afActionHandler;
class afActionRegistry;
class afActionTrigger;

// Kinds of triggers and of the events they start actions with (also the invokers' keys).
constexpr uint32_t AF_ACTION_KIND_DEFAULT = 0x218568E4;
constexpr uint32_t AF_ACTION_KIND_SHORTCUT = pel::crc32Literal("shortcut");       // 0x2EF83F9C
constexpr uint32_t AF_ACTION_KIND_CHARACTER = pel::crc32Literal("character");     // 0x937AB034
constexpr uint32_t AF_ACTION_KIND_TAB_TRIGGER = pel::crc32Literal("tab_trigger"); // 0x62CD67B8

// One handler name's slot: the handler that serves the name now, or null. Actions reach their
// handler through it, so a handler made later (a new window) serves actions registered before.
struct afActionContext {
    std::wstring name;
    afActionHandler* object = nullptr;
};

// The base of every class that serves actions (windows, editor commands, managers). Several
// handlers may share a name: the one attached last serves.
class afActionHandler {
public:
    // Finds or makes the slot of the name; a null registry or empty name leaves the handler
    // without one (it then serves nothing).
    afActionHandler(afActionRegistry* registry, const wchar_t* name);
    afActionHandler(afActionRegistry* registry, afActionContext* context);
    // Leaves the slot when this handler still serves it.
    virtual ~afActionHandler();
    afActionHandler(const afActionHandler&) = delete;
    afActionHandler& operator=(const afActionHandler&) = delete;

    // Makes this handler the one that serves the slot.
    void attachActionHandler();
    afActionRegistry* getActionRegistry() const { return m_registry; }
    afActionContext* getActionContext() const { return m_context; }

private:
    afActionRegistry* m_registry;
    afActionContext* m_context;
};

// What a run operation receives; subclasses add their data. contexts is the path of the widget
// where it happened (may be null), trigger may be null.
class afActionEvent {
public:
    explicit afActionEvent(uint32_t kind = AF_ACTION_KIND_DEFAULT) : kind(kind) {}
    virtual ~afActionEvent() = default;

    afAction* action = nullptr;
    afActionTrigger* trigger = nullptr;
    tessel::ScopePath* contexts = nullptr;
    uint32_t reserved = 0;
    uint32_t kind;
};

// An action offered for choosing (key ties, tab triggers, menus of a context), with its rank:
// the selector score and a second key (0, or a tab trigger's length).
struct afActionCandidate {
    uint64_t score = 0;
    uint64_t secondary = 0;
    afAction* action = nullptr;
    afActionTrigger* trigger = nullptr;
};

class afAction : public pel::Object {
public:
    // Called with the handler that serves the action at the time of the call.
    using RunOp = std::function<bool(afActionHandler& handler, afActionEvent& event)>;
    using StateOp = std::function<bool(afActionHandler& handler)>;

    static constexpr uint32_t TYPE = AF_ACTION_KIND_DEFAULT;
    // The action chooser shows the category of a bundle item's action beside its title.
    static constexpr uint32_t PRESENTATION_PLAIN = 0;
    static constexpr uint32_t PRESENTATION_ITEM = 2;

    // Deletes the compiled context expression; the triggers belong to their invokers.
    ~afAction() override;
    afAction(const afAction&) = delete;
    afAction& operator=(const afAction&) = delete;

    virtual std::wstring getTitle() const = 0;
    virtual std::wstring getCategory() const = 0;

    bool isRegistered() const { return m_registered; }
    uint32_t getType() const { return m_type; }
    uint32_t getOrigin() const { return m_origin; }
    const std::wstring& getName() const { return m_name; }
    const std::wstring& getContextText() const { return m_contextText; }
    const tessel::ScopeSelector& getSelector() const { return *m_selector; }
    uint32_t getIcon() const { return m_icon; }
    void setIcon(uint32_t icon) { m_icon = icon; }
    uint32_t getPresentation() const { return m_presentation; }
    const std::vector<afActionTrigger*>& getTriggers() const { return m_triggers; }
    afActionContext* getHandler() const { return m_handler; }
    // The handler serving the action now, or null.
    afActionHandler* getHandlerObject() const { return m_handler ? m_handler->object : nullptr; }

    // Appends a trigger not yet in the list (a null one is ignored).
    void addTrigger(afActionTrigger* trigger);
    // Takes the first occurrence out of the list; the trigger is not deleted.
    void removeTrigger(afActionTrigger* trigger);
    bool hasTrigger(const afActionTrigger* trigger) const;
    // The first trigger of the kind, or null.
    afActionTrigger* findTrigger(uint32_t kind) const;

    // Runs the operation on the handler serving the action now: its answer; false, nothing run,
    // when none serves. The operation may unregister (delete) this action: nothing of it is
    // touched after the operation returns.
    bool run(afActionEvent& event);
    // False when no handler serves the action; else the state operation's answer (true without one).
    bool isEnabled() const;

protected:
    // Compiles the context expression (null is empty); a selector the parser refuses throws its
    // exception out of the constructor.
    afAction(uint32_t origin, const wchar_t* name, uint32_t presentation, afActionContext* handler, RunOp runOp,
             StateOp stateOp, const wchar_t* contextText);
    // The type code handlers compare before taking an action for a subclass of theirs.
    void setType(uint32_t type) { m_type = type; }

private:
    friend afAction* afRegisterAction(afActionRegistry* registry, afAction* action);
    friend void afUnregisterAction(afActionRegistry* registry, afAction* action);

    bool m_registered = false;
    uint32_t m_type = TYPE;
    uint32_t m_origin;
    std::wstring m_name;
    std::wstring m_contextText;
    std::unique_ptr<tessel::ScopeSelector> m_selector;
    uint32_t m_icon = 0;
    uint32_t m_presentation;
    std::vector<afActionTrigger*> m_triggers;
    afActionContext* m_handler;
    RunOp m_runOp;
    StateOp m_stateOp;
};

// The ordinary action of the program's modules: a title, the category "Tessel".
class afActionSystem : public afAction {
public:
    // A null title is empty.
    afActionSystem(const wchar_t* title, afActionContext* handler, const wchar_t* name, const wchar_t* contextText,
                   RunOp runOp, StateOp stateOp = nullptr);

    std::wstring getTitle() const override { return m_title; }
    std::wstring getCategory() const override;

private:
    std::wstring m_title;
};

// Run and state operations of a member of the handler class. Should another class serve the
// name at the time, the run does nothing (false) and the state reads disabled.
template <class Handler> afAction::RunOp afRunOp(bool (Handler::*method)(afActionEvent&)) {
    return [method](afActionHandler& handler, afActionEvent& event) {
        Handler* object = dynamic_cast<Handler*>(&handler);
        return object && (object->*method)(event);
    };
}

template <class Handler> afAction::StateOp afStateOp(bool (Handler::*method)()) {
    return [method](afActionHandler& handler) {
        Handler* object = dynamic_cast<Handler*>(&handler);
        return object && (object->*method)();
    };
}
