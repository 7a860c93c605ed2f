#pragma once
// One compilation of all installed grammars into the rule set the parser runs, on the compile
// thread. Two phases: records are made for every pattern reachable from each grammar (a
// pattern reached under another injection gets a record of its own, one reached again shares
// its record); rules are built from the records, each match and begin/end pattern becoming a
// rule whose expression is an alternative of its parent's rule (each distinct expression
// compiled once). The stop test is made between the steps; a stopped compilation gives no set.
//
// The grammars and their pattern trees are only read: the grammar manager keeps them unchanged
// while a compilation runs.

#include "service/base/RegExSource.h"
#include "service/parser/ParserRule.h"

#include "pel/base/Crc.h"

#include <boost/intrusive_ptr.hpp>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class GrammarBundleItem;
class GrammarBundleItemPattern;
class GrammarRuleSet;
class ParserRule;

// The installed grammars by scope name.
using GrammarMap = std::map<std::wstring, boost::intrusive_ptr<GrammarBundleItem>>;

// A pattern as compiled in one injection context: the rule it became (match and begin/end
// patterns) and the records whose patterns join its rule or its parent's.
struct CompileRecord {
    const GrammarBundleItemPattern* pattern = nullptr;
    const CompileRecord* inject = nullptr;
    ParserRule* rule = nullptr;
    std::vector<CompileRecord*> subRecords;
    // The match or begin expression as the rule's alternative: groups nothing reads do not
    // capture.
    RegExSource alternative;
};

class GrammarBundleItemCompiler {
public:
    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("bundles"); // 0xD8A73A98
    // Includes nested deeper than this (a chain through a repository or from grammar to
    // grammar) are left out with a log line: every rule flattens the chain below it.
    static constexpr uint32_t MAX_INCLUDE_DEPTH = 1000;

    // stopped() is asked between the steps; null: never stopped.
    GrammarBundleItemCompiler(const GrammarMap* grammars, std::function<bool()> stopped);
    ~GrammarBundleItemCompiler();
    GrammarBundleItemCompiler(const GrammarBundleItemCompiler&) = delete;
    GrammarBundleItemCompiler& operator=(const GrammarBundleItemCompiler&) = delete;

    // Every grammar of the map compiled into a new rule set; null when stopped. A null map is
    // a hard check naming "repository".
    std::shared_ptr<GrammarRuleSet> compile();

private:
    using RecordKey = std::pair<const GrammarBundleItemPattern*, const CompileRecord*>;

    bool stopped() const { return m_stopped && m_stopped(); }
    // The record of the pattern under the current injection; created tells whether it is new.
    CompileRecord* record(const GrammarBundleItemPattern* pattern, bool* created);

    // Phase 1: a step of the walk over the pattern trees and the includes between them.
    struct CompileStep {
        enum Kind { PATTERN, GRAMMAR, INCLUDE_TARGET, END_INCLUDE, PUSH_INJECT, POP_INJECT, END_GRAMMAR };
        static CompileStep ofPattern(CompileRecord* record, const GrammarBundleItemPattern* pattern) {
            CompileStep step;
            step.record = record;
            step.pattern = pattern;
            return step;
        }
        Kind kind = PATTERN;
        CompileRecord* record = nullptr; // the parent record (the include's for INCLUDE_TARGET)
        const GrammarBundleItemPattern* pattern = nullptr;
        const GrammarBundleItem* grammar = nullptr;
    };
    void walk(const CompileStep& first);
    void visitGrammar(CompileRecord* parent, const GrammarBundleItem* grammar, std::vector<CompileStep>& io_steps);
    void visitPattern(CompileRecord* parent, const GrammarBundleItemPattern* pattern, std::vector<CompileStep>& io_steps);
    void visitIncludeTarget(CompileRecord* rec, const GrammarBundleItemPattern* pattern, std::vector<CompileStep>& io_steps);
    static void pushChildren(CompileRecord* rec, const GrammarBundleItemPattern* pattern, std::vector<CompileStep>& io_steps);
    void pushInclude(CompileRecord* rec, const GrammarBundleItemPattern* pattern, std::vector<CompileStep>& io_steps);
    // Phase 2: a record to build under its parent's rule, or (finish) one whose alternatives
    // are in, to join its parent's rule.
    struct BuildStep {
        CompileRecord* parent;
        CompileRecord* record;
        bool finish;
    };
    void buildRules();
    void buildRule(CompileRecord* root);
    static void pushSubRecords(CompileRecord* parent, const CompileRecord* rec, std::vector<BuildStep>& io_steps);
    void addAlternative(CompileRecord& parent, const CompileRecord& rec);
    // A new rule of the set, or null (logged) when the set is full.
    ParserRule* addRule(const std::wstring& name, const std::wstring& scope);
    void addCaptureRules(const std::map<uint32_t, std::wstring>& captures, std::map<uint32_t, ParserRule*>* o_rules);
    // The rule's alternative with only the groups its captures and end pattern read capturing,
    // and those renumbered in the rule.
    static void prepareAlternative(CompileRecord& record, const RegExSource& source);

    const GrammarMap* m_grammars;
    std::function<bool()> m_stopped;
    std::shared_ptr<GrammarRuleSet> m_ruleSet;
    std::vector<const GrammarBundleItem*> m_grammarStack;
    std::map<RecordKey, std::unique_ptr<CompileRecord>> m_records;
    std::vector<CompileRecord*> m_injectStack;
    uint32_t m_includeDepth = 0;
    CompileRecord m_rootList;
    // Pass-through records (roots, includes, groups) already expanded into a parent's rule:
    // expanding one again adds nothing, and a cycle of them would never end.
    std::set<std::pair<const CompileRecord*, const CompileRecord*>> m_expanded;
    bool m_fullLogged = false;
    // Each alternative's pattern compiled once, however many rules it joins.
    PatternCache m_patterns;
};

} // namespace tessel
