#include "afw/action/afActionRegistry.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionTrigger.h"
#include "pel/base/Exception.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <algorithm>
#include <windows.h>

afActionRegistry::afActionRegistry() = default;

afActionRegistry::~afActionRegistry() {
    while (!m_actions.empty())
        afUnregisterAction(this, m_actions.back());
    m_contexts.clear();
    m_invokers.clear();
    m_names.clear();
}

afActionContext* afFindOrCreateActionContext(const wchar_t* name, afActionRegistry* registry) {
    if (!registry || !name || !*name)
        return nullptr;
    std::unique_ptr<afActionContext>& slot = registry->m_contexts[pel::crc32String(name)];
    if (!slot) {
        slot.reset(new afActionContext);
        slot->name = name;
    }
    return slot.get();
}

afAction* afRegisterAction(afActionRegistry* registry, afAction* action) {
    if (!action)
        throw pel::NullPointerException(L"action");
    if (!registry || registry->m_positions.count(action))
        return action;
    if (!action->getName().empty())
        registry->m_names.emplace(pel::crc32String(action->getName().c_str()), action);
    registry->m_positions[action] = registry->m_actions.insert(registry->m_actions.end(), action);
    action->m_registered = true;
    return action;
}

void afUnregisterAction(afActionRegistry* registry, afAction* action) {
    if (!registry || !action)
        return;
    const auto position = registry->m_positions.find(action);
    if (position == registry->m_positions.end())
        return;
    registry->m_actions.erase(position->second);
    registry->m_positions.erase(position);
    if (!action->getName().empty()) {
        const auto entry = registry->m_names.find(pel::crc32String(action->getName().c_str()));
        if (entry != registry->m_names.end() && entry->second == action) {
            // Another action of the id stays findable: the paired-character actions share theirs.
            const auto next =
                std::find_if(registry->m_actions.begin(), registry->m_actions.end(),
                             [action](const afAction* other) { return other->getName() == action->getName(); });
            if (next != registry->m_actions.end())
                entry->second = *next;
            else
                registry->m_names.erase(entry);
        }
    }
    const std::vector<afActionTrigger*> triggers = action->getTriggers();
    for (auto trigger = triggers.rbegin(); trigger != triggers.rend(); ++trigger)
        if (afActionInvoker* invoker = afFindInvoker(registry, (*trigger)->kind))
            invoker->removeTrigger(action, *trigger);
    action->m_registered = false;
    afDisposeAction(action);
}

afAction* afFindAction(const wchar_t* name, afActionRegistry* registry) {
    if (!registry || !name || !*name)
        return nullptr;
    const auto entry = registry->m_names.find(pel::crc32String(name));
    return entry != registry->m_names.end() ? entry->second : nullptr;
}

void afRegisterInvoker(afActionInvoker* invoker, afActionRegistry* registry, uint32_t kind) {
    if (invoker && registry)
        registry->m_invokers.emplace(kind, invoker);
}

afActionInvoker* afFindInvoker(afActionRegistry* registry, uint32_t kind) {
    if (!registry)
        return nullptr;
    const auto entry = registry->m_invokers.find(kind);
    return entry != registry->m_invokers.end() ? entry->second : nullptr;
}

void afRemoveInvoker(afActionRegistry* registry, afActionInvoker* invoker) {
    if (!registry || !invoker)
        return;
    for (auto entry = registry->m_invokers.begin(); entry != registry->m_invokers.end();)
        entry = entry->second == invoker ? registry->m_invokers.erase(entry) : std::next(entry);
}

size_t afCollectActions(afActionRegistry* registry, std::vector<afActionCandidate>& o_list,
                        tessel::ScopePath& contexts) {
    if (!registry)
        return 0;
    const size_t before = o_list.size();
    for (afAction* action : registry->getActions()) {
        tessel::ScopeRank rank;
        if (tessel::ScopeSelectorMatcher(action->getSelector(), contexts).match(&rank, true))
            o_list.push_back({rank.score, 0, action, nullptr});
    }
    return o_list.size() - before;
}

void afSortActionsByTitle(std::vector<afActionCandidate>& io_list) {
    // Each title read and upper-cased once.
    std::vector<std::pair<std::wstring, size_t>> keys;
    keys.reserve(io_list.size());
    for (size_t i = 0; i < io_list.size(); ++i) {
        std::wstring title = io_list[i].action->getTitle();
        if (!title.empty())
            ::CharUpperBuffW(&title[0], static_cast<DWORD>(title.size()));
        keys.emplace_back(std::move(title), i);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const std::pair<std::wstring, size_t>& a, const std::pair<std::wstring, size_t>& b) {
                         return a.first < b.first;
                     });
    std::vector<afActionCandidate> sorted;
    sorted.reserve(io_list.size());
    for (const auto& key : keys)
        sorted.push_back(io_list[key.second]);
    io_list.swap(sorted);
}
