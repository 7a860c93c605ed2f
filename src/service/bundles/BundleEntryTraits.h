#pragma once
// What the program knows of one bundle entry type, fixed for the whole run: its code, names, the
// extension and folder of its files, the validator of its entries and, for the bundle type, a
// default document. The five records are made on first use, once, and shared read-only by every
// thread; call BundleEntryTraits::all() at start-up, after the regular-expression library is up.

#include "pel/base/Crc.h"
#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pel {
class Value;
}

namespace tessel {

class BundleEntryValidator;

// The type codes: the symbol of each type's word. The preferences type is the one whose code
// is not the symbol of its type name.
enum BundleEntryType : uint32_t {
    BUNDLE_TYPE_BUNDLE = pel::crc32Literal("bundle"),                 // 0xA57B32FD
    BUNDLE_TYPE_GRAMMAR = pel::crc32Literal("grammar"),               // 0x7A6B6279
    BUNDLE_TYPE_PREFERENCES = pel::crc32Literal("scope_preferences"), // 0xCD14D32D
    BUNDLE_TYPE_SNIPPET = pel::crc32Literal("snippet"),               // 0x961C8CD5
    BUNDLE_TYPE_THEME = pel::crc32Literal("theme"),                   // 0x9775E708
};

class BundleEntryTraits {
public:
    BundleEntryTraits(uint32_t id, const std::wstring& title, const std::wstring& type_name,
                      const std::wstring& extension, const std::wstring& folder, uint32_t second_id,
                      const std::shared_ptr<BundleEntryValidator>& validator, int32_t weight);
    ~BundleEntryTraits();
    BundleEntryTraits(const BundleEntryTraits&) = delete;
    BundleEntryTraits& operator=(const BundleEntryTraits&) = delete;

    // The five records, in the order they are made: grammar, preferences, snippet, theme, bundle.
    static const std::vector<const BundleEntryTraits*>& all();
    static const BundleEntryTraits& bundle();
    static const BundleEntryTraits& grammar();
    static const BundleEntryTraits& preferences();
    static const BundleEntryTraits& snippet();
    static const BundleEntryTraits& theme();

    // Makes the type's default document: the value written as Jasmine text and read back
    // through BundleEntrySourceHelper::parse (source "default") into a token store and a root
    // value. A value whose text does not read back cleanly is a hard check ("errors.empty()").
    void setDefault(const pel::Value& value);

    const uint32_t id;
    const std::wstring title;     // "Grammar"
    const std::wstring type_name; // "grammar"
    const std::wstring extension; // "tsGrammar", without the dot
    const std::wstring folder;    // "grammars", inside a bundle's folder
    // A second copy of the type code, and a signed per-type word (grammar -10, theme -20,
    // others 0); kept with the record, read by nothing yet.
    const uint32_t second_id;
    const int32_t weight;
    // Never null; shared by every entry of the type.
    const std::shared_ptr<BundleEntryValidator> validator;
    // The default document; null unless set.
    std::shared_ptr<const pel::Value> default_value;
    std::shared_ptr<const pel::TTokenStore<pel::JasmineToken>> default_tokens;
};

} // namespace tessel
