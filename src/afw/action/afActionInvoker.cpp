// The key invoker's tables, the bindings and the runs of keys and characters.

#include "afw/action/afActionInvoker.h"

#include "afw/action/afActionChooser.h"
#include "afw/action/afActionRegistry.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

namespace {

// Takes the trigger out of the table (the entry under its key that holds it), then out of its
// action's list, and deletes it. False when the table does not hold it.
bool eraseFrom(afActionInvokerKey::Table& table, uint32_t key, afActionTrigger* trigger) {
    const auto range = table.equal_range(key);
    for (auto entry = range.first; entry != range.second; ++entry)
        if (entry->second == trigger) {
            table.erase(entry);
            trigger->action->removeTrigger(trigger);
            afDisposeTrigger(trigger);
            return true;
        }
    return false;
}

void disposeAll(afActionInvokerKey::Table& table) {
    for (const auto& entry : table) {
        entry.second->action->removeTrigger(entry.second);
        afDisposeTrigger(entry.second);
    }
    table.clear();
}

// The unanchored rank of the action's context expression in the contexts; false when it does not
// apply there.
bool rankIn(const afAction& action, tessel::ScopePath& contexts, uint64_t* o_score) {
    tessel::ScopeRank rank;
    if (!tessel::ScopeSelectorMatcher(action.getSelector(), contexts).match(&rank, false))
        return false;
    *o_score = rank.score;
    return true;
}

} // namespace

afActionInvokerKey::~afActionInvokerKey() {
    disposeAll(m_shortcuts);
    disposeAll(m_characters);
}

void afActionInvokerKey::removeTrigger(afAction* action, afActionTrigger* trigger) {
    if (!action || !trigger || trigger->action != action)
        return;
    const auto* key = dynamic_cast<const afActionTriggerKey*>(trigger);
    if (!key)
        return;
    if (trigger->kind == AF_ACTION_KIND_SHORTCUT)
        eraseFrom(m_shortcuts, key->combination, trigger);
    else if (trigger->kind == AF_ACTION_KIND_CHARACTER)
        eraseFrom(m_characters, key->character, trigger);
}

afActionInvokerKey* afFindKeyInvoker(afActionRegistry* registry) {
    return dynamic_cast<afActionInvokerKey*>(afFindInvoker(registry, AF_ACTION_KIND_SHORTCUT));
}

afActionInvokerTab* afFindTabInvoker(afActionRegistry* registry) {
    return dynamic_cast<afActionInvokerTab*>(afFindInvoker(registry, AF_ACTION_KIND_TAB_TRIGGER));
}

afAction* afAddKeyTrigger(afActionInvokerKey* invoker, afAction* action, afKeyCombination combination, bool primary) {
    if (!invoker || !action || combination == 0)
        return action;
    auto* trigger = new afActionTriggerKey(action, combination, primary);
    invoker->m_shortcuts.emplace(combination, trigger);
    action->addTrigger(trigger);
    return action;
}

afAction* afAddKeyTriggerText(afActionInvokerKey* invoker, afAction* action, const std::wstring& text, bool primary) {
    return afAddKeyTrigger(invoker, action, afParseKeyCombination(text), primary);
}

afAction* afAddCharTrigger(wchar_t character, afActionInvokerKey* invoker, afAction* action) {
    if (!invoker || !action || character == 0)
        return action;
    auto* trigger = new afActionTriggerKey(action, character);
    invoker->m_characters.emplace(static_cast<uint32_t>(character), trigger);
    action->addTrigger(trigger);
    return action;
}

bool afInvokeKey(afActionInvokerKey* invoker, tessel::ScopePath& contexts, afViewPlatform* widget,
                 afKeyCombination combination) {
    if (!invoker)
        return false;
    std::vector<afActionCandidate> all, primary;
    uint64_t allBest = 0, primaryBest = 0;
    const auto range = invoker->getShortcuts().equal_range(combination);
    for (auto entry = range.first; entry != range.second; ++entry) {
        afActionTriggerKey* trigger = entry->second;
        uint64_t score = 0;
        if (!rankIn(*trigger->action, contexts, &score) || score < allBest)
            continue;
        const afActionCandidate candidate = {score, 0, trigger->action, trigger};
        if (trigger->primary) {
            if (score > primaryBest) {
                primary.clear();
                primaryBest = score;
            }
            primary.push_back(candidate);
        }
        if (score > allBest) {
            all.clear();
            allBest = score;
        }
        all.push_back(candidate);
    }
    // A single primary binding decides a tie, but never beats a better-ranked binding.
    const std::vector<afActionCandidate>& list = primary.size() == 1 && primaryBest == allBest ? primary : all;
    if (list.empty())
        return false;
    // The repeat of a tie's key while its chooser is open goes on like an unbound key.
    if (list.size() > 1 && afIsActionChooserOpen())
        return false;
    afActionEventKey event(AF_ACTION_KIND_SHORTCUT);
    event.contexts = &contexts;
    const int index = afShowActionSelectWindow(widget, list);
    if (index >= 0) {
        event.action = list[static_cast<size_t>(index)].action;
        event.trigger = list[static_cast<size_t>(index)].trigger;
        event.action->run(event);
    }
    return true;
}

bool afInvokeChar(afActionInvokerKey* invoker, tessel::ScopePath& contexts, wchar_t character) {
    if (!invoker)
        return false;
    afActionTriggerKey* chosen = nullptr;
    const auto range = invoker->getCharacters().equal_range(static_cast<uint32_t>(character));
    for (auto entry = range.first; entry != range.second; ++entry) {
        uint64_t score = 0;
        if (rankIn(*entry->second->action, contexts, &score) && score != 0)
            chosen = entry->second;
    }
    if (!chosen)
        return false;
    afActionEventKey event(AF_ACTION_KIND_CHARACTER);
    event.action = chosen->action;
    event.trigger = chosen;
    event.contexts = &contexts;
    return chosen->action->run(event);
}
