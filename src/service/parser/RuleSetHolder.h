#pragma once
// The grammar rule-set holder of a DocumentManager: keeps the installed rule set and, for each
// grammar name someone subscribed to, the root rule that name resolves to in it. A new set
// replaces the old one in three moves: every subscriber of a name that had a rule hears "none"
// while the old rules still exist (a DocumentManager then resets each document of that grammar
// under its lock, so no parse step holds an old rule and no job keeps end patterns built from
// one), the old set is deleted, and the names that resolve in the new set are told their new
// rule. Main thread only.

#include "service/parser/base/GrammarRuleSetHolder.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class ParserRule;

class RuleSetHolder : public GrammarRuleSetHolder {
public:
    RuleSetHolder() = default;
    ~RuleSetHolder() override;

    void subscribe(const std::wstring& name, const void* owner, Callback callback) override;
    void cancel(const std::wstring& name, const void* owner) override;
    void cancelAll(const void* owner) override;
    // Answers at once: true with the callback called when the installed set has the grammar,
    // false otherwise (subscribers hear of it when a set that has it comes).
    bool ask(const std::wstring& name, const Callback& callback) override;
    void replaceGrammarRuleSet(std::shared_ptr<GrammarRuleSet> ruleSet) override;

    const GrammarRuleSet* ruleSet() const { return m_ruleSet.get(); }
    // The rule a subscribed name resolves to now, none for a name without subscribers.
    const ParserRule* resolved(const std::wstring& name) const;

private:
    struct Subscriber {
        const void* owner;
        Callback callback;
    };
    struct Entry {
        const ParserRule* rule = nullptr;
        std::vector<Subscriber> subscribers;
    };

    // Calls each subscriber of the entry with its rule; a callback may subscribe or cancel.
    void tell(const std::wstring& name);
    const ParserRule* resolve(const std::wstring& name) const;

    std::shared_ptr<GrammarRuleSet> m_ruleSet;
    std::map<std::wstring, Entry> m_entries;
};

std::unique_ptr<GrammarRuleSetHolder> createGrammarRuleSetHolder();

} // namespace tessel
