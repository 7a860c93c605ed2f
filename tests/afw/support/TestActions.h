#pragma once
// Actions for the action tests: a handler that counts the runs that reach it, actions that count
// their deletions and may run a step of the test, a registry with both invokers, a scripted
// chooser, and context paths built from names.

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "service/parser/base/ScopePath.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

class CountingHandler : public afActionHandler {
public:
    CountingHandler(afActionRegistry* registry, const wchar_t* name = L"TestHandler")
        : afActionHandler(registry, name) {
        attachActionHandler();
    }
    bool onRun(afActionEvent& event) {
        ran.push_back(event.action);
        kinds.push_back(event.kind);
        if (step)
            step(event);
        return answer;
    }
    bool onState() { return enabled; }

    std::vector<afAction*> ran;
    std::vector<uint32_t> kinds;
    bool answer = true, enabled = true;
    std::function<void(afActionEvent&)> step;
};

// Counts the deletions of every action made here, by id.
inline std::map<std::wstring, int>& deletedActions() {
    static std::map<std::wstring, int> counts;
    return counts;
}

class CountedAction : public afActionSystem {
public:
    CountedAction(afActionContext* handler, const wchar_t* name, const wchar_t* context, const wchar_t* title = nullptr)
        : afActionSystem(title ? title : name, handler, name, context, afRunOp(&CountingHandler::onRun),
                         afStateOp(&CountingHandler::onState)) {}
    ~CountedAction() override { ++deletedActions()[getName()]; }
};

// A registry with the key and tab invokers and one attached handler.
struct ActionWorld {
    ActionWorld() {
        afRegisterInvoker(&keys, &registry, AF_ACTION_KIND_SHORTCUT);
        afRegisterInvoker(&keys, &registry, AF_ACTION_KIND_CHARACTER);
        afRegisterInvoker(&tabs, &registry, AF_ACTION_KIND_TAB_TRIGGER);
    }
    ~ActionWorld() {
        afRemoveInvoker(&registry, &keys);
        afRemoveInvoker(&registry, &tabs);
    }
    CountedAction* add(const wchar_t* name, const wchar_t* context, const wchar_t* title = nullptr) {
        return static_cast<CountedAction*>(
            afRegisterAction(&registry, new CountedAction(handler.getActionContext(), name, context, title)));
    }

    // Declared in this order: the invokers go before the registry, as the application does it.
    afActionRegistry registry;
    CountingHandler handler{&registry};
    afActionInvokerKey keys{&registry};
    afActionInvokerTab tabs{&registry};
};

// Installs a chooser for its lifetime that records the candidates it gets and answers with the
// script's choice (cancel unless set).
class ScriptedChooser {
public:
    ScriptedChooser() {
        m_previous = afSetActionChooser([this](afViewPlatform*, const std::vector<afActionCandidate>& candidates) {
            offered.push_back(candidates);
            return script ? script(candidates) : afActionChoice{0x5616C572, -1};
        });
    }
    ~ScriptedChooser() { afSetActionChooser(m_previous); }
    static afActionChoice ok(int row) { return {0x79DCDD47, row}; }

    std::function<afActionChoice(const std::vector<afActionCandidate>&)> script;
    std::vector<std::vector<afActionCandidate>> offered;

private:
    afActionChooser m_previous;
};

// A path of context names, innermost first.
inline std::unique_ptr<tessel::ScopePath> contextPath(const std::vector<std::wstring>& names) {
    std::unique_ptr<tessel::ScopePath> path(new tessel::ScopePath);
    for (const std::wstring& name : names)
        path->pushText(name.c_str(), true, 0);
    return path;
}

} // namespace tessel_test
