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

// Each error as "severity tags | message with source and position", "read" by name.
std::wstring listed(const ErrorList& errors) {
    std::wstring text;
    for (const ErrorList::ErrorPtr& error : errors.getErrors()) {
        text += std::to_wstring(error->getSeverity());
        for (unsigned int tag : error->getTags().values())
            text += tag == BundleError::TAG_READ ? L" read" : L" " + std::to_wstring(tag);
        text += L" | " + error->getMessage() + L"\n";
    }
    return text;
}

} // namespace

TEST(BundleEntryValidator, CommonChecksOfTheTitle) {
    const std::wstring title = std::to_wstring(BundleEntryValidator::TITLE_SYMBOL);
    const struct {
        const wchar_t* text;
        std::wstring errors; // valid when there are none
    } rows[] = {
        {L"{title: 'HTML'}", L""},
        {L"\n  {menu: null}", L"3 " + title + L" read | Dictionary key `title` not found. (Line 2, Char 3)\n"},
        {L"{title: 5}", L"3 read | Value must be `String`, but `Integer` found. (Line 1, Char 9)\n"},
        {L"{title: ''}", L"3 " + title + L" read | Value is empty. (Line 1, Char 9)\n"},
        {L"[{title: 'x'}]", L"4 read | Root value must be `Dictionary`, but `List` found. (Line 1, Char 1)\n"},
        {L"{title: 'x'", L"4 read | Unexpectedly terminated while reading dictionary key. (Line 1, Char 12)\n"},
    };
    const BundleEntryValidator validator;
    for (const auto& row : rows) {
        ErrorList errors;
        EXPECT_EQ(row.errors.empty(), validator.validate(row.text, &errors)) << row.text;
        EXPECT_EQ(row.errors, listed(errors));
    }
}

TEST(BundleEntryValidator, ChecksReportWithTheirOwnSeveritiesTagsAndPlaces) {
    const std::unique_ptr<pel::Value> root(pel::JasmineReaderHelper::read(std::wstring(L"{k: 'ab-c', n: 'x'}")));
    const auto& dval = static_cast<const pel::AbstractDictionaryValue&>(*root);
    const pel::Value& value = *dval.find(L"k");
    const BundleEntryKey key(L"k", 77);
    const std::unique_ptr<pel::RegEx> letters = pel::RegEx::create(L"^[a-z]+$"), ab = pel::RegEx::create(L"ab");
    const BundleEntryValidator validator;
    ErrorList errors;
    EXPECT_FALSE(BundleEntryValidator::warnIgnored(&errors, dval, key));
    EXPECT_TRUE(BundleEntryValidator::warnIgnored(&errors, dval, BundleEntryKey(L"absent", 77)));
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, value, *letters, 7));
    EXPECT_TRUE(BundleEntryValidator::checkFormat(&errors, value, *ab, 7)); // from the start only
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, value, *ab, 7, L"Bad name.", true));
    EXPECT_FALSE(BundleEntryValidator::checkFormat(&errors, dval, *ab, 7)); // no string
    EXPECT_FALSE(BundleEntryValidator::hasProblems(ErrorList()));
    EXPECT_TRUE(validator.validateScopeSelector(&errors, key, L"source.c - string", nullptr));
    EXPECT_FALSE(validator.validateScopeSelector(&errors, key, L"a (b", &value));
    EXPECT_EQ(L"2 77 read | The `k` will be ignored. (Line 1, Char 5)\n"
              L"3 7 read | Value has invalid format. (Line 1, Char 5)\n"
              L"3 7 read | Bad name. (Line 1, Char 5)\n"
              L"3 7 read | Value has invalid format. (Line 1, Char 1)\n"
              L"3 77 read | Unexpected `(` in scope selector `a (b`. (Line 1, Char 5)\n",
              listed(errors));
    EXPECT_TRUE(BundleEntryValidator::hasProblems(errors));
    const BundleError& selector = static_cast<const BundleError&>(*errors.getErrors().back());
    ASSERT_TRUE(selector.hasRange());
    EXPECT_EQ(2u, selector.getRangeStart().column); // the stray "("
    EXPECT_EQ(3u, selector.getRangeEnd().column);
    const std::shared_ptr<Error> copy = selector.clone();
    EXPECT_EQ(selector.getMessage(), copy->getMessage());
    EXPECT_EQ(3u, std::static_pointer_cast<BundleError>(copy)->getRangeEnd().column);

    const std::shared_ptr<BundleError> error = makeBundleError(BundleError::TAG_LOAD, 4, L"Broken.");
    EXPECT_EQ(L"Broken.", error->getMessage());
    error->setSource(L"S");
    error->setPosition({0, 4, 4}, {0, 4, 4});
    EXPECT_EQ(L"Broken. S (Line 1, Char 5)", error->getMessage());
    BundleError merged(3, L"Merged.");
    merged.setPosition(*std::unique_ptr<pel::Value>(pel::DictionaryValue::create())); // made in code: no place
    EXPECT_FALSE(merged.hasPosition());
}

TEST(BundleEntryValidator, FixHexEscapesWidensUnescapedByteEscapes) {
    const wchar_t* escapes[][2] = {{L"\\x41", L"\\x{41}"}, {L"a\\x4", L"a\\x4"}, {L"\\\\x41", L"\\\\x41"}};
    for (const auto& row : escapes) {
        std::wstring fixed;
        EXPECT_EQ(std::wstring(row[0]) != row[1], BundleEntryValidator::fixHexEscapes(row[0], &fixed));
        EXPECT_EQ(row[1], fixed);
    }
}
