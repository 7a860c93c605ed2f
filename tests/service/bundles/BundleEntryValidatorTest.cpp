#include "service/bundles/BundleEntryValidator.h"

#include "service/base/error/ErrorList.h"

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/text/search/RegEx.h"
#include "pel/value/DictionaryValue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tessel;

namespace {

const uint32_t READ = BundleError::TAG_READ;
const uint32_t KEY = 0x1234; // the symbol of the key "k" in these tests

// Each error as "severity tags... | message with source and position".
std::wstring listed(const ErrorList& errors) {
    std::wstring text;
    for (const ErrorList::ErrorPtr& error : errors.getErrors()) {
        text += std::to_wstring(error->getSeverity());
        for (unsigned int tag : error->getTags().values())
            text += tag == READ ? L" read" : L" " + std::to_wstring(tag);
        text += L" | " + error->getMessage() + L"\n";
    }
    return text;
}

std::unique_ptr<pel::AbstractDictionaryValue> dictionary(const wchar_t* text) {
    return std::unique_ptr<pel::AbstractDictionaryValue>(
        static_cast<pel::AbstractDictionaryValue*>(pel::JasmineReaderHelper::read(std::wstring(text))));
}

} // namespace

TEST(BundleEntryValidator, CommonChecksOfTheTitle) {
    const std::wstring title = std::to_wstring(BundleEntryValidator::TITLE_SYMBOL);
    const struct {
        const wchar_t* text;
        bool valid;
        std::wstring errors;
    } rows[] = {
        {L"{title: 'HTML'}", true, L""},
        {L"\n  {menu: null}", false, L"3 " + title + L" read | Dictionary key `title` not found. (Line 2, Char 3)\n"},
        {L"{title: 5}", false, L"3 read | Value must be `String`, but `Integer` found. (Line 1, Char 9)\n"},
        {L"{title: ''}", false, L"3 " + title + L" read | Value is empty. (Line 1, Char 9)\n"},
        {L"[{title: 'x'}]", false, L"4 read | Root value must be `Dictionary`, but `List` found. (Line 1, Char 1)\n"},
        {L"{title: 'x'", false, L"4 read | Unexpectedly terminated while reading dictionary key. (Line 1, Char 12)\n"},
    };
    const BundleEntryValidator validator;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ErrorList errors;
        EXPECT_EQ(row.valid, validator.validate(row.text, &errors));
        EXPECT_EQ(row.errors, listed(errors));
    }
}

TEST(BundleEntryValidator, ChecksReportWithTheirOwnSeveritiesAndTags) {
    const std::unique_ptr<pel::AbstractDictionaryValue> dval = dictionary(L"{k: 'ab-c', n: 'x'}");
    const pel::Value& value = *dval->find(L"k");
    const BundleEntryKey key(L"k", KEY);
    const std::unique_ptr<pel::RegEx> letters = pel::RegEx::create(L"^[a-z]+$");
    const std::unique_ptr<pel::RegEx> ab = pel::RegEx::create(L"ab");
    ErrorList errors;
    EXPECT_FALSE(BundleEntryValidator::warnIgnored(&errors, *dval, key));
    EXPECT_TRUE(BundleEntryValidator::warnIgnored(&errors, *dval, BundleEntryKey(L"absent", KEY)));
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, value, *letters, 7));
    EXPECT_TRUE(BundleEntryValidator::checkFormat(&errors, value, *ab, 7)); // from the start only
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, value, *ab, 7, L"Bad name.", true));
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, *dval, *ab, 7)); // no string
    EXPECT_FALSE(BundleEntryValidator::hasProblems(ErrorList()));
    const BundleEntryValidator validator;
    EXPECT_TRUE(validator.validateScopeSelector(&errors, key, L"source.c - string", nullptr));
    EXPECT_FALSE(validator.validateScopeSelector(&errors, key, L"a (b", &value));
    EXPECT_EQ(L"2 " + std::to_wstring(KEY) + L" read | The `k` will be ignored. (Line 1, Char 5)\n"
              L"3 7 read | Value has invalid format. (Line 1, Char 5)\n"
              L"3 7 read | Bad name. (Line 1, Char 5)\n"
              L"3 7 read | Value has invalid format. (Line 1, Char 1)\n"
              L"3 " + std::to_wstring(KEY) + L" read | Unexpected `(` in scope selector `a (b`. (Line 1, Char 5)\n",
              listed(errors));
    EXPECT_TRUE(BundleEntryValidator::hasProblems(errors));
    const BundleError& selector = static_cast<const BundleError&>(*errors.getErrors().back());
    ASSERT_TRUE(selector.hasRange());
    EXPECT_EQ(2u, selector.getRangeStart().column); // the stray "("
    EXPECT_EQ(3u, selector.getRangeEnd().column);
}

TEST(BundleError, MessageSourcePositionAndClone) {
    std::shared_ptr<BundleError> error = makeBundleError(BundleError::TAG_LOAD, 4, L"Broken.");
    EXPECT_EQ(L"Broken.", error->getMessage());
    error->setSource(L"S");
    error->setPosition({0, 4, 4}, {0, 4, 4});
    error->setRange({1, 2, 3}, {4, 5, 6});
    EXPECT_EQ(L"Broken. S (Line 1, Char 5)", error->getMessage());
    const std::shared_ptr<BundleError> copy = std::static_pointer_cast<BundleError>(error->clone());
    EXPECT_EQ(error->getMessage(), copy->getMessage());
    EXPECT_EQ(4u, copy->getSeverity());
    EXPECT_TRUE(copy->hasTag(BundleError::TAG_LOAD));
    EXPECT_EQ(6u, copy->getRangeEnd().offset);

    BundleError unplaced(3, L"Merged.");
    unplaced.setPosition(*std::unique_ptr<pel::Value>(pel::DictionaryValue::create())); // made in code
    EXPECT_FALSE(unplaced.hasPosition());
}

TEST(BundleEntryValidator, FixHexEscapesWidensByteEscapes) {
    const struct {
        std::wstring pattern, fixed;
        bool changed;
    } rows[] = {
        {L"\\x41", L"\\x41\\x00", true},
        {L"a\\x4", L"a\\x4", false},
        {L"\\\\x41", L"\\\\x41", false}, // a literal backslash, then x41
        {L"\\x", L"\\x", false},
        {L"[\\xfF-\\x7e]", L"[\\xfF\\x00-\\x7e\\x00]", true},
    };
    for (const auto& row : rows) {
        std::wstring fixed;
        EXPECT_EQ(row.changed, BundleEntryValidator::fixHexEscapes(row.pattern, &fixed)) << row.pattern;
        EXPECT_EQ(row.fixed, fixed);
    }
}
