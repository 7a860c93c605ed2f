#include "service/base/error/Error.h"

#include "pel/base/Assert.h"

namespace tessel {

Error::Error(uint32_t severity) { setSeverity(severity); }

Error::Error(uint32_t severity, const pel::Tags<unsigned int>& tags) : pel::Taggable<unsigned int>(tags) {
    setSeverity(severity);
}

Error::~Error() = default;

std::wstring Error::getMessage() const { return L"Unknown error."; }

std::shared_ptr<Error> Error::clone() const { return std::make_shared<Error>(m_severity, getTags()); }

void Error::setSeverity(uint32_t severity) {
    m_severity = PEL_SOFT_ASSERT(severity <= MAX_SEVERITY) ? severity : MAX_SEVERITY;
}

} // namespace tessel
