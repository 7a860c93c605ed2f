#include "pel/text/search/RegExSet.h"

#include "pel/base/Exception.h"
#include "pel/text/search/RegEx.h"

#include <oniguruma.h>

namespace pel {

namespace {

const OnigUChar* bytes(const wchar_t* p) { return reinterpret_cast<const OnigUChar*>(p); }

} // namespace

RegExSetSearch::RegExSetSearch(const std::vector<const RegEx*>& expressions) {
    if (onig_regset_new(&m_set, 0, nullptr) != ONIG_NORMAL || !m_set)
        throw OutOfMemoryException(L"RegExSetSearch: no memory for the set");
    for (size_t i = 0; i < expressions.size(); ++i) {
        OnigRegex regex = expressions[i] ? expressions[i]->engineRegex() : nullptr;
        if (!regex || (!m_indexes.empty() && (expressions[i]->getEncoding() == RegExEncoding::UTF8) != m_utf8) ||
            onig_regset_add(m_set, regex) != ONIG_NORMAL)
            continue;
        m_utf8 = expressions[i]->getEncoding() == RegExEncoding::UTF8;
        m_indexes.push_back(static_cast<int>(i));
        OnigMatchParam* param = onig_new_match_param();
        if (!param)
            throw OutOfMemoryException(L"RegExSetSearch: no memory for the match settings");
        onig_initialize_match_param(param);
        m_params.push_back(param);
    }
}

RegExSetSearch::~RegExSetSearch() {
    // The expressions are their owners': taken out first, the set frees only its own records.
    for (int i = onig_regset_number_of_regex(m_set) - 1; i >= 0; --i)
        onig_regset_replace(m_set, i, nullptr);
    onig_regset_free(m_set);
    for (OnigMatchParam* param : m_params)
        onig_free_match_param(param);
}

int RegExSetSearch::search(MatchResultsRegEx* results, const wchar_t* text, const wchar_t* textEnd, const wchar_t* from,
                           uint32_t callOptions) {
    results->clear();
    if (m_utf8 || !text || textEnd < text || from < text || from > textEnd)
        return -1;
    const RegExSubject subject(text, static_cast<size_t>(textEnd - text));
    const wchar_t* begin = subject.begin();
    return searchBytes(results, bytes(begin), bytes(subject.end()), bytes(begin + (from - text)), callOptions);
}

int RegExSetSearch::searchUtf8(MatchResultsRegEx* results, const char* text, const char* textEnd, const char* from,
                               uint32_t callOptions) {
    results->clear();
    results->m_unitShift = 0;
    if (!m_utf8 || !text || textEnd < text || from < text || from > textEnd)
        return -1;
    const auto* begin = reinterpret_cast<const OnigUChar*>(text);
    return searchBytes(results, begin, begin + (textEnd - text), begin + (from - text), callOptions);
}

int RegExSetSearch::searchBytes(MatchResultsRegEx* results, const unsigned char* text, const unsigned char* end,
                                const unsigned char* from, uint32_t callOptions) {
    if (m_indexes.empty())
        return -1;
    if (results->m_searchRetryLimit != m_retryLimit) {
        m_retryLimit = results->m_searchRetryLimit;
        for (OnigMatchParam* param : m_params)
            onig_set_retry_limit_in_search_of_match_param(param, m_retryLimit);
    }
    int position = 0;
    const int found = onig_regset_search_with_param(m_set, text, end, from, end, ONIG_REGSET_POSITION_LEAD,
                                                    static_cast<OnigOptionType>(callOptions), m_params.data(), &position);
    results->forgetCachedCounts();
    if (found < 0) {
        if (found != ONIG_MISMATCH)
            results->m_status = found;
        return -1;
    }
    onig_region_copy(results->region(), onig_regset_get_region(m_set, found));
    return m_indexes[static_cast<size_t>(found)];
}

} // namespace pel
