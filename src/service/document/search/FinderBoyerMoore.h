#pragma once
// Plain-text search over a Document's gap buffer by Boyer-Moore: a bad-character table of 256
// entries by the low byte of a unit and the strong good-suffix shifts, built once per finder
// and direction. Ignoring case compares folded characters (CaseFolding), pairs too; a match
// never starts or ends between the halves of a pair, and a whole-word match must stand at a
// change of character class on both sides. The document is read in place, and a vectorised
// probe scan (ProbeScan) runs ahead of the Boyer-Moore loop where it pays.

#include "pel/text/search/MatchResults.h"
#include "service/document/Finder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class ProbeScan;

class FinderBoyerMoore : public Finder {
public:
    // The shift tables for one reading direction of the pattern.
    struct Tables {
        // By the low byte of a unit: the last index of a pattern unit with that byte (0 when none).
        std::vector<int32_t> badChar;
        // goodSuffix[j]: the shift after a mismatch at pattern position j; goodSuffix[m]: the
        // shift after a whole match (the pattern's period).
        std::vector<int32_t> goodSuffix;
    };

    FinderBoyerMoore(const std::wstring& pattern, bool ignoreCase, bool wholeWord);
    ~FinderBoyerMoore() override;

    // The first match from searchStart on (backwards: the last one before searchEnd) that lies
    // inside [searchStart, searchEnd); offsets in the results count from rangeBegin.
    bool find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
              const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) override;
    const pel::MatchResults& getResults() const override { return m_results; }

    // The pattern as compared: folded when ignoring case.
    const std::wstring& getPattern() const { return m_pattern; }
    static Tables buildTables(const wchar_t* pattern, int32_t length);

private:
    class Search;
    const Tables& tables(bool backward);

    std::wstring m_pattern;
    int32_t m_last;
    bool m_ignoreCase;
    bool m_wholeWord;
    bool m_foldsPairs = false; // ignoring case, the pattern holds a pair whose character has case forms
    bool m_mayCutPairs = false; // the pattern starts with a low half or ends with a high one
    pel::MatchResultsSimple m_results;
    std::unique_ptr<Tables> m_forwardTables;
    std::unique_ptr<Tables> m_backwardTables;
    std::wstring m_reversed; // the pattern read backwards, for the backward tables and search
    std::unique_ptr<ProbeScan> m_probes; // made on first use
};

} // namespace tessel
