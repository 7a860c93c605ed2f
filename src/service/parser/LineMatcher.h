#pragma once
// Parses one line of a Document with its compiled grammar, from the state the previous line left
// (a stack of pairs: dynamic end-pattern index, scope index), and stores the line's record in its
// header: the start state, the scope runs (column, scope index) and the end state (the layout of
// service/parser/base/LineRecord.h). One matcher per parse worker: it keeps the scratch space of
// the regular expressions and the record; a parse step binds it to a document, its rule set and
// its job's end-pattern store, under the Document lock.
//
// A line is searched in its UTF-8 form, the patterns compiled for it: positions are byte offsets,
// and the runs stored take the line's UTF-16 columns.
//
// At each position the rule's end pattern is tried, then its sub-rules' patterns, as an anchored
// walk would: the first pattern in the rule's order wins at the first position where any
// matches. Each is searched forward and its answer kept for the line, shared by every rule that
// has it, until the position passes it, so a line costs about one search per match instead of
// one match per character. A pattern is left out on a line that holds none of the strings every
// match of it needs (PatternLiterals), and tried only where its first characters are
// (PatternFirstChars). On a line of up to SHORT_LINE_LONGEST bytes each pattern is searched by
// the engine to the line's end, except patterns that cost much a character tried (look-arounds
// that may begin anywhere), which are matched place by place only as far as they could still
// win. (The engine's search cannot stop early: a range also ends its matches.) On a longer line
// each pattern is matched where its first characters are, window by window, only as far as
// needed: so the places a pattern is tried at cover the line about once. At the line's end,
// after its line feed, only end patterns are tried (an end such as "(?<=\n)" matches only there).
//
// \G holds only at the anchor: where the begin match of the rule on top ended, when that rule
// opened on this line; nowhere on the lines after. Closing a rule brings back its parent's anchor.
//
// A line stops early, keeping the state it reached, after 1000 iterations that did not move, when
// the engine ends a call in an error (its retry limits), or when the line has taken longer than
// LINE_BUDGET_MS. The budget is checked between engine calls, so one call's work is bounded too:
// by CALL_RETRY_LIMIT backtracking steps over all of its start positions.

#include "service/parser/PatternFirstChars.h"
#include "service/parser/PatternLiterals.h"
#include "service/parser/base/LineRecord.h"

#include "pel/base/FunctionRef.h"

#include "pel/text/Utf8Text.h"
#include "pel/text/search/MatchResults.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pel {
class RegEx;
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
    // Units of a line read at most: a longer one (a minified file's line of megabytes) stops
    // there as it would at its budget, keeping the state reached; copying all of it, twice, would
    // cost more memory than the document holding it.
    static constexpr int32_t MAX_LINE_READ = 1 << 20;
    // Units of the copies of a line kept for the next line: a longer one's go back.
    static constexpr size_t KEPT_LINE_UNITS = 1 << 16;
    // The time one line may take, checked between calls of the engine.
    static constexpr uint32_t LINE_BUDGET_MS = 500;
    // Backtracking steps one engine call may take at first. Between two steps the engine may scan
    // the rest of the line without counting (a*a*c over "aaa...abc"), so the bound alone does not
    // bound time: a call that reaches it at more than CALL_CHEAP_STEP_US a step, CALL_SLOW_TRIES
    // times (so that pauses of the thread are not taken for a slow pattern), ends the line; one
    // that reaches it sooner (many cheap steps, as on a long minified line) runs again with a
    // bound CALL_RETRY_GROWTH times higher, up to CALL_RETRY_CEILING. Each try after the first
    // is bounded by what is left of the line's budget too (the document stays locked while a call
    // runs). So such a call on a line of 30,000 characters ends within milliseconds, no call runs
    // far past the line's budget, and real grammars keep their matches.
    static constexpr unsigned long CALL_RETRY_LIMIT = 2000;
    static constexpr unsigned long CALL_RETRY_GROWTH = 16;
    static constexpr unsigned long CALL_RETRY_CEILING = 8192000;
    static constexpr double CALL_CHEAP_STEP_US = 0.5;
    static constexpr int CALL_SLOW_TRIES = 3;
    // Where no match starts up to the line's end.
    static constexpr int NOWHERE = 0x7FFFFFFF;
    // The longest line (in bytes of its UTF-8 form) on which each pattern is searched to its end.
    static constexpr int SHORT_LINE_LONGEST = 500;
    // How far a pattern is tried on a long line beyond where it must be at first; each time that
    // finds nothing doubles it, up to the ceiling.
    static constexpr int SEARCH_WINDOW = 256;
    static constexpr int SEARCH_WINDOW_CEILING = 1 << 20;

    // Which patterns count as costly: chosen by timing, unless pinned (tests pin it, so that
    // each way of searching is checked): none, all, or those a choice names.
    enum class PatternCosts { TIMED, NONE_COSTLY, ALL_COSTLY, CHOSEN };
    using CostlyChoice = std::function<bool(const pel::RegEx& pattern)>;

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
    void setPatternCosts(PatternCosts costs, CostlyChoice chosen = nullptr);

    // Whether the line's stored start state is the one the previous line leaves: false for line
    // 0, a line marked as needing parsing or one without a record. A previous line without a
    // record leaves the root state.
    bool stateMatches(int32_t line);
    // Parses the line and stores its record; false (the old record kept) without a grammar, for
    // a line outside the document, or when a matched alternative names no rule.
    bool parseLine(int32_t line);

protected:
    // Where a pattern's next match starts on the current line: found from `from` on.
    struct Found {
        int from = -1;       // -1: nothing found on this line yet
        int start = NOWHERE; // start of the match found
        int anchorFrom = -1; // `from` when \G held there, else -1
        // Whether the answer serves a search from pos, where \G holds or not (anchor).
        bool serves(int pos, bool anchor) const {
            // No match starts between where the search began and what it found. \G held at
            // most where that search began: its answer serves pos only if \G holds at pos just
            // as it did.
            return from >= 0 && from <= pos && start >= pos && (anchorFrom == pos) == anchor;
        }
    };
    // Whether a search of a pattern costs so much a character tried that it is tried only as far
    // as it could still win: timed over its first COST_TRIALS searches.
    struct PatternCost {
        bool costly = false;
        int trials = 0;
        double trialMs = 0;
        int64_t trialChars = 0;
    };
    // One sub-rule pattern's state on the line, shared by the rules that have it: no match
    // starts in [found.from, found.start); one starts at found.start unless `bounded`, when it
    // was tried no further.
    struct PatternSearch {
        const pel::RegEx* regex = nullptr;
        PatternFirstChars firstChars;
        bool anchored = false; // the pattern uses \G
        uint32_t line = 0;     // the line serial `found` belongs to
        bool bounded = false;
        int window = 0;        // how far it is tried beyond where it must be next time
        Found found;
        PatternCost* cost = nullptr;
        const PatternLiterals* literals = nullptr; // none when it asks for nothing
        uint32_t literalsLine = 0;                  // the line serial `literalsHeld` belongs to
        bool literalsHeld = true;
        uint32_t mayMatchLine = 0;                  // the line serial `mayMatch` belongs to
        bool mayMatch = true;
        // Those of the engine's call that found `found.start` (when not bounded).
        pel::MatchResultsRegEx* results = nullptr;
    };
    static constexpr int COST_TRIALS = 16;
    static constexpr double COSTLY_NS_PER_CHAR = 150;
    // The end pattern's search state (regex), or a rule's sub-rule patterns (rule; their states).
    struct Probe {
        const pel::RegEx* regex = nullptr;
        const ParserRule* rule = nullptr;
        const std::vector<uint32_t>* searches = nullptr; // of the rule's patterns, in its order
        std::vector<uint16_t> alive; // of those, the ones that may still match on line aliveLine
        uint32_t aliveLine = 0;
        int alternative = -1;  // of the rule whose pattern matched, in the rule's order
        bool anchored = false; // the pattern uses \G
        Found found;
        pel::MatchResultsRegEx results;
        // Where the match at the position nextStart returned lies: the results of the pattern
        // that won, or null for `results`.
        const pel::MatchResultsRegEx* match = nullptr;
        const pel::MatchResultsRegEx& matched() const { return match ? *match : results; }
    };
    // The first position from pos on where the probe's pattern may match: pos when it matches
    // there (its groups in the probe's results), NOWHERE when it matches nowhere further on.
    virtual int nextStart(Probe& probe, int pos);
    // Runs call (one match or search into results) under the bounds of one call.
    void boundedCall(pel::MatchResultsRegEx& results, pel::FunctionRef<void()> call);
    // The anchored match at pos: pos when it matched, else the next character's position.
    int matchAt(Probe& probe, int pos);
    // Whether \G holds at pos for a pattern that uses it (anchored).
    bool anchorAt(bool anchored, int pos) const { return anchored && pos == m_anchors.back(); }
    // The option that keeps the engine's \G (which holds where a call starts) from holding at pos.
    uint32_t anchorOption(bool anchored, int pos) const;

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
    // Whether the line holds what the pattern needs (or it needs nothing).
    bool literalsHeld(PatternSearch& search);
    // Whether the line holds a character a match of the pattern may begin with and what it needs.
    bool mayMatchOnLine(PatternSearch& search);
    // What the line holds, read as asked.
    LineBytes& lineBytes();
    // The end pattern's next match.
    int searchNext(Probe& probe, int pos);
    // The first position from pos on where one of the rule's patterns matches on a long line
    // (the probe's alternative; its groups in the probe's results when that is pos), NOWHERE
    // when none does.
    int searchRule(Probe& probe, int pos);
    // As searchRule, on a short line: each pattern searched by the engine to the line's end,
    // costly ones only as far as they could still win.
    int searchPatterns(Probe& probe, int pos);
    bool isCostly(const PatternSearch& search) const;
    // Searches the pattern for a match starting from `from` (nothing known before) up to `to`
    // (m_length: to the line's end) and records the answer for pos; false when the line stops.
    bool searchPattern(PatternSearch& search, int pos, int from, int to, pel::MatchResultsRegEx& results);
    // The states of the rule's patterns, made on first use in a bound step.
    const std::vector<uint32_t>& ruleSearches(const ParserRule& rule);
    // Tries the pattern on from the bound of its state up to `to` at least (NOWHERE: some way);
    // false when the line stops.
    bool extendSearch(PatternSearch& search, int to, pel::MatchResultsRegEx& results);
    // The pattern's match at pos into results; false when the line stops.
    bool matchHere(const PatternSearch& search, int pos, pel::MatchResultsRegEx& results);
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
    // Adds a run from byte offset pos (a column of MAX_COLUMN or less).
    void appendRun(int pos, uint32_t scope);
    bool storeRecord(int32_t line);
    // The first byte offset from pos on where a character begins (or the line's end).
    int charStart(int pos) const;
    // The length of the character at byte offset pos, in bytes.
    int charLength(int pos) const;
    // The UTF-16 column of byte offset pos of the line (-1 stays -1).
    int column(int pos) const { return pos < 0 ? pos : static_cast<int>(m_text.unitOffset(static_cast<size_t>(pos))); }

    Document* m_document = nullptr;
    const GrammarRuleSet* m_rules = nullptr;
    DynamicEndStore* m_store = nullptr;
    uint16_t m_rootScope = 0;
    ParserClock m_clock;
    PatternCosts m_costMode = PatternCosts::TIMED;

    // The line being parsed, as the document has it and in the UTF-8 form it is searched in; the
    // positions of the walk are byte offsets into that form.
    std::wstring m_wide;
    pel::Utf8Text m_text;
    LineBytes m_lineBytes; // what the line holds, for line m_lineBytesLine
    uint32_t m_lineBytesLine = 0;
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
    // What the matcher learns of a rule set's patterns (their costs) serves every step bound to
    // that set.
    uint64_t m_learnedSerial = 0;
    std::unordered_map<const pel::RegEx*, PatternCost> m_costs;
    // The states of the sub-rule patterns met since the step was bound, and of each rule met,
    // its patterns' places among them.
    std::vector<PatternSearch> m_searches;
    std::vector<std::unique_ptr<pel::MatchResultsRegEx>> m_searchResults;
    std::unordered_map<const pel::RegEx*, uint32_t> m_searchIndexes;
    std::unordered_map<const ParserRule*, std::vector<uint32_t>> m_ruleSearches;
    // Counts the lines parsed, so that the states of the line before need no clearing.
    uint32_t m_lineSerial = 0;
    size_t m_nextProbe = 0;
    // The scope records interned since the step was bound, by rule number and parent index.
    struct KnownScope {
        uint32_t key = 0;
        const DocumentScope* record = nullptr;
    };
    static constexpr int KNOWN_SCOPE_BITS = 10;
    std::array<KnownScope, 1 << KNOWN_SCOPE_BITS> m_knownScopes;
    std::vector<Capture> m_captures;
    std::vector<std::wstring> m_captureTexts;
    // Which patterns count as costly when the tests choose them (PatternCosts::CHOSEN).
    CostlyChoice m_costlyChoice;
};

} // namespace tessel
