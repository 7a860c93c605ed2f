#include "service/parser/GrammarRuleSet.h"

#include "service/parser/ParserRule.h"

#include "pel/base/Crc.h"

#include <atomic>

namespace tessel {

GrammarRuleSet::~GrammarRuleSet() = default;

uint64_t GrammarRuleSet::nextSerial() {
    static std::atomic<uint64_t> s_serial{0};
    return ++s_serial;
}

void initGrammarRuleSet(GrammarRuleSet& set) { clearGrammarRuleSet(set); }

bool addRuleToGrammarRuleSet(GrammarRuleSet& set, ParserRule* rule) {
    if (!rule || set.m_rules.size() >= GrammarRuleSet::MAX_RULES)
        return false;
    set.m_rules.emplace_back(rule);
    set.m_serial = GrammarRuleSet::nextSerial();
    rule->ruleNumber = static_cast<uint16_t>(set.m_rules.size());
    rule->m_ruleSet = &set;
    return true;
}

bool registerRuleName(GrammarRuleSet& set, ParserRule* rule) {
    if (!rule)
        return false;
    return set.m_names.emplace(pel::crc32String(rule->scope.c_str()), rule).second;
}

const ParserRule* findRule(const std::wstring& name, const GrammarRuleSet& set) {
    if (name.empty())
        return nullptr;
    const auto found = set.m_names.find(pel::crc32String(name.c_str()));
    return found == set.m_names.end() ? nullptr : found->second;
}

void clearGrammarRuleSet(GrammarRuleSet& set) {
    set.m_names.clear();
    set.m_rules.clear();
    set.m_serial = GrammarRuleSet::nextSerial();
}

} // namespace tessel
