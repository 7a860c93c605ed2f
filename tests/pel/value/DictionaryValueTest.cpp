#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"
#include "pel/value/ValueExceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace pel;

namespace {

// Counts its own destruction, to see who deletes what.
class Probe : public StringValue {
public:
    Probe(const wchar_t* text, int* deaths) : StringValue(text), m_deaths(deaths) {}
    ~Probe() override { ++*m_deaths; }

private:
    int* m_deaths;
};

std::vector<std::wstring> insertionKeys(const AbstractDictionaryValue& d) {
    std::vector<std::wstring> keys;
    for (const DictionaryMember& member : d.members())
        keys.push_back(member.key());
    return keys;
}

std::vector<std::wstring> sortedKeys(const AbstractDictionaryValue& d) {
    std::vector<std::wstring> keys;
    for (const DictionaryMember& member : d.membersByKey())
        keys.push_back(member.key());
    return keys;
}

ScalarValue* integer(int32_t i) { return new ScalarValue(i); }

} // namespace

TEST(DictionaryValue, KeepsInsertionOrderAndKeyOrder) {
    DictionaryValue d;
    d.setValue(L"b", integer(1));
    d.setValue(L"a", integer(2));
    d.setValue(L"B", integer(3));
    d.setValue(L"\u00e9", integer(4));
    d.setValue(L"", integer(5));
    EXPECT_EQ((std::vector<std::wstring>{L"b", L"a", L"B", L"\u00e9", L""}), insertionKeys(d));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"B", L"a", L"b", L"\u00e9"}), sortedKeys(d));
    EXPECT_EQ(5u, d.size());
    EXPECT_FALSE(d.empty());
}

TEST(DictionaryValue, ReplacingKeepsThePlaceAndDeletesTheOldValue) {
    int deaths = 0;
    DictionaryValue d;
    d.setValue(L"x", new Probe(L"old", &deaths), 4);
    d.setValue(L"y", integer(1));
    d.setValue(L"x", integer(2), 9);
    EXPECT_EQ(1, deaths);
    EXPECT_EQ((std::vector<std::wstring>{L"x", L"y"}), insertionKeys(d));
    const DictionaryMember& first = *d.insertionOrderBegin();
    EXPECT_EQ(9u, first.keyToken());
    int32_t i = 0;
    EXPECT_TRUE(d.getInteger(L"x", &i));
    EXPECT_EQ(2, i);

    // Setting the value a member already holds must not delete it.
    Value* same = d.find(L"y");
    d.setValue(L"y", same);
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
    EXPECT_THROW(d.getString(L"s", nullptr), NullPointerException);
    EXPECT_EQ(d.find(L"l"), d.findList(L"l"));
    EXPECT_EQ(nullptr, d.findList(L"s"));
    EXPECT_EQ(d.find(L"d"), d.findDictionary(L"d"));
    EXPECT_TRUE(d.hasKeyOfType(L"s", Value::TYPE_STRING));
    EXPECT_FALSE(d.hasKeyOfType(L"s", Value::TYPE_LIST));
    const DictionaryValue& constant = d;
    EXPECT_EQ(d.find(L"l"), constant.getList(L"l"));

    try {
        d.getList(L"s");
        FAIL();
    } catch (const InvalidTypeInDictionaryValueException& e) {
        EXPECT_STREQ(L"ValueException", e.name());
        EXPECT_EQ(L"s", e.key);
        EXPECT_EQ(&d, e.dictionary);
        EXPECT_EQ(Value::TYPE_LIST, e.expectedType);
        EXPECT_EQ(d.find(L"s"), e.value);
    }
    try {
        constant.getList(L"none");
        FAIL();
    } catch (const DictionaryKeyNotFoundValueException& e) {
        EXPECT_STREQ(L"ValueException", e.name());
        EXPECT_EQ(L"none", e.key);
        EXPECT_EQ(L"", e.message);
    }
}

TEST(DictionaryValue, EqualityIgnoresOrder) {
    DictionaryValue a, b;
    a.setValue(L"x", integer(1));
    a.setValue(L"y", new StringValue(L"s"));
    b.setValue(L"y", new StringValue(L"s", StringValue::STYLE_SYMBOL));
    b.setValue(L"x", integer(1));
    EXPECT_TRUE(a.equals(b));
    EXPECT_TRUE(b.equals(a));

    b.setValue(L"z", integer(0));
    EXPECT_FALSE(a.equals(b));
    EXPECT_FALSE(b.equals(a));
    b.remove(L"z", nullptr);
    b.setValue(L"x", new ScalarValue(1.0));
    EXPECT_FALSE(a.equals(b));

    // Members without a value equal only each other.
    DictionaryValue c, e;
    c.setValue(L"n", nullptr);
    e.setValue(L"n", nullptr);
    EXPECT_TRUE(c.equals(e));
    e.setValue(L"n", Value::create());
    EXPECT_FALSE(c.equals(e));
    EXPECT_FALSE(e.equals(c));
}

TEST(DictionaryValue, RemoveHandsOutOrDeletes) {
    int deaths = 0;
    DictionaryValue d;
    d.setValue(L"kept", new Probe(L"k", &deaths));
    d.setValue(L"gone", new Probe(L"g", &deaths));
    d.setValue(L"last", integer(3));

    Value* taken = nullptr;
    EXPECT_TRUE(d.remove(L"kept", &taken));
    std::unique_ptr<Value> owned(taken);
    EXPECT_EQ(0, deaths);
    EXPECT_TRUE(d.remove(L"gone", nullptr));
    EXPECT_EQ(1, deaths);
    EXPECT_FALSE(d.remove(L"gone", nullptr));
    EXPECT_FALSE(d.hasKey(L"kept"));
    EXPECT_EQ((std::vector<std::wstring>{L"last"}), insertionKeys(d));
    owned.reset();
    EXPECT_EQ(2, deaths);
}

TEST(DictionaryValue, CloneKeepsOrderAndRangeButNotKeyTokens) {
    DictionaryValue d;
    d.setValue(L"z", integer(1), 5);
    d.setValue(L"a", integer(2), 9);
    d.range.hasRange = 1;
    d.range.outerEnd = TextPosition{3, 4, 5};

    std::unique_ptr<Value> copy(d.clone());
    ASSERT_EQ(Value::TYPE_DICTIONARY, copy->type);
    const DictionaryValue& cloned = static_cast<const DictionaryValue&>(*copy);
    EXPECT_EQ((std::vector<std::wstring>{L"z", L"a"}), insertionKeys(cloned));
    EXPECT_TRUE(cloned.equals(d));
    EXPECT_EQ(5u, cloned.range.outerEnd.offset);
    for (const DictionaryMember& member : cloned.members())
        EXPECT_EQ(0u, member.keyToken());
    EXPECT_NE(d.find(L"a"), cloned.find(L"a"));
}

TEST(DictionaryValue, OrderPastOneChunkAndReuseOfRecords) {
    DictionaryValue d;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 40; ++i) {
        const std::wstring key = std::wstring(1, wchar_t(L'z' - i % 26)) + std::to_wstring(i);
        d.setValue(key, integer(i));
        expected.push_back(key);
    }
    EXPECT_EQ(expected, insertionKeys(d));
    EXPECT_EQ(40u, d.poolEntries());
    for (int i = 0; i < 40; ++i) {
        int32_t value = -1;
        EXPECT_TRUE(d.getInteger(expected[i], &value));
        EXPECT_EQ(i, value);
    }

    // Set and remove churn reuses the freed records instead of growing the pool.
    for (int round = 0; round < 1000; ++round) {
        d.setValue(L"churn" + std::to_wstring(round), integer(round));
        d.remove(L"churn" + std::to_wstring(round), nullptr);
    }
    EXPECT_EQ(41u, d.poolEntries());
    EXPECT_EQ(expected, insertionKeys(d));

    d.clear();
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(0u, d.poolEntries());
    EXPECT_EQ(d.insertionOrderBegin(), d.insertionOrderEnd());
    EXPECT_EQ(d.keyOrderBegin(), d.keyOrderEnd());
    d.setValue(L"again", integer(1));
    d.setValue(L"after", integer(2));
    EXPECT_EQ((std::vector<std::wstring>{L"again", L"after"}), insertionKeys(d));
    EXPECT_EQ((std::vector<std::wstring>{L"after", L"again"}), sortedKeys(d));
}

TEST(DictionaryValue, AssignCopiesInKeyOrder) {
    int deaths = 0;
    std::unique_ptr<DictionaryValue> source(new DictionaryValue());
    source->setValue(L"b", new Probe(L"bee", &deaths), 5);
    source->setValue(L"a", integer(1), 6);

    DictionaryValue target;
    target.setValue(L"z", integer(0));
    target.setValue(L"b", integer(9));
    target.assign(*source);

    // Existing keys keep their place; new ones follow in the source's key order.
    EXPECT_EQ((std::vector<std::wstring>{L"z", L"b", L"a"}), insertionKeys(target));
    EXPECT_NE(source->find(L"b"), target.find(L"b"));
    std::wstring s;
    EXPECT_TRUE(target.getString(L"b", &s));
    EXPECT_EQ(L"bee", s);
    for (const DictionaryMember& member : target.members())
        EXPECT_EQ(0u, member.keyToken());

    // Both sides own their own values: deleting the source leaves the copies alive.
    source.reset();
    EXPECT_EQ(1, deaths);
    EXPECT_TRUE(target.getString(L"b", &s));

    target.assign(target);
    EXPECT_EQ(3u, target.size());
}

TEST(DictionaryValue, IteratorsWalkBothOrders) {
    DictionaryValue d;
    d.setValue(L"m", integer(1));
    d.setValue(L"c", integer(2));
    AbstractDictionaryValue::Iterator it = d.keyOrderBegin();
    EXPECT_EQ(L"c", (it++)->key());
    EXPECT_EQ(L"m", it->key());
    EXPECT_EQ(d.keyOrderEnd(), ++it);

    // A mutable iterator reaches the value itself.
    for (DictionaryMember& member : d.members())
        member.value()->range.beginToken = 42;
    AbstractDictionaryValue::ConstIterator first = d.insertionOrderBegin();
    EXPECT_EQ(L"m", first->key());
    EXPECT_EQ(42u, first->value()->range.beginToken);
}
