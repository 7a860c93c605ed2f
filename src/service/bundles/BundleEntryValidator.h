#pragma once
// The base checker of bundle entries: what every entry shares (a non-empty string "title"), and
// the checks the type validators (grammars, snippets, themes) build on. Each check adds at most
// one BundleError to io_errors, tagged "read" and positioned at the value it checked, and
// answers whether it passed; none throws for bad entry content. Validators keep no state: one
// instance per type serves every thread.

#include "service/bundles/BundleError.h"

#include "pel/base/Tags.h"
#include "pel/value/AbstractDictionaryValue.h"

#include <cstdint>
#include <string>

namespace pel {
class RegEx;
}

namespace tessel {

class ErrorList;

// A dictionary key as the checks name it: its text, and the tags its errors carry (the key's
// symbol, so that an editor finds the errors of one key).
struct BundleEntryKey {
    BundleEntryKey(const wchar_t* i_text, uint32_t symbol) : text(i_text), tags(symbol) {}
    BundleEntryKey(const wchar_t* i_text, const pel::Tags<unsigned int>& i_tags) : text(i_text), tags(i_tags) {}

    const wchar_t* text;
    pel::Tags<unsigned int> tags;
};

class BundleEntryValidator {
public:
    static constexpr uint32_t TITLE_SYMBOL = pel::crc32Literal("title"); // 0x2B36786B

    BundleEntryValidator();
    virtual ~BundleEntryValidator();
    BundleEntryValidator(const BundleEntryValidator&) = delete;
    BundleEntryValidator& operator=(const BundleEntryValidator&) = delete;

    // Parses the entry text (its errors go to io_errors) and validates the root dictionary;
    // false when the text gives none.
    virtual bool validate(const std::wstring& text, ErrorList* io_errors) const;
    // The common checks; true unless they found an error of severity 3 or 4. Type validators
    // override it and call it first. Null arguments are hard checks naming them.
    virtual bool validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const;
    // Whether the text is a valid scope selector. Otherwise an error of severity 3 with the
    // selector parser's message and, as its range, the parser's place in the text; positioned
    // at value when one is given.
    virtual bool validateScopeSelector(ErrorList* io_errors, const BundleEntryKey& key, const std::wstring& text,
                                       const pel::Value* value) const;

    // "title" present (severity 3), a string (severity 3), not empty.
    static bool validateCommon(const pel::AbstractDictionaryValue& dval, ErrorList* io_errors);
    // At least one error of severity 3 or 4.
    static bool hasProblems(const ErrorList& errors);

    // The checks. Messages, each with the check's own tags besides "read":
    // "Dictionary key `<key>` not found." (the key's tags; positioned at the dictionary).
    static bool requireKey(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval, const BundleEntryKey& key,
                           const pel::Value** o_value, uint32_t severity);
    // "Value must be `<expected>`, but `<found>` found.", kind names of pel::Value::typeName.
    static bool expectType(ErrorList* io_errors, const pel::Value& value, int32_t type, uint32_t severity);
    // The string value matches the pattern from its first character (to its last, with
    // wholeText: patterns anchored with "^...$" are only line-anchored). Severity 3, the tag,
    // the message or "Value has invalid format.". A value that is no string fails too.
    static bool checkFormat(ErrorList* io_errors, const pel::Value& value, const pel::RegEx& pattern, uint32_t tag,
                            const wchar_t* message = nullptr, bool wholeText = false);
    // Passes when the key is absent; else "The `<key>` will be ignored." at severity 2 (the
    // key's tags), positioned at the ignored value.
    static bool warnIgnored(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval, const BundleEntryKey& key);
    // Passes for a string that is not empty; else "Value is empty." at severity 3, tagged with
    // the title's symbol.
    static bool checkNotEmpty(ErrorList* io_errors, const pel::Value& value);

    // The byte-escape rewrite patterns of grammars get before they compile: each \xHH (not
    // after an escaping backslash) becomes the code point U+00HH, \x{HH}. True when anything changed.
    static bool fixHexEscapes(const std::wstring& pattern, std::wstring* o_fixed);
};

} // namespace tessel
