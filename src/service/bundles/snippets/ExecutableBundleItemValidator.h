#pragma once
// The checker of entries that carry a scope selector and a content (snippets): besides the
// common checks, "scope" and "content" must be strings (else severity 2, the key ignored), and
// each string is handed to the type's own check.

#include "service/bundles/BundleEntryValidator.h"

namespace tessel {

class ExecutableBundleItemValidator : public BundleEntryValidator {
public:
    static constexpr uint32_t SCOPE_SYMBOL = pel::crc32Literal("scope");
    static constexpr uint32_t CONTENT_SYMBOL = pel::crc32Literal("content");

    using BundleEntryValidator::validate;
    // Null arguments are hard checks naming "dict_val" and "io_errors".
    bool validate(const pel::AbstractDictionaryValue* dict_val, ErrorList* io_errors) const override;
    // The scope as a selector (the empty one is valid); the content as the type reads it. value
    // is where the text stands in the entry, for the errors' positions (may be null).
    virtual bool validateScope(const std::wstring& text, ErrorList* io_errors, const pel::Value* value) const;
    virtual bool validateContent(const std::wstring& text, ErrorList* io_errors, const pel::Value* value) const = 0;

private:
    // The key present and a string (severity 2, tagged with the key's symbol); its text.
    static bool requireString(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                              const BundleEntryKey& key, const pel::Value** o_value, std::wstring* o_text);
};

} // namespace tessel
