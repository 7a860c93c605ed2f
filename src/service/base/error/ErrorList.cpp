#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace tessel {

namespace {

// The source the null checks name.
const wchar_t SOURCE[] = L"service/base/error/ErrorList";

} // namespace

ErrorList::ErrorList() = default;

ErrorList::~ErrorList() = default;

void ErrorList::add(const ErrorPtr& error) {
    if (!error)
        pel::nullPointerViolation(L"error", SOURCE, __LINE__);
    m_errors.push_back(error);
    count(*error, 1);
    added.notify(*this, error);
}

void ErrorList::remove(const ErrorPtr& error) {
    if (!error)
        pel::nullPointerViolation(L"error", SOURCE, __LINE__);
    const auto it = std::find(m_errors.begin(), m_errors.end(), error);
    if (it != m_errors.end())
        eraseAt(static_cast<size_t>(it - m_errors.begin()));
}

void ErrorList::eraseAt(size_t index) {
    const ErrorPtr error = m_errors[index]; // kept alive for the observers
    m_errors.erase(m_errors.begin() + static_cast<std::ptrdiff_t>(index));
    count(*error, -1);
    removed.notify(*this, error);
}

void ErrorList::removeErrorsWithTags(const pel::Tags<unsigned int>& tags) {
    // Observers may change the list: each round looks for the next match afresh.
    for (size_t i = 0; i < m_errors.size();) {
        if (m_errors[i]->hasTags(tags))
            eraseAt(i);
        else
            ++i;
    }
}

void ErrorList::removeErrorsWithTag(unsigned int tag) { removeErrorsWithTags(pel::Tags<unsigned int>(tag)); }

void ErrorList::getErrorsWithTags(const pel::Tags<unsigned int>& tags, ErrorList* o_errors) const {
    if (!o_errors)
        pel::nullPointerViolation(L"o_errors", SOURCE, __LINE__);
    const Errors matches = m_errors; // o_errors may be this list
    for (const ErrorPtr& error : matches)
        if (error->hasTags(tags))
            o_errors->add(error);
}

void ErrorList::merge(const ErrorList& other) {
    const Errors errors = other.m_errors; // other may be this list, growing as it is walked
    for (const ErrorPtr& error : errors)
        add(error);
}

void ErrorList::clear() {
    for (const ErrorPtr& error : Errors(m_errors))
        removed.notify(*this, error);
    m_errors.clear();
    m_severity_counts.clear();
    m_tag_counts.clear();
}

ErrorList::ErrorPtr ErrorList::getFirst() const { return m_errors.empty() ? ErrorPtr() : m_errors.front(); }

bool ErrorList::hasSeverity(uint32_t severity) const {
    return severity < m_severity_counts.size() && m_severity_counts[severity] != 0;
}

uint32_t ErrorList::getTagCount(unsigned int tag) const {
    const auto it = m_tag_counts.find(tag);
    return it == m_tag_counts.end() ? 0 : it->second;
}

void ErrorList::changeTagCount(unsigned int tag, int amount) {
    if (amount == 0)
        throw pel::InvalidArgumentException(L"amount is zero");
    uint32_t& counted = m_tag_counts[tag];
    if (amount > 0) {
        counted += static_cast<uint32_t>(amount);
        return;
    }
    const uint32_t lowered = static_cast<uint32_t>(-static_cast<int64_t>(amount));
    counted = counted > lowered ? counted - lowered : 0;
    if (counted == 0)
        m_tag_counts.erase(tag);
}

void ErrorList::count(const Error& error, int amount) {
    const uint32_t severity = error.getSeverity();
    if (severity >= m_severity_counts.size())
        m_severity_counts.resize(severity + 1, 0);
    uint32_t& counted = m_severity_counts[severity];
    counted = amount > 0 ? counted + 1 : (counted > 0 ? counted - 1 : 0);
    for (unsigned int tag : error.getTags().values())
        changeTagCount(tag, amount);
}

} // namespace tessel
