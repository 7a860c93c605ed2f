#include "service/parser/RuleSetHolder.h"

#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"

#include "pel/thread/MainThread.h"

#include <algorithm>

namespace tessel {

RuleSetHolder::~RuleSetHolder() = default;

std::unique_ptr<GrammarRuleSetHolder> createGrammarRuleSetHolder() { return std::make_unique<RuleSetHolder>(); }

const ParserRule* RuleSetHolder::resolve(const std::wstring& name) const {
    return m_ruleSet ? findRule(name, *m_ruleSet) : nullptr;
}

const ParserRule* RuleSetHolder::resolved(const std::wstring& name) const {
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? nullptr : found->second.rule;
}

void RuleSetHolder::subscribe(const std::wstring& name, const void* owner, Callback callback) {
    pel::check_main_thread();
    Entry& entry = m_entries[name];
    if (entry.subscribers.empty())
        entry.rule = resolve(name);
    for (Subscriber& subscriber : entry.subscribers)
        if (subscriber.owner == owner) {
            subscriber.callback = std::move(callback);
            return;
        }
    entry.subscribers.push_back({owner, std::move(callback)});
}

void RuleSetHolder::cancel(const std::wstring& name, const void* owner) {
    pel::check_main_thread();
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return;
    std::vector<Subscriber>& subscribers = found->second.subscribers;
    subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                                     [owner](const Subscriber& each) { return each.owner == owner; }),
                      subscribers.end());
    if (subscribers.empty())
        m_entries.erase(found);
}

void RuleSetHolder::cancelAll(const void* owner) {
    pel::check_main_thread();
    std::vector<std::wstring> names;
    for (const auto& entry : m_entries)
        names.push_back(entry.first);
    for (const std::wstring& name : names)
        cancel(name, owner);
}

bool RuleSetHolder::ask(const std::wstring& name, const Callback& callback) {
    pel::check_main_thread();
    const ParserRule* rule = resolve(name);
    if (!rule)
        return false;
    if (callback)
        callback(name, rule);
    return true;
}

void RuleSetHolder::tell(const std::wstring& name) {
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return;
    // A copy: callbacks may change the subscriptions.
    const std::vector<Subscriber> subscribers = found->second.subscribers;
    const ParserRule* rule = found->second.rule;
    for (const Subscriber& subscriber : subscribers)
        if (subscriber.callback)
            subscriber.callback(name, rule);
}

void RuleSetHolder::replaceGrammarRuleSet(std::shared_ptr<GrammarRuleSet> ruleSet) {
    pel::check_main_thread();
    if (ruleSet == m_ruleSet)
        return;
    std::vector<std::wstring> names;
    for (const auto& entry : m_entries)
        names.push_back(entry.first);
    for (const std::wstring& name : names) {
        const auto found = m_entries.find(name);
        if (found == m_entries.end() || !found->second.rule)
            continue;
        found->second.rule = nullptr;
        tell(name);
    }
    m_ruleSet = std::move(ruleSet);
    for (const std::wstring& name : names) {
        const auto found = m_entries.find(name);
        if (found == m_entries.end())
            continue;
        found->second.rule = resolve(name);
        if (found->second.rule)
            tell(name);
    }
}

} // namespace tessel
