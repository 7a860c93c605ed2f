#pragma once
// The compiled form of all installed grammars: the rules in number order (a rule's number is its
// place counted from 1, which scope records keep) and the root rule of each grammar by the
// CRC-32 of its scope name. The set owns its rules; built on one thread and handed over whole,
// it is never changed once installed.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessel {

class ParserRule;

class GrammarRuleSet {
public:
    // Rule numbers are 16-bit and scope records keep them: at most this many rules.
    static constexpr size_t MAX_RULES = 65535;

    GrammarRuleSet() = default;
    ~GrammarRuleSet();
    GrammarRuleSet(const GrammarRuleSet&) = delete;
    GrammarRuleSet& operator=(const GrammarRuleSet&) = delete;

    // The rule of a number, none for 0 or a number past the last.
    const ParserRule* rule(uint32_t number) const {
        return number >= 1 && number <= m_rules.size() ? m_rules[number - 1].get() : nullptr;
    }
    size_t size() const { return m_rules.size(); }
    // Differs between any two sets, and for one set after each change: what a reader learned of
    // its rules holds while the serial does.
    uint64_t serial() const { return m_serial; }

private:
    friend void initGrammarRuleSet(GrammarRuleSet& set);
    friend bool addRuleToGrammarRuleSet(GrammarRuleSet& set, ParserRule* rule);
    friend bool registerRuleName(GrammarRuleSet& set, ParserRule* rule);
    friend const ParserRule* findRule(const std::wstring& name, const GrammarRuleSet& set);
    friend void clearGrammarRuleSet(GrammarRuleSet& set);

    std::vector<std::unique_ptr<ParserRule>> m_rules;
    std::unordered_map<uint32_t, ParserRule*> m_names;
    uint64_t m_serial = nextSerial();

    static uint64_t nextSerial();
};

// Empties the set (its rules deleted).
void initGrammarRuleSet(GrammarRuleSet& set);
// Appends the rule, which the set then owns, and numbers it with the new count; false (the rule
// still the caller's) when the set holds MAX_RULES already.
bool addRuleToGrammarRuleSet(GrammarRuleSet& set, ParserRule* rule);
// Enters the rule under the CRC-32 of its scope name; false when that name has a rule already.
bool registerRuleName(GrammarRuleSet& set, ParserRule* rule);
// The rule registered for the scope name; none for an empty name.
const ParserRule* findRule(const std::wstring& name, const GrammarRuleSet& set);
void clearGrammarRuleSet(GrammarRuleSet& set);

} // namespace tessel
