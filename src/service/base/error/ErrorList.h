#pragma once
// The errors a load or a validation found, in the order they were added, with counts per
// severity and per tag, and the notices of errors coming and going (the bundle editor's error
// list watches them). The list shares its errors; one error is listed once per add. A listed
// error keeps its severity and tags, which the counts were taken from.

#include "service/base/Notice.h"
#include "service/base/error/Error.h"

#include "pel/base/Tags.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace tessel {

class ErrorList {
public:
    using ErrorPtr = std::shared_ptr<Error>;
    using Errors = std::vector<ErrorPtr>;
    using Observers = Notice<ErrorList&, const ErrorPtr&>;

    ErrorList();
    ErrorList(const ErrorList&) = delete;
    ErrorList& operator=(const ErrorList&) = delete;
    virtual ~ErrorList();

    // Told after an error was added, and after one was removed, with the list and the error.
    Observers added;
    Observers removed;

    // A null error is a hard check naming "error".
    void add(const ErrorPtr& error);
    // Removes that very error when it is listed; otherwise nothing happens.
    void remove(const ErrorPtr& error);
    // Removes every error carrying all the tags (every error, for an empty set).
    void removeErrorsWithTags(const pel::Tags<unsigned int>& tags);
    void removeErrorsWithTag(unsigned int tag);
    // Adds to o_errors (a hard check naming "o_errors") every error carrying all the tags.
    void getErrorsWithTags(const pel::Tags<unsigned int>& tags, ErrorList* o_errors) const;
    // Adds every error of other, in its order; a list merged with itself holds each twice.
    void merge(const ErrorList& other);
    // Tells `removed` of every error, in list order, then empties the list and its counts.
    void clear();

    // The first error, or none.
    ErrorPtr getFirst() const;
    bool hasSeverity(uint32_t severity) const;
    const Errors& getErrors() const { return m_errors; }
    size_t size() const { return m_errors.size(); }
    bool empty() const { return m_errors.empty(); }
    // Indexed by severity, as far as the highest severity seen.
    const std::vector<uint32_t>& getSeverityCounts() const { return m_severity_counts; }
    // Only tags that listed errors carry.
    const std::map<unsigned int, uint32_t>& getTagCounts() const { return m_tag_counts; }
    uint32_t getTagCount(unsigned int tag) const;

protected:
    // Raises or lowers the tag's count; a count that falls to zero leaves the map. A change by
    // zero throws pel::InvalidArgumentException "amount is zero".
    void changeTagCount(unsigned int tag, int amount);

private:
    void count(const Error& error, int amount);
    void eraseAt(size_t index);

    Errors m_errors;
    std::vector<uint32_t> m_severity_counts;
    std::map<unsigned int, uint32_t> m_tag_counts;
};

} // namespace tessel
