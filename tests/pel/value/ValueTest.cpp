#include "pel/base/Assert.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"
#include "pel/value/ValueExceptions.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace pel;
using tessel_test::caught;

namespace {

using Owned = std::unique_ptr<Value>;

// Counts its own destruction, to see who deletes what.
class Probe : public StringValue {
public:
    Probe(const wchar_t* text, int* deaths) : StringValue(text), m_deaths(deaths) {}
    ~Probe() override { ++*m_deaths; }

private:
    int* m_deaths;
};

// The keys of a walk over the members, "|"-separated.
template <class Members>
std::wstring keys(const Members& members) {
    std::wstring text;
    for (const DictionaryMember& member : members)
        text += L"|" + member.key();
    return text.empty() ? text : text.substr(1);
}

ScalarValue* integer(int32_t i) { return new ScalarValue(i); }

} // namespace

TEST(Value, GettersAreStrictlyTyped) {
    ScalarValue integer(int32_t(7));
    StringValue text(L"7");
    double d = -1;
    int32_t i = -1;
    bool b = false;
    std::wstring s = L"unchanged";
    // No conversions, and a failed getter leaves its out-parameter alone.
    EXPECT_FALSE(integer.getDouble(&d));
    EXPECT_FALSE(ScalarValue(2.5).getInteger(&i));
    EXPECT_FALSE(text.getInteger(&i));
    EXPECT_FALSE(integer.getString(&s));
    EXPECT_FALSE(integer.getBool(&b));
    EXPECT_TRUE(d == -1 && i == -1 && s == L"unchanged" && !b);

    EXPECT_TRUE(integer.getInteger(&i) && i == 7);
    EXPECT_TRUE(ScalarValue(true).getBool(&b) && b);
    EXPECT_TRUE(text.getString(&s) && s == L"7");
}

TEST(Value, TypeNamesAndFactories) {
    EXPECT_STREQ(L"Real", Value::typeName(Value::TYPE_DOUBLE));
    EXPECT_STREQ(L"Dictionary", Value::typeName(7));
    EXPECT_STREQ(L"Null", Value::typeName(8));

    std::unique_ptr<StringValue> cut(StringValue::create(L"abcdef", 3));
    EXPECT_EQ(L"abc", cut->text);
    EXPECT_EQ(StringValue::STYLE_DOUBLE_QUOTED, cut->style);
    EXPECT_EQ(L"abcdef", std::unique_ptr<StringValue>(StringValue::create(L"abcdef", -1))->text);
}

TEST(Value, EqualityComparesKindAndContentOnly) {
    EXPECT_FALSE(StringValue(L"1").equals(ScalarValue(int32_t(1))));
    EXPECT_FALSE(ScalarValue(1.0).equals(ScalarValue(int32_t(1))));
    EXPECT_FALSE(ScalarValue(int32_t(1)).equals(ScalarValue(true)));
    EXPECT_TRUE(ScalarValue(false).equals(ScalarValue(false)));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(ScalarValue(nan).equals(ScalarValue(nan)));
    const StringValue symbol(L"a", StringValue::STYLE_SYMBOL);
    EXPECT_TRUE(symbol.equals(StringValue(L"a", StringValue::STYLE_SINGLE_QUOTED))); // the style does not count
    EXPECT_TRUE(RegExpValue(L"a+", L"i").equals(RegExpValue(L"a+", L"i")));
    EXPECT_FALSE(RegExpValue(L"a+", L"i").equals(RegExpValue(L"a+", L"")));
    EXPECT_FALSE(RegExpValue(L"a", L"").equals(StringValue(L"a")));

    Owned null(Value::create());
    Owned otherNull(Value::create());
    otherNull->range.hasRange = 1;
    otherNull->range.beginToken = 9;
    EXPECT_TRUE(null->equals(*otherNull)); // ranges never take part
    EXPECT_FALSE(null->equals(StringValue(L"null")));

    ListValue empty, alsoEmpty, one;
    one.append(new ScalarValue(int32_t(1)));
    EXPECT_TRUE(empty.equals(alsoEmpty));
    EXPECT_FALSE(empty.equals(one));
    EXPECT_FALSE(one.equals(empty));
}

TEST(Value, CloneCopiesContentAndRange) {
    ListValue list;
    const std::initializer_list<Value*> items = {integer(1), new StringValue(L"x", StringValue::STYLE_SINGLE_QUOTED),
                                                 new RegExpValue(L"a\\/b", L"gi"), Value::create(),
                                                 new ScalarValue(0.25), new ScalarValue(false)};
    for (Value* item : items)
        list.append(item);
    list.range.hasRange = 1;
    list.range.beginToken = 3;
    list.range.endToken = 11;
    list.range.innerEnd = TextPosition{1, 2, 3};
    list.get(1)->range.keyBegin = TextPosition{4, 5, 6};

    Owned copy(list.clone());
    ASSERT_EQ(Value::TYPE_LIST, copy->type);
    EXPECT_TRUE(copy->equals(list));
    const ListValue& cloned = static_cast<const ListValue&>(*copy);
    EXPECT_TRUE(cloned.range.endToken == 11 && cloned.range.innerEnd.offset == 3);
    EXPECT_EQ(6u, cloned.get(1)->range.keyBegin.offset);
    EXPECT_EQ(StringValue::STYLE_SINGLE_QUOTED, static_cast<const StringValue*>(cloned.get(1))->style);
    EXPECT_NE(list.get(0), cloned.get(0)); // deep
}

TEST(ListValue, AppendAndDictionaryLookup) {
    ListValue list;
    EXPECT_THROW(list.append(nullptr), AssertionViolationException);
    list.append(new StringValue(L"a"));
    list.append(new DictionaryValue());
    EXPECT_EQ(2u, list.size());
    EXPECT_EQ(list.get(1), list.getDictionary(1));

    const auto missing = caught<ListIndexNotFoundValueException>([&] { list.getDictionary(2); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(L"ValueException:", missing->displayText());
    EXPECT_TRUE(missing->list == &list && missing->index == 2);
    const auto wrong = caught<InvalidTypeInListValueException>([&] { list.getDictionary(0); });
    ASSERT_TRUE(wrong);
    std::unique_ptr<Exception> copy(wrong->clone());
    const auto& kept = dynamic_cast<const InvalidTypeInListValueException&>(*copy);
    EXPECT_TRUE(kept.value == list.get(0) && kept.list == &list && kept.index == 0);
    EXPECT_EQ(Value::TYPE_DICTIONARY, kept.expectedType);
}

TEST(DictionaryValue, KeepsInsertionOrderAndKeyOrder) {
    DictionaryValue d;
    for (const wchar_t* key : {L"b", L"a", L"B", L"\u00e9", L"x", L""})
        d.setValue(key, integer(1));
    d.remove(L"x", nullptr);
    EXPECT_EQ(L"b|a|B|\u00e9|", keys(d.members()));
    EXPECT_EQ(L"|B|a|b|\u00e9", keys(d.membersByKey()));
    EXPECT_EQ(5u, d.size());

    // Walking by hand; a mutable iterator reaches the value itself.
    AbstractDictionaryValue::Iterator it = d.keyOrderBegin();
    EXPECT_EQ(L"", (it++)->key());
    EXPECT_EQ(L"B", it->key());
    it->value()->range.beginToken = 42;
    AbstractDictionaryValue::ConstIterator last = d.insertionOrderBegin();
    for (int i = 0; i < 2; ++i)
        ++last;
    EXPECT_EQ(42u, last->value()->range.beginToken);
}

TEST(DictionaryValue, ReplacingKeepsThePlaceAndDeletesTheOldValue) {
    int deaths = 0;
    DictionaryValue d;
    d.setValue(L"x", new Probe(L"old", &deaths), 4);
    d.setValue(L"y", integer(1));
    d.setValue(L"x", integer(2), 9);
    EXPECT_EQ(1, deaths);
    EXPECT_EQ(L"x|y", keys(d.members()));
    EXPECT_EQ(9u, d.insertionOrderBegin()->keyToken());
    int32_t i = 0;
    EXPECT_TRUE(d.getInteger(L"x", &i));
    EXPECT_EQ(2, i);

    // Setting the value a member already holds must not delete it.
    d.setValue(L"y", d.find(L"y"));
    EXPECT_TRUE(d.getInteger(L"y", &i));
}

TEST(DictionaryValue, TypedLookups) {
    DictionaryValue d;
    d.setValue(L"s", new StringValue(L"text"));
    d.setValue(L"l", new ListValue());
    d.setValue(L"d", new DictionaryValue());

    bool b = true;
    EXPECT_FALSE(d.getBool(L"s", &b)); // another kind: false, no throw
    EXPECT_FALSE(d.getBool(L"none", &b));
    EXPECT_TRUE(b);
    std::wstring s;
    EXPECT_TRUE(d.getString(L"s", &s) && s == L"text");
    EXPECT_TRUE(d.findList(L"l") == d.find(L"l") && !d.findList(L"s") && d.findDictionary(L"d") == d.find(L"d"));
    EXPECT_TRUE(d.hasKeyOfType(L"s", Value::TYPE_STRING) && !d.hasKeyOfType(L"s", Value::TYPE_LIST));
    const DictionaryValue& constant = d;
    EXPECT_EQ(d.find(L"l"), constant.getList(L"l"));

    const auto wrong = caught<InvalidTypeInDictionaryValueException>([&] { d.getList(L"s"); });
    ASSERT_TRUE(wrong);
    EXPECT_EQ(L"ValueException:", wrong->displayText());
    EXPECT_TRUE(wrong->key == L"s" && wrong->dictionary == &d && wrong->value == d.find(L"s"));
    EXPECT_EQ(Value::TYPE_LIST, wrong->expectedType);
    const auto missing = caught<DictionaryKeyNotFoundValueException>([&] { constant.getList(L"none"); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(L"ValueException:", missing->displayText());
    EXPECT_TRUE(missing->key == L"none" && missing->dictionary == &d);
}

TEST(DictionaryValue, EqualityIgnoresOrder) {
    DictionaryValue a, b;
    a.setValue(L"x", integer(1));
    a.setValue(L"y", new StringValue(L"s"));
    b.setValue(L"y", new StringValue(L"s", StringValue::STYLE_SYMBOL));
    b.setValue(L"x", integer(1));
    EXPECT_TRUE(a.equals(b) && b.equals(a));
    b.setValue(L"z", integer(0));
    EXPECT_FALSE(a.equals(b) || b.equals(a));
    b.remove(L"z", nullptr);
    b.setValue(L"x", new ScalarValue(1.0));
    EXPECT_FALSE(a.equals(b));

    // Members without a value equal only each other.
    DictionaryValue c, e;
    c.setValue(L"n", nullptr);
    e.setValue(L"n", nullptr);
    EXPECT_TRUE(c.equals(e));
    e.setValue(L"n", Value::create());
    EXPECT_FALSE(c.equals(e) || e.equals(c));
}

TEST(DictionaryValue, RemoveHandsOutOrDeletes) {
    int deaths = 0;
    DictionaryValue d;
    d.setValue(L"kept", new Probe(L"k", &deaths));
    d.setValue(L"gone", new Probe(L"g", &deaths));
    d.setValue(L"last", integer(3));
    Value* taken = nullptr;
    EXPECT_TRUE(d.remove(L"kept", &taken) && d.remove(L"gone", nullptr));
    EXPECT_EQ(1, deaths); // the one handed out lives on
    EXPECT_FALSE(d.remove(L"gone", nullptr));
    EXPECT_EQ(L"last", keys(d.members()));
    delete taken;
}

TEST(DictionaryValue, CloneAndAssignMakeOwnCopiesWithoutKeyTokens) {
    int deaths = 0;
    auto source = std::make_unique<DictionaryValue>();
    source->setValue(L"b", new Probe(L"bee", &deaths), 5);
    source->setValue(L"a", integer(1), 6);
    source->range.hasRange = 1;
    source->range.outerEnd = TextPosition{3, 4, 5};

    std::unique_ptr<Value> copy(source->clone());
    ASSERT_EQ(Value::TYPE_DICTIONARY, copy->type);
    const DictionaryValue& cloned = static_cast<const DictionaryValue&>(*copy);
    EXPECT_EQ(L"b|a", keys(cloned.members()));
    EXPECT_TRUE(cloned.equals(*source));
    EXPECT_EQ(5u, cloned.range.outerEnd.offset);

    DictionaryValue target;
    target.setValue(L"z", integer(0));
    target.setValue(L"b", integer(9));
    target.assign(*source);
    // Existing keys keep their place; new ones follow in the source's key order.
    EXPECT_EQ(L"z|b|a", keys(target.members()));
    for (const DictionaryValue* d : {&cloned, static_cast<const DictionaryValue*>(&target)}) {
        EXPECT_NE(source->find(L"b"), d->find(L"b"));
        for (const DictionaryMember& member : d->members())
            EXPECT_EQ(0u, member.keyToken());
    }
    // Each side owns its values: deleting the source leaves the copies alive.
    source.reset();
    EXPECT_EQ(1, deaths);
    std::wstring s;
    EXPECT_TRUE(target.getString(L"b", &s) && s == L"bee");
    EXPECT_TRUE(cloned.getString(L"b", &s) && s == L"bee");
    target.assign(target);
    EXPECT_EQ(3u, target.size());
}

TEST(DictionaryValue, OrderPastOneChunkAndReuseOfRecords) {
    DictionaryValue d;
    std::wstring expected;
    for (int i = 0; i < 40; ++i) {
        const std::wstring key = std::wstring(1, wchar_t(L'z' - i % 26)) + std::to_wstring(i);
        d.setValue(key, integer(i));
        expected += (i ? L"|" : L"") + key;
    }
    EXPECT_EQ(expected, keys(d.members()));
    EXPECT_EQ(40u, d.poolEntries());
    int32_t value = -1;
    EXPECT_TRUE(d.getInteger(L"n38", &value) && value == 38);

    // Set and remove churn reuses the freed records instead of growing the pool.
    for (int round = 0; round < 1000; ++round) {
        d.setValue(L"churn" + std::to_wstring(round), integer(round));
        d.remove(L"churn" + std::to_wstring(round), nullptr);
    }
    EXPECT_EQ(41u, d.poolEntries());
    EXPECT_EQ(expected, keys(d.members()));

    d.clear();
    EXPECT_TRUE(d.empty() && d.poolEntries() == 0);
    EXPECT_EQ(L"", keys(d.members()) + keys(d.membersByKey()));
    d.setValue(L"again", integer(1));
    d.setValue(L"after", integer(2));
    EXPECT_EQ(L"again|after after|again", keys(d.members()) + L" " + keys(d.membersByKey()));

    // A reserved first chunk, filled past its end, keeps both orders; a second reserve is moot.
    for (size_t reserved : {size_t{3}, size_t{1000}}) {
        DictionaryValue r;
        r.reserve(reserved);
        r.reserve(50);
        for (const wchar_t* key : {L"d", L"b", L"e", L"a", L"c"})
            r.setValue(key, integer(1));
        r.remove(L"e", nullptr);
        r.setValue(L"f", integer(2));
        EXPECT_EQ(L"d|b|a|c|f a|b|c|d|f", keys(r.members()) + L" " + keys(r.membersByKey())) << reserved;
        EXPECT_EQ(5u, r.poolEntries());
    }
}
