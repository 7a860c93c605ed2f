#pragma once
// The search layer's own replace all, which benchmarks of replacing set their figures beside:
// every match of a finder replaced by the replacer's text on a bare Document, in one change
// bracket, the search going on behind each replacement.

#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/search/Replacer.h"

#include <string>

namespace bench {

// Returns the number of matches replaced.
inline int replaceAllLoop(tessel::Document& document, tessel::Finder& finder, tessel::Replacer& replacer) {
    std::wstring replacement;
    int count = 0;
    document.beginChange(0, false);
    for (int32_t at = 0; document.runFinder(finder, at, document.getLength(), false); ++count) {
        const pel::MatchResults& match = finder.getResults();
        replacer.replace(match, document, &replacement);
        const int32_t begin = match.begin(0);
        document.remove(begin, match.length(0));
        document.insert(begin, replacement);
        at = begin + static_cast<int32_t>(replacement.size());
    }
    document.endChange();
    return count;
}

} // namespace bench
