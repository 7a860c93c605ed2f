#pragma once
// Regular-expression search over a Document with Boost.Xpressive, which walks the gap buffer in
// place, character by character: a pair is one character, so "." takes a whole emoji and a
// match never starts or ends inside a pair; "." takes no line break (unless the pattern says
// "(?s)"), and the classes ("\w", "[[:alpha:]]") are Unicode's, outside the BMP too
// (UnicodeRegExTraits). An escaped letter the engine does not know is refused. A match lies
// within the searched stretch: the text before it is context (look-behind, "\b", "^"), and at
// its end "$" and "\b" hold only where they would in the whole text. Letters fold as the
// plain-text finder folds them (CaseFolding).
// Neither pattern nor text can end the program or hang it: a pattern the engine would need too
// deep a stack to compile is refused like a syntax error, and a search whose recursion would
// exhaust the thread's stack, or whose work passes its budget, ends with SearchFailed.
// Backward search runs forward searches over blocks of text, from the end towards the start.
// Where the pattern says what units every match starts with (RegExPrefix), the engine runs
// only at the places a vectorised scan finds them.

#include "pel/text/search/MatchResults.h"
#include "service/document/Finder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tessel {

// The groups of a FinderRegEx match: the engine's results, read as offsets from the range
// begin (base).
class MatchResultsFinderRegEx : public pel::MatchResults {
public:
    MatchResultsFinderRegEx();
    ~MatchResultsFinderRegEx() override;

    void clear() override;
    unsigned int size() const override;
    int begin(unsigned int i) const override;
    int end(unsigned int i) const override;
    // set and add are refused, as the base refuses them.

private:
    friend class FinderRegEx;
    struct Groups;
    std::unique_ptr<Groups> m_groups;
    int m_base = 0;
};

class FinderRegEx : public Finder {
public:
    // Patterns longer than this, or with groups nested deeper, are refused: compiling and
    // destroying them recurses once per element on the caller's stack.
    static constexpr size_t MAX_PATTERN_LENGTH = 4096;
    static constexpr int MAX_NESTING = 256;
    // The work one find (or a shared budget) may do, in reads and moves of the engine over the
    // text: a fixed allowance (about a second's work) and so much for every unit of the searched
    // stretch, far above what a pattern needs that does not go back over the text again and again.
    static constexpr int64_t STEP_ALLOWANCE = int64_t(1) << 28;
    static constexpr int64_t STEPS_PER_UNIT = 64;
    // What the user is told when a search stops.
    static const wchar_t* const TOO_LONG;
    static const wchar_t* const TOO_DEEP;

    // Throws boost::xpressive::regex_error for a pattern that does not compile or is refused.
    // Without usePrefix the engine is tried at every start (what tests compare against).
    FinderRegEx(const std::wstring& pattern, bool ignoreCase, bool usePrefix = true);
    ~FinderRegEx() override;

    // Forwards: the first match starting in [searchStart, searchEnd) and ending by searchEnd.
    // Backwards: the last start in [searchStart, searchEnd) with a match within the same
    // bounds. Empty matches are not found (the engine looks on for a non-empty one). Throws
    // SearchFailed when the search is stopped (TOO_LONG, TOO_DEEP).
    bool find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
              const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) override;
    const pel::MatchResults& getResults() const override { return m_results; }

    // While one lives, the finds of its finder (none: nothing happens) share the budget of one
    // search over `units` units, each drawing it down instead of starting afresh: a series that
    // searches on behind each match (collecting every match of an area) does at most the work
    // of one search over the area, whatever the number of matches.
    class SharedBudget {
    public:
        SharedBudget(FinderRegEx* finder, int64_t units);
        ~SharedBudget();
        SharedBudget(const SharedBudget&) = delete;
        SharedBudget& operator=(const SharedBudget&) = delete;

    private:
        FinderRegEx* m_finder;
    };

    // While one lives, a find of its finder (none: nothing happens) calls `pause` every few
    // milliseconds of its work, in the middle of the search; a pause that answers false ends
    // the find with SearchStopped. What a pause runs must leave the document's text alone.
    class Pauses {
    public:
        Pauses(FinderRegEx* finder, std::function<bool()> pause);
        ~Pauses();
        Pauses(const Pauses&) = delete;
        Pauses& operator=(const Pauses&) = delete;

    private:
        FinderRegEx* m_finder;
    };

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
    MatchResultsFinderRegEx m_results;
    int64_t m_shared = -1; // the work a shared budget has left; -1: none
    std::function<bool()> m_pause; // empty: none
};

} // namespace tessel
