#pragma once
// Several compiled expressions of one encoding searched at once, position by position: at each
// position the first expression (in their order) that matches there wins, as in one alternation
// of them all, but each keeps its own groups and its own search shortcuts. One search object per
// thread: it holds the engine's per-search state; the expressions stay their owners' and are only
// read.

#include "pel/text/search/MatchResults.h"

#include <cstdint>
#include <vector>

struct OnigRegSetStruct;

namespace pel {

class RegEx;

class RegExSetSearch {
public:
    // The expressions in their order; those that did not compile, or whose encoding is not the
    // first's, never match.
    explicit RegExSetSearch(const std::vector<const RegEx*>& expressions);
    ~RegExSetSearch();
    RegExSetSearch(const RegExSetSearch&) = delete;
    RegExSetSearch& operator=(const RegExSetSearch&) = delete;

    // The first match that starts from `from` on in [text, textEnd): the index of its expression
    // (in the order given), its groups in results (cleared first; the retry limit results carry
    // bounds each expression's search), or -1 when none matches or the engine failed (its code
    // in results' status). callOptions as for RegEx::search.
    int search(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd, const wchar_t* from,
               uint32_t callOptions = 0);
    // As search, over UTF-8 text (offsets in bytes), for expressions compiled for it.
    int searchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd, const char* from,
                   uint32_t callOptions = 0);

private:
    // The set search over [text, end) from `from`, all three the engine's bytes.
    int searchBytes(MatchResultsRegEx* results, const unsigned char* text, const unsigned char* end,
                    const unsigned char* from, uint32_t callOptions);

    OnigRegSetStruct* m_set = nullptr;
    std::vector<int> m_indexes; // of the set's members, in the order given
    std::vector<OnigMatchParamStruct*> m_params;
    bool m_utf8 = false; // the members' encoding: the text each search takes
    unsigned long m_retryLimit = 0;
};

} // namespace pel
