#include "service/bundles/DictionaryValueMerger.h"

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tessel;

namespace {

std::unique_ptr<DictionaryValueMerger> merged(const std::vector<const wchar_t*>& texts) {
    std::unique_ptr<DictionaryValueMerger> merger(new DictionaryValueMerger);
    for (const wchar_t* text : texts)
        merger->add(static_cast<pel::AbstractDictionaryValue*>(pel::JasmineReaderHelper::read(std::wstring(text))));
    return merger;
}

// Keys and answering values in one order, as "key=json" words.
std::wstring walked(const pel::AbstractDictionaryValue& dictionary, bool byKey) {
    std::wstring out;
    for (const pel::DictionaryMember& member : byKey ? dictionary.membersByKey() : dictionary.members()) {
        std::wstring json;
        pel::JasmineWriterHelper::toJson(member.value(), &json);
        out += (out.empty() ? L"" : L" ") + member.key() + L"=" + json;
    }
    return out;
}

} // namespace

TEST(DictionaryValueMerger, TheLastDictionaryHavingAKeyAnswers) {
    const struct {
        std::vector<const wchar_t*> dictionaries;
        const wchar_t* key;
        const wchar_t* value; // JSON; none: no answer
        size_t index;         // 99: left as it was
    } rows[] = {
        {{L"{x: 1}", L"{x: 2}"}, L"x", L"2", 1},
        {{L"{x: 1}"}, L"x", L"1", 0},
        {{L"{x: 1}", L"{y: 2}"}, L"x", L"1", 0},
        {{L"{x: 1}", L"{x: null}"}, L"x", L"null", 1}, // a present null hides what lies below
        {{L"{x: 1}", L"{x: 2}"}, L"z", nullptr, 99},
        {{}, L"x", nullptr, 99},
    };
    for (const auto& row : rows) {
        const std::unique_ptr<DictionaryValueMerger> merger = merged(row.dictionaries);
        size_t index = 99;
        const pel::Value* found = merger->findValue(row.key, &index);
        std::wstring json = L"<none>";
        if (found)
            pel::JasmineWriterHelper::toJson(found, &json);
        EXPECT_EQ(row.value ? row.value : L"<none>", json) << row.key;
        EXPECT_EQ(row.index, index) << row.key;
        EXPECT_EQ(found, merger->find(row.key));
        EXPECT_EQ(found != nullptr, merger->hasKey(row.key));
    }
}

TEST(DictionaryValueMerger, TheValueTreeReadsThroughTheMergedView) {
    const std::unique_ptr<DictionaryValueMerger> merger =
        merged({L"{b: 1, a: 'low', list: [1], n: 5}", L"{c: true, a: 'high', n: null}"});
    std::wstring text;
    bool flag = false;
    int32_t number = 0;
    EXPECT_TRUE(merger->getString(L"a", &text) && text == L"high");
    EXPECT_TRUE(merger->getBool(L"c", &flag) && flag);
    EXPECT_FALSE(merger->getInteger(L"n", &number)); // null now
    EXPECT_TRUE(merger->hasKeyOfType(L"n", pel::Value::TYPE_NULL));
    EXPECT_FALSE(merger->hasKeyOfType(L"n", pel::Value::TYPE_INTEGER));
    EXPECT_EQ(1u, merger->getList(L"list")->size());
    EXPECT_EQ(nullptr, merger->findTyped(L"a", pel::Value::TYPE_LIST));

    EXPECT_EQ(5u, merger->size());
    EXPECT_EQ(L"b=1 a=\"high\" list=[1] n=null c=true", walked(*merger, false));
    EXPECT_EQ(L"a=\"high\" b=1 c=true list=[1] n=null", walked(*merger, true));
    const std::unique_ptr<pel::Value> flat(pel::JasmineReaderHelper::read(
        std::wstring(L"{a: 'high', b: 1, c: true, list: [1], n: null}")));
    EXPECT_TRUE(merger->equals(*flat) && flat->equals(*merger));
    const std::unique_ptr<pel::Value> copy(merger->clone());
    EXPECT_TRUE(copy->equals(*merger));
    EXPECT_EQ(walked(*merger, false), walked(static_cast<const pel::AbstractDictionaryValue&>(*copy), false));
}

TEST(DictionaryValueMerger, WritesAreNotImplemented) {
    const std::unique_ptr<DictionaryValueMerger> merger = merged({L"{x: 1}"});
    pel::DictionaryValue other;
    EXPECT_THROW(merger->setValue(L"x", pel::Value::create()), pel::NotImplementedException);
    EXPECT_THROW(merger->remove(L"x", nullptr), pel::NotImplementedException);
    EXPECT_THROW(merger->clear(), pel::NotImplementedException);
    EXPECT_THROW(merger->assign(other), pel::NotImplementedException);
    EXPECT_EQ(1u, merger->size());
    EXPECT_THROW(merger->add(nullptr), pel::NullPointerException);
}
