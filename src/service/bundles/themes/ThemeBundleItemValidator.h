#pragma once
// The checker of theme entries: a "settings" list whose first element holds the theme's own
// colours and whose further elements are rules (title, scope, settings with colours and a
// font style). Colours must be "#" and 3, 6 or 8 hexadecimal digits, the whole text; font
// styles must read as the document theme reads them.

#include "service/bundles/BundleEntryValidator.h"

namespace tessel {

class ThemeBundleItemValidator : public BundleEntryValidator {
public:
    // The colour keys of a theme's own settings, in order.
    static const wchar_t* const COLOUR_KEYS[7];

    using BundleEntryValidator::validate;
    bool validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const override;

private:
    static void validateGlobal(ErrorList* io_errors, const pel::Value& entry);
    static void validateRule(ErrorList* io_errors, const pel::Value& entry);
    // The key's value, when present, a string (severity 2) that is a colour text (severity 3).
    static void checkColour(ErrorList* io_errors, const pel::AbstractDictionaryValue& settings, const wchar_t* key);
    // The key present (severity 2) and of the type (severity 2); the value.
    static const pel::Value* requireTyped(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                          const wchar_t* key, int32_t type);
};

} // namespace tessel
