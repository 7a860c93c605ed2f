#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/grammar/GrammarBundleItemValidator.h"
#include "service/bundles/snippets/SnippetValidator.h"
#include "service/bundles/themes/ThemeBundleItemValidator.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/DictionaryValue.h"

namespace tessel {

namespace {

std::shared_ptr<BundleEntryValidator> baseValidator() { return std::make_shared<BundleEntryValidator>(); }

} // namespace

BundleEntryTraits::BundleEntryTraits(uint32_t i_id, const std::wstring& i_title, const std::wstring& i_type_name,
                                     const std::wstring& i_extension, const std::wstring& i_folder,
                                     uint32_t i_second_id, const std::shared_ptr<BundleEntryValidator>& i_validator,
                                     int32_t i_weight)
    : id(i_id), title(i_title), type_name(i_type_name), extension(i_extension), folder(i_folder),
      second_id(i_second_id), weight(i_weight), validator(i_validator) {}

BundleEntryTraits::~BundleEntryTraits() = default;

// Function-local statics: C++ does not order the statics of different files, and the type
// validators compile their patterns when they are made.
const BundleEntryTraits& BundleEntryTraits::grammar() {
    static const BundleEntryTraits traits(BUNDLE_TYPE_GRAMMAR, L"Grammar", L"grammar", L"tsGrammar", L"grammars",
                                          BUNDLE_TYPE_GRAMMAR,
                                          std::make_shared<GrammarBundleItemValidator>(), -10);
    return traits;
}

const BundleEntryTraits& BundleEntryTraits::preferences() {
    static const BundleEntryTraits traits(BUNDLE_TYPE_PREFERENCES, L"Preferences", L"preferences", L"tsPreferences",
                                          L"preferences", BUNDLE_TYPE_PREFERENCES, baseValidator(), 0);
    return traits;
}

const BundleEntryTraits& BundleEntryTraits::snippet() {
    static const BundleEntryTraits traits(BUNDLE_TYPE_SNIPPET, L"Snippet", L"snippet", L"tsSnippet", L"snippets",
                                          BUNDLE_TYPE_SNIPPET, std::make_shared<SnippetValidator>(), 0);
    return traits;
}

const BundleEntryTraits& BundleEntryTraits::theme() {
    static const BundleEntryTraits traits(BUNDLE_TYPE_THEME, L"Theme", L"theme", L"tsTheme", L"themes",
                                          BUNDLE_TYPE_THEME, std::make_shared<ThemeBundleItemValidator>(), -20);
    return traits;
}

const BundleEntryTraits& BundleEntryTraits::bundle() {
    static BundleEntryTraits traits(BUNDLE_TYPE_BUNDLE, L"Bundle", L"bundle", L"tsBundle", L"bundles",
                                    BUNDLE_TYPE_BUNDLE, baseValidator(), 0);
    // A bundle without an info file in any layer merges from this document: title and menu null.
    static const bool defaulted = [] {
        pel::DictionaryValue info;
        info.setValue(L"title", pel::Value::create());
        info.setValue(L"menu", pel::Value::create());
        traits.setDefault(info);
        return true;
    }();
    (void)defaulted;
    return traits;
}

const std::vector<const BundleEntryTraits*>& BundleEntryTraits::all() {
    static const std::vector<const BundleEntryTraits*> records{&grammar(), &preferences(), &snippet(), &theme(),
                                                               &bundle()};
    return records;
}

void BundleEntryTraits::setDefault(const pel::Value& value) {
    std::wstring text;
    pel::JasmineWriterHelper::toJasmine(&value, &text);
    std::shared_ptr<pel::TTokenStore<pel::JasmineToken>> tokens =
        std::make_shared<pel::TTokenStore<pel::JasmineToken>>();
    ErrorList errors;
    std::shared_ptr<pel::Value> root = BundleEntrySourceHelper::parse(L"default", text, &errors, tokens.get());
    PEL_ASSERT(errors.empty());
    default_tokens = tokens;
    default_value = root;
}

} // namespace tessel
