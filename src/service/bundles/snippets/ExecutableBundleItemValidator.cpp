#include "service/bundles/snippets/ExecutableBundleItemValidator.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"

namespace tessel {

bool ExecutableBundleItemValidator::validate(const pel::AbstractDictionaryValue* dict_val, ErrorList* io_errors) const {
    PEL_CHECK_PTR(dict_val);
    PEL_CHECK_PTR(io_errors);
    ErrorList local;
    BundleEntryValidator::validate(dict_val, &local);
    const pel::Value* value = nullptr;
    std::wstring text;
    const BundleEntryKey scope(L"scope", SCOPE_SYMBOL);
    if (requireString(&local, *dict_val, scope, &value, &text))
        validateScope(text, &local, value);
    if (requireString(&local, *dict_val, BundleEntryKey(L"content", CONTENT_SYMBOL), &value, &text))
        validateContent(text, &local, value);
    io_errors->merge(local);
    return !hasProblems(local);
}

bool ExecutableBundleItemValidator::validateScope(const std::wstring& text, ErrorList* io_errors,
                                                  const pel::Value* value) const {
    return validateScopeSelector(io_errors, BundleEntryKey(L"scope", SCOPE_SYMBOL), text, value);
}

bool ExecutableBundleItemValidator::requireString(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                                  const BundleEntryKey& key, const pel::Value** o_value,
                                                  std::wstring* o_text) {
    if (!requireKey(io_errors, dval, key, o_value, BundleError::SEVERITY_IGNORED))
        return false;
    // The type error carries the key's tags too, which expectType does not add.
    ErrorList typeErrors;
    if (expectType(&typeErrors, **o_value, pel::Value::TYPE_STRING, BundleError::SEVERITY_IGNORED))
        return (*o_value)->getString(o_text);
    for (const ErrorList::ErrorPtr& error : typeErrors.getErrors()) {
        for (unsigned int tag : key.tags.values())
            error->addTag(tag);
        io_errors->add(error);
    }
    return false;
}

} // namespace tessel
