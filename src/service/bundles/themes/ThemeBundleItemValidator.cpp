#include "service/bundles/themes/ThemeBundleItemValidator.h"

#include "service/base/error/ErrorList.h"
#include "service/parser/DocumentTheme.h"

#include "pel/base/Assert.h"
#include "pel/base/Symbol.h"
#include "pel/value/ListValue.h"
#include "pel/value/StringValue.h"

namespace tessel {

namespace {

constexpr uint32_t SETTINGS_SYMBOL = pel::crc32Literal("settings");

void report(ErrorList* io_errors, const wchar_t* message, uint32_t tag, const pel::Value& value) {
    std::shared_ptr<BundleError> error = makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID, message);
    error->addTag(tag);
    error->setPosition(value);
    io_errors->add(error);
}

const pel::AbstractDictionaryValue* asDictionary(const pel::Value* value) {
    return value && value->type == pel::Value::TYPE_DICTIONARY ? static_cast<const pel::AbstractDictionaryValue*>(value)
                                                               : nullptr;
}

} // namespace

const wchar_t* const ThemeBundleItemValidator::COLOUR_KEYS[7] = {
    L"background", L"foreground", L"invisibles", L"area_background", L"selection", L"hotspot", L"line_highlight"};

bool ThemeBundleItemValidator::validate(const pel::AbstractDictionaryValue* dval, ErrorList* io_errors) const {
    PEL_CHECK_PTR(dval);
    PEL_CHECK_PTR(io_errors);
    ErrorList local;
    BundleEntryValidator::validate(dval, &local);
    if (const pel::Value* settings = requireTyped(&local, *dval, L"settings", pel::Value::TYPE_LIST)) {
        const auto& list = static_cast<const pel::ListValue&>(*settings);
        if (list.empty()) {
            report(&local, L"Default settings are missing.", SETTINGS_SYMBOL, *settings);
        } else {
            if (expectType(&local, *list.get(0), pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_INVALID))
                validateGlobal(&local, *list.get(0));
            for (size_t i = 1; i < list.size(); ++i)
                validateRule(&local, *list.get(i));
        }
    }
    io_errors->merge(local);
    return !hasProblems(local);
}

void ThemeBundleItemValidator::validateGlobal(ErrorList* io_errors, const pel::Value& entry) {
    const pel::AbstractDictionaryValue* settings = asDictionary(
        requireTyped(io_errors, *asDictionary(&entry), L"settings", pel::Value::TYPE_DICTIONARY));
    if (settings)
        for (const wchar_t* key : COLOUR_KEYS)
            checkColour(io_errors, *settings, key);
}

void ThemeBundleItemValidator::validateRule(ErrorList* io_errors, const pel::Value& entry) {
    const pel::AbstractDictionaryValue* rule = asDictionary(&entry);
    if (!rule) {
        expectType(io_errors, entry, pel::Value::TYPE_DICTIONARY, BundleError::SEVERITY_IGNORED);
        return;
    }
    requireTyped(io_errors, *rule, L"title", pel::Value::TYPE_STRING);
    requireTyped(io_errors, *rule, L"scope", pel::Value::TYPE_STRING);
    const pel::AbstractDictionaryValue* settings =
        asDictionary(requireTyped(io_errors, *rule, L"settings", pel::Value::TYPE_DICTIONARY));
    if (!settings)
        return;
    checkColour(io_errors, *settings, L"foreground");
    checkColour(io_errors, *settings, L"background");
    const pel::Value* fontStyle = settings->find(L"font_style");
    if (!fontStyle || !expectType(io_errors, *fontStyle, pel::Value::TYPE_STRING, BundleError::SEVERITY_IGNORED))
        return;
    try {
        DocumentTheme::parseFontStyle(static_cast<const pel::StringValue*>(fontStyle)->text);
    } catch (const pel::ParserException& e) {
        std::shared_ptr<BundleError> error =
            makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID, e.message);
        error->addTag(pel::crc32Literal("font_style"));
        error->setRange(e.start, e.end);
        error->setPosition(*fontStyle);
        io_errors->add(error);
    }
}

void ThemeBundleItemValidator::checkColour(ErrorList* io_errors, const pel::AbstractDictionaryValue& settings,
                                           const wchar_t* key) {
    const pel::Value* value = settings.find(key);
    if (!value || !expectType(io_errors, *value, pel::Value::TYPE_STRING, BundleError::SEVERITY_IGNORED))
        return;
    if (!DocumentTheme::isColourText(static_cast<const pel::StringValue*>(value)->text))
        report(io_errors, L"Invalid color format.", pel::Symbol::createTSymbol(key).getHash(), *value);
}

const pel::Value* ThemeBundleItemValidator::requireTyped(ErrorList* io_errors, const pel::AbstractDictionaryValue& dval,
                                                         const wchar_t* key, int32_t type) {
    // The key's tags are made only for the report of a missing key: a theme checks thousands.
    const pel::Value* value = dval.find(key);
    if (!value) {
        const uint32_t symbol = pel::Symbol::createTSymbol(key).getHash();
        requireKey(io_errors, dval, BundleEntryKey(key, symbol), &value, BundleError::SEVERITY_IGNORED);
        return nullptr;
    }
    return expectType(io_errors, *value, type, BundleError::SEVERITY_IGNORED) ? value : nullptr;
}

} // namespace tessel
