#pragma once
// One reported problem of a validation or a load: a severity and a set of tags that say what it
// is about. Subclasses (the bundle errors) add the message and the position. Errors are held by
// shared pointers; an ErrorList shares them with whoever else holds them.

#include "pel/base/Taggable.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessel {

class Error : public pel::Taggable<unsigned int> {
public:
    // Severities index the counters of an ErrorList, which grow to cover them: a larger one is
    // a soft assertion and counts as this one.
    static constexpr uint32_t MAX_SEVERITY = 255;

    explicit Error(uint32_t severity = 0);
    Error(uint32_t severity, const pel::Tags<unsigned int>& tags);
    ~Error() override;

    // "Unknown error." unless a subclass tells better.
    virtual std::wstring getMessage() const;
    // A new error with the same tags and severity.
    virtual std::shared_ptr<Error> clone() const;

    uint32_t getSeverity() const { return m_severity; }
    void setSeverity(uint32_t severity);

private:
    uint32_t m_severity = 0;
};

} // namespace tessel
