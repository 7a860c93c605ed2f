#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleEntrySourceHelper.h"

#include "service/base/error/ErrorList.h"
#include "service/parser/base/ScopeSelector.h"

#include "pel/base/Assert.h"
#include "pel/text/search/RegEx.h"

namespace tessel {

namespace {

// A "read" error of the severity with the further tags, positioned at value when given.
std::shared_ptr<BundleError> readError(uint32_t severity, const std::wstring& message,
                                       const pel::Tags<unsigned int>& tags, const pel::Value* value) {
    std::shared_ptr<BundleError> error = makeBundleError(BundleError::TAG_READ, severity, message);
    for (unsigned int tag : tags.values())
        error->addTag(tag);
    if (value)
        error->setPosition(*value);
    return error;
}

void report(ErrorList* io_errors, uint32_t severity, const std::wstring& message,
            const pel::Tags<unsigned int>& tags, const pel::Value* value) {
    io_errors->add(readError(severity, message, tags, value));
}

} // namespace

BundleEntryValidator::BundleEntryValidator() = default;

BundleEntryValidator::~BundleEntryValidator() = default;

bool BundleEntryValidator::validate(const std::wstring& text, ErrorList* io_errors) const {
    PEL_CHECK_PTR(io_errors);
    const std::unique_ptr<pel::Value> root = BundleEntrySourceHelper::parse(std::wstring(), text, io_errors, nullptr);
    return root && validate(static_cast<const pel::AbstractDictionaryValue*>(root.get()), io_errors);
}

bool BundleEntryValidator::validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const {
    PEL_CHECK_PTR(io_errors);
    PEL_CHECK_PTR(dval);
    ErrorList local;
    validateCommon(*dval, &local);
    io_errors->merge(local);
    return !hasProblems(local);
}

bool BundleEntryValidator::validateScopeSelector(ErrorList* io_errors, const BundleEntryKey& key,
                                                 const std::wstring& text, const pel::Value* value) const {
    PEL_CHECK_PTR(io_errors);
    try {
        ScopeSelector selector(text);
        return true;
    } catch (const pel::ParserException& e) {
        std::shared_ptr<BundleError> error = readError(BundleError::SEVERITY_INVALID, e.message, key.tags, value);
        error->setRange(e.start, e.end);
        io_errors->add(error);
    } catch (const pel::Exception& e) {
        report(io_errors, BundleError::SEVERITY_INVALID, e.displayText(), key.tags, value);
    }
    return false;
}

bool BundleEntryValidator::validateCommon(const pel::AbstractDictionaryValue& dval, ErrorList* io_errors) {
    const pel::Value* title = nullptr;
    return requireKey(io_errors, dval, BundleEntryKey(L"title", TITLE_SYMBOL), &title, BundleError::SEVERITY_INVALID) &&
           expectType(io_errors, *title, pel::Value::TYPE_STRING, BundleError::SEVERITY_INVALID) &&
           checkNotEmpty(io_errors, *title);
}

bool BundleEntryValidator::hasProblems(const ErrorList& errors) {
    return errors.hasSeverity(BundleError::SEVERITY_INVALID) || errors.hasSeverity(BundleError::SEVERITY_UNREADABLE);
}

bool BundleEntryValidator::requireKey(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                      const BundleEntryKey& key, const pel::Value** o_value, uint32_t severity) {
    PEL_CHECK_PTR(io_errors);
    PEL_CHECK_PTR(o_value);
    *o_value = dval.find(key.text);
    if (*o_value)
        return true;
    report(io_errors, severity, std::wstring(L"Dictionary key `") + key.text + L"` not found.", key.tags, &dval);
    return false;
}

bool BundleEntryValidator::expectType(ErrorList* io_errors, const pel::Value& value, int32_t type, uint32_t severity) {
    PEL_CHECK_PTR(io_errors);
    if (value.type == type)
        return true;
    report(io_errors, severity,
           std::wstring(L"Value must be `") + pel::Value::typeName(type) + L"`, but `" +
               pel::Value::typeName(value.type) + L"` found.",
           pel::Tags<unsigned int>(), &value);
    return false;
}

bool BundleEntryValidator::checkFormat(ErrorList* io_errors, const pel::Value& value, const pel::RegEx& pattern,
                                       uint32_t tag, const wchar_t* message, bool wholeText) {
    PEL_CHECK_PTR(io_errors);
    std::wstring text;
    if (value.getString(&text)) {
        pel::MatchResultsRegEx match;
        const wchar_t* begin = text.c_str();
        pattern.match(&match, begin, begin + text.size(), begin);
        if (match.found() && (!wholeText || static_cast<size_t>(match.end(0)) == text.size()))
            return true;
    }
    report(io_errors, BundleError::SEVERITY_INVALID, message ? message : L"Value has invalid format.",
           pel::Tags<unsigned int>(tag), &value);
    return false;
}

bool BundleEntryValidator::warnIgnored(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                       const BundleEntryKey& key) {
    PEL_CHECK_PTR(io_errors);
    const pel::Value* value = dval.find(key.text);
    if (!value)
        return true;
    report(io_errors, BundleError::SEVERITY_IGNORED, std::wstring(L"The `") + key.text + L"` will be ignored.",
           key.tags, value);
    return false;
}

bool BundleEntryValidator::checkNotEmpty(ErrorList* io_errors, const pel::Value& value) {
    PEL_CHECK_PTR(io_errors);
    std::wstring text;
    if (value.getString(&text) && !text.empty())
        return true;
    report(io_errors, BundleError::SEVERITY_INVALID, L"Value is empty.", pel::Tags<unsigned int>(TITLE_SYMBOL), &value);
    return false;
}

bool BundleEntryValidator::fixHexEscapes(const std::wstring& pattern, std::wstring* o_fixed) {
    return pel::RegEx::fixHexEscapes(pattern, o_fixed);
}

} // namespace tessel
