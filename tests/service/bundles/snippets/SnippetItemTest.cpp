#include "service/bundles/snippets/SnippetBundleItem.h"

#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/snippets/ExecutableBundleItemValidator.h"
#include "service/bundles/snippets/Snippet.h"

#include "../EntryValueSupport.h"

#include "pel/value/DictionaryValue.h"

using namespace tessel;
using tessel_test::EntryValue;
using tessel_test::errorLines;

namespace {

using SnippetPtr = boost::intrusive_ptr<SnippetBundleItem>;

SnippetPtr readItem(const std::wstring& text) {
    SnippetPtr item(new SnippetBundleItem, false);
    ErrorList errors;
    item->readValue(EntryValue(text).dictionary(), &errors);
    return item;
}

} // namespace

TEST(SnippetItemTest, ReadsItsFourKeysAndWritesThoseItHas) {
    const struct {
        const wchar_t* text;
        const wchar_t* fields; // tab trigger, shortcut, scope, content
        const wchar_t* written;
    } rows[] = {
        {L"{title: 'T' key_equivalent: 'F4'}", L"|F4||", L"{title: \"T\" shortcut: \"F4\"}"},
        {L"{title: 'T' shortcut: 'F5' key_equivalent: 'F4'}", L"|F5||", L"{title: \"T\" shortcut: \"F5\"}"},
        {L"{title: 'T' shortcut: '' key_equivalent: 'F4' tab_trigger: ''}", L"|||", L"{title: \"T\"}"},
        {L"{title: 'T' tab_trigger: 'fn' scope: 'source' content: 'x$1' shortcut: 2}", L"fn||source|x$1",
         L"{title: \"T\" tab_trigger: \"fn\" scope: \"source\" content: \"x$1\"}"},
    };
    for (const auto& row : rows) {
        const SnippetPtr item = readItem(row.text);
        EXPECT_EQ(row.fields, item->getTabTrigger() + L"|" + item->getShortcut() + L"|" + item->getScope() + L"|" +
                                  item->getContent())
            << row.text;
        pel::DictionaryValue written;
        item->writeValue(&written);
        EXPECT_TRUE(written.equals(EntryValue(row.written).dictionary())) << row.text;
    }
}

// A key removed from the entry is gone from the item; a new content is read anew.
TEST(SnippetItemTest, EachValueStartsOverAndANewContentDropsTheSnippet) {
    const SnippetPtr item = readItem(L"{title: 'T' shortcut: 'F4' content: 'a$1'}");
    ErrorList errors;
    ASSERT_TRUE(item->getSnippet());
    EXPECT_EQ(1u, item->getSnippet()->masters().size());
    item->readValue(EntryValue(L"{title: 'T' content: '${1/a'}").dictionary(), &errors);
    EXPECT_EQ(L"", item->getShortcut());
    EXPECT_THROW(item->getSnippet(), pel::UnexpectedlyTerminatedException);
    item->readValue(EntryValue(L"{title: 'T' content: 'b'}").dictionary(), &errors);
    ASSERT_TRUE(item->getSnippet());
    EXPECT_EQ(0u, item->getSnippet()->masters().size());
}

TEST(SnippetItemTest, TheValidatorChecksScopeAndContent) {
    const BundleEntryValidator& validator = *BundleEntryTraits::snippet().validator;
    const struct {
        const wchar_t* text;
        const wchar_t* errors;
    } rows[] = {
        {L"{title: 'T' scope: '' content: 'x${'}", L""},
        {L"{title: 'T' scope: 'source, text' content: '$1 ${1:a}'}", L""},
        {L"{title: 'T' content: 'a'}", L"2 Dictionary key `scope` not found."},
        {L"{title: 'T' scope: 1 content: []}",
         L"2 Value must be `String`, but `Integer` found.; 2 Value must be `String`, but `List` found."},
        {L"{scope: '' content: '${}'}",
         L"3 Dictionary key `title` not found.; 3 Unexpected token `unknown`, expected `variable or number`."},
        {L"{title: 'T' scope: '' content: \"ab\\n${1/a\"}", L"3 Parsing ended unexpectedly."},
    };
    ErrorList errors;
    for (const auto& row : rows) {
        errors.clear();
        validator.validate(&EntryValue(row.text).dictionary(), &errors);
        EXPECT_EQ(row.errors, errorLines(errors)) << row.text;
    }
    // The last row's error lies in the content, at the place of the cut.
    const auto& error = static_cast<const BundleError&>(*errors.getFirst());
    EXPECT_EQ(1u, errors.getTagCount(ExecutableBundleItemValidator::CONTENT_SYMBOL));
    EXPECT_EQ(1u, errors.getTagCount(BundleError::TAG_READ));
    EXPECT_EQ(3u, error.getRangeStart().offset);
    EXPECT_EQ(1u, error.getRangeStart().line);
    EXPECT_EQ(8u, error.getRangeEnd().offset);
    EXPECT_TRUE(error.hasPosition());
}
