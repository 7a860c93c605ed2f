#pragma once
// Regular-expression search over a Document with Boost.Xpressive, which walks the gap buffer in
// place through a GappedStringIterator. A match lies within the searched stretch: the text
// before it is context (look-behind, "\b", "^"), and at its end "$" and "\b" hold only where
// they would in the whole text. Letters fold as the plain-text finder folds them (CaseFolding).
// Neither pattern nor text can end the program: a pattern the engine would need too deep a
// stack to compile is refused like a syntax error, and a search whose recursion would exhaust
// the thread's stack ends as no match with a logged error.

#include "pel/text/search/MatchResults.h"
#include "service/document/Finder.h"

#include <memory>
#include <string>

namespace tessel {

// The groups of a FinderRegEx match: the engine's results, read as offsets from the range
// begin (the engine measures from where the search began: base is that place).
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

    // Throws boost::xpressive::regex_error for a pattern that does not compile or is refused.
    FinderRegEx(const std::wstring& pattern, bool ignoreCase);
    ~FinderRegEx() override;

    // Forwards: the first match starting in [searchStart, searchEnd) and ending by searchEnd.
    // Backwards: from searchEnd - 1 down to searchStart, the first start with a match within
    // the same bounds. Empty matches are not found (the engine looks on for a non-empty one).
    bool find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
              const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) override;
    const pel::MatchResults& getResults() const override { return m_results; }

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
    MatchResultsFinderRegEx m_results;
};

} // namespace tessel
