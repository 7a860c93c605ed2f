#pragma once
// The process-wide registry the application object owns: every action (owned, in registration
// order, findable by id), the named handler slots (owned), and one invoker per trigger kind (not
// owned). Names are keyed by pel::crc32String. UI thread only.

#include "afw/action/afAction.h"

#include <list>
#include <map>
#include <memory>
#include <unordered_map>

class afActionInvoker;

class afActionRegistry {
public:
    afActionRegistry();
    // Deletes the handler slots and every action still registered (its triggers leave the
    // invokers still registered here). Invokers are removed and deleted by their owners first.
    ~afActionRegistry();
    afActionRegistry(const afActionRegistry&) = delete;
    afActionRegistry& operator=(const afActionRegistry&) = delete;

    const std::list<afAction*>& getActions() const { return m_actions; }

private:
    friend afActionContext* afFindOrCreateActionContext(const wchar_t* name, afActionRegistry* registry);
    friend afAction* afRegisterAction(afActionRegistry* registry, afAction* action);
    friend void afUnregisterAction(afActionRegistry* registry, afAction* action);
    friend afAction* afFindAction(const wchar_t* name, afActionRegistry* registry);
    friend void afRegisterInvoker(afActionInvoker* invoker, afActionRegistry* registry, uint32_t kind);
    friend afActionInvoker* afFindInvoker(afActionRegistry* registry, uint32_t kind);
    friend void afRemoveInvoker(afActionRegistry* registry, afActionInvoker* invoker);

    std::map<uint32_t, std::unique_ptr<afActionContext>> m_contexts;
    std::map<uint32_t, afActionInvoker*> m_invokers;
    std::list<afAction*> m_actions;
    std::map<uint32_t, afAction*> m_names;
    // Where each registered action stands in m_actions, so unregistering does not walk the list.
    std::unordered_map<const afAction*, std::list<afAction*>::iterator> m_positions;
};

// The slot of the name, made (with no handler) when missing; null for a null or empty name or
// a null registry.
afActionContext* afFindOrCreateActionContext(const wchar_t* name, afActionRegistry* registry);
// Takes the action into the registry: appended to the list and, when its id is not empty and not
// taken yet, findable by it. Returns the action. A null action is refused (NullPointerException).
afAction* afRegisterAction(afActionRegistry* registry, afAction* action);
// Takes the action out and deletes it with its triggers (through their invokers); nothing for
// an action the registry does not hold. When the id entry held this action, it passes to the
// next registered action of that id.
void afUnregisterAction(afActionRegistry* registry, afAction* action);
// The action the id finds, or null (an empty id finds nothing).
afAction* afFindAction(const wchar_t* name, afActionRegistry* registry);
inline afAction* afFindAction(const std::wstring& name, afActionRegistry* registry) {
    return afFindAction(name.c_str(), registry);
}
// The invoker of a kind; a kind that has one keeps it.
void afRegisterInvoker(afActionInvoker* invoker, afActionRegistry* registry, uint32_t kind);
afActionInvoker* afFindInvoker(afActionRegistry* registry, uint32_t kind);
// Takes the invoker out under every kind it was registered for.
void afRemoveInvoker(afActionRegistry* registry, afActionInvoker* invoker);
// Appends every registered action whose context expression matches the contexts anchored (at
// the innermost segment; an empty expression never does), in registration order, with its score
// and no trigger. The number appended.
size_t afCollectActions(afActionRegistry* registry, std::vector<afActionCandidate>& o_list,
                        tessel::ScopePath& contexts);
// Sorts by the actions' titles, ignoring case (upper-cased by the system), ordinal and stable.
void afSortActionsByTitle(std::vector<afActionCandidate>& io_list);
