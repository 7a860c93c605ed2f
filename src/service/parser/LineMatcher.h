#pragma once
// Parses one line of a Document with its compiled grammar, from the state the previous line left
// (a stack of pairs: dynamic end-pattern index, scope index), and stores the line's record in its
// header: the start state, the scope runs (column, scope index) and the end state (the layout of
// service/parser/base/LineRecord.h). One matcher per parse worker: it keeps the scratch space of
// the regular expressions and the record; a parse step binds it to a document, its rule set and
// its job's end-pattern store, under the Document lock.
//
// At each position the rule's end pattern is tried, then its sub-rules' patterns, as an anchored
// walk would; each is searched forward and its result reused until the position passes it, so a
// long line costs one search per token instead of one match per character. The sub-rules'
// patterns are searched as a set (each compiled by itself, the first in the rule's order winning
// at the first position where any matches), whose state is the matcher's own (one per worker,
// made on first use in a bound step); on a line longer than SET_SEARCH_LONGEST_LINE, where every
// set search would look for the shortcuts of each pattern over the rest of the line again, as
// the rule's composite: one alternation of them all, with the same results. At the line's end, after
// its line feed, only end patterns are tried (an end such as "(?<=\n)" matches only there).
//
// \G holds only at the anchor: where the begin match of the rule on top ended, when that rule
// opened on this line; nowhere on the lines after. Closing a rule brings back its parent's anchor.
//
// A line stops early, keeping the state it reached, after 1000 iterations that did not move, when
// the engine ends a call in an error (its retry limits), or when the line has taken longer than
// LINE_BUDGET_MS. The budget is checked between engine calls, so one call's work is bounded too:
// by CALL_RETRY_LIMIT backtracking steps over all of its start positions.

#include "service/parser/base/LineRecord.h"

#include "pel/text/search/MatchResults.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pel {
class RegEx;
class RegExSetSearch;
}

namespace tessel {

class Document;
class DocumentScope;
class DynamicEndStore;
class GrammarRuleSet;
class ParserRule;

// Milliseconds of a monotonic clock, which the tests replace.
using ParserClock = std::function<uint32_t()>;

class LineMatcher {
public:
    // Iterations at one position (empty matches) after which a line stops.
    static constexpr int MAX_STALLED_ITERATIONS = 1000;
    // Pairs a state holds at most: no rule opens beyond.
    static constexpr size_t MAX_DEPTH = 1000;
    // The last column a run may start at; the rest of a longer line keeps the last run's scope.
    static constexpr uint32_t MAX_COLUMN = 65535;
    // The time one line may take, checked between calls of the engine.
    static constexpr uint32_t LINE_BUDGET_MS = 500;
    // Backtracking steps one engine call may take at first. Between two steps the engine may scan
    // the rest of the line without counting (a*a*c over "aaa...abc"), so the bound alone does not
    // bound time: a call that reaches it at more than CALL_CHEAP_STEP_US a step, CALL_SLOW_TRIES
    // times (so that pauses of the thread are not taken for a slow pattern), ends the line; one
    // that reaches it sooner (many cheap steps, as on a long minified line) runs again with a
    // bound CALL_RETRY_GROWTH times higher, up to CALL_RETRY_CEILING. So such a call on a line of
    // 30,000 characters ends within milliseconds, while real grammars keep their matches.
    static constexpr unsigned long CALL_RETRY_LIMIT = 2000;
    static constexpr unsigned long CALL_RETRY_GROWTH = 16;
    static constexpr unsigned long CALL_RETRY_CEILING = 8192000;
    static constexpr double CALL_CHEAP_STEP_US = 0.5;
    static constexpr int CALL_SLOW_TRIES = 3;
    // Where no match starts up to the line's end.
    static constexpr int NOWHERE = 0x7FFFFFFF;
    // The longest line whose sub-rule patterns are searched as a set.
    static constexpr int SET_SEARCH_LONGEST_LINE = 500;

    LineMatcher();
    virtual ~LineMatcher();
    LineMatcher(const LineMatcher&) = delete;
    LineMatcher& operator=(const LineMatcher&) = delete;

    // For one step: the document (whose lock the caller holds), its rules, the index of its
    // root scope record and the job's end patterns. A null rule set parses nothing.
    void bind(Document& document, const GrammarRuleSet* rules, uint16_t rootScope, DynamicEndStore& store);
    void unbind();
    // Milliseconds of a monotonic clock, for the line's time budget; GetTickCount by default.
    void setClock(ParserClock clock);

    // Whether the line's stored start state is the one the previous line leaves: false for line
    // 0, a line marked as needing parsing or one without a record. A previous line without a
    // record leaves the root state.
    bool stateMatches(int32_t line);
    // Parses the line and stores its record; false (the old record kept) without a grammar, for
    // a line outside the document, or when a matched alternative names no rule.
    bool parseLine(int32_t line);

protected:
    // One pattern's search state on the current line: the match found from `from` on.
    // The end pattern (regex) or the sub-rule patterns of a rule (rule, set).
    struct Probe {
        const pel::RegEx* regex = nullptr;
        const ParserRule* rule = nullptr;
        pel::RegExSetSearch* set = nullptr;
        int alternative = -1;  // of the rule whose pattern matched, in the rule's order
        bool anchored = false; // the pattern uses \G
        int from = -1;         // -1: nothing found on this line yet
        int start = NOWHERE;   // start of the match found
        int anchorFrom = -1;   // `from` when \G held there, else -1
        pel::MatchResultsRegEx results;
    };
    // The first position from pos on where the probe's pattern may match: pos when it matches
    // there (its groups in the probe's results), NOWHERE when it matches nowhere further on.
    virtual int nextStart(Probe& probe, int pos);
    // Runs call (one match or search into the probe's results) under the bounds of one call.
    void boundedCall(Probe& probe, const std::function<void()>& call);
    // The anchored match at pos: pos when it matched, else the next character's position.
    int matchAt(Probe& probe, int pos);
    // Whether \G holds at pos for the probe's pattern.
    bool anchorAt(const Probe& probe, int pos) const { return probe.anchored && pos == m_anchors.back(); }
    // The option that keeps the engine's \G (which holds where a call starts) from holding at pos.
    uint32_t anchorOption(const Probe& probe, int pos) const;

private:
    struct Top {
        const ParserRule* rule = nullptr; // the rule the top pair stands for
        uint16_t ruleScope = 0;           // the scope its end match takes
        uint16_t scope = 0;               // the top pair's scope (its content scope, when it has one)
        const pel::RegEx* end = nullptr;
        bool endAnchored = false;
    };
    struct Capture {
        int begin;
        int end;
        const ParserRule* rule;
    };

    Probe& probeFor(const pel::RegEx* regex, bool anchored);
    Probe& probeFor(const ParserRule& rule);
    Probe& takeProbe(bool anchored);
    // Reads the engine call's outcome: false (the line stops) on an error or when over budget.
    bool afterEngineCall(const pel::MatchResultsRegEx& results);
    void loadStartState(int32_t line);
    bool readEndState(int32_t line, std::vector<uint16_t>* o_state);
    void resolveTop();
    bool walk(int32_t line);
    // Ends the rule on top with the probe's end match; at the line's end no run is added.
    void close(const Probe& probe, int at);
    bool open(const Probe& probe, int at, int32_t line);
    void captureRuns(const std::map<uint32_t, ParserRule*>& captures, unsigned base,
                     const pel::MatchResultsRegEx& results, uint16_t scope, int matchEnd);
    size_t captureGroup(size_t i, uint16_t enclosing);
    void captureTexts(const ParserRule& rule, unsigned base, const pel::MatchResultsRegEx& results);
    const DocumentScope* intern(const ParserRule& rule, uint16_t parent);
    void flushPlain();
    void appendRun(int column, uint32_t scope);
    bool storeRecord(int32_t line);
    int charLength(int pos) const;

    Document* m_document = nullptr;
    const GrammarRuleSet* m_rules = nullptr;
    DynamicEndStore* m_store = nullptr;
    uint16_t m_rootScope = 0;
    ParserClock m_clock;

    // The line being parsed.
    std::wstring m_text;
    int m_length = 0;
    int m_pos = 0;
    int m_plainStart = -1;
    bool m_stopped = false;
    uint32_t m_lineStart = 0;
    int32_t m_line = 0;
    std::vector<uint16_t> m_startState;
    std::vector<uint16_t> m_state;
    // Per pair of the state: where \G holds while its rule is on top, -1 for nowhere.
    std::vector<int> m_anchors;
    std::vector<ScopeRun> m_runs;
    Top m_top;
    std::array<Probe, 8> m_probes;
    // The set searches of the rules met since the step was bound.
    std::unordered_map<const ParserRule*, std::unique_ptr<pel::RegExSetSearch>> m_sets;
    size_t m_nextProbe = 0;
    std::vector<Capture> m_captures;
    std::vector<std::wstring> m_captureTexts;
};

} // namespace tessel
