#include "service/bundles/grammar/GrammarBundleItemValidator.h"

#include "service/bundles/BundleEntryTraits.h"

#include "GrammarFixtures.h"

#include <gtest/gtest.h>

#include <string>

using namespace tessel;
using namespace tessel_test;

namespace {

// Each finding as "severity tag | message (place)", the top-level key's tag by name.
std::wstring findings(const ErrorList& errors) {
    std::wstring text;
    for (const ErrorList::ErrorPtr& error : errors.getErrors()) {
        text += std::to_wstring(error->getSeverity());
        for (const char* key : {"name", "file_types", "patterns", "repository"})
            if (error->hasTag(pel::crc32(key, strlen(key))))
                text += L" " + std::wstring(key, key + strlen(key));
        text += L" | " + error->getMessage() + L"\n";
    }
    return text;
}

std::wstring validated(const std::wstring& text, bool* o_valid = nullptr) {
    ErrorList errors;
    const bool valid = BundleEntryTraits::grammar().validator->validate(readDictionary(text).get(), &errors);
    if (o_valid)
        *o_valid = valid;
    return findings(errors);
}

} // namespace

TEST(GrammarBundleItemValidator, ChecksNamesFileTypesAndTheRepository) {
    const struct {
        const wchar_t* body; // after the title
        const wchar_t* findings;
    } rows[] = {
        {L"name: \"source.c++\" patterns: [ ]", L""},
        {L"scope_name: \"a\" patterns: [ ]", L"3 name | Dictionary key `name` not found. (Line 1, Char 1)\n"},
        {L"name: \"a b\" patterns: [ ]",
         L"3 name | Name must not be empty and must only contain uppercase and lowercase characters, numbers, "
         L"hash, dot and underscore. (Line 1, Char 20)\n"},
        {L"name: \"\" patterns: [ ]", L"3 name | Name must not be empty and must only contain uppercase and "
                                      L"lowercase characters, numbers, hash, dot and underscore. (Line 1, Char 20)\n"},
        // "$" matches before a line feed too: the whole name must match.
        {L"name: \"a\\n!!\" patterns: [ ]", L"3 name | Name must not be empty and must only contain uppercase and "
                                            L"lowercase characters, numbers, hash, dot and underscore. (Line 1, Char 20)\n"},
        {L"name: 5 patterns: [ ]", L"3 name | Value must be `String`, but `Integer` found. (Line 1, Char 20)\n"},
        {L"name: \"a\"", L"2 patterns | Dictionary key `patterns` not found. (Line 1, Char 1)\n"},
        {L"name: \"a\" patterns: { }", L"3 patterns | Value must be `List`, but `Dictionary` found. (Line 1, Char 34)\n"},
        {L"name: \"a\" patterns: [ 5 ] file_types: [ \"x\" 3 ] repository: { k: [ ] }",
         L"3 file_types | Value must be `String`, but `Integer` found. (Line 1, Char 58)\n"
         L"3 patterns | Value must be `Dictionary`, but `Integer` found. (Line 1, Char 36)\n"
         L"3 repository | Value must be `Dictionary`, but `List` found. (Line 1, Char 79)\n"},
        {L"name: \"a\" patterns: [ ] file_types: \"x\"",
         L"3 file_types | Value must be `List`, but `String` found. (Line 1, Char 50)\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.findings, validated(L"{ title: \"T\" " + std::wstring(row.body) + L" }")) << row.body;
}

TEST(GrammarBundleItemValidator, ChecksPatternsCapturesAndExpressions) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* findings;
        bool valid;
    } rows[] = {
        {L"{ begin: /a/ }", L"2 patterns | Dictionary key `end` not found. (Line 2, Char 1)\n", true},
        // Completed from the begin match when parsing: nothing to report.
        {L"{ begin: /(a)/ end: /\\1/ }", L"", true},
        {L"{ begin: /a/ end: /\\1/ match: /x/ }",
         L"2 patterns | The `match` will be ignored. (Line 2, Char 31)\n", true},
        {L"{ match: /(a)(b)/ captures: { 0: { name: \"z\" } -1: { name: \"m\" } 3: { name: \"t\" } x: { name: \"x\" } 1: 5 2: { } } }",
         L"3 patterns | Capture group index must be greater than 0. (Line 2, Char 52)\n"
         L"2 patterns | Capture group index does not match the regular expression. (Line 2, Char 69)\n"
         L"3 patterns | Capture group index must be a number. (Line 2, Char 86)\n"
         L"3 patterns | Value must be `Dictionary`, but `Integer` found. (Line 2, Char 103)\n"
         L"3 patterns | Dictionary key `name` not found. (Line 2, Char 108)\n",
         false},
        {L"{ match: /a/ begin_captures: { } patterns: [ ] }",
         L"2 patterns | The `begin_captures` will be ignored. (Line 2, Char 30)\n"
         L"2 patterns | The `patterns` will be ignored. (Line 2, Char 44)\n",
         true},
        {L"{ begin: /(a)/ end: /(b)(c)/ captures: { 2: { name: \"c\" } } begin_captures: { 2: { name: \"x\" } } }",
         L"2 patterns | Capture group index does not match the regular expression. (Line 2, Char 82)\n", true},
        {L"{ begin: /a/ end: /b/ patterns: [ { match: /(x/ } ] }",
         L"3 patterns | Syntax error: `end pattern with unmatched parenthesis` (Line 2, Char 45)\n", false},
        {L"{ begin: /a/ end: /b/ patterns: [ { match: \"x\" } ] }",
         L"3 patterns | Value must be `RegExp`, but `String` found. (Line 2, Char 44)\n", false},
        // Include patterns, groups and injections are the reader's.
        {L"{ include: \"#x\" inject: [ 5 ] } { patterns: [ 5 { match: /(/ } ] }", L"", true},
    };
    for (const auto& row : rows) {
        bool valid = false;
        EXPECT_EQ(row.findings, validated(L"{ title: \"T\" name: \"a\" patterns: [\n" + std::wstring(row.pattern) + L" ] }",
                                          &valid))
            << row.pattern;
        EXPECT_EQ(row.valid, valid) << row.pattern;
    }
}

TEST(GrammarBundleItemValidator, SyntaxErrorsPointIntoThePattern) {
    ErrorList errors;
    const std::wstring text = L"{ title: \"T\" name: \"a\" patterns: [ ]\n repository: {\n\n\n k: { match: /ab(c/ } } }";
    EXPECT_FALSE(BundleEntryTraits::grammar().validator->validate(readDictionary(text).get(), &errors));
    ASSERT_EQ(1u, errors.size());
    const auto* error = static_cast<const BundleError*>(errors.getFirst().get());
    EXPECT_EQ(4u, error->getStartPosition().line);
    EXPECT_TRUE(error->hasRange());
}
