#pragma once
// What a search command hands to the document it acts on: the search user interface's
// parameters (the pattern, the replacement, the scope, how text compares), whether it may
// replace, and the object it asks whether a search that reached the end of its area goes on
// from the other end and tells when a search failed.

#include "service/document/search/SearchParameters.h"

#include <cstdint>
#include <string>

namespace tessel {

struct SearchActionRecord;

// The search user interface's side of a search action.
class ISearchActionCallback {
public:
    virtual ~ISearchActionCallback() = default;
    // Whether a search that found nothing up to the end of its area starts again from the other
    // end (the user may be asked).
    virtual bool shouldWrapAround(const SearchActionRecord& record) = 0;
    // The search could not be finished (it was stopped, not that nothing was there); the
    // message says why, for the user.
    virtual void searchFailed(const SearchActionRecord& record, const std::wstring& message) = 0;
    // The search could not start: its pattern does not compile, and the user must mend it. A
    // failure like any other unless the interface tells the two apart.
    virtual void patternRefused(const SearchActionRecord& record, const std::wstring& message) {
        searchFailed(record, message);
    }
};

// What a Replace All did: the matches it found and how many of them, from the first, it
// replaced; `stopped` when the user stopped it before its end (while it searched: nothing
// replaced).
struct ReplaceAllCounts {
    int32_t found = 0;
    int32_t replaced = 0;
    bool stopped = false;
};

struct SearchActionRecord {
    // Search scopes: the current selection, the whole document.
    static constexpr uint32_t SCOPE_SELECTION = 0xD1168153;
    static constexpr uint32_t SCOPE_DOCUMENT = 0xD92B7198;

    // parameters.scope is one of the scopes above.
    SearchParameters parameters;
    bool canReplace = false;
    ISearchActionCallback* callback = nullptr; // not owned; none: never wrap around
    // Where Replace All tells what it did (not owned; none: not told).
    ReplaceAllCounts* replaceAllCounts = nullptr;
};

// Asked at most once per search, when it reaches the end of its area without a match; bound to
// an action record, whose callback answers (no callback: no).
class WrapAroundPredicate {
public:
    explicit WrapAroundPredicate(const SearchActionRecord* record = nullptr) : m_record(record) {}
    virtual ~WrapAroundPredicate() = default;
    virtual bool operator()() const {
        return m_record && m_record->callback && m_record->callback->shouldWrapAround(*m_record);
    }

private:
    const SearchActionRecord* m_record;
};

} // namespace tessel
