#include "pel/text/search/MatchResults.h"

#include "pel/base/Assert.h"

#include <oniguruma.h>

#include <cstdlib>

namespace pel {

// ---- MatchResults -----------------------------------------------------------------------------

MatchResults::~MatchResults() = default;

int MatchResults::length(unsigned int i) const {
    return std::abs(end(i) - begin(i));
}

unsigned int MatchResults::matchedCount() const {
    unsigned int count = 0;
    for (unsigned int i = 0, n = size(); i < n; ++i)
        if (matched(i))
            ++count;
    return count;
}

unsigned int MatchResults::firstMatchedGroup() const {
    const unsigned int n = size();
    for (unsigned int i = 1; i < n; ++i)
        if (begin(i) != -1)
            return i;
    return 0;
}

bool MatchResults::found() const {
    return matched(0);
}

bool MatchResults::matched(unsigned int i) const {
    return begin(i) >= 0;
}

void MatchResults::getCaptures(const wchar_t* text, int string_length,
                               std::map<unsigned int, std::wstring>* o_captures) const {
    PEL_CHECK_PTR(o_captures);
    if (length(0) > string_length)
        assertionViolation(L"length() <= string_length", PEL_FILE, __LINE__);
    o_captures->clear();
    for (unsigned int i = 0, n = size(); i < n; ++i) {
        if (!matched(i))
            continue;
        // A group past the given text would be read out of bounds: refuse it.
        PEL_ASSERT(end(i) <= string_length);
        PEL_CHECK_PTR(text);
        (*o_captures)[i].assign(text + begin(i), static_cast<size_t>(length(i)));
    }
}

void MatchResults::set(int, int, int) {
    throw IllegalStateException(L"MatchResults::set method not supported.");
}

void MatchResults::add(int, int) {
    throw IllegalStateException(L"MatchResults::add method not supported.");
}

// ---- MatchResultsRegEx ------------------------------------------------------------------------
// The region holds byte offsets: into UTF-16 text a unit offset is the byte offset halved (an
// arithmetic shift, so -1 stays -1); into UTF-8 text they are the offsets.

MatchResultsRegEx::MatchResultsRegEx() : m_region(onig_region_new()) {
    if (!m_region)
        throw OutOfMemoryException(L"MatchResultsRegEx: no memory for the match region");
}

MatchResultsRegEx::~MatchResultsRegEx() {
    onig_region_free(m_region, 1);
    if (m_param)
        onig_free_match_param(m_param);
}

void MatchResultsRegEx::setSearchRetryLimit(unsigned long limit) {
    if (!m_param) {
        m_param = onig_new_match_param();
        if (!m_param)
            throw OutOfMemoryException(L"MatchResultsRegEx: no memory for the match settings");
        onig_initialize_match_param(m_param);
    }
    onig_set_retry_limit_in_search_of_match_param(m_param, limit);
    m_searchRetryLimit = limit;
}

bool MatchResultsRegEx::overSearchRetryLimit() const {
    return m_status == ONIGERR_RETRY_LIMIT_IN_SEARCH_OVER;
}

void MatchResultsRegEx::clear() {
    onig_region_clear(m_region);
    m_region->num_regs = 0;
    m_status = 0;
    m_unitShift = 1;
    forgetCachedCounts();
}

unsigned int MatchResultsRegEx::size() const {
    return static_cast<unsigned int>(m_region->num_regs);
}

int MatchResultsRegEx::begin(unsigned int i) const {
    if (i >= size())
        return -1;
    return m_region->beg[i] >> m_unitShift;
}

int MatchResultsRegEx::end(unsigned int i) const {
    if (i >= size())
        return -1;
    return m_region->end[i] >> m_unitShift;
}

unsigned int MatchResultsRegEx::matchedCount() const {
    if (!m_matched_count_known) {
        unsigned int count = 0;
        for (int i = 0; i < m_region->num_regs; ++i)
            if (m_region->beg[i] != ONIG_REGION_NOTPOS)
                ++count;
        m_matched_count = count;
        m_matched_count_known = true;
    }
    return m_matched_count;
}

unsigned int MatchResultsRegEx::firstMatchedGroup() const {
    if (!m_first_matched_group_known) {
        m_first_matched_group = MatchResults::firstMatchedGroup();
        m_first_matched_group_known = true;
    }
    return m_first_matched_group;
}

void MatchResultsRegEx::forgetCachedCounts() const {
    m_matched_count_known = false;
    m_first_matched_group_known = false;
}

bool MatchResultsRegEx::growTo(int count) {
    const int old_count = m_region->num_regs;
    if (count <= old_count)
        return true;
    if (count > m_region->allocated && onig_region_resize(m_region, count) != 0) {
        // Out of memory: keep what is still readable and store nothing.
        m_region->num_regs = (m_region->beg && m_region->end) ? old_count : 0;
        return false;
    }
    m_region->num_regs = count;
    for (int i = old_count; i < count; ++i)
        m_region->beg[i] = m_region->end[i] = ONIG_REGION_NOTPOS;
    return true;
}

void MatchResultsRegEx::set(int i, int begin, int end) {
    if (i < 0 || !growTo(i + 1))
        return;
    m_region->beg[i] = begin < 0 ? begin : begin << m_unitShift;
    m_region->end[i] = end < 0 ? end : end << m_unitShift;
    forgetCachedCounts();
}

void MatchResultsRegEx::add(int begin, int end) {
    set(static_cast<int>(size()), begin, end);
}

// ---- MatchResultsSimple -----------------------------------------------------------------------

void MatchResultsSimple::clear() {
    m_groups.clear();
}

unsigned int MatchResultsSimple::size() const {
    return static_cast<unsigned int>(m_groups.size());
}

int MatchResultsSimple::begin(unsigned int i) const {
    return i < m_groups.size() ? m_groups[i].first : -1;
}

int MatchResultsSimple::end(unsigned int i) const {
    return i < m_groups.size() ? m_groups[i].second : -1;
}

void MatchResultsSimple::set(int i, int begin, int end) {
    if (i < 0)
        return;
    if (static_cast<size_t>(i) >= m_groups.size())
        m_groups.resize(static_cast<size_t>(i) + 1, std::make_pair(-1, -1));
    m_groups[static_cast<size_t>(i)] = std::make_pair(begin, end);
}

void MatchResultsSimple::add(int begin, int end) {
    m_groups.emplace_back(begin, end);
}

} // namespace pel
