#pragma once
// A search for one match of a pattern in a Document, between two iterator positions, forwards
// or backwards; what Document::runFinder drives. The finders of search and replace implement it
// and keep their match results themselves.

#include "pel/text/search/MatchResults.h"
#include "service/document/GappedStringIterator.h"

#include <stdexcept>
#include <string>

namespace tessel {

class Document;
using DocumentIterator = GappedStringIterator<Document>;

// A search that ended without an answer: it neither found a match nor ruled one out (it took
// too long, or would have overflowed the stack). The message is for the user.
class SearchFailed : public std::runtime_error {
public:
    explicit SearchFailed(const std::wstring& message)
        : std::runtime_error("search failed"), m_message(message) {}
    const std::wstring& message() const { return m_message; }

private:
    std::wstring m_message;
};

// A search stopped by its caller in one of its pauses (FinderRegEx::Pauses): nothing is found.
struct SearchStopped {};

class Finder {
public:
    virtual ~Finder() = default;
    // Forgets the last match and looks for one inside [rangeBegin, rangeEnd), from searchStart
    // towards searchEnd (backwards from searchEnd towards searchStart); true when found. Throws
    // SearchFailed when the search could not be finished (the results are then empty).
    virtual bool find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
                      const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) = 0;
    // The groups of the last match in document offsets (group 0 the whole match), or none.
    virtual const pel::MatchResults& getResults() const = 0;
};

} // namespace tessel
