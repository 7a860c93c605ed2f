#include "service/bundles/BundleError.h"

#include "pel/value/Value.h"

namespace tessel {

BundleError::BundleError(uint32_t severity, const std::wstring& message) : Error(severity), m_message(message) {}

BundleError::~BundleError() = default;

std::wstring BundleError::getMessage() const {
    std::wstring text = m_message;
    if (m_hasSource) {
        text += L' ';
        text += m_source;
    }
    if (m_hasPosition) {
        text += L" (Line " + std::to_wstring(m_start.line + 1ull) + L", Char " + std::to_wstring(m_end.column + 1ull) +
                L")";
    }
    return text;
}

std::shared_ptr<Error> BundleError::clone() const { return std::make_shared<BundleError>(*this); }

void BundleError::setSource(const std::wstring& source) {
    m_source = source;
    m_hasSource = true;
}

void BundleError::setRange(const pel::TextPosition& start, const pel::TextPosition& end) {
    m_rangeStart = start;
    m_rangeEnd = end;
    m_hasRange = true;
}

void BundleError::setPosition(const pel::Value& value) {
    if (value.range.hasRange)
        setPosition(value.range.outerBegin, value.range.outerBegin);
}

void BundleError::setPosition(const pel::TextPosition& start, const pel::TextPosition& end) {
    m_start = start;
    m_end = end;
    m_hasPosition = true;
}

std::shared_ptr<BundleError> makeBundleError(uint32_t tag, uint32_t severity, const std::wstring& message) {
    std::shared_ptr<BundleError> error = std::make_shared<BundleError>(severity, message);
    error->addTag(tag);
    return error;
}

} // namespace tessel
