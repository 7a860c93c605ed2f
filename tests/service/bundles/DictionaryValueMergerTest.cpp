#include "service/bundles/DictionaryValueMerger.h"

#include "pel/jasmine/JasmineTestSupport.h"

using namespace tessel;
using tessel_test::json;

namespace {

std::unique_ptr<DictionaryValueMerger> merged(const std::vector<const wchar_t*>& texts) {
    std::unique_ptr<DictionaryValueMerger> merger(new DictionaryValueMerger);
    for (const wchar_t* text : texts)
        merger->add(static_cast<pel::AbstractDictionaryValue*>(pel::JasmineReaderHelper::read(std::wstring(text))));
    return merger;
}

} // namespace

TEST(DictionaryValueMerger, TheLastDictionaryHavingAKeyAnswers) {
    const struct {
        std::vector<const wchar_t*> dictionaries;
        const wchar_t* key;
        const wchar_t* value;
        size_t index; // 99: left as it was
    } rows[] = {
        {{L"{x: 1}", L"{x: 2}"}, L"x", L"2", 1},    {{L"{x: 1}"}, L"x", L"1", 0},
        {{L"{x: 1}", L"{y: 2}"}, L"x", L"1", 0},    {{L"{x: 1}", L"{x: null}"}, L"x", L"null", 1},
        {{L"{x: 1}", L"{x: 2}"}, L"z", L"none", 99}, {{}, L"x", L"none", 99},
    };
    for (const auto& row : rows) {
        const std::unique_ptr<DictionaryValueMerger> merger = merged(row.dictionaries);
        size_t index = 99;
        const pel::Value* found = merger->findValue(row.key, &index);
        EXPECT_EQ(row.value, found ? json(*found) : L"none") << row.key;
        EXPECT_EQ(row.index, index) << row.key;
        EXPECT_TRUE(found == merger->find(row.key) && (found != nullptr) == merger->hasKey(row.key));
    }
}

TEST(DictionaryValueMerger, TheValueTreeReadsTheMergedViewAndCannotWrite) {
    const std::unique_ptr<DictionaryValueMerger> merger =
        merged({L"{b: 1, a: 'low', list: [1], n: 5}", L"{c: true, a: 'high', n: null}"});
    std::wstring text;
    int32_t number = 0;
    EXPECT_TRUE(merger->getString(L"a", &text) && text == L"high" && !merger->getInteger(L"n", &number)); // n is null now
    EXPECT_TRUE(merger->hasKeyOfType(L"n", pel::Value::TYPE_NULL) && !merger->hasKeyOfType(L"n", pel::Value::TYPE_INTEGER));
    EXPECT_TRUE(merger->getList(L"list")->size() == 1 && !merger->findTyped(L"a", pel::Value::TYPE_LIST));

    std::wstring inOrder, byKey;
    for (const pel::DictionaryMember& member : merger->members())
        inOrder += member.key() + L"=" + json(*member.value()) + L" ";
    for (const pel::DictionaryMember& member : merger->membersByKey())
        byKey += member.key() + L" ";
    EXPECT_EQ(L"b=1 a=\"high\" list=[1] n=null c=true ", inOrder);
    EXPECT_EQ(L"a b c list n ", byKey);
    const std::unique_ptr<pel::AbstractDictionaryValue> flat(static_cast<pel::AbstractDictionaryValue*>(
        pel::JasmineReaderHelper::read(std::wstring(L"{a: 'high', b: 1, c: true, list: [1], n: null}"))));
    const std::unique_ptr<pel::Value> copy(merger->clone());
    EXPECT_TRUE(merger->size() == 5 && merger->equals(*flat) && flat->equals(*merger) && copy->equals(*merger));

    EXPECT_THROW(merger->setValue(L"x", pel::Value::create()), pel::NotImplementedException);
    EXPECT_THROW(merger->remove(L"x", nullptr), pel::NotImplementedException);
    EXPECT_THROW(merger->clear(), pel::NotImplementedException);
    EXPECT_THROW(merger->assign(*flat), pel::NotImplementedException);
    EXPECT_EQ(5u, merger->size());
}
