#include "service/bundles/preferences/ScopePreferencesBundleItem.h"

#include "../EntryValueSupport.h"

#include "pel/value/DictionaryValue.h"

using namespace tessel;
using tessel_test::EntryValue;

namespace {

// "(){}b" for the pairs ( ) and { } block.
std::wstring pairsOf(const ScopePreferencesBundleItem& item) {
    std::wstring text;
    for (const PairedCharacter& pair : item.getPairs())
        text += std::wstring{pair.open, pair.close} + (pair.block ? L"b" : L"");
    return text;
}

} // namespace

TEST(ScopePreferencesItemTest, PairsAreReadWithTheirSkippingAndWrittenBack) {
    const struct {
        const wchar_t* pairs;
        const wchar_t* read;
    } rows[] = {
        {L"[ '(' ')' ]", L"()"},
        {L"[ '{' '}' 'block' ]", L"{}b"},
        {L"[ '(' ]", L""},
        {L"[ 1 2 ]", L""},
        {L"[ 'abcd' 'efg' ]", L""},
        {L"[ '((' ')' ]", L"()"},
        {L"[ '[' ']' 1 'x' 'block' ] 'x' [ '\"' '\"' ]", L"[]b\"\""},
    };
    for (const auto& row : rows) {
        boost::intrusive_ptr<ScopePreferencesBundleItem> item(new ScopePreferencesBundleItem, false);
        ErrorList errors;
        item->readValue(
            EntryValue(std::wstring(L"{title: 'P' scope: 'source' settings: {pairs: [ ") + row.pairs + L" ]}}")
                .dictionary(),
            &errors);
        EXPECT_EQ(L"source", item->getScope());
        EXPECT_EQ(row.read, pairsOf(*item)) << row.pairs;
        pel::DictionaryValue written;
        item->writeValue(&written);
        boost::intrusive_ptr<ScopePreferencesBundleItem> again(new ScopePreferencesBundleItem, false);
        again->readValue(written, &errors);
        EXPECT_EQ(item->getPairs(), again->getPairs()) << row.pairs;
        EXPECT_EQ(row.read[0] != 0, written.findDictionary(L"settings")->hasKey(L"pairs")) << row.pairs;
    }
}

TEST(ScopePreferencesItemTest, EachValueStartsOver) {
    boost::intrusive_ptr<ScopePreferencesBundleItem> item(new ScopePreferencesBundleItem, false);
    ErrorList errors;
    item->readValue(EntryValue(L"{title: 'P' scope: 's' settings: {pairs: [ [ '(' ')' ] ]}}").dictionary(), &errors);
    item->readValue(EntryValue(L"{title: 'P' settings: []}").dictionary(), &errors);
    EXPECT_EQ(L"", item->getScope());
    EXPECT_TRUE(item->getPairs().empty());
    pel::DictionaryValue written;
    item->writeValue(&written);
    EXPECT_TRUE(written.equals(EntryValue(L"{title: 'P' scope: '' settings: {}}").dictionary()));
}
